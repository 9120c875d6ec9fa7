#include "imaging/image_format.h"

#include <algorithm>
#include <array>
#include <string>

#include "common/text_util.h"

namespace vendora {
namespace {

struct FormatRow {
  std::string_view extension;
  ImageFormat format;
};
// Sorted by extension: looked up by bisection.
constexpr std::array<FormatRow, 5> kFormats{{{"bmp", ImageFormat::Bmp},
                                             {"gif", ImageFormat::Gif},
                                             {"jpeg", ImageFormat::Jpeg},
                                             {"jpg", ImageFormat::Jpeg},
                                             {"png", ImageFormat::Png}}};
static_assert(std::is_sorted(kFormats.begin(), kFormats.end(),
                             [](const FormatRow& a, const FormatRow& b) { return a.extension < b.extension; }));

}  // namespace

std::string_view FileExtension(std::string_view fileName) {
  size_t slash = fileName.find_last_of('/');
  std::string_view name = slash == std::string_view::npos ? fileName : fileName.substr(slash + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string_view::npos ? std::string_view() : name.substr(dot + 1);
}

ImageFormat FormatFromExtension(std::string_view extension) {
  std::string lower(extension);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  auto it = std::lower_bound(kFormats.begin(), kFormats.end(), lower,
                             [](const FormatRow& row, const std::string& ext) { return row.extension < ext; });
  return it != kFormats.end() && it->extension == lower ? it->format : ImageFormat::None;
}

ImageFormat FormatFromFileName(std::string_view fileName) { return FormatFromExtension(FileExtension(fileName)); }

std::string_view ExtensionOfFormat(ImageFormat format) {
  for (const auto& row : kFormats)
    if (row.format == format) return row.extension;
  return {};
}

}  // namespace vendora
