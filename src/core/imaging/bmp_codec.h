#pragma once
// Windows bitmaps (.bmp). Reads uncompressed 1, 4, 8 and 24 bits per pixel (the
// colour table becomes the palette) and 32 bits (plain or with bit fields, read as
// 24), bottom-up or top-down; refuses compressed files and files shorter than their
// header promises. Writes the raster as stored behind a 40-byte info header.
// ReadSize reports the header's size, even one that Read refuses. Failures return
// false and print nothing; Write removes a file it could not complete. All state
// lives in one call.
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
