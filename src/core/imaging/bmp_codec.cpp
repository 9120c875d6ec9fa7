#include "imaging/bmp_codec.h"

#include "imaging/codec_file.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <new>
#include <vector>

namespace vendora {
namespace {

constexpr uint32_t kBiRgb = 0, kBiBitfields = 3;
constexpr int64_t kFileHeaderSize = 14, kInfoHeaderSize = 40;

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}
void Put16(std::vector<uint8_t>& out, uint32_t v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

struct Header {
  int64_t fileSize = 0;
  uint32_t dataOffset = 0, infoSize = 0, compression = 0, coloursUsed = 0;
  int width = 0, height = 0, bitCount = 0;
  bool topDown = false;
  uint32_t masks[3] = {};  // red, green, blue for BI_BITFIELDS
};

// Reads the file header and any info header of at least 40 bytes (the later
// versions only add fields behind it). The headers must lie inside the file.
bool ReadHeader(std::FILE* file, Header& h) {
  if (std::fseek(file, 0, SEEK_END) != 0) return false;
  h.fileSize = std::ftell(file);
  if (h.fileSize < kFileHeaderSize + kInfoHeaderSize || std::fseek(file, 0, SEEK_SET) != 0) return false;
  uint8_t b[kFileHeaderSize + kInfoHeaderSize + 12] = {};
  const size_t wanted = h.fileSize >= static_cast<int64_t>(sizeof b) ? sizeof b : kFileHeaderSize + kInfoHeaderSize;
  if (std::fread(b, 1, wanted, file) != wanted) return false;
  if (b[0] != 'B' || b[1] != 'M') return false;
  h.dataOffset = U32(b + 10);
  h.infoSize = U32(b + 14);
  if (h.infoSize < kInfoHeaderSize || kFileHeaderSize + h.infoSize > h.fileSize) return false;
  const auto width = static_cast<int32_t>(U32(b + 18)), height = static_cast<int32_t>(U32(b + 22));
  if (width <= 0 || height == 0 || height == INT32_MIN) return false;
  h.width = width;
  h.height = height < 0 ? -height : height;
  h.topDown = height < 0;
  h.bitCount = U16(b + 28);
  h.compression = U32(b + 30);
  h.coloursUsed = U32(b + 46);
  // The masks follow a 40-byte header and are the next fields of the longer ones.
  if (h.compression == kBiBitfields) {
    if (wanted < sizeof b) return false;
    for (int i = 0; i < 3; ++i) h.masks[i] = U32(b + 54 + 4 * i);
  }
  return true;
}

// One channel of a 32-bit pixel through its mask, spread over 0..255.
struct Channel {
  uint32_t mask = 0;
  int shift = 0, bits = 0;
  bool Set(uint32_t m) {
    mask = m;
    if (m == 0) return false;
    shift = std::countr_zero(m);
    bits = std::popcount(m);
    return (m >> shift) == (bits == 32 ? 0xFFFFFFFFu : (1u << bits) - 1);  // one run of bits
  }
  uint8_t Of(uint32_t pixel) const {
    const uint32_t v = (pixel & mask) >> shift;
    if (bits >= 8) return static_cast<uint8_t>(v >> (bits - 8));
    return static_cast<uint8_t>(v * 255 / ((1u << bits) - 1));
  }
};

bool ReadPixels(std::FILE* file, const Header& h, CImageImpl& image) {
  const int64_t fileStride = (static_cast<int64_t>(h.bitCount) * h.width + 31) / 32 * 4;
  if (h.bitCount != 32) {
    // The file's rows are laid out exactly as the raster's.
    if (!h.topDown) {
      const size_t bytes = static_cast<size_t>(fileStride) * static_cast<size_t>(h.height);
      return std::fread(image.GetBits(), 1, bytes, file) == bytes;
    }
    for (int y = 0; y < h.height; ++y)
      if (std::fread(image.Row(h.height - 1 - y), 1, static_cast<size_t>(fileStride), file) !=
          static_cast<size_t>(fileStride))
        return false;
    return true;
  }
  Channel red, green, blue;
  const bool fields = h.compression == kBiBitfields;
  if (!red.Set(fields ? h.masks[0] : 0xFF0000u) || !green.Set(fields ? h.masks[1] : 0xFF00u) ||
      !blue.Set(fields ? h.masks[2] : 0xFFu))
    return false;
  std::vector<uint8_t> row(static_cast<size_t>(fileStride));
  for (int y = 0; y < h.height; ++y) {
    if (std::fread(row.data(), 1, row.size(), file) != row.size()) return false;
    uint8_t* out = image.Row(h.topDown ? h.height - 1 - y : y);
    for (int x = 0; x < h.width; ++x, out += 3) {
      const uint32_t pixel = U32(row.data() + 4 * x);
      out[0] = blue.Of(pixel);
      out[1] = green.Of(pixel);
      out[2] = red.Of(pixel);
    }
  }
  return true;
}

bool Decode(std::FILE* file, CImageImpl& image) {
  Header h;
  if (!ReadHeader(file, h)) return false;
  const bool depthKnown = h.bitCount == 1 || h.bitCount == 4 || h.bitCount == 8 || h.bitCount == 24 || h.bitCount == 32;
  if (!depthKnown || !(h.compression == kBiRgb || (h.compression == kBiBitfields && h.bitCount == 32))) return false;

  // Everything the header promises must be in the file before anything is allocated.
  if (!CImageImpl::FitsRaster(h.width, h.height)) return false;
  const int64_t fileStride = (static_cast<int64_t>(h.bitCount) * h.width + 31) / 32 * 4;
  const int64_t tableOffset =
      kFileHeaderSize + h.infoSize + (h.compression == kBiBitfields && h.infoSize == kInfoHeaderSize ? 12 : 0);
  if (h.dataOffset < tableOffset || h.dataOffset + fileStride * h.height > h.fileSize) return false;

  std::vector<uint8_t> rgb;
  if (h.bitCount <= 8) {
    // Writers disagree on the table's length: at most what the depth addresses and
    // what fits in front of the pixels.
    const int64_t levels = int64_t{1} << h.bitCount;
    int64_t count = h.coloursUsed == 0 || h.coloursUsed > levels ? levels : h.coloursUsed;
    if (count > (h.dataOffset - tableOffset) / 4) count = (h.dataOffset - tableOffset) / 4;
    if (count < 1) return false;
    std::vector<uint8_t> table(static_cast<size_t>(4 * count));
    if (std::fseek(file, static_cast<long>(tableOffset), SEEK_SET) != 0 ||
        std::fread(table.data(), 1, table.size(), file) != table.size())
      return false;
    for (size_t i = 0; i < table.size(); i += 4) rgb.insert(rgb.end(), {table[i + 2], table[i + 1], table[i]});
  }

  const int bitsPerPixel = h.bitCount == 32 ? 24 : h.bitCount;
  if (!image.Create(h.width, h.height, bitsPerPixel, h.bitCount <= 8 ? kColourIndexed : kColourTrue)) return false;
  if (!rgb.empty() && !image.SetPalette(static_cast<int>(rgb.size() / 3), rgb.data())) return false;
  if (std::fseek(file, static_cast<long>(h.dataOffset), SEEK_SET) != 0) return false;
  return ReadPixels(file, h, image);
}

}  // namespace

bool CImageImplBmp::Read(const std::string& fileName) {
  UseFileName(fileName);
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  try {
    return Decode(file.get(), *this);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CImageImplBmp::Write(const std::string& fileName) {
  UseFileName(fileName);
  if (!HasBitmap()) return false;
  const int bitsPerPixel = GetBitsPerPixel();
  const int width = GetWidth(), height = GetHeight();
  const uint32_t imageSize = static_cast<uint32_t>(GetStride()) * static_cast<uint32_t>(height);

  // Colour table: the palette (at most what the depth addresses), or a grey ramp
  // for rasters without one, which show their values as grey levels.
  std::vector<uint8_t> table;
  if (bitsPerPixel <= 8) {
    const ImagePalette* palette = GetPalette();
    const int levels = 1 << bitsPerPixel;
    const int count = palette ? std::max(1, std::min(levels, palette->size())) : levels;
    for (int i = 0; i < count; ++i) {
      PaletteEntry e;
      if (!palette) e.red = e.green = e.blue = static_cast<uint8_t>(i * 255 / (levels - 1));
      else if (i < palette->size()) e = (*palette)[i];
      table.insert(table.end(), {e.blue, e.green, e.red, 0});
    }
  }

  std::vector<uint8_t> header;
  const uint32_t dataOffset = static_cast<uint32_t>(kFileHeaderSize + kInfoHeaderSize + table.size());
  header.push_back('B');
  header.push_back('M');
  Put32(header, dataOffset + imageSize);
  Put32(header, 0);
  Put32(header, dataOffset);
  Put32(header, kInfoHeaderSize);
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  Put16(header, 1);
  Put16(header, static_cast<uint32_t>(bitsPerPixel));
  Put32(header, kBiRgb);
  Put32(header, imageSize);
  Put32(header, 0);
  Put32(header, 0);
  Put32(header, static_cast<uint32_t>(table.size() / 4));
  Put32(header, 0);
  header.insert(header.end(), table.begin(), table.end());

  FilePtr file = OpenFile(fileName_, "wb");
  if (!file) return false;
  // Rows go out as stored: bottom-up, padded to 4 bytes, true colour as blue, green, red.
  const bool written = std::fwrite(header.data(), 1, header.size(), file.get()) == header.size() &&
                       std::fwrite(GetBits(), 1, imageSize, file.get()) == imageSize;
  return FinishWrite(std::move(file), fileName_, written);
}

bool CImageImplBmp::ReadSize(const std::string& fileName, int& width, int& height) {
  UseFileName(fileName);
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  Header h;
  if (!ReadHeader(file.get(), h)) return false;
  width = h.width;
  height = h.height;
  return true;
}

}  // namespace vendora
