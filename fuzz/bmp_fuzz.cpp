#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vendora::fuzz::Exercise(vendora::fuzz::WriteInput(data, size, "bmp"));
  return 0;
}
