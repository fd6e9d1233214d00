// The GIF reader over fuzz bytes as a file image in caller memory: the header
// pass, then, for images up to 16 Mpx, a pass that copies the code stream
// into a holder with a lookup table.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  IpiObject* lut = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
  IpiObject* holder = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 2);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                {"size", static_cast<intptr_t>(size)}};
  if (holder != nullptr &&
      IpiReadImageFile(sys, nullptr, holder, kFormatGif, kReadModeHeader, pairs, 2) == 0 &&
      FuzzWithinPixelCap(*holder)) {
    (void)IpiReadImageFile(sys, nullptr, holder, kFormatGif, kReadModeBoth, pairs, 2);
  }
  IpiCloseSystem(sys);
  return 0;
}
