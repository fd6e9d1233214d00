// Hue, saturation and lightness of an 8-bit colour image in an opponent-colour
// model: intensity I and the chroma plane (X, Y), whose angle is the hue and
// whose length the saturation.
#ifndef PELRITH_CORE_OPERATORS_COLOUR_HUE_SATURATION_H_
#define PELRITH_CORE_OPERATORS_COLOUR_HUE_SATURATION_H_

#include <cstdint>
#include <memory>

#include "core/objects/object.h"
#include "core/system/system.h"

// With c_k = band k / 255: I = (c0 + c1 + c2) / 3, X = (2 c2 - c0 - c1) / sqrt 6,
// Y = (c0 - c1) / sqrt 6, H = atan2(Y, X), S = |(X, Y)|. Lightness l = L / 100
// is added to I, the hue angle (degrees) to H; saturation s = S% / 100 above
// 0 raises S to 1 - 2s/3 and scales by S_max = 2 / sqrt 6 (at most S_max),
// below 0 raises S to 1 / (s + 1) (0 at s = -1). The bands come back from
// I - X / sqrt 6 +- Y sqrt 6 / 2 and I + X sqrt 6 / 3, times 255, limited to
// 0..255, rounded. All three arguments 0 leave every pixel as it was.
// 10 unless both images are 8-bit dataType 153; 8 for fewer than 3 bands.
int IpiHueSaturation(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t hue, int32_t saturation,
                     int32_t lightness);

// The results of one change (hue, saturation, lightness) colour by colour,
// kept by a caller that runs that change over many images in turn, such as
// the strips of one page: each colour is then worked out once for all of
// them rather than once per image. The results are those of the change run
// on each image alone.
class HueSaturationMemo {
 public:
  HueSaturationMemo(int32_t hue, int32_t saturation, int32_t lightness);
  ~HueSaturationMemo();
  HueSaturationMemo(const HueSaturationMemo&) = delete;
  HueSaturationMemo& operator=(const HueSaturationMemo&) = delete;

  struct Results;
  Results& results() { return *results_; }

 private:
  std::unique_ptr<Results> results_;
};

// IpiHueSaturation with the change and its results kept in `memo`.
int IpiHueSaturation(IpiSystem* sys, IpiObject* source, IpiObject* destination, HueSaturationMemo& memo);

#endif  // PELRITH_CORE_OPERATORS_COLOUR_HUE_SATURATION_H_
