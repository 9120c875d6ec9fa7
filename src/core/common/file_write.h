#pragma once
// Replacing a file's whole content safely.
#include <filesystem>
#include <string_view>

namespace vendora {

// Writes the bytes beside the file and renames the copy over it, so that a failure
// (disk full, no right to write) leaves the old file as it was and no half-written
// one. False on failure; nothing is left behind then.
bool ReplaceFileContent(const std::filesystem::path& file, std::string_view bytes);

}  // namespace vendora
