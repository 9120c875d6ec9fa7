#include "imaging/png_codec.h"

#include "imaging/codec_file.h"

#include <png.h>

#include <array>
#include <csetjmp>
#include <cstdio>
#include <memory>
#include <new>

namespace vendora {
namespace {

constexpr png_byte kBackgroundRed = 31, kBackgroundGreen = 127, kBackgroundBlue = 255;

// Library errors jump back to the codec; warnings are dropped, nothing is printed.
[[noreturn]] void JumpBack(png_structp png, png_const_charp) { png_longjmp(png, 1); }
void SayNothing(png_structp, png_const_charp) {}

// The library objects live here, outside the frames that call setjmp, so that the
// jump back skips no destructor.
struct Reader {
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, SayNothing);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  ~Reader() {
    if (png) png_destroy_read_struct(&png, &info, nullptr);
  }
  Reader() = default;
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;
};

struct Writer {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, JumpBack, SayNothing);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  ~Writer() {
    if (png) png_destroy_write_struct(&png, &info);
  }
  Writer() = default;
  Writer(const Writer&) = delete;
  Writer& operator=(const Writer&) = delete;
};

// Only the chunks that change the pixels are decoded (the critical ones and tRNS
// always are); texts, profiles and the rest are passed over without being stored,
// so a chunk that claims a huge length costs no memory.
void SkipUnusedChunks(png_structp png) {
  static constexpr png_byte kUsed[] = "gAMA\0sRGB";
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
  png_set_keep_unknown_chunks(png, PNG_HANDLE_CHUNK_AS_DEFAULT, kUsed, 2);
}

png_byte Over(png_byte colour, png_byte alpha, png_byte background) {
  return static_cast<png_byte>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

// Decodes into the raster, top row into the last memory row. Only plain values live
// in this frame (see Reader).
bool Decode(Reader& r, std::FILE* file, CImageImpl& image) {
  png_structp png = r.png;
  png_infop info = r.info;
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  SkipUnusedChunks(png);
  png_set_user_limits(png, CImageImpl::kMaxSide, CImageImpl::kMaxSide);
  png_read_info(png, info);

  png_uint_32 width = 0, height = 0;
  int depth = 0, type = 0, interlace = 0;
  png_get_IHDR(png, info, &width, &height, &depth, &type, &interlace, nullptr, nullptr);
  if (!CImageImpl::FitsRaster(width, height)) return false;
  const bool palette = type == PNG_COLOR_TYPE_PALETTE;
  const bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS) != 0;

  if (depth == 16) png_set_strip_16(png);
  if (palette) {
    // Indices stay indices, one per byte; transparency is folded into the palette below.
    png_set_packing(png);
  } else if (alpha) {
    // The background is a colour, so grey pictures with transparency become true colour.
    png_set_expand(png);
    png_set_gray_to_rgb(png);
    png_color_16 background{};
    background.red = kBackgroundRed;
    background.green = kBackgroundGreen;
    background.blue = kBackgroundBlue;
    png_set_background(png, &background, PNG_BACKGROUND_GAMMA_SCREEN, 0, 1.0);
    png_set_bgr(png);
  } else if ((type & PNG_COLOR_MASK_COLOR) != 0) {
    png_set_bgr(png);
  } else {
    png_set_expand_gray_1_2_4_to_8(png);
  }
  const int passes = png_set_interlace_handling(png);
  png_read_update_info(png, info);

  const int channels = png_get_channels(png, info);
  if (png_get_bit_depth(png, info) != 8 || (channels != 1 && channels != 3)) return false;
  const int w = static_cast<int>(width), h = static_cast<int>(height);
  const int colourType = palette ? kColourIndexed : channels == 3 ? kColourTrue : kColourGrey;
  if (!image.Create(w, h, 8 * channels, colourType)) return false;
  if (png_get_rowbytes(png, info) > static_cast<size_t>(image.GetStride())) return false;

  if (palette) {
    png_colorp entries = nullptr;
    int count = 0;
    png_bytep transparency = nullptr;
    int transparent = 0;
    png_get_PLTE(png, info, &entries, &count);
    png_get_tRNS(png, info, &transparency, &transparent, nullptr);
    std::array<png_byte, 3 * 256> rgb{};
    count = count < 0 ? 0 : count > 256 ? 256 : count;
    for (int i = 0; i < count; ++i) {
      const png_byte a = transparency && i < transparent ? transparency[i] : 255;
      rgb[3 * i] = Over(entries[i].red, a, kBackgroundRed);
      rgb[3 * i + 1] = Over(entries[i].green, a, kBackgroundGreen);
      rgb[3 * i + 2] = Over(entries[i].blue, a, kBackgroundBlue);
    }
    if (!image.SetPalette(count, rgb.data())) return false;
  }

  // Each interlace pass fills in its own pixels of rows already in the raster.
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < h; ++y) png_read_row(png, image.Row(h - 1 - y), nullptr);
  return true;
}

bool Measure(Reader& r, std::FILE* file, int& width, int& height) {
  if (setjmp(png_jmpbuf(r.png))) return false;
  png_init_io(r.png, file);
  SkipUnusedChunks(r.png);
  png_read_info(r.png, r.info);
  width = static_cast<int>(png_get_image_width(r.png, r.info));
  height = static_cast<int>(png_get_image_height(r.png, r.info));
  return true;
}

struct Layout {
  int depth = 8, type = PNG_COLOR_TYPE_GRAY;
  std::array<png_color, 256> palette{};
  int paletteCount = 0;
};

bool Encode(Writer& wr, std::FILE* file, const CImageImpl& image, const Layout& layout) {
  png_structp png = wr.png;
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  const int w = image.GetWidth(), h = image.GetHeight();
  png_set_IHDR(png, wr.info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), layout.depth, layout.type,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (layout.paletteCount > 0) png_set_PLTE(png, wr.info, layout.palette.data(), layout.paletteCount);
  png_write_info(png, wr.info);
  if (layout.type == PNG_COLOR_TYPE_RGB) png_set_bgr(png);
  // The library copies each row before transforming it; the raster stays untouched.
  for (int y = 0; y < h; ++y) png_write_row(png, image.Row(h - 1 - y));
  png_write_end(png, nullptr);
  return true;
}

}  // namespace

bool CImageImplPng::Read(const std::string& fileName) {
  UseFileName(fileName);
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  try {
    Reader reader;
    return reader.info && Decode(reader, file.get(), *this);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CImageImplPng::Write(const std::string& fileName) {
  UseFileName(fileName);
  if (!HasBitmap()) return false;
  const int bitsPerPixel = GetBitsPerPixel();
  Layout layout;
  const ImagePalette* palette = GetPalette();
  if (bitsPerPixel == 24) {
    layout.type = PNG_COLOR_TYPE_RGB;
  } else {
    layout.depth = bitsPerPixel;
    // An indexed raster without palette shows its values as grey levels, and is
    // written so. The palette always has 256 entries (missing ones black) where the
    // depth allows, else as many as the depth can address.
    if (palette) {
      layout.type = PNG_COLOR_TYPE_PALETTE;
      layout.paletteCount = 1 << bitsPerPixel;
      for (int i = 0; i < layout.paletteCount && i < palette->size(); ++i)
        layout.palette[static_cast<size_t>(i)] = {(*palette)[i].red, (*palette)[i].green, (*palette)[i].blue};
    }
  }

  FilePtr file = OpenFile(fileName_, "wb");
  if (!file) return false;
  bool encoded = false;
  {
    Writer writer;
    encoded = writer.info && Encode(writer, file.get(), *this, layout);
  }
  return FinishWrite(std::move(file), fileName_, encoded);
}

bool CImageImplPng::ReadSize(const std::string& fileName, int& width, int& height) {
  UseFileName(fileName);
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  Reader reader;
  if (!reader.info) return false;
  return Measure(reader, file.get(), width, height);
}

}  // namespace vendora
