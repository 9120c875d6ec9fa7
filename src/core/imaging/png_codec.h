#pragma once
// PNG through libpng: alpha composited over red 31, green 127, blue 255, 16-bit
// samples stripped to 8; indexed rasters written with a 256-entry palette.
#include "imaging/image_impl.h"

namespace vendora {

class CImageImplPng : public CImageImpl {
 public:
  using CImageImpl::CImageImpl;
  bool Read(const std::string& fileName) override;
  bool Write(const std::string& fileName) override;
  bool ReadSize(const std::string& fileName, int& width, int& height) override;
};

}  // namespace vendora
