#pragma once
// GIF, the program's own codec: reads GIF87a/89a (global and local colour tables,
// transparency, interlace, several images: the last wins) into an 8-bit indexed
// raster and writes rasters of up to 8 bits per pixel as GIF87a. All coder state
// lives in one call, so several GIFs may be coded at the same time on different
// threads (each on its own CImageImplGif object).
//
// Read is tolerant of damage as GIF readers are: data that ends early (cut file, early
// end code) keeps the pixels decoded so far, the rest stays 0; an image with an LZW
// code size outside 2..9, or cut before its data, is passed over, so a multi-image
// file keeps the last image that can be decoded; a local colour table stays in force
// for the images after it. Read returns false for what cannot be a picture: no GIF
// signature, no usable image, or any image declaring a size the raster refuses.
// Corrupt codes are counted (BadCodeCount) and decoding goes on. Only the last image
// is decoded, whatever the file holds before it.
// ReadSize reports the first image's size without decoding; false when the file has
// no usable image descriptor. Write shows one of three English messages through the
// prompter and returns false for a raster above 8 bits per pixel, a file that cannot
// be created, or a failed write.
#include <cstdio>

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
  bool Decode();
  bool Encode(std::FILE* file);

  int badCodes_ = 0;
};

}  // namespace vendora
