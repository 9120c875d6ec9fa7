#include "common/file_compare.h"

#include <algorithm>
#include <fstream>
#include <iterator>

namespace vendora {

namespace fs = std::filesystem;

bool SameFileContent(const fs::path& a, const fs::path& b) {
  std::error_code ec;
  const auto size = fs::file_size(a, ec);
  if (ec || !fs::is_regular_file(b, ec) || fs::file_size(b, ec) != size || ec) return false;
  if (fs::equivalent(a, b, ec)) return true;
  std::ifstream x(a, std::ios::binary), y(b, std::ios::binary);
  if (!x || !y) return false;
  return std::equal(std::istreambuf_iterator<char>(x), std::istreambuf_iterator<char>(),
                    std::istreambuf_iterator<char>(y), std::istreambuf_iterator<char>());
}

}  // namespace vendora
