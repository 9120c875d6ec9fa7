#pragma once
// Whether two files hold the same bytes.
#include <filesystem>

namespace vendora {

// True when both are regular files of the same size and content (also when they are
// the same file). False when either cannot be read.
bool SameFileContent(const std::filesystem::path& a, const std::filesystem::path& b);

}  // namespace vendora
