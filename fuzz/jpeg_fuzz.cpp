#include "fuzz_support.h"
#include "imaging/image_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string& path = vendora::fuzz::WriteInput(data, size, "jpeg");
  vendora::fuzz::Exercise(path);
  // The thumbnail path decodes at reduced size; the minimum varies with the input.
  vendora::CImageFile reduced;
  const int last = size ? data[size - 1] : 0;
  reduced.SetDecodeMinimum(1 + last % 40, 1 + last / 40 * 8);
  reduced.Load(path);
  return 0;
}
