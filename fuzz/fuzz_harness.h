// The shared body of the reader fuzz targets: the fuzz bytes as a file image
// in caller memory, read by one format's reader through the read front. The
// header pass runs first; the whole read (data pass or decode) only for images
// up to 16 Mpx, a cap that lives here and never in the library.
#ifndef FUZZ_FUZZ_HARNESS_H_
#define FUZZ_FUZZ_HARNESS_H_

#include <cstddef>
#include <cstdint>

#include "core/codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/interchange_codes.h"
#include "interchange/dispatch/read_dispatch.h"
#include "interchange/dispatch/read_front.h"

inline constexpr int64_t kFuzzPixelCap = int64_t{1} << 24;

// Whether an image that a header pass described is small enough to decode.
inline bool FuzzWithinPixelCap(const IpiObject& image) {
  return int64_t{image.fields.dimension[kDimX]} * image.fields.dimension[kDimY] <= kFuzzPixelCap;
}

inline void FuzzReadFileImage(const uint8_t* data, size_t size, int32_t format) {
  if (size == 0) return;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return;
  const IpiAttribute shape[] = {{"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kGenericImageClass, nullptr, shape, 1);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                {"size", static_cast<intptr_t>(size)}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, format, kReadModeHeader, pairs, 2) == 0 &&
      FuzzWithinPixelCap(*image)) {
    (void)IpiImportImage(sys, data, image, format, static_cast<int64_t>(size), nullptr, 0);
  }
  IpiCloseSystem(sys);
}

// The shared body of the bilevel decoder targets: `coded_bytes` of coded data
// in caller memory decoded by `decode` into a 1-bit image of the given size.
using FuzzBilevelDecoder = int (*)(IpiSystem* sys, IpiObject* coded, IpiObject* image);

inline void FuzzDecodeBilevel(const uint8_t* data, size_t coded_bytes, int32_t width, int32_t height,
                              int32_t compression, FuzzBilevelDecoder decode) {
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return;
  const IpiAttribute image_shape[] = {{"dataType", kDataTypeBoolean}, {"xDimension", width},
                                      {"yDimension", height}, {"repository", kRepositoryGlobalBlock}};
  IpiObject* image = IpiCreateObject(sys, nullptr, &kMonochromeImageClass, nullptr, image_shape, 4);
  const IpiAttribute coded_shape[] = {{"repository", kRepositoryCallerMemory},
                                      {"applicationAddressSpace", reinterpret_cast<intptr_t>(data)},
                                      {"size", static_cast<intptr_t>(coded_bytes)},
                                      {"compression", compression}};
  IpiObject* coded = image != nullptr ? IpiCreateObject(sys, nullptr, &kMonochromeImageClass, image, coded_shape, 4)
                                      : nullptr;
  if (coded != nullptr) (void)decode(sys, coded, image);
  IpiCloseSystem(sys);
}

#endif  // FUZZ_FUZZ_HARNESS_H_
