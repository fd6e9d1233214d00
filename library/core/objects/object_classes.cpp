// The 15 object classes and the nine default records they share.
#include <cstring>

#include "core/codes.h"
#include "core/objects/object.h"

namespace {

constexpr int32_t kDefaultScaleFactor = 1;
constexpr int32_t kDefaultK = 2;
constexpr int32_t kDefaultCompressionLevel = 6;
constexpr int32_t kSampling2x1 = 239;
constexpr int32_t kImageIndexAssignments[5] = {226, 227, 228, 201, 14};

struct RecordShape {
  int32_t precision;
  int32_t data_type;
  int32_t repository;
  int32_t x_dimension;
  int32_t y_dimension;
  int32_t sampling_factor;
  bool image_index_assignments;
};

constexpr IpiObjectFields MakeRecord(const RecordShape& shape) {
  IpiObjectFields f{};
  f.bit_order = kOrderMsbFirst;
  f.byte_order = kOrderMsbFirst;
  f.k = kDefaultK;
  f.scale_factor = kDefaultScaleFactor;
  f.dimension[kDimZ] = 1;
  f.dimension[kDimT] = 1;
  f.dimension[kDimB] = 1;
  f.pixel_interpretation = kPixelInterpretationPlain;
  f.compression_level = kDefaultCompressionLevel;
  f.data_precision = shape.precision;
  f.data_type = shape.data_type;
  f.repository = shape.repository;
  f.dimension[kDimX] = shape.x_dimension;
  f.dimension[kDimY] = shape.y_dimension;
  f.sampling_factor = shape.sampling_factor;
  if (shape.image_index_assignments) {
    for (int i = 0; i < 5; ++i) f.index_assignment[i] = kImageIndexAssignments[i];
  }
  return f;
}

constexpr IpiObjectFields kImageRecord =
    MakeRecord({8, kDataTypeNonnegative, kRepositoryFile, 1, 1, kSampling2x1, true});
constexpr IpiObjectFields kHistogramRecord =
    MakeRecord({32, kDataTypeWord, kRepositoryGlobalBlock, 256, 1, 0, false});
constexpr IpiObjectFields kLookupTableRecord =
    MakeRecord({8, kDataTypeNonnegative, kRepositoryGlobalBlock, 256, 1, 0, false});
constexpr IpiObjectFields kMatrixRecord =
    MakeRecord({32, kDataTypeReal, kRepositoryGlobalBlock, 3, 3, 0, false});
constexpr IpiObjectFields kSmallArrayRecord =
    MakeRecord({16, kDataTypeSigned, kRepositoryGlobalBlock, 3, 3, 0, false});
constexpr IpiObjectFields kRoiRecord =
    MakeRecord({8, kDataTypeNonnegative, kRepositoryFile, 1, 1, kSampling2x1, false});
constexpr IpiObjectFields kSpectralRecord =
    MakeRecord({64, kDataTypeComplex, kRepositoryFile, 1, 1, 0, false});
constexpr IpiObjectFields kTupleRecord =
    MakeRecord({32, kDataTypeReal, kRepositoryGlobalBlock, 1, 1, 0, false});
constexpr IpiObjectFields kCompositeRecord =
    MakeRecord({32, kDataTypeWord, kRepositoryGlobalBlock, 1, 1, 0, false});

}  // namespace

const IpiObjectClass kColourImageClass{"ColourImage", IpiClassId::kColourImage, &kImageRecord};
const IpiObjectClass kGenericImageClass{"GenericImage", IpiClassId::kGenericImage, &kImageRecord};
const IpiObjectClass kMonochromeImageClass{"MonochromeImage", IpiClassId::kMonochromeImage, &kImageRecord};
const IpiObjectClass kHistogramClass{"Histogram", IpiClassId::kHistogram, &kHistogramRecord};
const IpiObjectClass kLookupTableClass{"LookupTable", IpiClassId::kLookupTable, &kLookupTableRecord};
const IpiObjectClass kMatrixClass{"Matrix", IpiClassId::kMatrix, &kMatrixRecord};
const IpiObjectClass kDitherArrayClass{"DitherArray", IpiClassId::kDitherArray, &kSmallArrayRecord};
const IpiObjectClass kImpulseResponseArrayClass{"ImpulseResponseArray", IpiClassId::kImpulseResponseArray,
                                                &kSmallArrayRecord};
const IpiObjectClass kMaskArrayClass{"MaskArray", IpiClassId::kMaskArray, &kSmallArrayRecord};
const IpiObjectClass kRoiClass{"ROI", IpiClassId::kRoi, &kRoiRecord};
const IpiObjectClass kPowerSpectrumArrayClass{"PowerSpectrumArray", IpiClassId::kPowerSpectrumArray,
                                              &kSpectralRecord};
const IpiObjectClass kTransferFunctionArrayClass{"TransferFunctionArray", IpiClassId::kTransferFunctionArray,
                                                 &kSpectralRecord};
const IpiObjectClass kWindowFunctionArrayClass{"WindowFunctionArray", IpiClassId::kWindowFunctionArray,
                                               &kSpectralRecord};
const IpiObjectClass kTupleClass{"Tuple", IpiClassId::kTuple, &kTupleRecord};
const IpiObjectClass kCompositeIdArrayClass{"CompositeIDArray", IpiClassId::kCompositeIdArray, &kCompositeRecord};

namespace {
const IpiObjectClass* const kAllClasses[] = {
    &kColourImageClass,       &kGenericImageClass,        &kMonochromeImageClass,
    &kHistogramClass,         &kLookupTableClass,         &kMatrixClass,
    &kDitherArrayClass,       &kImpulseResponseArrayClass, &kMaskArrayClass,
    &kRoiClass,               &kPowerSpectrumArrayClass,  &kTransferFunctionArrayClass,
    &kWindowFunctionArrayClass, &kTupleClass,             &kCompositeIdArrayClass,
};
}  // namespace

bool IpiIsObjectClass(const IpiObjectClass* cls) {
  for (const IpiObjectClass* known : kAllClasses) {
    if (known == cls) return true;
  }
  return false;
}

const IpiObjectClass* IpiFindObjectClass(const char* name) {
  if (name == nullptr) return nullptr;
  for (const IpiObjectClass* known : kAllClasses) {
    if (std::strcmp(known->name, name) == 0) return known;
  }
  return nullptr;
}
