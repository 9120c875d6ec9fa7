#pragma once
// The in-memory picture: a raster in the layout of a device-independent bitmap.
//
// Rows are stored bottom-up (memory row 0 is the bottom row of the picture) and padded
// to 4 bytes. Pixel coordinates (x, y) of the accessors count rows as stored: y = 0 is
// the bottom row. True-colour pixels hold blue, green, red in this order.
// Depths: 1, 4, 8 or 24 bits per pixel. Colour type: 0 grey, 2 true colour, 3 indexed.
//
// Codecs derive from CImageImpl and implement Read, Write and ReadSize; they report
// failure by returning false and never throw or end the program.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vendora {

class Prompter;

struct PaletteEntry {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const PaletteEntry&) const = default;
};

class ImagePalette {
 public:
  explicit ImagePalette(std::vector<PaletteEntry> entries);
  int size() const { return static_cast<int>(entries_.size()); }
  const PaletteEntry& operator[](int i) const { return entries_[static_cast<size_t>(i)]; }
  const std::vector<PaletteEntry>& entries() const { return entries_; }
  // Index of the entry nearest to the colour (smallest squared distance; first wins).
  int Nearest(uint8_t red, uint8_t green, uint8_t blue) const;

 private:
  std::vector<PaletteEntry> entries_;
};

enum ColourType { kColourUnspecified = -1, kColourGrey = 0, kColourTrue = 2, kColourIndexed = 3 };

class CImageImpl {
 public:
  // Largest raster accepted: a file claiming more is refused instead of allocated.
  // Codecs check the size a file declares against these before decoding anything.
  static constexpr int kMaxSide = 32767;
  static constexpr int64_t kMaxPixels = 64'000'000;
  static constexpr bool FitsRaster(int64_t width, int64_t height) {
    return width >= 1 && height >= 1 && width <= kMaxSide && height <= kMaxSide && width * height <= kMaxPixels;
  }

  CImageImpl() = default;
  explicit CImageImpl(std::string fileName) : fileName_(std::move(fileName)) {}
  virtual ~CImageImpl();
  CImageImpl(const CImageImpl&) = delete;
  CImageImpl& operator=(const CImageImpl&) = delete;

  // Replaces the raster by a new one, all pixels 0, without palette. colourType -1
  // becomes grey up to 8 bits per pixel and true colour above. False for an
  // unsupported depth, a side below 1 or a size beyond the limits above.
  virtual bool Create(int width, int height, int bitsPerPixel, int colourType = kColourUnspecified);

  bool IsInside(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }
  // The pixel's palette index (its grey value for grey rasters); -1 outside or for
  // true colour.
  int GetPixelIndex(int x, int y) const;
  // Indexed: the palette entry; grey: the grey level; true colour: the pixel.
  bool GetPixelRGB(int x, int y, uint8_t& red, uint8_t& green, uint8_t& blue) const;
  bool SetPixelIndex(int x, int y, int index);
  // Indexed rasters store the nearest palette entry (false without palette).
  bool SetPixelRGB(int x, int y, uint8_t red, uint8_t green, uint8_t blue);

  // Codec operations. An empty file name keeps the stored one.
  virtual bool Read(const std::string& fileName);
  virtual bool Write(const std::string& fileName);
  virtual bool ReadSize(const std::string& fileName, int& width, int& height);
  virtual void SetQuality(int /*quality*/) {}
  // A codec that can decode at reduced size may stop reducing at this size (the
  // thumbnail path only); 0 x 0 means full size. The size in the file stays in
  // SourceWidth/SourceHeight.
  virtual void SetDecodeMinimum(int /*width*/, int /*height*/) {}

  // Palette. A raster with a palette is indexed. Setting a second palette fails.
  bool SetPalette(int count, const uint8_t* rgbTriples);
  bool SetPaletteArrays(int count, const uint8_t* reds, const uint8_t* greens, const uint8_t* blues);
  bool AttachPalette(std::unique_ptr<ImagePalette> palette);
  const ImagePalette* GetPalette() const { return palette_.get(); }

  int GetWidth() const { return width_; }
  int GetHeight() const { return height_; }
  int GetBitsPerPixel() const { return bitsPerPixel_; }
  int GetColourType() const { return colourType_; }
  int GetStride() const { return stride_; }
  bool HasBitmap() const { return !pixels_.empty(); }
  uint8_t* GetBits() { return pixels_.data(); }
  const uint8_t* GetBits() const { return pixels_.data(); }
  uint8_t* Row(int memoryRow) { return pixels_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(memoryRow); }
  const uint8_t* Row(int memoryRow) const {
    return pixels_.data() + static_cast<size_t>(stride_) * static_cast<size_t>(memoryRow);
  }
  int GetTransparentIndex() const { return transparentIndex_; }
  void SetTransparentIndex(int index) { transparentIndex_ = index; }
  // The picture's size in its file; differs from the raster only after a reduced decode.
  int SourceWidth() const { return sourceWidth_ ? sourceWidth_ : width_; }
  int SourceHeight() const { return sourceHeight_ ? sourceHeight_ : height_; }
  void SetSourceSize(int width, int height) {
    sourceWidth_ = width;
    sourceHeight_ = height;
  }

  // The picture top-down as red, green, blue, alpha bytes, for display; the
  // transparent index gets alpha 0.
  std::vector<uint8_t> ToRgba() const;

  // Takes over raster, palette and fields of another codec object (format change).
  void TakeRasterFrom(CImageImpl& other);

  const std::string& FileName() const { return fileName_; }
  void SetPrompter(Prompter* prompter) { prompter_ = prompter; }

  static int StrideFor(int width, int bitsPerPixel) { return ((bitsPerPixel * width + 31) / 32) * 4; }

 protected:
  void UseFileName(const std::string& fileName) {
    if (!fileName.empty()) fileName_ = fileName;
  }
  // Shows an English codec message through the prompter, when there is one.
  void ShowMessage(const std::string& text) const;

  std::string fileName_;
  Prompter* prompter_ = nullptr;

 private:
  std::vector<uint8_t> pixels_;
  int width_ = 0, height_ = 0, bitsPerPixel_ = 0, colourType_ = kColourGrey, stride_ = 0;
  int transparentIndex_ = -1;
  int sourceWidth_ = 0, sourceHeight_ = 0;
  std::unique_ptr<ImagePalette> palette_;
};

}  // namespace vendora
