// The Zoltra tagged raster reader over fuzz bytes as a file image in caller
// memory. The last byte chooses a single image or every image into a
// composite array (bit 0); the image count runs on every input. Images above
// the fuzz-only cap of 16 Mpx get no data pass.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/objects/composite_array.h"
#include "fuzz/fuzz_harness.h"
#include "interchange/identify/image_count.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const std::vector<uint8_t> file(data, data + size - 1);  // exactly as long as the input
  if ((data[size - 1] & 1) == 0) {
    FuzzReadFileImage(file.data(), file.size(), kFormatZoltra);
  }
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const auto file_size = static_cast<int64_t>(file.size());
  (void)IpiCountAddressSpaceImages(sys, file.data(), kFormatZoltra, file_size);
  if ((data[size - 1] & 1) != 0) {
    const IpiAttribute memory[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                   {"size", static_cast<intptr_t>(file_size)}};
    const IpiAttribute none[] = {{"entries", 0}};
    IpiObject* array = IpiCreateObject(sys, nullptr, &kCompositeIdArrayClass, nullptr, none, 1);
    bool small = array != nullptr &&
                 IpiReadImageFile(sys, nullptr, array, kFormatZoltra, kReadModeHeader, memory, 2) == 0;
    for (int32_t i = 0; small && i < array->fields.dimension[kDimX]; ++i) {
      const IpiObject* image = IpiGetCompositeElement(sys, array, i);
      small = image != nullptr && FuzzWithinPixelCap(*image);
    }
    if (small) (void)IpiImportPages(sys, file.data(), array, kFormatZoltra, file_size, nullptr, 0);
  }
  IpiCloseSystem(sys);
  return 0;
}
