#include "imaging/jpeg_codec.h"

#include "imaging/codec_file.h"

// jpeglib.h needs FILE and size_t declared before it.
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

namespace vendora {
namespace {

// What the library may use for one picture besides our raster: the coefficients of a
// progressive picture and the buffer of the two-pass colour quantiser grow with the
// picture, and a few hundred bytes can declare one of gigabytes. Beyond this the
// library fails (it has no backing store) instead of allocating.
constexpr long kLibraryMemory = 128L * 1024 * 1024;
// Real progressive pictures have about ten scans; each scan walks the whole picture.
constexpr int kMaxScans = 100;

// Library errors jump back to the codec instead of ending the program; warnings are
// never printed. A premature end of the data ends decoding at once: the library would
// pad the missing part with grey and carry on, passing a broken picture as good after
// decoding the whole declared size out of nothing.
struct JpegErrors {
  jpeg_error_mgr manager;
  std::jmp_buf jump;
};

[[noreturn]] void JumpBack(j_common_ptr info) { std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->jump, 1); }

void NoteMessage(j_common_ptr info, int level) {
  auto* errors = reinterpret_cast<JpegErrors*>(info->err);
  if (level >= 0) return;
  ++errors->manager.num_warnings;
  if (errors->manager.msg_code == JWRN_JPEG_EOF) JumpBack(info);
}

void SayNothing(j_common_ptr) {}

void InstallErrors(JpegErrors& errors) {
  jpeg_std_error(&errors.manager);
  errors.manager.error_exit = JumpBack;
  errors.manager.emit_message = NoteMessage;
  errors.manager.output_message = SayNothing;
}

void LimitScans(j_common_ptr info) {
  if (info->is_decompressor && reinterpret_cast<j_decompress_ptr>(info)->input_scan_number > kMaxScans)
    JumpBack(info);
}

// The library objects live here, outside the frames that call setjmp, so that the
// jump back skips no destructor. Destroying a zeroed, never created object is a no-op.
struct Decoder {
  jpeg_decompress_struct info{};
  JpegErrors errors{};
  jpeg_progress_mgr progress{};
  Decoder() {
    InstallErrors(errors);
    info.err = &errors.manager;
    progress.progress_monitor = LimitScans;
  }
  // After jpeg_create_decompress, which resets both.
  void Limit() {
    info.mem->max_memory_to_use = kLibraryMemory;
    info.progress = &progress;
  }
  ~Decoder() { jpeg_destroy_decompress(&info); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
};

struct Encoder {
  jpeg_compress_struct info{};
  JpegErrors errors{};
  std::vector<JSAMPLE> row;
  Encoder() {
    InstallErrors(errors);
    info.err = &errors.manager;
  }
  ~Encoder() { jpeg_destroy_compress(&info); }
  Encoder(const Encoder&) = delete;
  Encoder& operator=(const Encoder&) = delete;
};

// CMYK pictures cannot go through the library's quantiser (it wants three
// components) and the library does not turn CMYK into RGB. Their rows are converted
// here and dithered (Floyd-Steinberg) onto a fixed cube of 6 x 8 x 5 = 240 colours.
constexpr int kRedLevels = 6, kGreenLevels = 8, kBlueLevels = 5;
constexpr int kCubeColours = kRedLevels * kGreenLevels * kBlueLevels;

constexpr std::array<uint8_t, 3 * kCubeColours> CubePalette() {
  std::array<uint8_t, 3 * kCubeColours> rgb{};
  size_t i = 0;
  for (int r = 0; r < kRedLevels; ++r)
    for (int g = 0; g < kGreenLevels; ++g)
      for (int b = 0; b < kBlueLevels; ++b) {
        rgb[i++] = static_cast<uint8_t>(r * 255 / (kRedLevels - 1));
        rgb[i++] = static_cast<uint8_t>(g * 255 / (kGreenLevels - 1));
        rgb[i++] = static_cast<uint8_t>(b * 255 / (kBlueLevels - 1));
      }
  return rgb;
}
constexpr auto kCubePalette = CubePalette();

// Error rows hold three ints per pixel plus one pixel of margin on each side.
void DitherCmykRow(const JSAMPLE* cmyk, int width, bool adobeInverted, int* errorsHere, int* errorsBelow,
                   uint8_t* out) {
  static constexpr int kLevels[3] = {kRedLevels, kGreenLevels, kBlueLevels};
  std::memset(errorsBelow, 0, sizeof(int) * 3 * static_cast<size_t>(width + 2));
  for (int x = 0; x < width; ++x) {
    const JSAMPLE* p = cmyk + 4 * x;
    // Photoshop (Adobe marker) stores the inks inverted: 255 means no ink.
    const int k = adobeInverted ? p[3] : 255 - p[3];
    int index = 0;
    for (int c = 0; c < 3; ++c) {
      const int ink = adobeInverted ? p[c] : 255 - p[c];
      int want = ink * k / 255 + errorsHere[3 * (x + 1) + c];
      want = want < 0 ? 0 : want > 255 ? 255 : want;
      const int steps = kLevels[c] - 1;
      const int level = (want * steps + 127) / 255;
      const int error = want - level * 255 / steps;
      errorsHere[3 * (x + 2) + c] += error * 7 / 16;
      errorsBelow[3 * x + c] += error * 3 / 16;
      errorsBelow[3 * (x + 1) + c] += error * 5 / 16;
      errorsBelow[3 * (x + 2) + c] += error / 16;
      index = index * kLevels[c] + level;
    }
    out[x] = static_cast<uint8_t>(index);
  }
}

// CMYK to the raster's true colours (blue, green, red), without dithering.
void CmykRowToRaster(const JSAMPLE* cmyk, int width, bool adobeInverted, uint8_t* out) {
  for (int x = 0; x < width; ++x, cmyk += 4, out += 3) {
    const int k = adobeInverted ? cmyk[3] : 255 - cmyk[3];
    for (int c = 0; c < 3; ++c) {
      const int ink = adobeInverted ? cmyk[c] : 255 - cmyk[c];
      out[2 - c] = static_cast<uint8_t>(ink * k / 255);
    }
  }
}

// The library writes true-colour rows straight in the raster's byte order.
constexpr J_COLOR_SPACE RasterOrder() { return JCS_EXT_BGR; }

// Decodes the file into the raster. Only plain values live in this frame (see Decoder).
bool Decode(Decoder& d, std::FILE* file, CImageImpl& image, int minWidth, int minHeight) {
  jpeg_decompress_struct& info = d.info;
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&info);
  d.Limit();
  jpeg_stdio_src(&info, file);
  jpeg_read_header(&info, TRUE);
  // The declared size decides, even when only a reduced copy is wanted: the library
  // still reads, and for progressive pictures keeps, every coefficient of it.
  if (!CImageImpl::FitsRaster(info.image_width, info.image_height)) return false;

  const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
  // A thumbnail is made of true colours anyway: reducing the picture to 240 colours
  // first would cost most of the decode and leave dithering noise in the thumbnail.
  const bool reduced = minWidth > 0 && minHeight > 0;
  const bool trueColour = reduced && info.num_components > 1;
  if (cmyk) {
    info.out_color_space = JCS_CMYK;
  } else if (trueColour) {
    info.out_color_space = RasterOrder();
  } else if (info.num_components > 1) {
    info.quantize_colors = TRUE;
    info.desired_number_of_colors = 240;
  }

  // Reduced decode for thumbnails: the largest reduction that still leaves twice the
  // wanted size, so the later bilinear reduction has pixels to average.
  if (reduced) {
    unsigned chosen = 1;
    for (unsigned denominator : {8u, 4u, 2u}) {
      info.scale_num = 1;
      info.scale_denom = denominator;
      jpeg_calc_output_dimensions(&info);
      if (info.output_width >= 2u * static_cast<unsigned>(minWidth) &&
          info.output_height >= 2u * static_cast<unsigned>(minHeight)) {
        chosen = denominator;
        break;
      }
    }
    info.scale_denom = chosen;
  }
  jpeg_start_decompress(&info);
  const int width = static_cast<int>(info.output_width), height = static_cast<int>(info.output_height);
  if (!image.Create(width, height, trueColour ? 24 : 8)) return false;
  if (info.output_width != info.image_width || info.output_height != info.image_height)
    image.SetSourceSize(static_cast<int>(info.image_width), static_cast<int>(info.image_height));

  if (trueColour) {
    // Rows arrive in the raster's byte order (CMYK ones are converted below).
  } else if (cmyk) {
    if (!image.SetPalette(kCubeColours, kCubePalette.data())) return false;
  } else if (info.quantize_colors) {
    if (info.out_color_components != 3 || !info.colormap) return false;
    if (!image.SetPaletteArrays(info.actual_number_of_colors, info.colormap[0], info.colormap[1],
                                info.colormap[2]))
      return false;
  } else {
    if (info.output_components != 1) return false;
    uint8_t grey[256];
    for (int i = 0; i < 256; ++i) grey[i] = static_cast<uint8_t>(i);
    if (!image.SetPaletteArrays(256, grey, grey, grey)) return false;
  }

  // Scratch rows come from the library's pool, which the decoder frees on any exit.
  JSAMPARRAY cmykRow = nullptr;
  int* errors[2] = {nullptr, nullptr};
  if (cmyk) {
    auto common = reinterpret_cast<j_common_ptr>(&info);
    cmykRow = (*info.mem->alloc_sarray)(common, JPOOL_IMAGE, info.output_width * 4, 1);
    for (int*& e : errors) {
      if (trueColour) break;  // nothing to dither
      const size_t bytes = sizeof(int) * 3 * static_cast<size_t>(width + 2);
      e = static_cast<int*>((*info.mem->alloc_large)(common, JPOOL_IMAGE, bytes));
      std::memset(e, 0, bytes);
    }
  }
  const bool adobeInverted = info.saw_Adobe_marker;
  while (info.output_scanline < info.output_height) {
    uint8_t* target = image.Row(height - 1 - static_cast<int>(info.output_scanline));
    JSAMPROW row = cmyk ? cmykRow[0] : target;
    if (jpeg_read_scanlines(&info, &row, 1) != 1) return false;
    if (cmyk && trueColour) {
      CmykRowToRaster(cmykRow[0], width, adobeInverted, target);
    } else if (cmyk) {
      DitherCmykRow(cmykRow[0], width, adobeInverted, errors[0], errors[1], target);
      std::swap(errors[0], errors[1]);
    }
  }
  return true;
}

bool Measure(Decoder& d, std::FILE* file, int& width, int& height) {
  if (setjmp(d.errors.jump)) return false;
  jpeg_create_decompress(&d.info);
  d.Limit();
  jpeg_stdio_src(&d.info, file);
  jpeg_read_header(&d.info, TRUE);
  width = static_cast<int>(d.info.image_width);
  height = static_cast<int>(d.info.image_height);
  return true;
}

// Encodes the raster top row first as RGB. Only plain values live in this frame.
bool Encode(Encoder& e, std::FILE* file, const CImageImpl& image, int quality) {
  jpeg_compress_struct& info = e.info;
  if (setjmp(e.errors.jump)) return false;
  jpeg_create_compress(&info);
  jpeg_stdio_dest(&info, file);
  info.image_width = static_cast<JDIMENSION>(image.GetWidth());
  info.image_height = static_cast<JDIMENSION>(image.GetHeight());
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);

  const int width = image.GetWidth(), height = image.GetHeight();
  const bool trueColour = image.GetBitsPerPixel() == 24;
  while (info.next_scanline < info.image_height) {
    const int memoryRow = height - 1 - static_cast<int>(info.next_scanline);
    JSAMPLE* out = e.row.data();
    if (trueColour) {
      const uint8_t* in = image.Row(memoryRow);
      for (int x = 0; x < width; ++x, in += 3, out += 3) {
        out[0] = in[2];
        out[1] = in[1];
        out[2] = in[0];
      }
    } else {
      for (int x = 0; x < width; ++x, out += 3) image.GetPixelRGB(x, memoryRow, out[0], out[1], out[2]);
    }
    JSAMPROW row = e.row.data();
    jpeg_write_scanlines(&info, &row, 1);
  }
  jpeg_finish_compress(&info);
  return true;
}

}  // namespace

bool CImageImplJpeg::Read(const std::string& fileName) {
  UseFileName(fileName);
  try {
    FilePtr file = OpenFile(fileName_, "rb");
    if (!file) return false;
    Decoder decoder;
    return Decode(decoder, file.get(), *this, minWidth_, minHeight_);
  } catch (const std::bad_alloc&) {
    return false;
  }
}

bool CImageImplJpeg::Write(const std::string& fileName) {
  UseFileName(fileName);
  if (!HasBitmap()) return false;
  FilePtr file = OpenFile(fileName_, "wb");
  if (!file) return false;
  bool encoded = false;
  try {
    Encoder encoder;
    encoder.row.resize(3 * static_cast<size_t>(GetWidth()));
    encoded = Encode(encoder, file.get(), *this, quality_);
  } catch (const std::bad_alloc&) {
  }
  return FinishWrite(std::move(file), fileName_, encoded);
}

bool CImageImplJpeg::ReadSize(const std::string& fileName, int& width, int& height) {
  UseFileName(fileName);
  FilePtr file = OpenFile(fileName_, "rb");
  if (!file) return false;
  Decoder decoder;
  return Measure(decoder, file.get(), width, height);
}

}  // namespace vendora
