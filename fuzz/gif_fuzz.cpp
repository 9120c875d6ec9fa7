#include <cstdio>
#include <cstdlib>

#include "fuzz_support.h"
#include "imaging/gif_codec.h"

namespace {

// Beyond not crashing: a picture that loads must measure, and must come back
// unchanged from our own writer.
void CheckRoundTrip(const std::string& path) {
  vendora::CImageImplGif gif;
  if (!gif.Read(path) || !vendora::fuzz::IsSmall(gif.GetWidth(), gif.GetHeight())) return;
  int width = 0, height = 0;
  vendora::CImageImplGif measure;
  if (!measure.ReadSize(path, width, height) || width < 1 || height < 1) std::abort();

  const std::string copy = path + ".copy.gif";
  vendora::CImageImplGif again;
  if (!gif.Write(copy) || !again.Read(copy)) std::abort();
  std::remove(copy.c_str());
  if (again.GetWidth() != gif.GetWidth() || again.GetHeight() != gif.GetHeight() || again.BadCodeCount() != 0)
    std::abort();
  for (int y = 0; y < gif.GetHeight(); ++y)
    for (int x = 0; x < gif.GetWidth(); ++x)
      if (gif.GetPixelIndex(x, y) != again.GetPixelIndex(x, y)) std::abort();
  const vendora::ImagePalette* before = gif.GetPalette();
  const vendora::ImagePalette* after = again.GetPalette();
  if (!after || after->size() != 256) std::abort();
  for (int i = 0; i < 256; ++i) {
    const uint8_t grey = static_cast<uint8_t>(i);
    const vendora::PaletteEntry expected = !before              ? vendora::PaletteEntry{grey, grey, grey}
                                           : i < before->size() ? (*before)[i]
                                                                : vendora::PaletteEntry{};
    if ((*after)[i] != expected) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = vendora::fuzz::WriteInput(data, size, "gif");
  vendora::fuzz::Exercise(path);
  CheckRoundTrip(path);
  return 0;
}
