// The control's codes as the image library's codes and back: twelve fixed
// tables, each a pure function of a 16-bit code.
#ifndef CONTROLS_EDIT_CMI_CODE_MAPS_H_
#define CONTROLS_EDIT_CMI_CODE_MAPS_H_

#include <cstdint>

namespace ondavel {

// A library status (0, -1, -100 or an error-table code) as a control error.
int16_t MapCmiStatusToError(int32_t status);
// MediaFormatConstants to the library's file-format code (unknown codes pass unchanged).
int32_t MapMediaFormatToCmi(int16_t media_format);
int16_t MapCmiModeToColorDepth(int32_t cmi_mode);
int32_t MapColorDepthToCmiMode(int16_t color_depth);
int16_t MapCmiCompressionToControl(int32_t cmi_compression);
int32_t MapCompressionToCmi(int16_t compression);
int32_t MapRotationToCmi(int16_t rotation);
// DirectionConstants to the library's flip and skew directions; "both" (1)
// has no single library direction and gives 0 (FlipDib does two flips).
int32_t MapDirectionToCmi(int16_t direction);
int32_t MapCalculateOperationToCmi(int16_t operation);
int32_t MapMorphologyToCmi(int16_t morphology);
int32_t MapInterpolationToCmi(int16_t interpolation);
int32_t MapColorReductionToCmi(int16_t reduction);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_CMI_CODE_MAPS_H_
