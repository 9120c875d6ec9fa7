#pragma once
// Windows bitmaps (.bmp): uncompressed 1, 4, 8 and 24 bits per pixel.
#include "imaging/image_impl.h"

namespace vendora {

class CImageImplBmp : public CImageImpl {
 public:
  using CImageImpl::CImageImpl;
  bool Read(const std::string& fileName) override;
  bool Write(const std::string& fileName) override;
  bool ReadSize(const std::string& fileName, int& width, int& height) override;
};

}  // namespace vendora
