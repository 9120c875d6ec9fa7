// GIF coding side by side with giflib: the same pictures are encoded by CImageImplGif
// and by giflib's EGif, and the giflib-written files are decoded by both. Prints the
// median time per picture, the throughput in megapixels (= MB of 8-bit pixels) per
// second and our time over giflib's. Aims: decoding no slower than giflib, encoding
// within 1.5x. Both decoders must agree on every pixel, or the run fails.
//
// Usage: gif_bench [rounds=25]
#include <gif_lib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "imaging/gif_codec.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

struct Picture {
  std::string name;
  int width, height;
  std::vector<uint8_t> pixels;  // top-down
  std::vector<PaletteEntry> palette;
};

// Smooth colour fields with noise on top: what a quantised product photo looks like.
Picture PhotoLike(int width, int height) {
  Picture p{"photo 1024x768, 256 colours", width, height, {}, {}};
  std::mt19937 rng(42);
  std::normal_distribution<double> noise(0.0, 6.0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const double v = 128 + 60 * std::sin(x / 37.0) * std::cos(y / 53.0) + 40 * std::sin((x + y) / 91.0) + noise(rng);
      p.pixels.push_back(static_cast<uint8_t>(std::clamp(v, 0.0, 255.0)));
    }
  for (int i = 0; i < 256; ++i)
    p.palette.push_back({static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i / 2)});
  return p;
}

// Large areas of one colour with a few lines: a logo or banner.
Picture Flat(int width, int height) {
  Picture p{"flat 1024x768, 8 colours", width, height, {}, {}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      int c = (x / 256 + y / 192 * 4) % 6;
      if (y % 97 < 3 || (x > 300 && x < 310)) c = 6;
      if ((x - 512) * (x - 512) + (y - 384) * (y - 384) < 150 * 150) c = 7;
      p.pixels.push_back(static_cast<uint8_t>(c));
    }
  for (int i = 0; i < 8; ++i) p.palette.push_back({static_cast<uint8_t>(i * 32), static_cast<uint8_t>(i * 20), 200});
  return p;
}

double MedianMs(int rounds, const std::function<void()>& work) {
  std::vector<double> ms;
  for (int i = 0; i < rounds; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  std::sort(ms.begin(), ms.end());
  return ms[ms.size() / 2];
}

[[noreturn]] void Fail(const std::string& what) {
  std::fprintf(stderr, "gif_bench: %s\n", what.c_str());
  std::exit(1);
}

void GiflibEncode(const Picture& p, const std::string& path) {
  int error = 0;
  GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
  if (!gif) Fail("giflib cannot create " + path);
  std::vector<GifColorType> colours(256);
  for (size_t i = 0; i < p.palette.size(); ++i) colours[i] = {p.palette[i].red, p.palette[i].green, p.palette[i].blue};
  ColorMapObject* map = GifMakeMapObject(256, colours.data());
  bool ok = EGifPutScreenDesc(gif, p.width, p.height, 8, 0, map) == GIF_OK &&
            EGifPutImageDesc(gif, 0, 0, p.width, p.height, false, nullptr) == GIF_OK;
  for (int y = 0; ok && y < p.height; ++y)
    ok = EGifPutLine(gif, const_cast<uint8_t*>(p.pixels.data()) + static_cast<size_t>(y) * p.width, p.width) == GIF_OK;
  GifFreeMapObject(map);
  if (EGifCloseFile(gif, &error) != GIF_OK || !ok) Fail("giflib cannot write " + path);
}

std::vector<uint8_t> GiflibDecode(const std::string& path) {
  int error = 0;
  GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
  if (!gif || DGifSlurp(gif) != GIF_OK) Fail("giflib cannot read " + path);
  const SavedImage& image = gif->SavedImages[0];
  std::vector<uint8_t> pixels(image.RasterBits, image.RasterBits + image.ImageDesc.Width * image.ImageDesc.Height);
  DGifCloseFile(gif, &error);
  return pixels;
}

std::vector<uint8_t> TopDown(const CImageImpl& image) {
  std::vector<uint8_t> out;
  for (int y = image.GetHeight() - 1; y >= 0; --y) out.insert(out.end(), image.Row(y), image.Row(y) + image.GetWidth());
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 25;
  const fs::path dir = fs::temp_directory_path() / ("vendora-gif-bench-" + std::to_string(getpid()));
  fs::create_directories(dir);
  const std::string oursPath = (dir / "ours.gif").string(), theirsPath = (dir / "giflib.gif").string();

  std::printf("%-28s %-7s %10s %10s %10s %10s %8s\n", "picture", "step", "ours ms", "giflib ms", "ours MB/s",
              "giflib MB/s", "ratio");
  bool withinAims = true;
  for (const Picture& p : {PhotoLike(1024, 768), Flat(1024, 768)}) {
    CImageImplGif raster;
    raster.Create(p.width, p.height, 8);
    raster.AttachPalette(std::make_unique<ImagePalette>(p.palette));
    for (int y = 0; y < p.height; ++y)
      std::copy_n(p.pixels.data() + static_cast<size_t>(y) * p.width, p.width, raster.Row(p.height - 1 - y));

    const double encodeOurs = MedianMs(rounds, [&] {
      if (!raster.Write(oursPath)) Fail("our encoder failed");
    });
    const double encodeTheirs = MedianMs(rounds, [&] { GiflibEncode(p, theirsPath); });

    CImageImplGif decoded;
    const double decodeOurs = MedianMs(rounds, [&] {
      if (!decoded.Read(theirsPath)) Fail("our decoder failed");
    });
    std::vector<uint8_t> theirs;
    const double decodeTheirs = MedianMs(rounds, [&] { theirs = GiflibDecode(theirsPath); });
    if (TopDown(decoded) != p.pixels || theirs != p.pixels) Fail("decoders disagree on " + p.name);
    if (GiflibDecode(oursPath) != p.pixels) Fail("giflib reads our file differently: " + p.name);

    const double megabytes = p.width * p.height / 1e6;
    for (auto [step, ours, giflib] :
         {std::tuple{"encode", encodeOurs, encodeTheirs}, {"decode", decodeOurs, decodeTheirs}})
      std::printf("%-28s %-7s %10.2f %10.2f %10.1f %10.1f %8.2f\n", p.name.c_str(), step, ours, giflib,
                  megabytes / ours * 1e3, megabytes / giflib * 1e3, ours / giflib);
    std::printf("%-28s %-7s %10ju %10ju   (file bytes)\n", "", "size", static_cast<uintmax_t>(fs::file_size(oursPath)),
                static_cast<uintmax_t>(fs::file_size(theirsPath)));
    withinAims = withinAims && decodeOurs <= decodeTheirs && encodeOurs <= 1.5 * encodeTheirs;
  }
  fs::remove_all(dir);
  std::printf("%s\n", withinAims ? "within aims (decode <= giflib, encode <= 1.5x giflib)" : "OUTSIDE AIMS");
  return 0;
}
