// Scanline fill of flattened contours by pixel centres. Each row keeps the
// crossings of the edges with its centre line, sorted, and walks them with the
// winding number (or its parity), so overlapping pieces of one glyph unite.
#include "gdi/text/coverage_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace plat::text {

namespace {

struct Crossing {
  double x;
  int direction;
};

// Device coordinates beyond this are refused; no mask can reach them anyway.
constexpr double kCoordinateLimit = 1 << 24;

}  // namespace

CoverageMask RasterizeContours(const std::vector<std::vector<PointF>>& contours, bool is_winding) {
  CoverageMask mask;
  double min_x = INFINITY, min_y = INFINITY, max_x = -INFINITY, max_y = -INFINITY;
  for (const auto& contour : contours) {
    for (const PointF& point : contour) {
      if (!std::isfinite(point.x) || !std::isfinite(point.y)) return mask;
      min_x = std::min(min_x, point.x);
      max_x = std::max(max_x, point.x);
      min_y = std::min(min_y, point.y);
      max_y = std::max(max_y, point.y);
    }
  }
  if (!(min_x <= max_x) || !(min_y <= max_y)) return mask;
  if (min_x < -kCoordinateLimit || min_y < -kCoordinateLimit || max_x > kCoordinateLimit ||
      max_y > kCoordinateLimit) {
    return mask;
  }
  // Pixels whose centres can be inside: centre c = p + 0.5 with min <= c < max.
  const int64_t left = static_cast<int64_t>(std::ceil(min_x - 0.5));
  const int64_t right = static_cast<int64_t>(std::ceil(max_x - 0.5));
  const int64_t top = static_cast<int64_t>(std::ceil(min_y - 0.5));
  const int64_t bottom = static_cast<int64_t>(std::ceil(max_y - 0.5));
  if (right <= left || bottom <= top) return mask;
  const uint64_t width = static_cast<uint64_t>(right - left);
  const uint64_t height = static_cast<uint64_t>(bottom - top);
  if (width * height > kMaxMaskBytes) return mask;
  mask.left = static_cast<int>(left);
  mask.top = static_cast<int>(top);
  mask.width = static_cast<int>(width);
  mask.height = static_cast<int>(height);
  mask.alpha.assign(width * height, 0);

  std::vector<Crossing> crossings;
  for (int64_t row = 0; row < static_cast<int64_t>(height); ++row) {
    const double centre_y = static_cast<double>(top + row) + 0.5;
    crossings.clear();
    for (const auto& contour : contours) {
      const size_t count = contour.size();
      if (count < 3) continue;
      for (size_t i = 0; i < count; ++i) {
        const PointF& a = contour[i];
        const PointF& b = contour[(i + 1) % count];
        // Half-open in y, so a vertex on the centre line counts once.
        if ((a.y <= centre_y && centre_y < b.y) || (b.y <= centre_y && centre_y < a.y)) {
          const double t = (centre_y - a.y) / (b.y - a.y);
          crossings.push_back({a.x + t * (b.x - a.x), b.y > a.y ? 1 : -1});
        }
      }
    }
    if (crossings.size() < 2) continue;
    std::sort(crossings.begin(), crossings.end(), [](const Crossing& p, const Crossing& q) { return p.x < q.x; });
    uint8_t* out = mask.alpha.data() + row * width;
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].direction;
      const bool is_inside = is_winding ? winding != 0 : (i % 2 == 0);
      if (!is_inside) continue;
      // Columns whose centre x + 0.5 lies in [crossing i, crossing i + 1).
      int64_t from = static_cast<int64_t>(std::ceil(crossings[i].x - 0.5)) - left;
      int64_t to = static_cast<int64_t>(std::ceil(crossings[i + 1].x - 0.5)) - left;
      from = std::clamp<int64_t>(from, 0, static_cast<int64_t>(width));
      to = std::clamp<int64_t>(to, 0, static_cast<int64_t>(width));
      for (int64_t column = from; column < to; ++column) out[column] = 255;
    }
  }
  return mask;
}

RunFrame MakeRunFrame(double origin_x, double origin_y, int escapement) {
  RunFrame frame;
  frame.origin_x = origin_x;
  frame.origin_y = origin_y;
  const int tenths = ((escapement % 3600) + 3600) % 3600;
  switch (tenths) {
    case 0: frame.cos_angle = 1; frame.sin_angle = 0; break;
    case 900: frame.cos_angle = 0; frame.sin_angle = 1; break;
    case 1800: frame.cos_angle = -1; frame.sin_angle = 0; break;
    case 2700: frame.cos_angle = 0; frame.sin_angle = -1; break;
    default: {
      const double radians = tenths * (M_PI / 1800.0);
      frame.cos_angle = std::cos(radians);
      frame.sin_angle = std::sin(radians);
    }
  }
  return frame;
}

std::vector<PointF> RunRectangle(const RunFrame& frame, double u0, double v0, double u1, double v1) {
  return {frame.ToDevice(u0, v0), frame.ToDevice(u1, v0), frame.ToDevice(u1, v1), frame.ToDevice(u0, v1)};
}

void MergeMask(CoverageMask& base, const CoverageMask& overlay) {
  if (overlay.empty()) return;
  if (base.empty()) {
    base = overlay;
    return;
  }
  const int left = std::min(base.left, overlay.left);
  const int top = std::min(base.top, overlay.top);
  const int right = std::max(base.left + base.width, overlay.left + overlay.width);
  const int bottom = std::max(base.top + base.height, overlay.top + overlay.height);
  const uint64_t bytes = static_cast<uint64_t>(right - left) * static_cast<uint64_t>(bottom - top);
  if (bytes > kMaxMaskBytes) return;
  CoverageMask merged;
  merged.left = left;
  merged.top = top;
  merged.width = right - left;
  merged.height = bottom - top;
  merged.alpha.assign(bytes, 0);
  for (const CoverageMask* part : {static_cast<const CoverageMask*>(&base), &overlay}) {
    for (int row = 0; row < part->height; ++row) {
      const uint8_t* in = part->alpha.data() + static_cast<size_t>(row) * part->width;
      uint8_t* out = merged.alpha.data() + static_cast<size_t>(part->top - top + row) * merged.width +
                     (part->left - left);
      for (int column = 0; column < part->width; ++column) out[column] = std::max(out[column], in[column]);
    }
  }
  base = std::move(merged);
}

}  // namespace plat::text
