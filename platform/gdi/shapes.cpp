// Lines and figures with the original pixel rules: LineTo leaves out its end
// point; a one-pixel pen of Rectangle, Ellipse and RoundRect lies inside the
// box, a wider one is centred on the outline (reaching (w-1)/2 outside)
// unless PS_INSIDEFRAME shrinks the figure to hold it; arcs run
// counter-clockwise. Figures fill their inside with the brush, then lay the
// pen's ring around it, both through the DC's ROP2, so no pixel is hit twice.
// Inside a path bracket the same calls record figures instead.
#include <algorithm>
#include <cmath>

#include "gdi/dc_internal.h"
#include "gdi/rop.h"
#include "gdi/shapes.h"
#include "plat/gdi_surface.h"

namespace plat::gdi {

namespace {

constexpr double kPi = 3.14159265358979323846;

// On/off run lengths of the styled one-pixel pens.
struct Dashes {
  int count;
  int runs[6];
};
Dashes DashesOf(int style) {
  switch (style) {
    case PS_DASH: return {2, {18, 6}};
    case PS_DOT: return {2, {3, 3}};
    case PS_DASHDOT: return {4, {9, 6, 3, 6}};
    case PS_DASHDOTDOT: return {6, {9, 3, 3, 3, 3, 3}};
    default: return {0, {}};
  }
}

// The pen as drawing sees it.
struct PenInfo {
  bool is_null = true;
  int width = 1;
  bool inside_frame = false;
  Dashes dashes{0, {}};
  COLORREF colour = 0;
};

PenInfo PenOf(const DeviceContext& dc) {
  PenInfo info;
  const Pen* pen = dc.state.pen.as<Pen>();
  if (!pen || pen->style == PS_NULL) return info;
  info.is_null = false;
  info.width = std::max(1, pen->width);
  info.inside_frame = pen->style == PS_INSIDEFRAME;
  info.colour = pen->is_dc_pen ? dc.state.dc_pen_colour : pen->colour;
  // Styles apply to one-pixel pens; wider ones draw solid.
  if (info.width == 1) info.dashes = DashesOf(pen->style);
  return info;
}

// Pixels of a one-pixel path, each with whether it is "on" in the style.
struct Trail {
  std::vector<POINT> points;
  std::vector<uint8_t> on;
  int phase = 0;  // position in the style's cycle, carried across segments
  void Add(const PenInfo& pen, int x, int y) {
    bool is_on = true;
    if (pen.dashes.count > 0) {
      int total = 0;
      for (int i = 0; i < pen.dashes.count; ++i) total += pen.dashes.runs[i];
      int at = phase % total, run = 0;
      while (at >= pen.dashes.runs[run]) at -= pen.dashes.runs[run++];
      is_on = (run % 2) == 0;
      ++phase;
    }
    points.push_back(POINT{x, y});
    on.push_back(is_on ? 1 : 0);
  }
};

// One-pixel segment from a to b without b.
void TraceSegment(const PenInfo& pen, POINT a, POINT b, Trail& trail) {
  int64_t dx = int64_t{b.x} - a.x, dy = int64_t{b.y} - a.y;
  const int sx = dx < 0 ? -1 : 1, sy = dy < 0 ? -1 : 1;
  dx = dx < 0 ? -dx : dx;
  dy = dy < 0 ? -dy : dy;
  int64_t x = a.x, y = a.y;
  if (dx >= dy) {
    int64_t error = dx / 2;
    for (int64_t i = 0; i < dx; ++i) {
      trail.Add(pen, static_cast<int>(x), static_cast<int>(y));
      x += sx;
      error -= dy;
      if (error < 0) y += sy, error += dx;
    }
  } else {
    int64_t error = dy / 2;
    for (int64_t i = 0; i < dy; ++i) {
      trail.Add(pen, static_cast<int>(x), static_cast<int>(y));
      y += sy;
      error -= dx;
      if (error < 0) x += sx, error += dy;
    }
  }
}

void PlotTrail(DeviceContext& dc, const PenInfo& pen, const Trail& trail) {
  if (dc.DropsWrites() || trail.points.empty()) return;
  Surface& s = *dc.surface;
  const uint8_t code = Rop3FromRop2(dc.state.rop2);
  const uint32_t ink = s.RawFromColour(pen.colour), back = s.RawFromColour(dc.state.bk_colour);
  const bool is_opaque = dc.state.bk_mode == OPAQUE;
  const Region& clip = dc.Clip();
  const uint32_t bits = s.RawMask();
  RECT touched{};
  for (size_t i = 0; i < trail.points.size(); ++i) {
    if (!trail.on[i] && !is_opaque) continue;
    const POINT p = trail.points[i];
    if (!clip.Contains(p.x, p.y)) continue;
    const uint32_t d = s.GetRaw(p.x, p.y);
    s.SetRaw(p.x, p.y, EvaluateRop3(code, trail.on[i] ? ink : back, 0, d) & bits);
    touched = IsEmptyRect(touched) ? RECT{p.x, p.y, p.x + 1, p.y + 1}
                                   : RECT{std::min(touched.left, p.x), std::min(touched.top, p.y),
                                          std::max(touched.right, p.x + 1), std::max(touched.bottom, p.y + 1)};
  }
  s.MarkDirty(touched);
}

// Pixels within w/2 of segment a-b (round ends): the body of a wide pen.
// Odd widths centre on pixel centres, even ones on the corner below right.
Region WideSegment(POINT a, POINT b, int width) {
  const double shift = (width % 2) ? 0.5 : 1.0;
  const double ax = a.x + shift, ay = a.y + shift, bx = b.x + shift, by = b.y + shift;
  const double radius = width / 2.0, r2 = radius * radius;
  const int top = static_cast<int>(std::floor(std::min(ay, by) - radius)) - 1;
  const int bottom = static_cast<int>(std::ceil(std::max(ay, by) + radius)) + 1;
  const int left = static_cast<int>(std::floor(std::min(ax, bx) - radius)) - 1;
  const int right = static_cast<int>(std::ceil(std::max(ax, bx) + radius)) + 1;
  const double vx = bx - ax, vy = by - ay, len2 = vx * vx + vy * vy;
  std::vector<std::vector<std::pair<int, int>>> rows(static_cast<size_t>(bottom - top));
  for (int y = top; y < bottom; ++y) {
    int run_start = 0;
    bool in_run = false;
    for (int x = left; x <= right; ++x) {
      bool inside = false;
      if (x < right) {
        const double px = x + 0.5, py = y + 0.5;
        double t = len2 > 0 ? ((px - ax) * vx + (py - ay) * vy) / len2 : 0;
        t = std::clamp(t, 0.0, 1.0);
        const double qx = ax + t * vx - px, qy = ay + t * vy - py;
        inside = qx * qx + qy * qy <= r2;
      }
      if (inside && !in_run) run_start = x, in_run = true;
      if (!inside && in_run) rows[size_t(y - top)].emplace_back(run_start, x), in_run = false;
    }
  }
  return Region::FromRows(top, rows);
}

// The pen along a polyline (closed: back to the first point), in surface pixels.
void StrokePolyline(DeviceContext& dc, const PenInfo& pen, const std::vector<POINT>& points, bool is_closed) {
  if (pen.is_null || points.empty()) return;
  const size_t n = points.size();
  const size_t segments = is_closed ? n : n - 1;
  if (pen.width == 1) {
    Trail trail;
    for (size_t i = 0; i < segments; ++i) TraceSegment(pen, points[i], points[(i + 1) % n], trail);
    PlotTrail(dc, pen, trail);
    return;
  }
  Region body;
  for (size_t i = 0; i < segments; ++i) {
    body = Region::Combine(body, WideSegment(points[i], points[(i + 1) % n], pen.width), RGN_OR);
  }
  PaintArea(dc, body, SolidPattern(*dc.surface, pen.colour), Rop3FromRop2(dc.state.rop2));
}

std::vector<POINT> ToSurfacePoints(const DeviceContext& dc, const POINT* points, size_t count) {
  std::vector<POINT> out(count);
  for (size_t i = 0; i < count; ++i) out[i] = dc.ToSurface(points[i].x, points[i].y);
  return out;
}

std::vector<POINT> ToDevicePoints(const DeviceContext& dc, const std::vector<POINT>& surface_points) {
  std::vector<POINT> out = surface_points;
  for (POINT& p : out) p.x -= dc.offset.x, p.y -= dc.offset.y;
  return out;
}

bool InPath(const DeviceContext& dc) { return dc.path_state == PathState::kOpen; }

void RecordFigure(DeviceContext& dc, const std::vector<POINT>& surface_points, bool is_closed) {
  dc.path.push_back(PathFigure{ToDevicePoints(dc, surface_points), is_closed});
}

// Shapes of a box: which kind, and the round corners of a round rectangle.
enum class Figure { kRectangle, kEllipse, kRoundRect };

Region ShapeRegion(Figure figure, const RECT& box, int ew, int eh) {
  if (IsEmptyRect(box)) return Region();
  switch (figure) {
    case Figure::kRectangle: return Region(box);
    case Figure::kEllipse: return Region::Ellipse(box);
    case Figure::kRoundRect: return Region::RoundRect(box, ew, eh);
  }
  return Region();
}

RECT Deflated(const RECT& r, int by) { return RECT{r.left + by, r.top + by, r.right - by, r.bottom - by}; }

// Outline points of a box figure for paths and styled outlines.
std::vector<POINT> FigureOutline(Figure figure, const RECT& box, int ew, int eh) {
  if (figure == Figure::kRectangle) {
    return {POINT{box.left, box.top}, POINT{box.right - 1, box.top}, POINT{box.right - 1, box.bottom - 1},
            POINT{box.left, box.bottom - 1}};
  }
  const double w = box.right - box.left - 1, h = box.bottom - box.top - 1;
  const double a = figure == Figure::kEllipse ? w / 2 : std::min<double>(ew, w + 1) / 2;
  const double b = figure == Figure::kEllipse ? h / 2 : std::min<double>(eh, h + 1) / 2;
  const double corners[4][2] = {{box.right - 1 - a, box.top + b}, {box.left + a, box.top + b},
                                {box.left + a, box.bottom - 1 - b}, {box.right - 1 - a, box.bottom - 1 - b}};
  std::vector<POINT> out;
  for (int q = 0; q < 4; ++q) {
    for (int i = 0; i <= 8; ++i) {
      const double angle = (q * 90 + i * 90.0 / 8) * kPi / 180;
      const POINT p{static_cast<int>(std::lround(corners[q][0] + a * std::cos(angle))),
                    static_cast<int>(std::lround(corners[q][1] - b * std::sin(angle)))};
      if (out.empty() || out.back().x != p.x || out.back().y != p.y) out.push_back(p);
    }
  }
  return out;
}

// A styled one-pixel ring: its pixels in order around the centre.
void PlotStyledRing(DeviceContext& dc, const PenInfo& pen, const Region& ring, const RECT& box) {
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  std::vector<std::pair<double, POINT>> pixels;
  for (const RECT& r : ring.rects()) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        pixels.emplace_back(std::atan2(-(y + 0.5 - cy), x + 0.5 - cx), POINT{x, y});
      }
    }
  }
  std::sort(pixels.begin(), pixels.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  Trail trail;
  for (const auto& p : pixels) trail.Add(pen, p.second.x, p.second.y);
  PlotTrail(dc, pen, trail);
}

BOOL DrawBoxFigure(HDC handle, Figure figure, int left, int top, int right, int bottom, int ew, int eh) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  const POINT a = dc->ToSurface(left, top), b = dc->ToSurface(right, bottom);
  RECT box = NormalizedRect(RECT{a.x, a.y, b.x, b.y});
  const PenInfo pen = PenOf(*dc);
  if (InPath(*dc)) {
    RecordFigure(*dc, FigureOutline(figure, box, ew, eh), true);
    return TRUE;
  }
  if (pen.is_null) {
    // Without a pen the figure's right and bottom pixel rows stay unfilled.
    box.right -= 1, box.bottom -= 1;
    PaintArea(*dc, ShapeRegion(figure, box, ew, eh), PatternFor(*dc, dc->state.brush.as<Brush>()),
              Rop3FromRop2(dc->state.rop2));
    return TRUE;
  }
  const int w = pen.width;
  const RECT outer = pen.inside_frame || w == 1 ? box
                                                : RECT{box.left - (w - 1) / 2, box.top - (w - 1) / 2,
                                                       box.right + (w - 1) / 2, box.bottom + (w - 1) / 2};
  const RECT inner_box = Deflated(outer, w);
  const Region whole = ShapeRegion(figure, outer, ew, eh);
  const Region inside = ShapeRegion(figure, inner_box, ew - 2 * w, eh - 2 * w);
  const uint8_t code = Rop3FromRop2(dc->state.rop2);
  PaintArea(*dc, inside, PatternFor(*dc, dc->state.brush.as<Brush>()), code);
  const Region ring = Region::Combine(whole, inside, RGN_DIFF);
  if (pen.dashes.count > 0) {
    PlotStyledRing(*dc, pen, ring, outer);
  } else {
    PaintArea(*dc, ring, SolidPattern(*dc->surface, pen.colour), code);
  }
  return TRUE;
}

}  // namespace

void StrokeSurfacePolyline(DeviceContext& dc, const std::vector<POINT>& points, bool is_closed) {
  StrokePolyline(dc, PenOf(dc), points, is_closed);
}

}  // namespace plat::gdi

namespace plat {

using namespace gdi;

BOOL LineTo(HDC handle, int x, int y) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  const POINT from = dc->ToSurface(dc->state.position.x, dc->state.position.y), to = dc->ToSurface(x, y);
  if (InPath(*dc)) {
    if (dc->path.empty() || dc->path.back().is_closed || dc->path.back().points.empty()) {
      RecordFigure(*dc, {from}, false);
    }
    dc->path.back().points.push_back(POINT{to.x - dc->offset.x, to.y - dc->offset.y});
  } else {
    StrokePolyline(*dc, PenOf(*dc), {from, to}, false);
  }
  dc->state.position = POINT{x, y};
  return TRUE;
}

BOOL Polyline(HDC handle, const POINT* points, int count) {
  auto dc = DrawableDc(handle);
  if (!dc || !points || count < 2) return FALSE;
  const auto pts = ToSurfacePoints(*dc, points, size_t(count));
  if (InPath(*dc)) {
    RecordFigure(*dc, pts, false);
  } else {
    StrokePolyline(*dc, PenOf(*dc), pts, false);
  }
  return TRUE;
}

BOOL PolylineTo(HDC handle, const POINT* points, DWORD count) {
  auto dc = DrawableDc(handle);
  if (!dc || !points || count < 1 || count > (1u << 28)) return FALSE;
  std::vector<POINT> all{dc->state.position};
  all.insert(all.end(), points, points + count);
  if (!Polyline(handle, all.data(), static_cast<int>(all.size()))) return FALSE;
  dc->state.position = points[count - 1];
  return TRUE;
}

BOOL PolyPolyline(HDC handle, const POINT* points, const DWORD* counts, DWORD polylines) {
  if (!points || !counts || polylines == 0) return FALSE;
  size_t offset = 0;
  for (DWORD i = 0; i < polylines; ++i) {
    if (counts[i] < 2 || counts[i] > (1u << 28)) return FALSE;
  }
  for (DWORD i = 0; i < polylines; ++i) {
    if (!Polyline(handle, points + offset, static_cast<int>(counts[i]))) return FALSE;
    offset += counts[i];
  }
  return TRUE;
}

BOOL PolyPolygon(HDC handle, const POINT* points, const INT* counts, int polygons) {
  auto dc = DrawableDc(handle);
  if (!dc || !points || !counts || polygons < 1) return FALSE;
  int64_t total = 0;
  for (int i = 0; i < polygons; ++i) {
    if (counts[i] < 2) return FALSE;
    total += counts[i];
    if (total > (int64_t{1} << 28)) return FALSE;
  }
  const auto pts = ToSurfacePoints(*dc, points, size_t(total));
  if (InPath(*dc)) {
    size_t offset = 0;
    for (int i = 0; i < polygons; ++i) {
      RecordFigure(*dc, std::vector<POINT>(pts.begin() + long(offset), pts.begin() + long(offset + size_t(counts[i]))),
                   true);
      offset += size_t(counts[i]);
    }
    return TRUE;
  }
  const uint8_t code = Rop3FromRop2(dc->state.rop2);
  PaintArea(*dc, Region::Polygons(pts.data(), counts, polygons, dc->state.poly_fill_mode),
            PatternFor(*dc, dc->state.brush.as<Brush>()), code);
  const PenInfo pen = PenOf(*dc);
  size_t offset = 0;
  for (int i = 0; i < polygons; ++i) {
    StrokePolyline(*dc, pen,
                   std::vector<POINT>(pts.begin() + long(offset), pts.begin() + long(offset + size_t(counts[i]))), true);
    offset += size_t(counts[i]);
  }
  return TRUE;
}

BOOL Polygon(HDC handle, const POINT* points, int count) { return PolyPolygon(handle, points, &count, 1); }

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  return DrawBoxFigure(dc, Figure::kRectangle, left, top, right, bottom, 0, 0);
}

BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ellipse_width, int ellipse_height) {
  return DrawBoxFigure(dc, Figure::kRoundRect, left, top, right, bottom, ellipse_width, ellipse_height);
}

BOOL Ellipse(HDC dc, int left, int top, int right, int bottom) {
  return DrawBoxFigure(dc, Figure::kEllipse, left, top, right, bottom, 0, 0);
}

namespace {

BOOL DrawArc(HDC handle, int left, int top, int right, int bottom, int x_start, int y_start, int x_end, int y_end,
             bool move_to) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  const POINT a = dc->ToSurface(left, top), b = dc->ToSurface(right, bottom);
  const RECT box = NormalizedRect(RECT{a.x, a.y, b.x, b.y});
  const POINT s = dc->ToSurface(x_start, y_start), e = dc->ToSurface(x_end, y_end);
  const double cx = (box.left + box.right) / 2.0, cy = (box.top + box.bottom) / 2.0;
  // Angles with y pointing up, so increasing angles run counter-clockwise on screen.
  const double start = std::atan2(-(s.y - cy), s.x - cx), end = std::atan2(-(e.y - cy), e.x - cx);
  auto sweep_to = [start](double angle) {
    double d = angle - start;
    while (d < 0) d += 2 * kPi;
    while (d >= 2 * kPi) d -= 2 * kPi;
    return d;
  };
  double sweep = sweep_to(end);
  if (sweep == 0) sweep = 2 * kPi;  // equal radials: the whole ellipse
  const PenInfo pen = PenOf(*dc);
  if (move_to) dc->state.position = POINT{x_end, y_end};
  if (pen.is_null || IsEmptyRect(box)) return TRUE;
  const int w = pen.width;
  const RECT outer = pen.inside_frame || w == 1 ? box
                                                : RECT{box.left - (w - 1) / 2, box.top - (w - 1) / 2,
                                                       box.right + (w - 1) / 2, box.bottom + (w - 1) / 2};
  const Region ring = Region::Combine(Region::Ellipse(outer), Region::Ellipse(Deflated(outer, w)), RGN_DIFF);
  std::vector<std::vector<std::pair<int, int>>> rows(size_t(std::max(0, ring.bounds().bottom - ring.bounds().top)));
  for (const RECT& r : ring.rects()) {
    for (int y = r.top; y < r.bottom; ++y) {
      for (int x = r.left; x < r.right; ++x) {
        if (sweep_to(std::atan2(-(y + 0.5 - cy), x + 0.5 - cx)) <= sweep) {
          rows[size_t(y - ring.bounds().top)].emplace_back(x, x + 1);
        }
      }
    }
  }
  PaintArea(*dc, Region::FromRows(ring.bounds().top, rows), SolidPattern(*dc->surface, pen.colour),
            Rop3FromRop2(dc->state.rop2));
  return TRUE;
}

}  // namespace

BOOL Arc(HDC dc, int left, int top, int right, int bottom, int x_start, int y_start, int x_end, int y_end) {
  return DrawArc(dc, left, top, right, bottom, x_start, y_start, x_end, y_end, false);
}

BOOL ArcTo(HDC dc, int left, int top, int right, int bottom, int x_start, int y_start, int x_end, int y_end) {
  return DrawArc(dc, left, top, right, bottom, x_start, y_start, x_end, y_end, true);
}

}  // namespace plat
