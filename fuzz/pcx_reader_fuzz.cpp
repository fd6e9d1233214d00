// The PCX reader over fuzz bytes as a file image in caller memory: the
// header pass, then, for images up to 16 Mpx, the whole read, which copies
// the coded rows into a holder and decodes them.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/dispatch/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                {"size", static_cast<intptr_t>(size)}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, kFormatPcx, kReadModeHeader, pairs, 2) == 0 &&
      int64_t{image->fields.dimension[kDimX]} * image->fields.dimension[kDimY] <= (int64_t{1} << 24)) {
    (void)IpiImportImage(sys, data, image, kFormatPcx, static_cast<int64_t>(size), nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
