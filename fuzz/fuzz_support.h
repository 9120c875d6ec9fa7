#pragma once
// Fuzz targets hand their input to a decoder through a file, as the program does.
#include <cstddef>
#include <cstdint>
#include <string>

namespace vendora::fuzz {

// Writes the input to a per-process temporary file with the extension and returns its path.
const std::string& WriteInput(const uint8_t* data, size_t size, const char* extension);

// Writing back is there to try the writers on every raster shape the decoders make,
// not to time them: a large decoded picture (which takes seconds to encode under the
// sanitizers) is not written again.
inline bool IsSmall(int width, int height) { return static_cast<int64_t>(width) * height <= (1 << 20); }

// Loads and measures the file through the codec of its extension; if it loaded,
// scales it and writes it (if small) back in the same format to a second temporary file.
void Exercise(const std::string& path);

}  // namespace vendora::fuzz
