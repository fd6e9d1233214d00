// The libjpeg JPEG reader (decoded through libjpeg into the image).
#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReadFileImage(data, size, kFormatJpegLib);
  return 0;
}
