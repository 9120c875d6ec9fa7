// Product thumbnails for a folder of photos, side by side with ImageMagick
// (mogrify -thumbnail 100x100) and vipsthumbnail, each over the same files in one
// process. Also times the thumbnail path without reduced JPEG decoding, to show what
// decoding only as much as the thumbnail needs saves.
//
// Usage: thumbnail_bench [photos=200] [width=1600] [height=1200]
// The photos are made once with ImageMagick in the temp folder and reused.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "imaging/image_file.h"
#include "imaging/image_refs.h"

namespace fs = std::filesystem;
using namespace vendora;

namespace {

double Seconds(const std::function<void()>& f) {
  auto start = std::chrono::steady_clock::now();
  f();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

bool Run(const std::string& command) { return std::system(command.c_str()) == 0; }

// Photo-like pictures: smooth colour fields with noise, so the encoder has real work.
std::vector<fs::path> MakePhotos(const fs::path& folder, int count, int width, int height) {
  fs::create_directories(folder);
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  const fs::path seed = folder / ("seed-" + size + ".jpg");
  if (!fs::exists(seed) &&
      !Run("/usr/bin/convert -size " + size + " plasma:fractal -seed 7 -attenuate 0.3 +noise Gaussian -quality 90 '" +
           seed.string() + "'"))
    return {};
  std::vector<fs::path> photos;
  for (int i = 0; i < count; ++i) {
    fs::path p = folder / ("photo-" + size + "-" + std::to_string(i) + ".jpg");
    if (!fs::exists(p)) fs::copy_file(seed, p);
    photos.push_back(p);
  }
  return photos;
}

// The thumbnail path with the picture decoded at full size, as without reduced decoding.
bool FullDecodeThumbnail(const fs::path& source, const fs::path& target) {
  CImageFile image;
  if (!image.Load(source.string())) return false;
  ImageSize t = ThumbnailSize(image.GetWidth(), image.GetHeight());
  auto copy = image.CreateScaledCopy(target.string(), t.width, t.height);
  if (!copy) return false;
  copy->SetQuality(85);
  return copy->Save(target.string());
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const int width = argc > 2 ? std::atoi(argv[2]) : 1600, height = argc > 3 ? std::atoi(argv[3]) : 1200;
  const fs::path base = fs::temp_directory_path() / "vendora-thumbnail-bench";
  const std::vector<fs::path> photos = MakePhotos(base / "photos", count, width, height);
  if (photos.empty()) {
    std::fprintf(stderr, "error: ImageMagick could not make the photos\n");
    return 1;
  }
  const fs::path out = base / "out";
  fs::remove_all(out);
  for (const char* d : {"vendora", "full", "magick", "vips"}) fs::create_directories(out / d);

  int failures = 0;
  const double ours = Seconds([&] {
    for (const auto& p : photos)
      if (!WriteThumbnail(p, out / "vendora" / p.filename(), 85)) ++failures;
  });
  const double full = Seconds([&] {
    for (const auto& p : photos)
      if (!FullDecodeThumbnail(p, out / "full" / p.filename())) ++failures;
  });
  const std::string files = "'" + (base / "photos").string() + "'/photo-" + std::to_string(width) + "x" +
                            std::to_string(height) + "-*.jpg";
  const double magick = Seconds([&] {
    if (!Run("/usr/bin/mogrify -path '" + (out / "magick").string() + "' -thumbnail 100x100 -quality 85 " + files))
      ++failures;
  });
  const double vips = Seconds([&] {
    if (!Run("vipsthumbnail -s 100x100 -o '" + (out / "vips").string() + "/%s.jpg[Q=85]' " + files)) ++failures;
  });

  CImageFile check;
  check.Load((out / "vendora" / photos.front().filename()).string());
  std::printf("%d photos of %dx%d, thumbnail %dx%d\n\n", count, width, height, check.GetWidth(), check.GetHeight());
  auto row = [&](const char* name, double s) {
    std::printf("%-34s %8.2f ms/picture   vendora is %5.2fx %s\n", name, 1000 * s / count,
                s > ours ? s / ours : ours / s, s > ours ? "faster" : "slower");
  };
  std::printf("%-34s %8.2f ms/picture\n", "vendora (reduced JPEG decoding)", 1000 * ours / count);
  row("vendora (full decoding)", full);
  row("ImageMagick mogrify -thumbnail", magick);
  row("vipsthumbnail", vips);
  std::printf("(aim: faster than ImageMagick)\n");
  if (failures) std::fprintf(stderr, "error: %d thumbnails failed\n", failures);
  return failures ? 1 : 0;
}
