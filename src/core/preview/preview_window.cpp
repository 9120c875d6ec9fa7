#include "preview/preview_window.h"

#include <system_error>

namespace vendora {

bool PreviewPageWritten(const std::filesystem::path& previewFolder, std::string_view file) {
  std::error_code ec;
  const auto path = previewFolder / file;
  return std::filesystem::is_regular_file(path, ec) && std::filesystem::file_size(path, ec) > 0 && !ec;
}

std::array<int, 3> PreviewSizeOnClose(bool maximised, int width, int height) {
  if (maximised) return {0, 0, 1};
  return {width, height, 0};
}

}  // namespace vendora
