#include <cstdio>

#include "fuzz_support.h"
#include "imaging/image_refs.h"

// The thumbnail path as generation takes it: measure the picture, decode it no larger
// than needed, reduce it and write the JPEG. The first byte names the picture's format
// ('b', 'g', 'p', anything else JPEG); the rest is the file.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const char* extension = data[0] == 'b' ? "bmp" : data[0] == 'g' ? "gif" : data[0] == 'p' ? "png" : "jpg";
  const std::string& path = vendora::fuzz::WriteInput(data + 1, size - 1, extension);
  const std::string thumbnail = path + ".thumb.jpg";
  vendora::WriteThumbnail(path, thumbnail, 50);
  std::remove(thumbnail.c_str());
  return 0;
}
