#pragma once
// PNG through libpng: alpha composited over red 31, green 127, blue 255, 16-bit
// samples stripped to 8; indexed rasters written with a 256-entry palette.
// Reading gives 8-bit grey (no palette), 8-bit indexed (palette pictures, whose
// transparency is folded into the palette) or 24-bit true colour (colour pictures,
// and grey ones with transparency, which take on the background's colour).
// ReadSize reports the header's size, even one that Read refuses. Failures (library
// errors included) return false and print nothing; Write removes a file it could not
// complete. All state lives in one call.
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
