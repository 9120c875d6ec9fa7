#pragma once
// JPEG through libjpeg: colour pictures are read as 8-bit indexed rasters of at most
// 240 colours, grey ones with a 256-level grey palette; written as RGB at the set quality.
// CMYK pictures are converted to RGB by the codec and dithered onto a fixed palette.
// The thumbnail path (a decode minimum set) reads colour pictures as 24-bit true colour.
// A file whose data ends early fails to read, as does one whose declared size is
// beyond the raster limits (checked before anything is decoded, also for a reduced
// decode), that needs more than 128 MB inside the library or has more than 100 scans.
// ReadSize reports the header's size, even one that Read refuses. Failures (library errors included) return false and
// print nothing; Write removes a file it could not complete. All state lives in one
// call, so several pictures may be coded at the same time on different threads.
#include "imaging/image_impl.h"

namespace vendora {

class CImageImplJpeg : public CImageImpl {
 public:
  using CImageImpl::CImageImpl;
  bool Read(const std::string& fileName) override;
  bool Write(const std::string& fileName) override;
  bool ReadSize(const std::string& fileName, int& width, int& height) override;
  void SetQuality(int quality) override { quality_ = quality; }
  // Both sides above 0 (the thumbnail path): the next Read decodes at 1/2, 1/4 or 1/8
  // of the size, the smallest that keeps at least twice width x height, and a colour
  // picture straight to 24-bit true colour, without the reduction to 240 colours.
  void SetDecodeMinimum(int width, int height) override {
    minWidth_ = width;
    minHeight_ = height;
  }
  int Quality() const { return quality_; }

 private:
  int quality_ = 30;
  int minWidth_ = 0, minHeight_ = 0;
};

}  // namespace vendora
