#pragma once
// Picture formats, chosen by file extension.
#include <string_view>

namespace vendora {

enum class ImageFormat { None = -1, Bmp = 0, Gif = 1, Jpeg = 2, Png = 3 };

// The text after the last "." of the file name (empty for "photo" and "photo.").
std::string_view FileExtension(std::string_view fileName);
// The format of the file name's extension, compared in lower case; None for any other.
ImageFormat FormatFromFileName(std::string_view fileName);
ImageFormat FormatFromExtension(std::string_view extension);
// "bmp", "gif", "jpeg", "png"; empty for None.
std::string_view ExtensionOfFormat(ImageFormat format);

}  // namespace vendora
