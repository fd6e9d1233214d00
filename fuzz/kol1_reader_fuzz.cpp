// The KOL1 readers over fuzz bytes as a file image in caller memory. The last
// byte chooses fileFormat 215 (even) or 250 (odd). The header pass runs
// first; images up to 16 Mpx are then read through the front, which decodes
// the one-bit run code into the image.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t file_bytes = size - 1;
  const int32_t format = (data[file_bytes] & 1) != 0 ? kFormatRunStream : kFormatRunRaster;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* lut = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
  const IpiAttribute shape[] = {{"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, nullptr, shape, 1);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                {"size", static_cast<intptr_t>(file_bytes)}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, format, kReadModeHeader, pairs, 2) == 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiImportImage(sys, data, image, format, static_cast<int64_t>(file_bytes), nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
