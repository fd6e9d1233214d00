// The driver of the operations on two images (blend and calculate): each
// image may be limited to a rectangle of its own, the two windows are
// combined over their common top-left part, and the result replaces that part
// of the target image, which is handed back as a new packed bitmap.
#ifndef PELRITH_API_FILTERS_TWO_IMAGE_OPERATION_H_
#define PELRITH_API_FILTERS_TWO_IMAGE_OPERATION_H_

#include <cstdint>

#include "Pelrith.h"

enum class TwoImageOperation { kBlend, kCalculate };

struct TwoImageRequest {
  TwoImageOperation operation = TwoImageOperation::kBlend;
  double ratio = 0.0;        // blend: the weight of the first image, 0..1
  int32_t calculation = 0;   // calculate: the operator's code
  bool into_first = true;    // the result replaces part of the first image, else of the second
};

// Both bitmaps must be 8-bit grey (mode 17) or both 24-bit RGB (mode 18).
// `arguments_ok` carries the entry point's own checks; false gives -100
// before anything is locked.
[[nodiscard]] HGLOBAL ApplyTwoImageOperation(HGLOBAL first, HGLOBAL second, int32_t mode,
                                             const TwoImageRequest& request, bool arguments_ok, CmiOptionList pairs,
                                             int32_t n, int32_t* status);

#endif  // PELRITH_API_FILTERS_TWO_IMAGE_OPERATION_H_
