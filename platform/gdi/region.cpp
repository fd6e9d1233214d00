// Region arithmetic on banded rectangle lists: every operation sweeps the
// y-breakpoints of both operands, combines the spans of each slice and
// merges equal neighbouring bands, so results are always canonical.
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "plat/gdi.h"
#include "plat/gdi_region.h"

namespace plat::gdi {

namespace {

using Span = std::pair<int, int>;
using Spans = std::vector<Span>;

// Sorts spans and merges the ones that overlap or touch.
void NormalizeSpans(Spans& spans) {
  std::sort(spans.begin(), spans.end());
  Spans out;
  for (const Span& s : spans) {
    if (s.first >= s.second) continue;
    if (!out.empty() && s.first <= out.back().second) {
      out.back().second = std::max(out.back().second, s.second);
    } else {
      out.push_back(s);
    }
  }
  spans.swap(out);
}

bool Keep(int mode, bool in_a, bool in_b) {
  switch (mode) {
    case RGN_AND: return in_a && in_b;
    case RGN_OR: return in_a || in_b;
    case RGN_XOR: return in_a != in_b;
    case RGN_DIFF: return in_a && !in_b;
    default: return in_a;
  }
}

// Combines two sorted, separate span lists.
Spans CombineSpans(const Spans& a, const Spans& b, int mode) {
  std::vector<int> xs;
  xs.reserve(2 * (a.size() + b.size()));
  for (const Span& s : a) xs.insert(xs.end(), {s.first, s.second});
  for (const Span& s : b) xs.insert(xs.end(), {s.first, s.second});
  std::sort(xs.begin(), xs.end());
  xs.erase(std::unique(xs.begin(), xs.end()), xs.end());
  Spans out;
  size_t ia = 0, ib = 0;
  for (size_t i = 0; i + 1 < xs.size(); ++i) {
    const int x0 = xs[i], x1 = xs[i + 1];
    while (ia < a.size() && a[ia].second <= x0) ++ia;
    while (ib < b.size() && b[ib].second <= x0) ++ib;
    const bool in_a = ia < a.size() && a[ia].first <= x0;
    const bool in_b = ib < b.size() && b[ib].first <= x0;
    if (!Keep(mode, in_a, in_b)) continue;
    if (!out.empty() && out.back().second == x0) {
      out.back().second = x1;
    } else {
      out.emplace_back(x0, x1);
    }
  }
  return out;
}

struct Band {
  int top, bottom;
  size_t first, count;
};

std::vector<Band> BandsOf(const std::vector<RECT>& rects) {
  std::vector<Band> bands;
  for (size_t i = 0; i < rects.size(); ++i) {
    if (bands.empty() || bands.back().top != rects[i].top) {
      bands.push_back({rects[i].top, rects[i].bottom, i, 0});
    }
    ++bands.back().count;
  }
  return bands;
}

Spans SpansOf(const std::vector<RECT>& rects, const Band& band) {
  Spans spans;
  spans.reserve(band.count);
  for (size_t i = band.first; i < band.first + band.count; ++i) spans.emplace_back(rects[i].left, rects[i].right);
  return spans;
}

// Doubled coordinates keep the pixel-centre tests in integers: a pixel x has
// its centre at 2x + 1.
using Wide = __int128;

// Whether the pixel centre (2x+1, 2y+1) lies in the ellipse centred at
// (cx2, cy2) (doubled) with full axes w and h.
bool InEllipse(int64_t x2, int64_t y2, int64_t cx2, int64_t cy2, int64_t w, int64_t h) {
  const Wide dx = x2 - cx2, dy = y2 - cy2;
  return dx * dx * Wide(h) * h + dy * dy * Wide(w) * w <= Wide(w) * w * Wide(h) * h;
}

}  // namespace

Region::Region(const RECT& rect) {
  if (!IsEmptyRect(rect)) {
    rects_.push_back(rect);
    bounds_ = rect;
  }
}

void Region::AppendBand(int top, int bottom, const Spans& spans) {
  if (spans.empty() || top >= bottom) return;
  // Merge with the band above when it touches and holds the same spans.
  if (!rects_.empty() && rects_.back().bottom == top) {
    size_t first = rects_.size();
    while (first > 0 && rects_[first - 1].top == rects_.back().top) --first;
    bool same = rects_.size() - first == spans.size();
    for (size_t i = 0; same && i < spans.size(); ++i) {
      same = rects_[first + i].left == spans[i].first && rects_[first + i].right == spans[i].second;
    }
    if (same) {
      for (size_t i = first; i < rects_.size(); ++i) rects_[i].bottom = bottom;
      return;
    }
  }
  for (const Span& s : spans) rects_.push_back(RECT{s.first, top, s.second, bottom});
}

void Region::Finish() {
  if (rects_.empty()) {
    bounds_ = RECT{};
    return;
  }
  bounds_ = RECT{rects_.front().left, rects_.front().top, rects_.front().right, rects_.back().bottom};
  for (const RECT& r : rects_) {
    bounds_.left = std::min(bounds_.left, r.left);
    bounds_.right = std::max(bounds_.right, r.right);
  }
}

Region Region::FromRows(int top, const std::vector<Spans>& rows) {
  Region region;
  for (size_t i = 0; i < rows.size(); ++i) {
    Spans spans = rows[i];
    NormalizeSpans(spans);
    const int y = top + static_cast<int>(i);
    region.AppendBand(y, y + 1, spans);
  }
  region.Finish();
  return region;
}

Region Region::RoundRect(const RECT& box_in, int ellipse_width, int ellipse_height) {
  const RECT box = NormalizedRect(box_in);
  if (IsEmptyRect(box)) return Region();
  const int64_t w = int64_t{box.right} - box.left, h = int64_t{box.bottom} - box.top;
  const int64_t ew = std::clamp<int64_t>(std::abs(int64_t{ellipse_width}), 0, w);
  const int64_t eh = std::clamp<int64_t>(std::abs(int64_t{ellipse_height}), 0, h);
  if (ew < 2 || eh < 2) return Region(box);
  // Corner ellipses centred at left + ew/2 (the right ones mirror them) and
  // at top + eh/2 or bottom - eh/2; doubled coordinates keep them integral.
  const int64_t cx_left2 = 2 * int64_t{box.left} + ew;
  const int64_t cy_top2 = 2 * int64_t{box.top} + eh, cy_bottom2 = 2 * int64_t{box.bottom} - eh;
  Region region;
  for (int y = box.top; y < box.bottom; ++y) {
    const int64_t y2 = 2 * int64_t{y} + 1;
    int64_t cy2 = 0;
    if (y2 < cy_top2) {
      cy2 = cy_top2;
    } else if (y2 > cy_bottom2) {
      cy2 = cy_bottom2;
    } else {
      region.AppendBand(y, y + 1, {{box.left, box.right}});
      continue;
    }
    // Half-extent of the corner ellipse at this row, then exact fix-up.
    const double dy = static_cast<double>(y2 - cy2) / static_cast<double>(eh);
    const double half = dy * dy >= 1.0 ? 0.0 : static_cast<double>(ew) * std::sqrt(1.0 - dy * dy);  // doubled units
    auto inside = [&](int64_t x) {
      const int64_t x2 = 2 * x + 1;
      return x2 >= cx_left2 || InEllipse(x2, y2, cx_left2, cy2, ew, eh);
    };
    int64_t left = (cx_left2 - static_cast<int64_t>(std::floor(half)) - 1) / 2;
    left = std::clamp<int64_t>(left, box.left, box.right);
    while (left > box.left && inside(left - 1)) --left;
    while (left < box.right && !inside(left)) ++left;
    // The right edge mirrors the left one about the box's centre.
    const int64_t right = int64_t{box.left} + int64_t{box.right} - left;
    if (left < right) region.AppendBand(y, y + 1, {{static_cast<int>(left), static_cast<int>(right)}});
  }
  region.Finish();
  return region;
}

Region Region::Ellipse(const RECT& box) {
  const RECT b = NormalizedRect(box);
  return RoundRect(b, b.right - b.left, b.bottom - b.top);
}

Region Region::Polygons(const POINT* points, const int* counts, int polygons, int fill_mode) {
  struct Edge {
    double x0, y0, x1, y1;
    int direction;
  };
  std::vector<Edge> edges;
  int64_t top = INT64_MAX, bottom = INT64_MIN;
  size_t offset = 0;
  for (int p = 0; p < polygons; ++p) {
    const int n = counts[p];
    for (int i = 0; i < n; ++i) {
      const POINT& a = points[offset + i];
      const POINT& b = points[offset + (i + 1) % n];
      top = std::min<int64_t>(top, a.y);
      bottom = std::max<int64_t>(bottom, a.y);
      if (a.y == b.y) continue;
      if (a.y < b.y) {
        edges.push_back({double(a.x), double(a.y), double(b.x), double(b.y), 1});
      } else {
        edges.push_back({double(b.x), double(b.y), double(a.x), double(a.y), -1});
      }
    }
    offset += static_cast<size_t>(n);
  }
  Region region;
  if (edges.empty()) return region;
  std::vector<std::pair<double, int>> crossings;
  for (int64_t y = top; y < bottom; ++y) {
    const double yc = static_cast<double>(y) + 0.5;
    crossings.clear();
    for (const Edge& e : edges) {
      if (yc < e.y0 || yc >= e.y1) continue;
      crossings.emplace_back(e.x0 + (yc - e.y0) * (e.x1 - e.x0) / (e.y1 - e.y0), e.direction);
    }
    std::sort(crossings.begin(), crossings.end());
    Spans spans;
    int winding = 0;
    for (size_t i = 0; i + 1 < crossings.size(); ++i) {
      winding += crossings[i].second;
      const bool inside = fill_mode == WINDING ? winding != 0 : (i % 2) == 0;
      if (!inside) continue;
      // Pixels whose centre x + 0.5 lies in [xa, xb).
      const double xa = std::ceil(crossings[i].first - 0.5), xb = std::ceil(crossings[i + 1].first - 0.5);
      if (xa < xb) spans.emplace_back(static_cast<int>(xa), static_cast<int>(xb));
    }
    NormalizeSpans(spans);
    region.AppendBand(static_cast<int>(y), static_cast<int>(y) + 1, spans);
  }
  region.Finish();
  return region;
}

std::optional<Region> Region::FromBandedRects(const RECT* rects, size_t count) {
  Region region;
  for (size_t i = 0; i < count; ++i) {
    const RECT& r = rects[i];
    if (r.left >= r.right || r.top >= r.bottom) return std::nullopt;
    if (i > 0) {
      const RECT& p = rects[i - 1];
      if (r.top == p.top) {
        // Same band: same bottom, left to right, no overlap.
        if (r.bottom != p.bottom || r.left < p.right) return std::nullopt;
      } else if (r.top < p.bottom) {
        return std::nullopt;  // a new band starts below the one before
      }
    }
  }
  // Rebuild band by band so touching spans and equal bands merge.
  std::vector<RECT> copy(rects, rects + count);
  for (const Band& band : BandsOf(copy)) {
    Spans spans = SpansOf(copy, band);
    NormalizeSpans(spans);
    region.AppendBand(band.top, band.bottom, spans);
  }
  region.Finish();
  return region;
}

Region Region::Combine(const Region& a, const Region& b, int mode) {
  if (mode == RGN_COPY) return a;
  if (mode == RGN_AND && (a.empty() || b.empty())) return Region();
  std::vector<int> ys;
  for (const RECT& r : a.rects_) ys.insert(ys.end(), {r.top, r.bottom});
  for (const RECT& r : b.rects_) ys.insert(ys.end(), {r.top, r.bottom});
  std::sort(ys.begin(), ys.end());
  ys.erase(std::unique(ys.begin(), ys.end()), ys.end());
  const std::vector<Band> bands_a = BandsOf(a.rects_), bands_b = BandsOf(b.rects_);
  size_t ia = 0, ib = 0;
  Region out;
  const Spans none;
  for (size_t i = 0; i + 1 < ys.size(); ++i) {
    const int y0 = ys[i], y1 = ys[i + 1];
    while (ia < bands_a.size() && bands_a[ia].bottom <= y0) ++ia;
    while (ib < bands_b.size() && bands_b[ib].bottom <= y0) ++ib;
    const bool has_a = ia < bands_a.size() && bands_a[ia].top <= y0;
    const bool has_b = ib < bands_b.size() && bands_b[ib].top <= y0;
    if (!has_a && !has_b) continue;
    const Spans sa = has_a ? SpansOf(a.rects_, bands_a[ia]) : none;
    const Spans sb = has_b ? SpansOf(b.rects_, bands_b[ib]) : none;
    out.AppendBand(y0, y1, CombineSpans(sa, sb, mode));
  }
  out.Finish();
  return out;
}

int Region::Complexity() const {
  if (rects_.empty()) return NULLREGION;
  return rects_.size() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

bool Region::Contains(int x, int y) const {
  if (x < bounds_.left || x >= bounds_.right || y < bounds_.top || y >= bounds_.bottom) return false;
  auto it = std::upper_bound(rects_.begin(), rects_.end(), y, [](int v, const RECT& r) { return v < r.bottom; });
  for (; it != rects_.end() && it->top <= y; ++it) {
    if (x >= it->left && x < it->right) return true;
  }
  return false;
}

bool Region::Intersects(const RECT& rect) const {
  if (IsEmptyRect(IntersectRects(rect, bounds_))) return false;
  for (const RECT& r : rects_) {
    if (!IsEmptyRect(IntersectRects(r, rect))) return true;
  }
  return false;
}

void Region::Offset(int dx, int dy) {
  for (RECT& r : rects_) {
    r.left += dx;
    r.right += dx;
    r.top += dy;
    r.bottom += dy;
  }
  if (!rects_.empty()) {
    bounds_.left += dx;
    bounds_.right += dx;
    bounds_.top += dy;
    bounds_.bottom += dy;
  }
}

Region Region::Intersected(const RECT& rect) const {
  if (rects_.size() == 1) return Region(IntersectRects(rects_[0], rect));
  return Combine(*this, Region(rect), RGN_AND);
}

bool Region::operator==(const Region& other) const {
  if (rects_.size() != other.rects_.size()) return false;
  for (size_t i = 0; i < rects_.size(); ++i) {
    const RECT &a = rects_[i], &b = other.rects_[i];
    if (a.left != b.left || a.top != b.top || a.right != b.right || a.bottom != b.bottom) return false;
  }
  return true;
}

}  // namespace plat::gdi
