// The WBMP reader over fuzz bytes as a file image in caller memory: the header
// pass, then, for images up to 16 Mpx, the rows.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* image = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, nullptr, nullptr, 0);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                {"size", static_cast<intptr_t>(size)}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, kFormatWbmp, kReadModeHeader, pairs, 2) == 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiReadImageFile(sys, nullptr, image, kFormatWbmp, kReadModeData, pairs, 2);
  }
  IpiCloseSystem(sys);
  return 0;
}
