#include "common/file_write.h"

#include <fstream>
#include <system_error>

namespace vendora {

namespace fs = std::filesystem;

bool ReplaceFileContent(const fs::path& file, std::string_view bytes) {
  fs::path temporary = file;
  temporary += ".tmp";
  std::error_code ec;
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      fs::remove(temporary, ec);
      return false;
    }
  }
  fs::rename(temporary, file, ec);
  if (ec) {
    fs::remove(temporary, ec);
    return false;
  }
  return true;
}

}  // namespace vendora
