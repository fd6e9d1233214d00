// Hue, saturation and lightness. The constants are computed once per change;
// the per-pixel work is a fixed sequence of floating-point steps: the hue
// turns the chroma vector by a rotation whose sine and cosine are computed
// once (no angle per pixel), and the power function runs only when the
// saturation changes. The pixel function depends
// on the colour alone, so results are kept in a small direct-mapped cache
// keyed by the colour: photographs repeat colours a lot, and a hit returns
// exactly what the computation would. The cache lives as long as the change,
// so a caller running one change over many images shares it among them.
#include "core/operators/colour/hue_saturation.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/operators/operator_frame.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr double kOneOver255 = 0.00392156862745098;
constexpr double kDegreesToRadians = 0.017453292519943295;
constexpr double kPercent = 0.01;
constexpr int kCacheBits = 16;
constexpr uint64_t kCacheValid = uint64_t{1} << 63;

class HueSaturationChange {
 public:
  HueSaturationChange(int32_t hue, int32_t saturation, int32_t lightness)
      : has_hue_(hue != 0), has_lightness_(lightness != 0) {
    const double theta = hue * kDegreesToRadians;
    cos_theta_ = std::cos(theta);
    sin_theta_ = std::sin(theta);
    s_ = saturation * kPercent;
    l_ = lightness * kPercent;
    e_up_ = 1.0 - s_ * 2.0 / 3.0;
    if (s_ > -1.0) e_down_ = 1.0 / (s_ + 1.0);
    sqrt6_ = std::sqrt(6.0);
    s_max_ = 2.0 / sqrt6_;
  }

  // The three output bytes packed as r | g << 8 | b << 16.
  uint32_t Apply(uint8_t r, uint8_t g, uint8_t b) const {
    const double c0 = r * kOneOver255;
    const double c1 = g * kOneOver255;
    const double c2 = b * kOneOver255;
    double i = (c0 + c1 + c2) / 3.0;
    double x = (2.0 * c2 - c0 - c1) / sqrt6_;
    double y = (c0 - c1) / sqrt6_;
    if (has_lightness_) i += l_;
    // The saturation scales the chroma vector from its length S, measured
    // before the turn, to S'.
    double factor = 1.0;
    if (s_ != 0.0) {
      const double s = std::sqrt(x * x + y * y);
      double scaled = s;
      if (s_ > 0.0) {
        if (s != 0.0 && s != s_max_) scaled = std::min(s_max_ * std::pow(s, e_up_), s_max_);
      } else {
        scaled = s == 0.0 || s_ <= -1.0 ? 0.0 : std::pow(s, e_down_);
      }
      factor = s != 0.0 ? scaled / s : 0.0;
    }
    if (has_hue_) {
      const double turned_x = x * cos_theta_ - y * sin_theta_;
      y = x * sin_theta_ + y * cos_theta_;
      x = turned_x;
    }
    x *= factor;
    y *= factor;
    const double out0 = i - x / sqrt6_ + y * sqrt6_ / 2.0;
    const double out1 = i - x / sqrt6_ - y * sqrt6_ / 2.0;
    const double out2 = i + x * sqrt6_ / 3.0;
    return ToByte(out0) | ToByte(out1) << 8 | ToByte(out2) << 16;
  }

 private:
  static uint32_t ToByte(double value) {
    const double scaled = value * 255.0;
    if (scaled > 255.0) return 255;
    if (!(scaled >= 0.0)) return 0;
    return static_cast<uint32_t>(scaled + 0.5);
  }

  bool has_hue_;
  bool has_lightness_;
  double cos_theta_ = 1;
  double sin_theta_ = 0;
  double s_ = 0;
  double l_ = 0;
  double e_up_ = 0;
  double e_down_ = 0;
  double sqrt6_ = 0;
  double s_max_ = 0;
};

// Colour -> packed result, direct-mapped; an entry holds its colour as key.
class ColourCache {
 public:
  explicit ColourCache(const HueSaturationChange& change) : change_(change), slots_(size_t{1} << kCacheBits, 0) {}

  uint32_t Get(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t colour = uint32_t{r} | uint32_t{g} << 8 | uint32_t{b} << 16;
    uint64_t& slot = slots_[(colour * 2654435761u) >> (32 - kCacheBits)];
    if ((slot & kCacheValid) != 0 && static_cast<uint32_t>(slot >> 32 & 0xFFFFFF) == colour) {
      return static_cast<uint32_t>(slot);
    }
    const uint32_t result = change_.Apply(r, g, b);
    slot = kCacheValid | uint64_t{colour} << 32 | result;
    return result;
  }

 private:
  const HueSaturationChange& change_;
  std::vector<uint64_t> slots_;
};

}  // namespace

struct HueSaturationMemo::Results {
  Results(int32_t hue, int32_t saturation, int32_t lightness) : change(hue, saturation, lightness), cache(change) {}

  const HueSaturationChange change;
  ColourCache cache;  // refers to `change`
};

HueSaturationMemo::HueSaturationMemo(int32_t hue, int32_t saturation, int32_t lightness)
    : results_(std::make_unique<Results>(hue, saturation, lightness)) {}

HueSaturationMemo::~HueSaturationMemo() = default;

int IpiHueSaturation(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t hue, int32_t saturation,
                     int32_t lightness) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  HueSaturationMemo memo(hue, saturation, lightness);
  return IpiHueSaturation(sys, source, destination, memo);
}

int IpiHueSaturation(IpiSystem* sys, IpiObject* source, IpiObject* destination, HueSaturationMemo& memo) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  ColourCache& cache = memo.results().cache;
  // Images of fewer than three bands are refused by the frame with 8.
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source, kColourBands}},
                  {FrameImage{destination, kColourBands}}, [&cache](const FrameRow& row) {
                    const uint8_t* red = row.source(0, 0).data;
                    const uint8_t* green = row.source(0, 1).data;
                    const uint8_t* blue = row.source(0, 2).data;
                    uint8_t* out[kColourBands] = {row.destination(0, 0).data, row.destination(0, 1).data,
                                                  row.destination(0, 2).data};
                    for (int64_t i = 0; i < row.count; ++i) {
                      if (!row.gate.open(i)) continue;
                      const uint32_t packed = cache.Get(red[i], green[i], blue[i]);
                      out[0][i] = static_cast<uint8_t>(packed);
                      out[1][i] = static_cast<uint8_t>(packed >> 8);
                      out[2][i] = static_cast<uint8_t>(packed >> 16);
                    }
                  });
}
