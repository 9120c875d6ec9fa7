#include <gtest/gtest.h>

#include <vector>

#include "imaging/image_file.h"
#include "imaging/image_refs.h"

namespace vendora {
namespace {

TEST(ImageFormats, ExtensionChoosesTheCodec) {
  for (const char* name : {"photo.JPG", "photo.jpeg", "photo.jpg", "/a.b/photo.Jpeg"})
    EXPECT_EQ(FormatFromFileName(name), ImageFormat::Jpeg) << name;
  EXPECT_EQ(FormatFromFileName("x.gif"), ImageFormat::Gif);
  EXPECT_EQ(FormatFromFileName("x.PNG"), ImageFormat::Png);
  EXPECT_EQ(FormatFromFileName("x.bmp"), ImageFormat::Bmp);
  for (const char* name : {"photo", "photo.", "photo.lwf", "dir.jpg/photo", ""})
    EXPECT_EQ(FormatFromFileName(name), ImageFormat::None) << name;
  EXPECT_EQ(ExtensionOfFormat(ImageFormat::Jpeg), "jpeg");
  EXPECT_EQ(ExtensionOfFormat(ImageFormat::None), "");
  CImageFile image;
  EXPECT_FALSE(image.Load("/tmp/photo.lwf"));
  EXPECT_FALSE(image.Load("/tmp/photo."));
}

TEST(Raster, CreationFollowsTheBitmapRules) {
  CImageImpl r;
  ASSERT_TRUE(r.Create(5, 3, 8));
  EXPECT_EQ(r.GetColourType(), kColourGrey);
  EXPECT_EQ(r.GetStride(), 8);
  ASSERT_TRUE(r.Create(5, 3, 24));
  EXPECT_EQ(r.GetColourType(), kColourTrue);
  EXPECT_EQ(r.GetStride(), 16);
  ASSERT_TRUE(r.Create(9, 1, 1));
  EXPECT_EQ(r.GetStride(), 4);
  const uint8_t rgb[6] = {10, 20, 30, 40, 50, 60};
  EXPECT_TRUE(r.SetPalette(2, rgb));
  EXPECT_EQ(r.GetColourType(), kColourIndexed);
  EXPECT_FALSE(r.SetPalette(2, rgb)) << "a raster has one palette";
  // Absurd sizes are refused before anything is allocated.
  EXPECT_FALSE(r.Create(65535, 65535, 24));
  EXPECT_FALSE(r.Create(0, 10, 8));
  EXPECT_FALSE(r.Create(10, 10, 16));
  EXPECT_TRUE(r.Create(8000, 8000, 24));
}

TEST(Raster, PixelAccessAtEveryDepth) {
  CImageImpl r;
  for (int bpp : {1, 4, 8}) {
    ASSERT_TRUE(r.Create(13, 2, bpp));
    const int top = (1 << bpp) - 1;
    for (int x = 0; x < 13; ++x) ASSERT_TRUE(r.SetPixelIndex(x, 1, x % (top + 1)));
    for (int x = 0; x < 13; ++x) EXPECT_EQ(r.GetPixelIndex(x, 1), x % (top + 1)) << bpp << " bits, x " << x;
    EXPECT_EQ(r.GetPixelIndex(0, 0), 0) << "other rows untouched";
    uint8_t red, green, blue;
    ASSERT_TRUE(r.GetPixelRGB(top % 13, 1, red, green, blue));
    EXPECT_EQ(red, top % 13 == top ? 255 : (top % 13) * 255 / top) << "grey levels spread over 0..255";
  }
  ASSERT_TRUE(r.Create(3, 3, 24));
  ASSERT_TRUE(r.SetPixelRGB(2, 1, 200, 100, 50));
  EXPECT_EQ(r.Row(1)[6], 50) << "true colour is stored blue, green, red";
  uint8_t red, green, blue;
  EXPECT_FALSE(r.GetPixelRGB(3, 0, red, green, blue));
  EXPECT_EQ(r.GetPixelIndex(0, 0), -1);

  ASSERT_TRUE(r.Create(2, 1, 8));
  EXPECT_FALSE(r.SetPixelRGB(0, 0, 1, 2, 3) && r.GetColourType() == kColourIndexed);
  const uint8_t palette[9] = {0, 0, 0, 255, 255, 255, 250, 0, 0};
  ASSERT_TRUE(r.SetPalette(3, palette));
  ASSERT_TRUE(r.SetPixelRGB(1, 0, 200, 30, 20));
  EXPECT_EQ(r.GetPixelIndex(1, 0), 2) << "the nearest palette entry";
  r.SetTransparentIndex(2);
  const auto rgba = r.ToRgba();
  ASSERT_EQ(rgba.size(), 8u);
  EXPECT_EQ(rgba[7], 0) << "the transparent index is clear";
  EXPECT_EQ(rgba[3], 255);
}

// A source of 2 x 2 pixels: 0, 100 in the first stored row, 200, 40 in the second (red only).
CImageFile TwoByTwo() {
  CImageFile image;
  EXPECT_TRUE(image.CreateImpl("/tmp/x.bmp", ImageFormat::Bmp));
  EXPECT_TRUE(image.Create(2, 2, 24));
  image.GetImpl()->SetPixelRGB(0, 0, 0, 0, 0);
  image.GetImpl()->SetPixelRGB(1, 0, 100, 0, 0);
  image.GetImpl()->SetPixelRGB(0, 1, 200, 0, 0);
  image.GetImpl()->SetPixelRGB(1, 1, 40, 0, 0);
  return image;
}

TEST(Scaling, BilinearOverTheStretchedGridWithTruncation) {
  CImageFile source = TwoByTwo();
  auto scaled = source.CreateScaledCopy("/tmp/t.jpg", 100, 100);
  ASSERT_TRUE(scaled);
  EXPECT_EQ(scaled->GetFormat(), ImageFormat::Jpeg);
  EXPECT_EQ(scaled->GetBitsPerPixel(), 24);
  auto red = [&](int x, int y) {
    uint8_t r, g, b;
    EXPECT_TRUE(scaled->GetImpl()->GetPixelRGB(x, y, r, g, b));
    return int{r};
  };
  EXPECT_EQ(red(0, 0), 0);
  // x = 50: fx = 0.5; y = 0: the first row blends 0 and 100.
  EXPECT_EQ(red(50, 0), 50);
  // x = 99, y = 99: fx = fy = 0.99 -> 0.0001*0 + 0.0099*100 + 0.0099*200 + 0.9801*40 = 42.174
  EXPECT_EQ(red(99, 99), 42);
  // x = 33, y = 67: dx = 0.33, dy = 0.67 -> 0.2211*0 + 0.4489*200 + 0.1089*100 + 0.2211*40 -> 109 (truncated)
  EXPECT_EQ(red(33, 67), static_cast<int>(0.4489 * 200 + 0.1089 * 100 + 0.2211 * 40));
  EXPECT_FALSE(source.CreateScaledCopy("/tmp/t.jpg", 0, 10));
  EXPECT_FALSE(source.CreateScaledCopy("/tmp/t.lwf", 10, 10));
}

TEST(Scaling, APictureOnePixelWideScalesFromItsOnlyColumn) {
  // The right-hand samples fall outside the source; they carry no weight.
  CImageFile column;
  ASSERT_TRUE(column.CreateImpl("/tmp/c.bmp", ImageFormat::Bmp));
  ASSERT_TRUE(column.Create(1, 2, 24));
  column.GetImpl()->SetPixelRGB(0, 0, 10, 20, 30);
  column.GetImpl()->SetPixelRGB(0, 1, 110, 120, 130);
  auto scaled = column.CreateScaledCopy("/tmp/c.jpg", 3, 2);
  ASSERT_TRUE(scaled);
  uint8_t r, g, b;
  ASSERT_TRUE(scaled->GetImpl()->GetPixelRGB(2, 1, r, g, b));
  // fy = 0.5: half of 10 and half of 110.
  EXPECT_EQ(r, 60);
  EXPECT_EQ(g, 70);
}

// True-colour sources are scaled by reading their pixels directly; the result must be
// the very bytes the pixel-by-pixel way gives for the same colours held in a palette,
// also for one-pixel rows and columns (samples beyond the edge) and enlargements.
TEST(Scaling, TrueColourAndPaletteSourcesScaleToTheSameBytes) {
  const struct {
    int width, height, toWidth, toHeight;
  } cases[] = {{320, 240, 100, 75}, {37, 91, 41, 100}, {1, 9, 3, 100}, {9, 1, 100, 3}, {1, 1, 5, 4}, {2, 2, 100, 100}};
  unsigned seed = 7;
  for (const auto& c : cases) {
    CImageFile indexed, trueColour;
    ASSERT_TRUE(indexed.CreateImpl("/tmp/i.bmp", ImageFormat::Bmp));
    ASSERT_TRUE(trueColour.CreateImpl("/tmp/t.bmp", ImageFormat::Bmp));
    ASSERT_TRUE(indexed.Create(c.width, c.height, 8));
    ASSERT_TRUE(trueColour.Create(c.width, c.height, 24));
    std::vector<uint8_t> palette(3 * 256);
    for (uint8_t& v : palette) v = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 16);
    ASSERT_TRUE(indexed.GetImpl()->SetPalette(256, palette.data()));
    for (int y = 0; y < c.height; ++y)
      for (int x = 0; x < c.width; ++x) {
        const int index = static_cast<int>((seed = seed * 1103515245 + 12345) >> 24);
        indexed.GetImpl()->SetPixelIndex(x, y, index);
        trueColour.GetImpl()->SetPixelRGB(x, y, palette[3 * index], palette[3 * index + 1], palette[3 * index + 2]);
      }
    auto a = indexed.CreateScaledCopy("/tmp/a.jpg", c.toWidth, c.toHeight);
    auto b = trueColour.CreateScaledCopy("/tmp/b.jpg", c.toWidth, c.toHeight);
    ASSERT_TRUE(a && b);
    const CImageImpl &pa = *a->GetImpl(), &pb = *b->GetImpl();
    const size_t bytes = static_cast<size_t>(pa.GetStride()) * static_cast<size_t>(c.toHeight);
    EXPECT_EQ(std::vector<uint8_t>(pa.GetBits(), pa.GetBits() + bytes),
              std::vector<uint8_t>(pb.GetBits(), pb.GetBits() + bytes))
        << c.width << "x" << c.height;
  }
}

TEST(Thumbnails, SizeKeepsTheLongerSideAt100Truncating) {
  auto size = [](int w, int h) {
    ImageSize s = ThumbnailSize(w, h);
    return std::pair{s.width, s.height};
  };
  EXPECT_EQ(size(1000, 500), (std::pair{100, 50}));
  EXPECT_EQ(size(500, 1000), (std::pair{50, 100}));
  EXPECT_EQ(size(333, 1000), (std::pair{33, 100}));
  EXPECT_EQ(size(40, 30), (std::pair{100, 75}));
  EXPECT_EQ(size(64, 64), (std::pair{100, 100}));
  EXPECT_EQ(size(1000, 3), (std::pair{100, 1})) << "a side computed as 0 becomes 1";
  EXPECT_EQ(size(1, 500), (std::pair{1, 100}));
  EXPECT_EQ(ThumbnailQuality(0), 10);
  EXPECT_EQ(ThumbnailQuality(1), 50);
  EXPECT_EQ(ThumbnailQuality(2), 85);
  EXPECT_EQ(ThumbnailQuality(30), 85);
}

}  // namespace
}  // namespace vendora
