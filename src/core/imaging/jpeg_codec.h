#pragma once
// JPEG through libjpeg: colour pictures are read as 8-bit indexed rasters of at most
// 240 colours, grey ones with a 256-level grey palette; written as RGB at the set quality.
#include "imaging/image_impl.h"

namespace vendora {

class CImageImplJpeg : public CImageImpl {
 public:
  using CImageImpl::CImageImpl;
  bool Read(const std::string& fileName) override;
  bool Write(const std::string& fileName) override;
  bool ReadSize(const std::string& fileName, int& width, int& height) override;
  void SetQuality(int quality) override { quality_ = quality; }
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
