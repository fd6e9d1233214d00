// The pixel set behind a region handle, shared by the drawing and window
// layers: rectangles in sorted y-bands (top, then left), the rectangles of a
// band sharing top and bottom, apart from each other, and equal neighbouring
// bands merged, so that two equal sets have equal rectangle lists.
#ifndef PLAT_GDI_REGION_H_
#define PLAT_GDI_REGION_H_

#include <algorithm>
#include <cstddef>
#include <optional>
#include <utility>
#include <vector>

#include "plat/types.h"

namespace plat::gdi {

class Region {
 public:
  Region() = default;
  explicit Region(const RECT& rect);  // empty for an empty rectangle

  // The rows of an ellipse, round rectangle or polygon: a pixel belongs when
  // its centre lies inside. Corners of the box may come in any order.
  static Region Ellipse(const RECT& box);
  static Region RoundRect(const RECT& box, int ellipse_width, int ellipse_height);
  // `counts` holds the point count of each polygon; fill mode ALTERNATE or WINDING.
  static Region Polygons(const POINT* points, const int* counts, int polygons, int fill_mode);
  // A region from rectangles already in banded order, as region data carries
  // them; nullopt when they are not (unsorted, overlapping, empty rectangles).
  static std::optional<Region> FromBandedRects(const RECT* rects, size_t count);
  // Rows of spans [left, right) starting at row `top`: rows[i] is row top + i.
  static Region FromRows(int top, const std::vector<std::vector<std::pair<int, int>>>& rows);

  // mode: RGN_AND, RGN_OR, RGN_XOR, RGN_DIFF (a minus b), RGN_COPY (a).
  static Region Combine(const Region& a, const Region& b, int mode);

  const std::vector<RECT>& rects() const { return rects_; }
  const RECT& bounds() const { return bounds_; }
  bool empty() const { return rects_.empty(); }
  int Complexity() const;  // NULLREGION, SIMPLEREGION or COMPLEXREGION
  bool Contains(int x, int y) const;
  bool Intersects(const RECT& rect) const;
  void Offset(int dx, int dy);
  Region Intersected(const RECT& rect) const;
  bool operator==(const Region& other) const;

 private:
  void AppendBand(int top, int bottom, const std::vector<std::pair<int, int>>& spans);
  void Finish();
  std::vector<RECT> rects_;
  RECT bounds_{};
};

// Rectangle helpers shared by the drawing layer.
inline bool IsEmptyRect(const RECT& r) { return r.left >= r.right || r.top >= r.bottom; }
inline RECT IntersectRects(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
  if (IsEmptyRect(r)) r = RECT{};
  return r;
}
inline RECT NormalizedRect(const RECT& r) {
  return RECT{std::min(r.left, r.right), std::min(r.top, r.bottom), std::max(r.left, r.right),
              std::max(r.top, r.bottom)};
}

}  // namespace plat::gdi

#endif  // PLAT_GDI_REGION_H_
