#include "imaging/image_file.h"

#include <algorithm>

#include "imaging/bmp_codec.h"
#include "imaging/gif_codec.h"
#include "imaging/jpeg_codec.h"
#include "imaging/png_codec.h"

namespace vendora {

std::unique_ptr<CImageImpl> MakeCodec(ImageFormat format, const std::string& fileName) {
  switch (format) {
    case ImageFormat::Bmp: return std::make_unique<CImageImplBmp>(fileName);
    case ImageFormat::Gif: return std::make_unique<CImageImplGif>(fileName);
    case ImageFormat::Jpeg: return std::make_unique<CImageImplJpeg>(fileName);
    case ImageFormat::Png: return std::make_unique<CImageImplPng>(fileName);
    case ImageFormat::None: break;
  }
  return nullptr;
}

bool CImageFile::CreateImpl(const std::string& fileName, ImageFormat format) {
  impl_ = MakeCodec(format, fileName);
  if (!impl_) return false;
  impl_->SetPrompter(prompter_);
  return true;
}

bool CImageFile::Create(int width, int height, int bitsPerPixel, int colourType) {
  if (!impl_ && !CreateImpl(fileName_, format_)) return false;
  return impl_->Create(width, height, bitsPerPixel, colourType);
}

bool CImageFile::PrepareImpl(const std::string& fileName, ImageFormat format) {
  if (format == ImageFormat::None) format = FormatFromFileName(fileName);
  if (format == ImageFormat::None) return false;
  fileName_ = fileName;
  if (!impl_ || format != format_) {
    format_ = format;
    if (!CreateImpl(fileName, format)) return false;
  }
  format_ = format;
  return true;
}

bool CImageFile::Load(const std::string& fileName, ImageFormat format) {
  if (!PrepareImpl(fileName, format)) return false;
  impl_->SetDecodeMinimum(decodeMinWidth_, decodeMinHeight_);
  return impl_->Read(fileName);
}

bool CImageFile::ReadSize(int& width, int& height, const std::string& fileName, ImageFormat format) {
  if (!PrepareImpl(fileName, format)) return false;
  return impl_->ReadSize(fileName, width, height);
}

bool CImageFile::Save(const std::string& fileName, ImageFormat format) {
  if (!impl_) return false;
  if (format == ImageFormat::None) format = FormatFromFileName(fileName);
  if (format == ImageFormat::None) return false;
  if (format != format_) {
    std::unique_ptr<CImageImpl> codec = MakeCodec(format, fileName);
    codec->SetPrompter(prompter_);
    codec->TakeRasterFrom(*impl_);
    impl_ = std::move(codec);
    format_ = format;
  }
  fileName_ = fileName;
  return impl_->Write(fileName);
}

namespace {

// The bilinear reduction below for a true-colour source, reading the pixels directly.
// A sample beyond the last row or column has weight 0 there, so taking the edge pixel
// instead of the previous sample adds the same nothing: the result is identical.
void ScaleTrueColour(const CImageImpl& src, CImageImpl& dst) {
  const int srcWidth = src.GetWidth(), srcHeight = src.GetHeight();
  const double W = srcWidth, H = srcHeight;
  const int width = dst.GetWidth(), height = dst.GetHeight();
  for (int y = 0; y < height; ++y) {
    const double fy = y * (H - 1) / height;
    const int y0 = static_cast<int>(fy);
    const double dy = fy - y0;
    const uint8_t* rows[2] = {src.Row(y0), src.Row(std::min(y0 + 1, srcHeight - 1))};
    uint8_t* out = dst.Row(y);
    for (int x = 0; x < width; ++x, out += 3) {
      const double fx = x * (W - 1) / width;
      const int x0 = static_cast<int>(fx);
      const double dx = fx - x0;
      const int x1 = std::min(x0 + 1, srcWidth - 1);
      const uint8_t* p[4] = {rows[0] + 3 * x0, rows[1] + 3 * x0, rows[0] + 3 * x1, rows[1] + 3 * x1};
      const double weight[4] = {(1 - dx) * (1 - dy), (1 - dx) * dy, dx * (1 - dy), dx * dy};
      // Channels in red, green, blue order of summing, as GetPixelRGB hands them out.
      for (int c = 2; c >= 0; --c) {
        double sum = 0;
        for (int i = 0; i < 4; ++i) sum += p[i][c] * weight[i];
        out[c] = static_cast<uint8_t>(sum);
      }
    }
  }
}

}  // namespace

std::unique_ptr<CImageFile> CImageFile::CreateScaledCopy(const std::string& fileName, int width, int height,
                                                         ImageFormat format) const {
  if (!HasBitmap() || width < 1 || height < 1) return nullptr;
  if (format == ImageFormat::None) format = FormatFromFileName(fileName);
  auto copy = std::make_unique<CImageFile>(prompter_);
  copy->fileName_ = fileName;
  copy->format_ = format;
  if (!copy->CreateImpl(fileName, format) || !copy->impl_->Create(width, height, 24, kColourTrue)) return nullptr;

  // Bilinear over the source grid stretched from 0 to W-1; double precision, every
  // conversion to integer truncates. A sample outside the source keeps the values
  // of the previous sample.
  const CImageImpl& src = *impl_;
  CImageImpl& dst = *copy->impl_;
  const double W = src.GetWidth(), H = src.GetHeight();
  if (src.GetBitsPerPixel() == 24) {
    ScaleTrueColour(src, dst);
    return copy;
  }
  uint8_t r = 0, g = 0, b = 0;
  for (int y = 0; y < height; ++y) {
    const double fy = y * (H - 1) / height;
    const int y0 = static_cast<int>(fy);
    const double dy = fy - y0;
    for (int x = 0; x < width; ++x) {
      const double fx = x * (W - 1) / width;
      const int x0 = static_cast<int>(fx);
      const double dx = fx - x0;
      const struct {
        int sx, sy;
        double weight;
      } samples[4] = {{x0, y0, (1 - dx) * (1 - dy)},
                      {x0, y0 + 1, (1 - dx) * dy},
                      {x0 + 1, y0, dx * (1 - dy)},
                      {x0 + 1, y0 + 1, dx * dy}};
      double sr = 0, sg = 0, sb = 0;
      for (const auto& s : samples) {
        src.GetPixelRGB(s.sx, s.sy, r, g, b);
        sr += r * s.weight;
        sg += g * s.weight;
        sb += b * s.weight;
      }
      dst.SetPixelRGB(x, y, static_cast<uint8_t>(sr), static_cast<uint8_t>(sg), static_cast<uint8_t>(sb));
    }
  }
  return copy;
}

void CImageFile::SetQuality(int quality) {
  if (impl_) impl_->SetQuality(quality);
}

void CImageFile::SetDecodeMinimum(int width, int height) {
  decodeMinWidth_ = width;
  decodeMinHeight_ = height;
}

}  // namespace vendora
