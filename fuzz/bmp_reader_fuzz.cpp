// The bitmap reader on fuzz bytes through the read fronts. The last byte
// chooses the stored form (bit 0: BMP file or packed bitmap) and whether the
// pixels are read too (bit 1); the header pass runs first, and pictures above
// the fuzz-only cap of 16 Mpx get no data pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> stored(data, data + size - 1);  // exactly as long as the input
  const int32_t format = (options & 1) != 0 ? kFormatBmp : kFormatPackedBitmap;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* table = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(table))}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 2);
  const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(stored.data())},
                                 {"size", static_cast<intptr_t>(stored.size())}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, format, kReadModeHeader, memory, 2) == 0 &&
      (options & 2) != 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiImportImage(sys, stored.data(), image, format, static_cast<int64_t>(stored.size()), nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
