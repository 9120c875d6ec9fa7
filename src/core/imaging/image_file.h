#pragma once
// A picture bound to a file and a format: loads, measures, saves and scales through
// the codec of its format. The CImageFile owns its codec object; callers own the
// CImageFile objects they create (CreateScaledCopy returns a new one).
#include <memory>
#include <string>

#include "imaging/image_format.h"
#include "imaging/image_impl.h"

namespace vendora {

class Prompter;

// The codec object of a format (nullptr for ImageFormat::None).
std::unique_ptr<CImageImpl> MakeCodec(ImageFormat format, const std::string& fileName);

class CImageFile {
 public:
  // The prompter receives the codecs' messages (may be null: nothing is shown).
  explicit CImageFile(Prompter* prompter = nullptr) : prompter_(prompter) {}

  // The format argument None takes the format from the file name's extension.
  bool Load(const std::string& fileName, ImageFormat format = ImageFormat::None);
  bool ReadSize(int& width, int& height, const std::string& fileName, ImageFormat format = ImageFormat::None);
  // Writes the raster; a new format hands the raster over to that format's codec.
  bool Save(const std::string& fileName, ImageFormat format = ImageFormat::None);
  // This picture reduced or enlarged to width x height (bilinear, 24-bit true colour),
  // bound to fileName; nullptr without raster, for an unknown format or a side below 1.
  std::unique_ptr<CImageFile> CreateScaledCopy(const std::string& fileName, int width, int height,
                                               ImageFormat format = ImageFormat::None) const;

  bool CreateImpl(const std::string& fileName, ImageFormat format);
  bool Create(int width, int height, int bitsPerPixel, int colourType = kColourUnspecified);
  void SetQuality(int quality);
  // Lets the next Load decode at reduced size, not below width x height (JPEG only).
  void SetDecodeMinimum(int width, int height);

  ImageFormat GetFormat() const { return format_; }
  const std::string& GetFileName() const { return fileName_; }
  CImageImpl* GetImpl() { return impl_.get(); }
  const CImageImpl* GetImpl() const { return impl_.get(); }
  bool HasBitmap() const { return impl_ && impl_->HasBitmap(); }
  int GetWidth() const { return impl_ ? impl_->GetWidth() : 0; }
  int GetHeight() const { return impl_ ? impl_->GetHeight() : 0; }
  int GetBitsPerPixel() const { return impl_ ? impl_->GetBitsPerPixel() : 0; }
  int GetColourType() const { return impl_ ? impl_->GetColourType() : 0; }

 private:
  bool PrepareImpl(const std::string& fileName, ImageFormat format);

  ImageFormat format_ = ImageFormat::None;
  std::string fileName_;
  std::unique_ptr<CImageImpl> impl_;
  Prompter* prompter_ = nullptr;
  int decodeMinWidth_ = 0, decodeMinHeight_ = 0;
};

}  // namespace vendora
