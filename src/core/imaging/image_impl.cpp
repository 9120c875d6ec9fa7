#include "imaging/image_impl.h"

#include <new>

#include "common/prompter.h"

namespace vendora {

ImagePalette::ImagePalette(std::vector<PaletteEntry> entries) : entries_(std::move(entries)) {
  if (entries_.size() > 256) entries_.resize(256);
}

int ImagePalette::Nearest(uint8_t red, uint8_t green, uint8_t blue) const {
  int best = 0;
  long bestDistance = -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    long dr = entries_[i].red - red, dg = entries_[i].green - green, db = entries_[i].blue - blue;
    long d = dr * dr + dg * dg + db * db;
    if (bestDistance < 0 || d < bestDistance) {
      bestDistance = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

CImageImpl::~CImageImpl() = default;

bool CImageImpl::Create(int width, int height, int bitsPerPixel, int colourType) {
  if (!FitsRaster(width, height)) return false;
  if (bitsPerPixel != 1 && bitsPerPixel != 4 && bitsPerPixel != 8 && bitsPerPixel != 24) return false;
  const int stride = StrideFor(width, bitsPerPixel);
  try {
    pixels_.assign(static_cast<size_t>(stride) * static_cast<size_t>(height), 0);
  } catch (const std::bad_alloc&) {
    pixels_.clear();
    width_ = height_ = stride_ = 0;
    return false;
  }
  width_ = width;
  height_ = height;
  bitsPerPixel_ = bitsPerPixel;
  stride_ = stride;
  colourType_ = colourType == kColourUnspecified ? (bitsPerPixel <= 8 ? kColourGrey : kColourTrue) : colourType;
  palette_.reset();
  transparentIndex_ = -1;
  sourceWidth_ = sourceHeight_ = 0;
  return true;
}

int CImageImpl::GetPixelIndex(int x, int y) const {
  if (!IsInside(x, y) || bitsPerPixel_ > 8) return -1;
  const uint8_t byte = Row(y)[bitsPerPixel_ * x / 8];
  switch (bitsPerPixel_) {
    case 1: return (byte >> (7 - x % 8)) & 0x01;
    case 4: return x % 2 == 0 ? byte >> 4 : byte & 0x0F;
    default: return byte;
  }
}

bool CImageImpl::GetPixelRGB(int x, int y, uint8_t& red, uint8_t& green, uint8_t& blue) const {
  if (!IsInside(x, y)) return false;
  if (bitsPerPixel_ == 24) {
    const uint8_t* p = Row(y) + 3 * x;
    blue = p[0];
    green = p[1];
    red = p[2];
    return true;
  }
  const int index = GetPixelIndex(x, y);
  if (palette_) {
    if (index >= palette_->size()) {
      red = green = blue = 0;
      return true;
    }
    const PaletteEntry& e = (*palette_)[index];
    red = e.red;
    green = e.green;
    blue = e.blue;
    return true;
  }
  // Grey without palette: the level spread over 0..255.
  const int maxLevel = (1 << bitsPerPixel_) - 1;
  red = green = blue = static_cast<uint8_t>(index * 255 / maxLevel);
  return true;
}

bool CImageImpl::SetPixelIndex(int x, int y, int index) {
  if (!IsInside(x, y) || bitsPerPixel_ > 8) return false;
  uint8_t& byte = Row(y)[bitsPerPixel_ * x / 8];
  switch (bitsPerPixel_) {
    case 1: {
      const uint8_t mask = static_cast<uint8_t>(0x80 >> (x % 8));
      byte = static_cast<uint8_t>((index & 1) ? (byte | mask) : (byte & ~mask));
      break;
    }
    case 4:
      byte = x % 2 == 0 ? static_cast<uint8_t>((byte & 0x0F) | ((index & 0x0F) << 4))
                        : static_cast<uint8_t>((byte & 0xF0) | (index & 0x0F));
      break;
    default: byte = static_cast<uint8_t>(index); break;
  }
  return true;
}

bool CImageImpl::SetPixelRGB(int x, int y, uint8_t red, uint8_t green, uint8_t blue) {
  if (!IsInside(x, y)) return false;
  if (bitsPerPixel_ == 24) {
    uint8_t* p = Row(y) + 3 * x;
    p[0] = blue;
    p[1] = green;
    p[2] = red;
    return true;
  }
  if (palette_) return SetPixelIndex(x, y, palette_->Nearest(red, green, blue));
  if (colourType_ == kColourGrey) {
    const int maxLevel = (1 << bitsPerPixel_) - 1;
    const int grey = (red * 299 + green * 587 + blue * 114) / 1000;
    return SetPixelIndex(x, y, grey * maxLevel / 255);
  }
  return false;
}

bool CImageImpl::Read(const std::string& fileName) {
  UseFileName(fileName);
  return false;
}

bool CImageImpl::Write(const std::string& fileName) {
  UseFileName(fileName);
  return false;
}

bool CImageImpl::ReadSize(const std::string& fileName, int&, int&) {
  UseFileName(fileName);
  return false;
}

bool CImageImpl::SetPalette(int count, const uint8_t* rgbTriples) {
  if (count < 0 || count > 256 || (count > 0 && !rgbTriples)) return false;
  std::vector<PaletteEntry> entries(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) entries[i] = {rgbTriples[3 * i], rgbTriples[3 * i + 1], rgbTriples[3 * i + 2]};
  return AttachPalette(std::make_unique<ImagePalette>(std::move(entries)));
}

bool CImageImpl::SetPaletteArrays(int count, const uint8_t* reds, const uint8_t* greens, const uint8_t* blues) {
  if (count < 0 || count > 256 || (count > 0 && (!reds || !greens || !blues))) return false;
  std::vector<PaletteEntry> entries(static_cast<size_t>(count));
  for (int i = 0; i < count; ++i) entries[i] = {reds[i], greens[i], blues[i]};
  return AttachPalette(std::make_unique<ImagePalette>(std::move(entries)));
}

bool CImageImpl::AttachPalette(std::unique_ptr<ImagePalette> palette) {
  if (palette_ || !palette) return false;  // a raster has one palette at most
  palette_ = std::move(palette);
  colourType_ |= kColourIndexed;
  return true;
}

std::vector<uint8_t> CImageImpl::ToRgba() const {
  std::vector<uint8_t> out(static_cast<size_t>(width_) * static_cast<size_t>(height_) * 4);
  size_t o = 0;
  for (int y = height_ - 1; y >= 0; --y) {
    for (int x = 0; x < width_; ++x) {
      uint8_t r = 0, g = 0, b = 0;
      GetPixelRGB(x, y, r, g, b);
      const bool clear = transparentIndex_ >= 0 && GetPixelIndex(x, y) == transparentIndex_;
      out[o++] = r;
      out[o++] = g;
      out[o++] = b;
      out[o++] = clear ? 0 : 255;
    }
  }
  return out;
}

void CImageImpl::TakeRasterFrom(CImageImpl& other) {
  pixels_ = std::move(other.pixels_);
  palette_ = std::move(other.palette_);
  width_ = other.width_;
  height_ = other.height_;
  bitsPerPixel_ = other.bitsPerPixel_;
  colourType_ = other.colourType_;
  stride_ = other.stride_;
  transparentIndex_ = other.transparentIndex_;
  sourceWidth_ = other.sourceWidth_;
  sourceHeight_ = other.sourceHeight_;
  other.pixels_.clear();
  other.width_ = other.height_ = other.stride_ = 0;
}

void CImageImpl::ShowMessage(const std::string& text) const {
  if (prompter_) prompter_->Show(text, MessageIcon::Warning);
}

}  // namespace vendora
