// The PNG reader on fuzz bytes through the read fronts: the header pass
// first, then (when the last byte's bit 0 asks for it and the picture is
// within the fuzz-only cap of 16 Mpx) the whole read with its decode. Bit 1
// of that byte attaches a lookup table.
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
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* table = (options & 2) != 0 ? IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0) : nullptr;
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(table))}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 2);
  const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                 {"size", static_cast<intptr_t>(file.size())}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, kFormatPng, kReadModeHeader, memory, 2) == 0 &&
      (options & 1) != 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiImportImage(sys, file.data(), image, kFormatPng, static_cast<int64_t>(file.size()), nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
