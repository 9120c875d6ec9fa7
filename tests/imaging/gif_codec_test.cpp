#include "imaging/gif_codec.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <bit>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "support/test_support.h"

namespace vendora {
namespace {

namespace fs = std::filesystem;
using Rgb = PaletteEntry;
using Bytes = std::vector<uint8_t>;
constexpr Rgb kWhite{255, 255, 255};

// A picture as a peer sees it: indices top-down, palette, transparent index.
struct Picture {
  int width = 0, height = 0, transparent = -1;
  Bytes pixels;
  std::vector<Rgb> palette;
  bool operator==(const Picture&) const = default;
};

Picture FromRaster(const CImageImpl& image) {
  Picture p{image.GetWidth(), image.GetHeight(), image.GetTransparentIndex(), {}, {}};
  for (int y = p.height - 1; y >= 0; --y)
    for (int x = 0; x < p.width; ++x) p.pixels.push_back(static_cast<uint8_t>(image.GetPixelIndex(x, y)));
  if (image.GetPalette()) p.palette = image.GetPalette()->entries();
  return p;
}

Picture ReadOurs(const fs::path& path, int* badCodes = nullptr) {
  CImageImplGif gif;
  EXPECT_TRUE(gif.Read(path.string())) << path;
  if (badCodes) *badCodes = gif.BadCodeCount();
  return FromRaster(gif);
}

// giflib's last image, its palette shaped by our transparency rule.
Picture ReadGiflib(const fs::path& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  Picture p;
  if (!gif || DGifSlurp(gif) != GIF_OK) {
    ADD_FAILURE() << "giflib cannot read " << path;
  } else {
    const SavedImage& image = gif->SavedImages[gif->ImageCount - 1];
    const GifImageDesc& d = image.ImageDesc;
    GraphicsControlBlock gcb{0, false, 0, -1};
    DGifSavedExtensionToGCB(gif, gif->ImageCount - 1, &gcb);
    p = {d.Width, d.Height, gcb.TransparentColor, Bytes(image.RasterBits, image.RasterBits + d.Width * d.Height), {}};
    if (const ColorMapObject* map = d.ColorMap ? d.ColorMap : gif->SColorMap)
      for (int i = 0; i < map->ColorCount; ++i)
        p.palette.push_back({map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
    if (p.transparent >= 0 && !p.palette.empty()) {
      if (p.palette.size() < 256)
        p.palette.resize(256, kWhite);
      else if (std::ranges::find(p.palette, kWhite) == p.palette.end())
        p.palette[255] = kWhite;
      p.palette[p.transparent] = {};
    }
  }
  DGifCloseFile(gif, &error);
  return p;
}

// Hand-made LZW data: codes of the given widths, packed least significant bit first.
std::string Pack(const std::vector<std::pair<int, int>>& codes) {
  std::string out;
  uint32_t acc = 0;
  int bits = 0;
  for (auto [code, width] : codes)
    for (acc |= static_cast<uint32_t>(code) << bits, bits += width; bits >= 8; acc >>= 8, bits -= 8)
      out += static_cast<char>(acc);
  return bits > 0 ? out + static_cast<char>(acc) : out;
}

// Pixels as literal codes, with a clear code before the table would widen the codes.
std::string Literals(const Bytes& pixels, int minCodeSize) {
  const int clear = 1 << minCodeSize;
  std::vector<std::pair<int, int>> codes;
  for (size_t i = 0; i < pixels.size(); ++i) {
    if (i % static_cast<size_t>(clear - 2) == 0) codes.push_back({clear, minCodeSize + 1});
    codes.push_back({pixels[i], minCodeSize + 1});
  }
  codes.push_back({clear + 1, minCodeSize + 1});
  return Pack(codes);
}

std::string Le16(int v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; }

// A colour table of a power of two entries; entry i is i + red, 3i, 255-i.
std::string Table(int entries, int red = 0) {
  std::string table;
  for (int i = 0; i < entries; ++i)
    table += {static_cast<char>(i + red), static_cast<char>(i * 3), static_cast<char>(255 - i)};
  return table;
}

char TableFlags(int entries) {
  return static_cast<char>(entries ? 0x7F + std::countr_zero(static_cast<unsigned>(entries)) : 0);
}

// An image block: descriptor, optional local table (entries with red shifted by 100),
// code size and data sub-blocks.
std::string Image(int width, int height, const std::string& data, int minCodeSize = 2, bool interlaced = false,
                  int localEntries = 0) {
  std::string image = "," + Le16(0) + Le16(0) + Le16(width) + Le16(height);
  image += static_cast<char>((interlaced ? 0x40 : 0) | (localEntries ? TableFlags(localEntries) : 0));
  image += Table(localEntries, 100) + static_cast<char>(minCodeSize);
  for (size_t i = 0; i < data.size(); i += 255)
    image += static_cast<char>(data.substr(i, 255).size()) + data.substr(i, 255);
  return image + std::string(1, '\0');
}

// A screen with an optional global table, then the blocks, then the trailer.
std::string Screen(int width, int height, int tableEntries, const std::string& blocks) {
  std::string gif = "GIF89a" + Le16(width) + Le16(height);
  gif += {TableFlags(tableEntries), 0, 0};
  return gif + Table(tableEntries) + blocks + ";";
}

// One image after whatever blocks `before` holds.
std::string RawGif(int width, int height, int tableEntries, const std::string& data, int minCodeSize = 2,
                   bool interlaced = false, const std::string& before = "") {
  return Screen(width, height, tableEntries, before + Image(width, height, data, minCodeSize, interlaced));
}

std::string Gce(int transparent) { return std::string("!\xF9\x04\x01\0\0", 6) + static_cast<char>(transparent) + '\0'; }

class GifCodec : public ::testing::Test {
 protected:
  fs::path Put(const std::string& name, const std::string& bytes) {
    test::WriteFileBytes(dir_ / name, bytes);
    return dir_ / name;
  }
  // An indexed raster (grey without palette) of random pixels below `colours`.
  std::unique_ptr<CImageImplGif> Raster(int w, int h, int bits, int paletteSize, int colours) {
    auto image = std::make_unique<CImageImplGif>();
    EXPECT_TRUE(image->Create(w, h, bits));
    std::vector<Rgb> table(static_cast<size_t>(paletteSize));
    for (Rgb& e : table) e = {static_cast<uint8_t>(rng_()), static_cast<uint8_t>(rng_()), static_cast<uint8_t>(rng_())};
    if (paletteSize) image->AttachPalette(std::make_unique<ImagePalette>(table));
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) image->SetPixelIndex(x, y, static_cast<int>(rng_() % colours));
    return image;
  }
  test::TempDir dir_;
  std::mt19937 rng_{20240607};
};

TEST_F(GifCodec, DecodesLikeGiflib) {
  std::vector<fs::path> files{
      Put("no_table.gif", RawGif(6, 3, 0, Literals({0, 3, 2, 1, 1, 0, 2, 3, 3, 1, 0, 2, 2, 2, 2, 0, 1, 3}, 2)))};
  for (const auto& e : fs::directory_iterator(fs::path(VENDORA_FIXTURES) / "gif"))
    if (e.path().extension() == ".gif") files.push_back(e.path());
  ASSERT_GE(files.size(), 18u);
  for (const fs::path& file : files) EXPECT_EQ(ReadOurs(file), ReadGiflib(file)) << file;

  // Several images: the last one is loaded, ReadSize measures the first.
  CImageImplGif gif;
  int w = 0, h = 0;
  ASSERT_TRUE(gif.ReadSize((fs::path(VENDORA_FIXTURES) / "gif" / "frames_transparent_first.gif").string(), w, h));
  EXPECT_EQ(std::pair(w, h), std::pair(12, 8));
  ASSERT_TRUE(gif.Read(""));
  EXPECT_EQ(std::pair(gif.GetWidth(), gif.GetHeight()), std::pair(9, 14));
  EXPECT_EQ(gif.GetTransparentIndex(), -1);
}

TEST_F(GifCodec, TransparentColourTableRules) {
  Picture p = ReadOurs(Put("t5.gif", RawGif(4, 2, 8, Literals({5, 1, 5, 7, 0, 0, 2, 5}, 3), 3, false, Gce(5))));
  EXPECT_EQ(p.transparent, 5);
  ASSERT_EQ(p.palette.size(), 256u);
  EXPECT_EQ(p.palette[5], Rgb{});
  EXPECT_EQ(p.palette[7], (Rgb{7, 21, 248}));
  EXPECT_EQ(p.palette[8], kWhite);
  EXPECT_EQ(p.palette[255], kWhite);
  // A full table without white gets white at 255; without transparency the table stays as it is.
  p = ReadOurs(Put("t256.gif", RawGif(2, 1, 256, Literals({5, 9}, 8), 8, false, Gce(9))));
  EXPECT_EQ(p.palette[255], kWhite);
  EXPECT_EQ(p.palette[9], Rgb{});
  EXPECT_EQ(ReadOurs(Put("plain.gif", RawGif(2, 1, 4, Literals({3, 1}, 2)))).palette.size(), 4u);
  EXPECT_TRUE(ReadOurs(Put("bare.gif", RawGif(2, 1, 0, Literals({3, 1}, 2), 2, false, Gce(1)))).palette.empty());
}

TEST_F(GifCodec, InterlacedLinesLandInTheirRows) {
  for (const std::vector<int>& order : std::vector<std::vector<int>>{{0}, {0, 1}, {0, 2, 1}, {0, 4, 2, 1, 3}}) {
    Bytes lines;  // two pixels per line, valued by the row they belong to
    for (int row : order) lines.insert(lines.end(), 2, static_cast<uint8_t>(row));
    const int h = static_cast<int>(order.size());
    CImageImplGif gif;
    ASSERT_TRUE(gif.Read(Put("i.gif", RawGif(2, h, 8, Literals(lines, 3), 3, true)).string()));
    for (int k = 0; k < h; ++k) EXPECT_EQ(gif.GetPixelIndex(1, h - 1 - k), k) << "height " << h;
  }
}

TEST_F(GifCodec, CorruptCodesAreCountedAndDecodingGoesOn) {
  int bad = -1;
  // No leading clear code; a code ahead of the next free one; then code 7, which
  // that bad code left prefixed by itself: its chain runs in a circle.
  Picture p = ReadOurs(Put("bad.gif", RawGif(4, 2, 4, Pack({{1, 3}, {7, 3}, {2, 3}, {7, 4}, {3, 4}, {5, 4}}))), &bad);
  EXPECT_EQ(bad, 2);
  EXPECT_EQ(Bytes(p.pixels.begin(), p.pixels.begin() + 4), (Bytes{1, 1, 1, 2}));
  // After a clear code, a code beyond the table decodes as 0.
  p = ReadOurs(Put("after_clear.gif", RawGif(2, 1, 4, Pack({{4, 3}, {6, 3}, {3, 3}, {5, 3}}))), &bad);
  EXPECT_EQ(p.pixels, (Bytes{0, 3}));
}

TEST_F(GifCodec, WhatCannotBeAGifIsRefused) {
  const std::string pixels = Literals({0, 1, 2, 3, 2, 1}, 2), good = RawGif(3, 2, 4, pixels, 2, false, Gce(1));
  const std::string first = Image(3, 2, pixels);
  std::vector<std::string> bad = {
      "GIF7" + good.substr(4),
      good.substr(0, 25) + ";",    // no image
      RawGif(3, 2, 4, pixels, 1),  // the only image with a code size outside 2..9
      RawGif(3, 2, 4, pixels, 10),
      RawGif(0, 2, 4, pixels),                                  // no width
      RawGif(40000, 1, 4, pixels),                              // wider than a raster may be
      RawGif(10000, 10000, 4, pixels),                          // more pixels than a raster may have
      Screen(3, 2, 4, first + Image(40000, 1, pixels)),         // so is any later image
      good.substr(0, 13) + std::string("\0\0\0", 3),            // colour table cut short
  };
  // Every cut before the first image's code size byte leaves no image.
  const size_t codeSizeAt = 13 + 3 * 4 + Gce(1).size() + 10;
  ASSERT_EQ(good[codeSizeAt], 2);
  for (size_t n = 0; n <= codeSizeAt; ++n) bad.push_back(good.substr(0, n));
  for (size_t i = 0; i < bad.size(); ++i)
    EXPECT_FALSE(CImageImplGif().Read(Put("bad.gif", bad[i]).string())) << "case " << i;
  CImageImplGif gif;
  int w = -1, h = -1;
  EXPECT_FALSE(gif.ReadSize(Put("none.gif", bad[1]).string(), w, h));
  EXPECT_EQ(w + h, 0);
  EXPECT_FALSE(gif.ReadSize(Put("sig.gif", bad[0]).string(), w, h));
}

// A damaged GIF shows what could be decoded: the rows up to the end of the data, the
// pixels placed before an early end code, the last image that could be decoded.
TEST_F(GifCodec, DamagedFilesKeepWhatWasDecoded) {
  const Bytes pixels{0, 1, 2, 3, 2, 1};
  const std::string good = RawGif(3, 2, 4, Literals(pixels, 2));
  const size_t dataAt = 13 + 3 * 4 + 10 + 1;
  // Cut anywhere after the code size byte: a growing prefix of the pixels, zeros after it.
  size_t decodedBefore = 0;
  for (size_t n = dataAt; n <= good.size(); ++n) {
    CImageImplGif gif;
    ASSERT_TRUE(gif.Read(Put("cut.gif", good.substr(0, n)).string())) << n;
    const Picture p = FromRaster(gif);
    size_t decoded = 0;
    while (decoded < pixels.size() && p.pixels[decoded] == pixels[decoded]) ++decoded;
    EXPECT_EQ(Bytes(p.pixels.begin() + static_cast<long>(decoded), p.pixels.end()), Bytes(pixels.size() - decoded, 0)) << n;
    EXPECT_GE(decoded, decodedBefore) << n;
    decodedBefore = decoded;
  }
  EXPECT_EQ(decodedBefore, pixels.size());

  // An end code before the last row.
  EXPECT_EQ(ReadOurs(Put("early.gif", RawGif(3, 2, 4, Literals({0, 1, 2, 3}, 2)))).pixels, (Bytes{0, 1, 2, 3, 0, 0}));

  // A later image with an unusable code size, or cut before its data, leaves the one before.
  const std::string first = Image(3, 2, Literals(pixels, 2));
  for (const std::string& second : {Image(2, 2, Literals({3, 3, 3, 3}, 2), 10), Image(2, 2, "", 1),
                                    Image(2, 2, Literals({3, 3, 3, 3}, 2)).substr(0, 10)}) {
    const Picture p = ReadOurs(Put("two.gif", Screen(3, 2, 4, first + second)));
    EXPECT_EQ(std::pair(p.width, p.height), std::pair(3, 2));
    EXPECT_EQ(p.pixels, pixels);
  }

  // The photo cut after 403 bytes: full size, its first rows as in the whole file.
  const fs::path photo = fs::path(VENDORA_FIXTURES) / "gif" / "photo_16.gif";
  const Picture whole = ReadOurs(photo);
  const Picture cut = ReadOurs(Put("photo.gif", test::ReadFileBytes(photo).substr(0, 403)));
  ASSERT_EQ(std::pair(cut.width, cut.height), std::pair(whole.width, whole.height));
  EXPECT_EQ(cut.palette, whole.palette);
  const size_t firstRow = static_cast<size_t>(whole.width);
  EXPECT_TRUE(std::equal(cut.pixels.begin(), cut.pixels.begin() + static_cast<long>(firstRow), whole.pixels.begin()));
  EXPECT_NE(cut.pixels, whole.pixels);
}

// A local colour table replaces the table read so far: an image after it without a
// table of its own keeps using it (giflib would go back to the global table here).
TEST_F(GifCodec, ALocalColourTableStaysInForce) {
  const std::string blocks = Image(2, 1, Literals({1, 2}, 2), 2, false, 4) + Image(2, 1, Literals({3, 0}, 2));
  const Picture p = ReadOurs(Put("local.gif", Screen(2, 1, 4, blocks)));
  EXPECT_EQ(p.pixels, (Bytes{3, 0}));
  EXPECT_EQ(p.palette, (std::vector<Rgb>{{100, 0, 255}, {101, 3, 254}, {102, 6, 253}, {103, 9, 252}}));
}

// giflib, ImageMagick and our decoder must all see the raster in the file we wrote.
void ExpectPeersAgree(const CImageImpl& image, const fs::path& path) {
  Picture ours = FromRaster(image);
  const int levels = 1 << image.GetBitsPerPixel();
  ours.palette.resize(256);  // entries past the palette are black; grey rasters get a grey ramp
  for (int i = 0; i < levels && !image.GetPalette(); ++i)
    ours.palette[i].red = ours.palette[i].green = ours.palette[i].blue = static_cast<uint8_t>(i * 255 / (levels - 1));
  EXPECT_EQ(ReadGiflib(path), ours) << path;
  EXPECT_EQ(ReadOurs(path), ours) << path;
  std::string rgb, expected, command = "/usr/bin/convert '" + path.string() + "' -depth 8 rgb:-";
  FILE* pipe = popen(command.c_str(), "r");
  ASSERT_TRUE(pipe) << "ImageMagick is needed";
  for (int c; (c = std::fgetc(pipe)) != EOF;) rgb += static_cast<char>(c);
  ASSERT_EQ(pclose(pipe), 0) << command;
  for (uint8_t px : ours.pixels)
    expected += {static_cast<char>(ours.palette[px].red), static_cast<char>(ours.palette[px].green),
                 static_cast<char>(ours.palette[px].blue)};
  EXPECT_TRUE(rgb == expected) << path;
}

TEST_F(GifCodec, WrittenFilesDecodeAlikeEverywhere) {
  // Width, height, bits per pixel, palette size, colours used: noise far beyond 4096
  // strings (clear codes), a long run, a small palette with pixels past its end, 1 and
  // 4 bits, grey.
  const std::vector<std::array<int, 5>> rasters = {{301, 203, 8, 256, 256}, {1500, 1100, 8, 256, 1}, {13, 11, 8, 4, 6},
                                                   {37, 5, 1, 2, 2},        {9, 9, 4, 0, 16},        {1, 1, 8, 0, 256},
                                                   {70, 60, 8, 0, 256}};
  std::vector<std::unique_ptr<CImageImplGif>> images;
  for (auto [w, h, bits, paletteSize, colours] : rasters) images.push_back(Raster(w, h, bits, paletteSize, colours));
  for (size_t i = 0; i < images.size(); ++i) {
    const fs::path path = dir_ / ("w" + std::to_string(i) + ".gif");
    ASSERT_TRUE(images[i]->Write(path.string()));
    ExpectPeersAgree(*images[i], path);
  }
  EXPECT_LT(fs::file_size(dir_ / "w1.gif"), 4000u);  // 1.65 million equal pixels: growing strings
  const std::string small = test::ReadFileBytes(dir_ / "w2.gif");
  EXPECT_EQ(small.substr(0, 6), "GIF87a");
  EXPECT_EQ(static_cast<uint8_t>(small[10]), 0xF7);  // global table of 256 entries
  EXPECT_EQ(small.substr(13 + 12, 3 * 252), std::string(3 * 252, '\0'));
  EXPECT_EQ(small.substr(13 + 768, 11), std::string(",\0\0\0\0\x0D\0\x0B\0\0\x08", 11));
}

TEST_F(GifCodec, WriteFailuresShowTheirMessage) {
  test::ScriptedPrompter prompter;
  CImageImplGif gif;
  gif.SetPrompter(&prompter);
  ASSERT_TRUE(gif.Create(4, 4, 24));
  EXPECT_FALSE(gif.Write((dir_ / "true.gif").string()));
  ASSERT_TRUE(gif.Create(4, 4, 8));
  fs::create_directory(dir_ / "folder.gif");
  EXPECT_FALSE(gif.Write((dir_ / "folder.gif").string()));
  ASSERT_TRUE(fs::exists("/dev/full"));
  EXPECT_FALSE(gif.Write("/dev/full"));
  EXPECT_EQ(prompter.Texts(), (std::vector<std::string>{"GIF Images must be 8 bit or less",
                                                        "Can't open GIF for writing", "Write Error in GIF file"}));
}

TEST_F(GifCodec, CodersWorkSideBySideOnThreads) {
  std::vector<Picture> expected;
  for (int i = 0; i < 4; ++i) {
    auto image = Raster(400, 300, 8, 256, 16 << i);
    ASSERT_TRUE(image->Write((dir_ / (std::to_string(i) + ".gif")).string()));
    expected.push_back(FromRaster(*image));
  }
  std::vector<int> matches(4, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      const std::string path = (dir_ / (std::to_string(t) + ".gif")).string();
      for (int round = 0; round < 10; ++round) {
        CImageImplGif in, again;
        if (in.Read(path) && in.Write(path + ".copy.gif") && again.Read(path + ".copy.gif") &&
            FromRaster(again) == expected[t])
          ++matches[t];
      }
    });
  for (auto& t : threads) t.join();
  EXPECT_EQ(matches, std::vector<int>(4, 10));
}

}  // namespace
}  // namespace vendora
