// The PackBits decoder over fuzz bytes held as a coded object in caller
// memory. The last three bytes choose the width (1 to 1024), the height (1 to
// 64) and the form: bits 0-1 the depth (1, 4 or 8 bits), bit 2 three bands,
// bit 3 the inverted-byte format, bit 4 bit-reversed storage, bit 5 separate
// planes of a TIFF object.
#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/packbits/packbits.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 3) return 0;
  const size_t coded_bytes = size - 3;
  const int32_t width = 1 + ((data[coded_bytes] << 8 | data[coded_bytes + 1]) % 1024);
  const uint8_t form = data[coded_bytes + 2];
  const int32_t height = 1 + (form >> 6) * 21;
  const int32_t depth = (form & 3) == 0 ? 1 : (form & 3) == 1 ? 4 : 8;
  const int32_t bands = depth == 8 && (form & 4) != 0 ? 3 : 1;
  const int32_t format = (form & 8) != 0 ? kFormatInvertedBytes : (form & 32) != 0 ? kFormatTiff : 0;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return 0;
  const IpiAttribute image_shape[] = {
      {"dataType", depth == 1 ? kDataTypeBoolean : kDataTypeNonnegative},
      {"dataPrecision", depth}, {"xDimension", width}, {"yDimension", height}, {"bDimension", bands},
      {"repository", kRepositoryGlobalBlock}, {"fileFormat", format == kFormatTiff ? kFormatTiff : 0},
      {"planarConfiguration", (form & 32) != 0 ? 249 : 248}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, image_shape, 8);
  const IpiAttribute coded_shape[] = {{"repository", kRepositoryCallerMemory},
                                      {"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                      {"size", static_cast<intptr_t>(coded_bytes)},
                                      {"compression", kCompressionPackBits},
                                      {"fileFormat", format},
                                      {"bitOrder", (form & 16) != 0 ? kOrderLsbFirst : kOrderMsbFirst}};
  IpiObject* coded =
      image != nullptr ? IpiCreateObject(sys, nullptr, &kGenericImageClass, image, coded_shape, 6) : nullptr;
  if (coded != nullptr) (void)DecodePackBits(sys, coded, image);
  IpiCloseSystem(sys);
  return 0;
}
