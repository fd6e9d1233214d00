// The PCX reader (coded rows copied into a holder and decoded).
#include "fuzz/fuzz_harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzReadFileImage(data, size, kFormatPcx);
  return 0;
}
