#include "api/geometry/geometry_common.h"

#include <algorithm>

#include "api/frame/fill_levels.h"
#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/objects/scoped_object.h"
#include "core/operators/data_type_conversion.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/status.h"

namespace {

constexpr int32_t kPrecisionFourBits = 4;
constexpr int32_t kLowNibble = 0x0F;

}  // namespace

bool MapInterpolation(int32_t code, int32_t* interpolation) {
  switch (code) {
    case kCmiInterpolationNearest: *interpolation = kInterpolationNearest; return true;
    case kCmiInterpolationBilinear: *interpolation = kInterpolationBilinear; return true;
    case kCmiInterpolationBSpline: *interpolation = kInterpolationBSpline; return true;
    case kCmiInterpolationCubicConvolution: *interpolation = kInterpolationCubicConvolution; return true;
    default: return false;
  }
}

bool MapMorphology(int32_t code, int32_t* morphology) {
  switch (code) {
    case kCmiMorphologyNone: *morphology = kMorphologyNone; return true;
    case kCmiMorphologyKeepOnes: *morphology = kMorphologyKeepOnes; return true;
    case kCmiMorphologyKeepZeros: *morphology = kMorphologyKeepZeros; return true;
    default: return false;
  }
}

bool ReadWarpInterpolation(const CmiOptions& options, int32_t* interpolation) {
  const intptr_t code = options.Value("interpolation", kCmiInterpolationNearest);
  if (code != kCmiInterpolationNearest && code != kCmiInterpolationBilinear) return false;
  return MapInterpolation(static_cast<int32_t>(code), interpolation);
}

bool ReadFillLevelOptions(const CmiOptions& options, FillLevels* levels) {
  static constexpr const char* kNames[3] = {"constantLevel", "constantLevel2", "constantLevel3"};
  for (size_t band = 0; band < 3; ++band) {
    const intptr_t level = options.Value(kNames[band], -1);
    if (level > kMaxFillLevel) return false;
    (*levels)[band] = level < 0 ? -1 : static_cast<int32_t>(level);
  }
  return true;
}

int CheckNewImageSize(int64_t width, int64_t height) {
  if (width < 1 || height < 1) return kCmiStatusBadArgument;
  int64_t row_bytes = 0, total_bytes = 0;
  // 24 bits a pixel is the widest image the entry points make.
  return IpiCheckGeometry(width, height, 24, DimensionStorage::kBits32, &row_bytes, &total_bytes);
}

FillLevels SampleLevels(IpiSystem* sys, IpiObject* image, const FillLevels& levels, int* rc) {
  int32_t status = 0;
  FillLevels resolved = ResolveFillLevels(sys, image, levels, &status);
  if (status != 0 && *rc == 0) *rc = status;
  // The white of a 4-bit image comes as the index in both halves of a byte;
  // the image holds one index per sample.
  if (IpiInquireAttribute(sys, image, "dataPrecision") == kPrecisionFourBits) {
    for (int32_t& level : resolved) level &= kLowNibble;
  }
  return resolved;
}

IpiObject* MakeImageLike(IpiSystem* sys, IpiObject* source, const char* name, int64_t width, int64_t height,
                         const FillLevels* levels, int* rc) {
  const IpiAttribute shape[] = {{"xDimension", static_cast<intptr_t>(width)},
                                {"yDimension", static_cast<intptr_t>(height)},
                                {"xMatchPoint", 0},
                                {"yMatchPoint", 0},
                                {"widthByteBoundary", 0}};
  ScopedObject image(sys, IpiCreateObject(sys, name, &kGenericImageClass, source, shape, 5));
  if (!image) {
    const int last = IpiGetLastError(sys);
    *rc = last != 0 ? last : kIpiSyntaxError;
    return nullptr;
  }
  if (levels != nullptr) {
    int status = 0;
    const FillLevels samples = SampleLevels(sys, source, *levels, &status);
    if (status == 0) status = FillImageWithLevels(sys, image.get(), samples);
    if (status != 0) {
      *rc = status;
      return nullptr;
    }
  }
  return image.release();
}

