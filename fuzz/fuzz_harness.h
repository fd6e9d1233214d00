// The shared body of the reader fuzz targets: the fuzz bytes as a file image
// in caller memory, read by one format's reader through the read fronts. The
// header pass runs first; the whole read (data pass or decode) only for images
// up to 16 Mpx, a cap that lives here and never in the library.
#ifndef FUZZ_FUZZ_HARNESS_H_
#define FUZZ_FUZZ_HARNESS_H_

#include <cstddef>
#include <cstdint>
#include <span>

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

// What a reader target reads into: the format, the image's class and
// repository, whether a lookup table is attached for a palette, and whether
// the whole read follows the header pass.
struct FuzzImageChoice {
  int32_t format = 0;
  const IpiObjectClass* image_class = &kGenericImageClass;
  int32_t repository = kRepositoryGlobalBlock;
  bool has_lut = false;
  bool reads_whole = true;
};

// `file` read as `choice` says: the header pass, then, for images within the
// cap, the whole read. The caller keeps `file` exactly as long as the file
// image, so a read past its end is caught.
inline void FuzzImportFileImage(std::span<const uint8_t> file, const FuzzImageChoice& choice) {
  if (file.empty()) return;
  IpiSystem* sys = IpiOpenSystem(nullptr);
  if (sys == nullptr) return;
  IpiObject* lut = choice.has_lut ? IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, nullptr, 0) : nullptr;
  const IpiAttribute shape[] = {{"repository", choice.repository}, {"lut", static_cast<intptr_t>(IpiObjectId(lut))}};
  IpiObject* image = IpiCreateObject(sys, nullptr, choice.image_class, nullptr, shape, lut != nullptr ? 2 : 1);
  const IpiAttribute pairs[] = {{"applicationAddressSpace", reinterpret_cast<intptr_t>(file.data())},
                                {"size", static_cast<intptr_t>(file.size())}};
  if (image != nullptr && IpiReadImageFile(sys, nullptr, image, choice.format, kReadModeHeader, pairs, 2) == 0 &&
      choice.reads_whole && FuzzWithinPixelCap(*image)) {
    (void)IpiImportImage(sys, file.data(), image, choice.format, static_cast<int64_t>(file.size()), nullptr, 0);
  }
  IpiCloseSystem(sys);
}

// The whole fuzz input as a file of `format`, into a generic image.
inline void FuzzReadFileImage(const uint8_t* data, size_t size, int32_t format) {
  FuzzImportFileImage({data, size}, {.format = format});
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
