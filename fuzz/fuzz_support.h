#pragma once
// Fuzz targets hand their input to a decoder through a file, as the program does.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vendora::fuzz {

// Writes the input to a per-process temporary file with the extension and returns its path.
const std::string& WriteInput(const uint8_t* data, size_t size, const char* extension);

// Loads and measures the file through the codec of its extension; if it loaded,
// scales it and writes it back in the same format to a second temporary file.
void Exercise(const std::string& path);

}  // namespace vendora::fuzz
