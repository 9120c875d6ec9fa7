#pragma once
// GIF, the program's own codec: reads GIF87a/89a (global and local colour tables,
// transparency, interlace, several images: the last wins) into an 8-bit indexed
// raster and writes 8-bit rasters as GIF87a. All coder state lives in one call, so
// several GIFs may be coded at the same time on different threads.
#include "imaging/image_impl.h"

namespace vendora {

class CImageImplGif : public CImageImpl {
 public:
  using CImageImpl::CImageImpl;
  bool Read(const std::string& fileName) override;
  bool Write(const std::string& fileName) override;
  bool ReadSize(const std::string& fileName, int& width, int& height) override;

  // Number of bad codes met by the last Read (reported, not acted on).
  int BadCodeCount() const { return badCodes_; }

 private:
  int badCodes_ = 0;
};

}  // namespace vendora
