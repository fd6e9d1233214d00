// The fax decoder over fuzz bytes held as a coded object in caller memory.
// The last four bytes choose the width (1 to 4096), the height (1 to 256) and
// the coding (80, 81 or 82); the rest is the coded data.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/dispatch/interchange_codes.h"
#include "interchange/fax/fax.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 4) return 0;
  const size_t coded_bytes = size - 4;
  const int32_t width = 1 + ((data[coded_bytes] << 8 | data[coded_bytes + 1]) % 4096);
  const int32_t height = 1 + data[coded_bytes + 2];
  const int32_t codings[] = {kCompressionCcittHuffman, kCompressionCcittMr, kCompressionCcittMmr};
  const int32_t compression = codings[data[coded_bytes + 3] % 3];
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const IpiAttribute image_shape[] = {{"dataType", kDataTypeBoolean}, {"xDimension", width},
                                      {"yDimension", height}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, nullptr, image_shape, 4);
  const IpiAttribute coded_shape[] = {{"repository", kRepositoryCallerMemory},
                                      {"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                      {"size", static_cast<intptr_t>(coded_bytes)},
                                      {"compression", compression}};
  IpiObject* coded = image != nullptr ? IpiCreateObject(sys, nullptr, &kMonochromeImageClass, image, coded_shape, 4)
                                      : nullptr;
  if (coded != nullptr) (void)DecodeCcitt(sys, coded, image);
  IpiCloseSystem(sys);
  return 0;
}
