// The packed-bitmap import on fuzz bytes. The last byte chooses the stored
// form (bit 0: with the BMP file header), the image's class (bit 1: colour)
// and whether a lookup table is attached (bit 2). Pictures above the
// fuzz-only cap of 16 Mpx stop after the header pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dib/dib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> packed(data, data + size - 1);  // exactly as long as the input
  const int32_t format = (options & 1) != 0 ? kFormatBmp : kFormatPackedBitmap;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* table = (options & 4) != 0 ? IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0) : nullptr;
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(table))}};
  IpiObject* image =
      IpiCreateObject(sys, nullptr, (options & 2) != 0 ? &kColourImageClass : &kGenericImageClass, nullptr, shape, 2);
  const IpiAttribute bound[] = {{"size", static_cast<intptr_t>(packed.size())}};
  if (image != nullptr &&
      IpiReadDibFromAddressSpace(sys, packed.data(), image, format, kReadModeHeader, bound, 1) == 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiImportDib(sys, packed.data(), image, format, bound, 1);
  }
  IpiCloseSystem(sys);
  return 0;
}
