// The TIFF reader over fuzz bytes as a file image in caller memory. The last
// byte chooses a single image or every page (bit 0) and whether the pixels
// are read too (bit 1); the header pass runs first, and pages above the
// fuzz-only cap of 16 Mpx get no data pass. The page count runs on every input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/codes.h"
#include "core/objects/composite_array.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"
#include "interchange/identify/image_count.h"

namespace {

bool Small(const IpiObject* image) {
  return FuzzWithinPixelCap(*image);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t options = data[size - 1];
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  const auto file_size = static_cast<int64_t>(file.size());
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  (void)IpiCountAddressSpaceImages(sys, file.data(), kFormatTiff, file_size);
  const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                 {"size", static_cast<intptr_t>(file_size)}};
  const bool pages = (options & 1) != 0;
  const IpiAttribute none[] = {{"entries", 0}};
  IpiObject* lut = IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0);
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}, {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
  IpiObject* target = pages ? IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, nullptr, none, 1)
                            : IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 2);
  if (target != nullptr && IpiReadImageFile(sys, nullptr, target, kFormatTiff, kReadModeHeader, memory, 2) == 0 &&
      (options & 2) != 0) {
    bool small = true;
    for (int32_t i = 0; pages && i < target->fields.dimension[kDimX]; ++i) {
      const IpiObject* page = IpiGetCompositeElement(sys, target, i);
      small = small && page != nullptr && Small(page);
    }
    if (small && (pages || Small(target))) (void)IpiImportImage(sys, file.data(), target, kFormatTiff, file_size, nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
