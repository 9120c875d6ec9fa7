#include "common/file_name.h"

#include <algorithm>

namespace vendora {

bool IsPlainFileName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string_view::npos) return false;
  return std::none_of(name.begin(), name.end(),
                      [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
}

}  // namespace vendora
