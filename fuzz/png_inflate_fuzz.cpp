// The decoder of compression 264 over fuzz bytes held as coded data in
// caller memory. The last four bytes choose the width and height (1 to 256
// each), the row layout (1, 4, 8 bits grey; 8-bit RGB or RGBA) and whether
// the rows are interlaced, with progressive display up to some pass.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/png/png_codec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 5) return 0;
  const size_t coded_bytes = size - 4;
  const int32_t width = 1 + data[coded_bytes];
  const int32_t height = 1 + data[coded_bytes + 1];
  struct Layout {
    int32_t depth, bands;
  };
  constexpr Layout kLayouts[5] = {{1, 1}, {4, 1}, {8, 1}, {8, 3}, {8, 4}};
  const Layout layout = kLayouts[data[coded_bytes + 2] % 5];
  const uint8_t mode = data[coded_bytes + 3];
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const int32_t data_type = layout.depth == 1 ? kDataTypeBoolean : kDataTypeNonnegative;
  const IpiAttribute image_shape[] = {{"xDimension", width},       {"yDimension", height},
                                      {"bDimension", layout.bands}, {"dataType", data_type},
                                      {"dataPrecision", layout.depth}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, image_shape, 6);
  const IpiAttribute coded_shape[] = {{"repository", kRepositoryCallerMemory},
                                      {"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                      {"size", static_cast<intptr_t>(coded_bytes)},
                                      {"compression", kCompressionDeflatePng},
                                      {"fileFormat", kFormatPng},
                                      {"interlacedImage", mode & 1}};
  IpiObject* coded = image != nullptr ? IpiCreateObject(sys, nullptr, &kGenericImageClass, image, coded_shape, 6) : nullptr;
  if ((mode & 2) != 0) {
    const IpiAttribute progressive[] = {{"progressive", 1}, {"interlacePass", 1 + (mode >> 2) % 7}};
    (void)IpiSetSystemAttributes(sys, progressive, 2);
  }
  if (coded != nullptr) (void)DecodeInflatePng(sys, coded, image);
  IpiCloseSystem(sys);
  return 0;
}
