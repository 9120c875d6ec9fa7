#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <initializer_list>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "imaging/image_file.h"
#include "imaging/image_refs.h"
#include "imaging/jpeg_codec.h"
#include "support/test_support.h"

namespace vendora {
namespace {

using test::ReadFileBytes;
using test::TempDir;
using test::WriteFileBytes;

std::string Fixture(const std::string& name) { return std::string(VENDORA_FIXTURES) + "/" + name; }

struct Colour {
  int r = 0, g = 0, b = 0;
};
std::ostream& operator<<(std::ostream& out, Colour c) { return out << c.r << "," << c.g << "," << c.b; }
bool Near(Colour a, Colour b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance && std::abs(a.b - b.b) <= tolerance;
}

// Mean colour of the pixels [x0, x1) x [y0, y1), rows counted from the top.
Colour Mean(const CImageImpl& image, int x0, int y0, int x1, int y1) {
  long sum[3] = {}, n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x, ++n) {
      uint8_t r = 0, g = 0, b = 0;
      image.GetPixelRGB(x, image.GetHeight() - 1 - y, r, g, b);
      sum[0] += r;
      sum[1] += g;
      sum[2] += b;
    }
  return n ? Colour{int(sum[0] / n), int(sum[1] / n), int(sum[2] / n)} : Colour{};
}
Colour At(const CImageImpl& image, int x, int topRow) { return Mean(image, x, topRow, x + 1, topRow + 1); }

// Largest channel difference of the means over square blocks: dithering moves single
// pixels, not the colour of an area. Block 1 compares single pixels.
int BlockDifference(const CImageImpl& a, const CImageImpl& b, int block) {
  if (a.GetWidth() != b.GetWidth() || a.GetHeight() != b.GetHeight()) return 1000;
  int worst = 0;
  for (int y = 0; y + block <= a.GetHeight(); y += block)
    for (int x = 0; x + block <= a.GetWidth(); x += block) {
      const Colour p = Mean(a, x, y, x + block, y + block), q = Mean(b, x, y, x + block, y + block);
      worst = std::max({worst, std::abs(p.r - q.r), std::abs(p.g - q.g), std::abs(p.b - q.b)});
    }
  return worst;
}

std::unique_ptr<CImageFile> Load(const std::string& path) {
  auto image = std::make_unique<CImageFile>();
  EXPECT_TRUE(image->Load(path)) << path;
  return image;
}

// The bytes with some of them replaced from offset `at` on.
std::string Patched(std::string bytes, size_t at, std::initializer_list<uint8_t> values) {
  for (uint8_t v : values) bytes[at++] = static_cast<char>(v);
  return bytes;
}

TEST(PngRead, EachKindBecomesAn8Or24BitRasterWithTheRightPixels) {
  const struct {
    const char *file, *reference;
    int bitsPerPixel, colourType;
  } cases[] = {
      {"png/rgb16.png", "png/photo.png", 24, kColourTrue},
      {"png/interlaced.png", "png/photo.png", 24, kColourTrue},
      {"png/grey.png", "png/grey-ref.png", 8, kColourGrey},
      {"png/palette.png", "png/palette-ref.png", 8, kColourIndexed},
      {"png/bit1.png", "png/bit1-ref.png", 8, kColourGrey},
  };
  for (const auto& c : cases) {
    auto image = Load(Fixture(c.file)), reference = Load(Fixture(c.reference));
    if (!image->HasBitmap() || !reference->HasBitmap()) continue;
    EXPECT_EQ(image->GetBitsPerPixel(), c.bitsPerPixel) << c.file;
    EXPECT_EQ(image->GetColourType(), c.colourType) << c.file;
    EXPECT_EQ(image->GetImpl()->GetPalette() != nullptr, c.colourType == kColourIndexed) << c.file;
    EXPECT_EQ(BlockDifference(*image->GetImpl(), *reference->GetImpl(), 1), 0) << c.file;
  }
  // True colour lands in the raster's blue, green, red order, top row last.
  EXPECT_TRUE(Near(At(*Load(Fixture("png/photo.png"))->GetImpl(), 0, 0), {230, 40, 20}, 1));
}

TEST(PngRead, TransparencyIsCompositedOverTheBackground) {
  const Colour background{31, 127, 255};
  auto half = [&](int r, int g, int b) {  // alpha 128 of 255
    return Colour{(r * 128 + 31 * 127) / 255, (g * 128 + 127 * 127) / 255, (b * 128 + 255 * 127) / 255};
  };
  const struct {
    const char* file;
    int x, topRow;
    Colour want;
    int tolerance, colourType;
  } cases[] = {
      {"png/rgba.png", 0, 0, background, 0, kColourTrue},
      {"png/rgba.png", 1, 0, half(200, 10, 10), 2, kColourTrue},
      {"png/rgba.png", 2, 0, {10, 200, 30}, 0, kColourTrue},
      {"png/greyalpha.png", 0, 0, background, 0, kColourTrue},
      {"png/greyalpha.png", 1, 0, half(200, 200, 200), 2, kColourTrue},
      {"png/greyalpha.png", 5, 0, {90, 90, 90}, 0, kColourTrue},
      {"png/palette-trns.png", 1, 1, background, 0, kColourIndexed},
      {"png/palette-trns.png", 4, 0, {250, 0, 0}, 0, kColourIndexed},
  };
  for (const auto& c : cases) {
    auto image = Load(Fixture(c.file));
    if (!image->HasBitmap()) continue;
    // Over a coloured background even a grey picture becomes true colour.
    EXPECT_EQ(image->GetColourType(), c.colourType) << c.file;
    EXPECT_EQ(image->GetBitsPerPixel(), c.colourType == kColourTrue ? 24 : 8) << c.file;
    const Colour got = At(*image->GetImpl(), c.x, c.topRow);
    EXPECT_TRUE(Near(got, c.want, c.tolerance)) << c.file << " pixel " << c.x << ": " << got;
  }
}

// Length of the first chunk of that type, -1 without one.
long ChunkLength(const std::string& png, const std::string& type) {
  const size_t at = png.find(type);
  if (at == std::string::npos || at < 4) return -1;
  const auto* p = reinterpret_cast<const unsigned char*>(png.data() + at - 4);
  return static_cast<long>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

TEST(PngWrite, IndexedAndTrueColourRastersComeBackEqual) {
  TempDir dir;
  CImageFile indexed;
  ASSERT_TRUE(indexed.CreateImpl((dir / "four.png").string(), ImageFormat::Png));
  ASSERT_TRUE(indexed.Create(5, 3, 8));
  const uint8_t four[] = {255, 0, 0, 0, 255, 0, 0, 0, 255, 250, 250, 250};
  ASSERT_TRUE(indexed.GetImpl()->SetPalette(4, four));
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x) indexed.GetImpl()->SetPixelIndex(x, y, (x + y) % 4);
  ASSERT_TRUE(indexed.Save((dir / "four.png").string()));
  EXPECT_EQ(ChunkLength(ReadFileBytes(dir / "four.png"), "PLTE"), 3 * 256);
  auto back = Load((dir / "four.png").string());
  EXPECT_EQ(back->GetColourType(), kColourIndexed);
  EXPECT_EQ(BlockDifference(*back->GetImpl(), *indexed.GetImpl(), 1), 0);

  for (const char* source : {"png/photo.png", "png/grey.png"}) {
    auto image = Load(Fixture(source));
    ASSERT_TRUE(image->Save((dir / "copy.png").string()));
    EXPECT_EQ(ChunkLength(ReadFileBytes(dir / "copy.png"), "PLTE"), -1) << source;
    auto copy = Load((dir / "copy.png").string());
    EXPECT_EQ(copy->GetColourType(), image->GetColourType()) << source;
    EXPECT_EQ(BlockDifference(*copy->GetImpl(), *image->GetImpl(), 1), 0) << source;
  }
}

TEST(JpegRead, ColourPicturesAreIndexedWithAtMost240ColoursAndGreyHas256Levels) {
  for (const char* name : {"photo", "progressive", "cmyk"}) {
    auto image = Load(Fixture(std::string("jpeg/") + name + ".jpg"));
    auto reference = Load(Fixture(std::string("jpeg/") + name + "-ref.png"));
    ASSERT_TRUE(image->HasBitmap()) << name;
    EXPECT_EQ(image->GetBitsPerPixel(), 8) << name;
    EXPECT_EQ(image->GetColourType(), kColourIndexed) << name;
    ASSERT_NE(image->GetImpl()->GetPalette(), nullptr) << name;
    EXPECT_LE(image->GetImpl()->GetPalette()->size(), 240) << name;
    EXPECT_LE(BlockDifference(*image->GetImpl(), *reference->GetImpl(), 8), 4) << name;
  }
  auto grey = Load(Fixture("jpeg/grey.jpg"));
  ASSERT_TRUE(grey->HasBitmap());
  EXPECT_EQ(grey->GetBitsPerPixel(), 8);
  const ImagePalette* levels = grey->GetImpl()->GetPalette();
  ASSERT_NE(levels, nullptr);
  ASSERT_EQ(levels->size(), 256);
  for (int i = 0; i < 256; ++i) EXPECT_EQ((*levels)[i], (PaletteEntry{uint8_t(i), uint8_t(i), uint8_t(i)}));
  EXPECT_LE(BlockDifference(*grey->GetImpl(), *Load(Fixture("jpeg/grey-ref.png"))->GetImpl(), 1), 1);
}

TEST(JpegWrite, QualityDecidesTheSizeAndDecodesStayClose) {
  TempDir dir;
  for (const char* source : {"png/photo.png", "jpeg/photo.jpg"}) {  // true colour, indexed
    auto original = Load(Fixture(source));
    std::uintmax_t sizes[2] = {};
    int i = 0;
    for (int quality : {30, 85}) {
      const std::string path = (dir / ("q" + std::to_string(quality) + ".jpg")).string();
      CImageImplJpeg codec;
      codec.TakeRasterFrom(*Load(Fixture(source))->GetImpl());
      codec.SetQuality(quality);
      ASSERT_TRUE(codec.Write(path)) << source;
      sizes[i++] = std::filesystem::file_size(path);
      EXPECT_LE(BlockDifference(*Load(path)->GetImpl(), *original->GetImpl(), 8), quality == 30 ? 14 : 6) << source;
    }
    EXPECT_LT(sizes[0], sizes[1]) << source;
  }
}

TEST(JpegRead, ReducedDecodeKeepsTwiceTheMinimumAndTheFileSize) {
  TempDir dir;
  const std::string path = (dir / "big.jpg").string();
  {
    CImageFile big;
    ASSERT_TRUE(big.CreateImpl(path, ImageFormat::Jpeg));
    ASSERT_TRUE(big.Create(400, 300, 24));
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 400; ++x) big.GetImpl()->SetPixelRGB(x, y, uint8_t(x * 255 / 399), uint8_t(y * 255 / 299), 90);
    big.SetQuality(90);
    ASSERT_TRUE(big.Save(path));
  }
  auto full = Load(path);
  const struct {
    int minWidth, minHeight, width, height;
  } cases[] = {{25, 18, 50, 38},   {40, 10, 100, 75},    {30, 20, 100, 75},
               {60, 40, 200, 150}, {150, 100, 400, 300}, {100, 0, 400, 300}};
  for (const auto& c : cases) {
    CImageFile image;
    image.SetDecodeMinimum(c.minWidth, c.minHeight);
    ASSERT_TRUE(image.Load(path));
    EXPECT_EQ(image.GetWidth(), c.width) << c.minWidth;
    EXPECT_EQ(image.GetHeight(), c.height) << c.minWidth;
    EXPECT_EQ(image.GetImpl()->SourceWidth(), 400);
    EXPECT_EQ(image.GetImpl()->SourceHeight(), 300);
    // The same picture, smaller: each quarter keeps its colour.
    for (int q = 0; q < 4; ++q) {
      const int left = q % 2, top = q / 2, w = c.width / 2, h = c.height / 2;
      const Colour want = Mean(*full->GetImpl(), left * 200, top * 150, left * 200 + 200, top * 150 + 150);
      const Colour got = Mean(*image.GetImpl(), left * w, top * h, left * w + w, top * h + h);
      EXPECT_TRUE(Near(got, want, 4)) << c.minWidth << " quarter " << q << ": " << got << " for " << want;
    }
  }
}

// Mean over all pixels of the summed channel differences.
double MeanDifference(const CImageImpl& a, const CImageImpl& b) {
  double sum = 0;
  for (int y = 0; y < a.GetHeight(); ++y)
    for (int x = 0; x < a.GetWidth(); ++x) {
      uint8_t p[3] = {}, q[3] = {};
      a.GetPixelRGB(x, y, p[0], p[1], p[2]);
      b.GetPixelRGB(x, y, q[0], q[1], q[2]);
      for (int c = 0; c < 3; ++c) sum += std::abs(p[c] - q[c]);
    }
  return sum / (a.GetWidth() * a.GetHeight());
}

// The thumbnail path decodes colour pictures (CMYK too) straight to true colour, with
// no palette, and its thumbnails come closer to the picture than thumbnails of the
// 240-colour decode; grey pictures stay grey.
TEST(JpegRead, ThumbnailsAreMadeOfTrueColours) {
  TempDir dir;
  for (const char* name : {"photo", "progressive", "cmyk"}) {
    const std::string path = Fixture(std::string("jpeg/") + name + ".jpg");
    CImageFile reduced;
    reduced.SetDecodeMinimum(1, 1);
    ASSERT_TRUE(reduced.Load(path)) << name;
    EXPECT_EQ(reduced.GetBitsPerPixel(), 24) << name;
    EXPECT_EQ(reduced.GetImpl()->GetPalette(), nullptr) << name;

    auto reference = Load(Fixture(std::string("jpeg/") + name + "-ref.png"));
    const ImageSize t = ThumbnailSize(reference->GetWidth(), reference->GetHeight());
    auto wanted = reference->CreateScaledCopy((dir / "wanted.png").string(), t.width, t.height);
    auto before = Load(path)->CreateScaledCopy((dir / "before.png").string(), t.width, t.height);
    // Written as PNG, the thumbnail is compared as made, without a second JPEG loss.
    ASSERT_TRUE(WriteThumbnail(path, dir / "now.png", 85, nullptr, nullptr, ImageFormat::Png)) << name;
    auto now = Load((dir / "now.png").string());
    ASSERT_TRUE(wanted && before && now) << name;
    EXPECT_LT(MeanDifference(*now->GetImpl(), *wanted->GetImpl()),
              MeanDifference(*before->GetImpl(), *wanted->GetImpl())) << name;
  }
  CImageFile grey;
  grey.SetDecodeMinimum(1, 1);
  ASSERT_TRUE(grey.Load(Fixture("jpeg/grey.jpg")));
  EXPECT_EQ(grey.GetBitsPerPixel(), 8);
}

std::string Be16(int v) { return {static_cast<char>(v >> 8), static_cast<char>(v & 0xFF)}; }
std::string Segment(const char* marker, const std::string& body) { return std::string(marker, 2) + Be16(int(body.size()) + 2) + body; }

// A complete JPEG written by hand, as small as a picture of its size can be: every
// coefficient is 0 and the only Huffman code "0" means "no difference" (DC) and "end
// of block" (AC), so a block costs one bit per scan. Components are sampled 1x1; each
// scan covers all of them (first, last coefficient).
std::string HandMadeJpeg(int width, int height, int components, bool progressive,
                         const std::vector<std::pair<int, int>>& scans) {
  std::string jpeg = "\xFF\xD8" + Segment("\xFF\xDB", std::string(1, '\0') + std::string(64, '\1'));
  std::string frame = "\x08" + Be16(height) + Be16(width) + static_cast<char>(components);
  for (int c = 1; c <= components; ++c) frame += {static_cast<char>(c), '\x11', '\0'};
  jpeg += Segment(progressive ? "\xFF\xC2" : "\xFF\xC0", frame);
  for (const char* table : {"\x00", "\x10"})
    jpeg += Segment("\xFF\xC4", std::string(table, 1) + '\1' + std::string(15, '\0') + '\0');
  const long blocks = long((width + 7) / 8) * ((height + 7) / 8) * components;
  for (auto [first, last] : scans) {
    std::string scan(1, static_cast<char>(components));
    for (int c = 1; c <= components; ++c) scan += {static_cast<char>(c), '\0'};
    scan += {static_cast<char>(first), static_cast<char>(last), '\0'};
    const long bits = blocks * (last > 0 ? 2 : 1);
    jpeg += Segment("\xFF\xDA", scan) + std::string(static_cast<size_t>((bits + 7) / 8), '\0');
  }
  return jpeg + "\xFF\xD9";
}

// A few hundred bytes can declare a picture of gigabytes. Whatever path decodes a
// picture (full size for the info, reduced for thumbnails and sizes) refuses one
// beyond the raster limits on its declared size, and one whose decoding needs more
// memory or scans inside the library than any real picture, before it costs them.
TEST(JpegRead, HostilePicturesAreRefusedOnEveryPath) {
  TempDir dir;
  for (const char* folder : {"prods", "thumbs"}) std::filesystem::create_directory(dir / folder);
  const struct {
    std::string name, bytes;
    int width, height;
  } cases[] = {
      {"1.jpg", HandMadeJpeg(33000, 8, 1, false, {{0, 63}}), 33000, 8},         // wider than a raster
      {"2.jpg", HandMadeJpeg(5000, 5000, 3, true, {{0, 0}}), 5000, 5000},       // 150 MB of coefficients
      {"3.jpg", HandMadeJpeg(8, 8, 1, true, std::vector(101, std::pair(0, 0))), 8, 8},  // 101 scans
      {"4.jpg", ReadFileBytes(Fixture("regressions/jpeg_huge_declared_size.jpg")), 32801, 17937},
  };
  for (const auto& c : cases) {
    const std::string path = (dir / "prods" / c.name).string();
    WriteFileBytes(path, c.bytes);
    int width = 0, height = 0;
    EXPECT_TRUE(CImageFile().ReadSize(width, height, path)) << c.name;
    EXPECT_EQ(std::pair(width, height), std::pair(c.width, c.height)) << c.name;
    EXPECT_FALSE(CImageFile().Load(path)) << c.name;
    CImageFile reduced;
    reduced.SetDecodeMinimum(1, 1);
    EXPECT_FALSE(reduced.Load(path)) << c.name;
    EXPECT_FALSE(WriteThumbnail(path, dir / "thumb.jpg", 50)) << c.name;
    for (bool makeThumbnail : {true, false}) {
      const int id = c.name[0] - '0';
      ProductImageRefs refs = MakeProductImageRefs(kImagePattern, dir / "prods", dir / "thumbs", id, makeThumbnail, 50, nullptr);
      EXPECT_EQ(refs.unreadable, c.name) << c.name;
      EXPECT_EQ(refs.picture + refs.thumbnail, "") << c.name;
    }
  }
  // What stays inside the limits loads: a hundred scans, a baseline picture at the widest side.
  for (const std::string& bytes : {HandMadeJpeg(8, 8, 1, true, std::vector(100, std::pair(0, 0))),
                                   HandMadeJpeg(32767, 8, 1, false, {{0, 63}})}) {
    WriteFileBytes(dir / "ok.jpg", bytes);
    EXPECT_TRUE(CImageFile().Load((dir / "ok.jpg").string()));
  }
}

TEST(BmpRead, EachDepthMatchesAnotherDecoder) {
  const struct {
    const char* name;
    int bitsPerPixel, colourType;
  } cases[] = {{"bit1", 1, kColourIndexed}, {"bit4", 4, kColourIndexed}, {"bit8", 8, kColourIndexed},
               {"bit24", 24, kColourTrue},  {"bit32", 24, kColourTrue}};
  for (const auto& c : cases) {
    auto image = Load(Fixture(std::string("bmp/") + c.name + ".bmp"));
    auto reference = Load(Fixture(std::string("bmp/") + c.name + "-ref.png"));
    EXPECT_EQ(image->GetBitsPerPixel(), c.bitsPerPixel) << c.name;
    EXPECT_EQ(image->GetColourType(), c.colourType) << c.name;
    EXPECT_EQ(BlockDifference(*image->GetImpl(), *reference->GetImpl(), 1), 0) << c.name;
  }
}

TEST(BmpRead, TopDownRowsAreTurnedIntoTheBottomUpRaster) {
  const std::string bytes = ReadFileBytes(Fixture("bmp/bit24.bmp"));
  const int height = 15, stride = (24 * 21 + 31) / 32 * 4, offset = 54;
  std::string flipped = Patched(bytes.substr(0, offset), 22, {0xF1, 0xFF, 0xFF, 0xFF});  // height -15
  for (int row = height - 1; row >= 0; --row) flipped += bytes.substr(offset + row * stride, stride);
  TempDir dir;
  WriteFileBytes(dir / "topdown.bmp", flipped);
  auto image = Load((dir / "topdown.bmp").string());
  EXPECT_EQ(image->GetHeight(), height);
  EXPECT_EQ(BlockDifference(*image->GetImpl(), *Load(Fixture("bmp/bit24.bmp"))->GetImpl(), 1), 0);
}

TEST(BmpWrite, RastersComeBackByteForByte) {
  TempDir dir;
  for (const char* name : {"bit1", "bit4", "bit8", "bit24"}) {
    auto image = Load(Fixture(std::string("bmp/") + name + ".bmp"));
    ASSERT_TRUE(image->Save((dir / "copy.bmp").string())) << name;
    auto copy = Load((dir / "copy.bmp").string());
    ASSERT_EQ(copy->GetBitsPerPixel(), image->GetBitsPerPixel()) << name;
    const CImageImpl &a = *image->GetImpl(), &b = *copy->GetImpl();
    EXPECT_EQ(0, std::memcmp(a.GetBits(), b.GetBits(), size_t(a.GetStride()) * a.GetHeight())) << name;
    ASSERT_EQ(a.GetPalette() != nullptr, b.GetPalette() != nullptr) << name;
    if (a.GetPalette()) {
      EXPECT_EQ(a.GetPalette()->entries(), b.GetPalette()->entries()) << name;
    }
  }
  // A grey raster without palette is written with a grey ramp.
  auto grey = Load(Fixture("png/grey.png"));
  ASSERT_TRUE(grey->Save((dir / "grey.bmp").string()));
  EXPECT_EQ(BlockDifference(*Load((dir / "grey.bmp").string())->GetImpl(), *grey->GetImpl(), 1), 0);
}

TEST(Codecs, ReadSizeReadsOnlyTheHeader) {
  TempDir dir;
  for (const char* file : {"png/interlaced.png", "jpeg/progressive.jpg", "bmp/bit8.bmp"}) {
    auto image = Load(Fixture(file));
    int width = 0, height = 0;
    CImageFile measured;
    ASSERT_TRUE(measured.ReadSize(width, height, Fixture(file))) << file;
    EXPECT_FALSE(measured.HasBitmap()) << file;
    EXPECT_EQ(width, image->GetWidth()) << file;
    EXPECT_EQ(height, image->GetHeight()) << file;
    // With the pixels cut off, the size is still there but the picture is not.
    const std::string bytes = ReadFileBytes(Fixture(file));
    const std::string cut = (dir / std::filesystem::path(file).filename()).string();
    WriteFileBytes(cut, bytes.substr(0, bytes.size() * 3 / 4));
    width = height = 0;
    EXPECT_TRUE(measured.ReadSize(width, height, cut)) << file;
    EXPECT_EQ(width, image->GetWidth()) << file;
    EXPECT_FALSE(CImageFile().Load(cut)) << file;
  }
}

// A PNG with a new header: width and height follow the chunk type, the CRC its data.
std::string PngWithSize(const std::string& png, uint8_t high, uint8_t low) {
  std::string patched = Patched(png, 16, {0, 0, high, low, 0, 0, high, low});
  const uLong crc = crc32(0, reinterpret_cast<const Bytef*>(patched.data() + 12), 17);
  return Patched(patched, 29, {uint8_t(crc >> 24), uint8_t(crc >> 16), uint8_t(crc >> 8), uint8_t(crc)});
}

TEST(Codecs, BadInputFailsQuietly) {
  TempDir dir;
  const std::string png = ReadFileBytes(Fixture("png/photo.png")), jpeg = ReadFileBytes(Fixture("jpeg/photo.jpg")),
                    bmp = ReadFileBytes(Fixture("bmp/bit24.bmp"));
  const size_t frame = jpeg.find("\xFF\xC0");  // precision, height, width follow the length
  const struct {
    std::string name, bytes;
  } cases[] = {
      {"empty.png", ""},
      {"signature.png", bmp},
      {"header.png", png.substr(0, 20)},
      {"data.png", png.substr(0, png.size() - 200)},
      {"huge.png", PngWithSize(png, 0xFF, 0xFF)},
      {"crc.png", Patched(png, 29, {uint8_t(png[29] ^ 0x55)})},
      {"empty.jpg", ""},
      {"signature.jpg", png},
      {"header.jpg", jpeg.substr(0, 100)},
      {"data.jpg", jpeg.substr(0, jpeg.size() - 300)},
      {"huge.jpg", Patched(jpeg, frame + 5, {0xFF, 0x00, 0xFF, 0x00})},  // the library stops at 65500
      {"precision.jpg", Patched(jpeg, frame + 4, {12})},
      {"empty.bmp", ""},
      {"signature.bmp", jpeg},
      {"header.bmp", bmp.substr(0, 40)},
      {"data.bmp", bmp.substr(0, bmp.size() - 10)},
      {"huge.bmp", Patched(bmp, 18, {0xFF, 0xFF, 0, 0, 0xFF, 0xFF, 0, 0})},
      {"rle.bmp", ReadFileBytes(Fixture("bmp/rle8.bmp"))},
  };
  testing::internal::CaptureStderr();
  testing::internal::CaptureStdout();
  for (const auto& c : cases) {
    WriteFileBytes(dir / c.name, c.bytes);
    EXPECT_FALSE(CImageFile().Load((dir / c.name).string())) << c.name;
  }
  // A folder standing where the file must be made.
  auto picture = Load(Fixture("png/photo.png"));
  for (const char* name : {"folder.png", "folder.jpg", "folder.bmp"}) {
    std::filesystem::create_directory(dir / name);
    EXPECT_FALSE(picture->Save((dir / name).string())) << name;
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

TEST(Codecs, TheExtensionChoosesTheCodec) {
  TempDir dir;
  const std::string jpeg = ReadFileBytes(Fixture("jpeg/photo.jpg"));
  for (const char* name : {"photo.JPG", "photo.jpeg", "photo.jpg"}) {
    WriteFileBytes(dir / name, jpeg);
    CImageFile image;
    EXPECT_TRUE(image.Load((dir / name).string())) << name;
    EXPECT_EQ(image.GetFormat(), ImageFormat::Jpeg) << name;
  }
  for (const char* name : {"photo", "photo.", "photo.lwf"}) {
    WriteFileBytes(dir / name, jpeg);
    EXPECT_FALSE(CImageFile().Load((dir / name).string())) << name;
  }
}

}  // namespace
}  // namespace vendora
