// Paths: between BeginPath and EndPath the line and figure calls record
// closed and open figures (device coordinates) instead of drawing; the text
// layer adds its outlines the same way. Filling, stroking, turning the path
// into a region or a clip region uses it up.
#include "gdi/dc_internal.h"
#include "gdi/rop.h"
#include "gdi/shapes.h"
#include "plat/gdi_surface.h"

namespace plat {

using namespace gdi;

namespace {

// The closed path's figures as one region in surface pixels (each figure
// taken as closed), by the DC's fill mode.
Region PathRegion(const DeviceContext& dc) {
  std::vector<POINT> points;
  std::vector<int> counts;
  for (const PathFigure& figure : dc.path) {
    if (figure.points.size() < 3) continue;
    for (const POINT& p : figure.points) points.push_back(POINT{p.x + dc.offset.x, p.y + dc.offset.y});
    counts.push_back(static_cast<int>(figure.points.size()));
  }
  if (counts.empty()) return Region();
  return Region::Polygons(points.data(), counts.data(), static_cast<int>(counts.size()), dc.state.poly_fill_mode);
}

std::shared_ptr<DeviceContext> ClosedPathDc(HDC handle) {
  auto dc = DrawableDc(handle);
  if (!dc || dc->path_state != PathState::kClosed) return nullptr;
  return dc;
}

void UsePath(DeviceContext& dc) {
  dc.path.clear();
  dc.path_state = PathState::kNone;
}

void Stroke(DeviceContext& dc) {
  for (const PathFigure& figure : dc.path) {
    std::vector<POINT> points = figure.points;
    for (POINT& p : points) p.x += dc.offset.x, p.y += dc.offset.y;
    StrokeSurfacePolyline(dc, points, figure.is_closed);
  }
}

}  // namespace

BOOL BeginPath(HDC handle) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  dc->path.clear();
  dc->path_state = PathState::kOpen;
  return TRUE;
}

BOOL EndPath(HDC handle) {
  auto dc = DrawableDc(handle);
  if (!dc || dc->path_state != PathState::kOpen) return FALSE;
  dc->path_state = PathState::kClosed;
  return TRUE;
}

BOOL AbortPath(HDC handle) {
  auto dc = DrawableDc(handle);
  if (!dc) return FALSE;
  UsePath(*dc);
  return TRUE;
}

BOOL CloseFigure(HDC handle) {
  auto dc = DrawableDc(handle);
  if (!dc || dc->path_state != PathState::kOpen || dc->path.empty()) return FALSE;
  dc->path.back().is_closed = true;
  return TRUE;
}

BOOL FillPath(HDC handle) {
  auto dc = ClosedPathDc(handle);
  if (!dc) return FALSE;
  PaintArea(*dc, PathRegion(*dc), PatternFor(*dc, dc->state.brush.as<Brush>()), Rop3FromRop2(dc->state.rop2));
  UsePath(*dc);
  return TRUE;
}

BOOL StrokePath(HDC handle) {
  auto dc = ClosedPathDc(handle);
  if (!dc) return FALSE;
  Stroke(*dc);
  UsePath(*dc);
  return TRUE;
}

BOOL StrokeAndFillPath(HDC handle) {
  auto dc = ClosedPathDc(handle);
  if (!dc) return FALSE;
  PaintArea(*dc, PathRegion(*dc), PatternFor(*dc, dc->state.brush.as<Brush>()), Rop3FromRop2(dc->state.rop2));
  Stroke(*dc);
  UsePath(*dc);
  return TRUE;
}

HRGN PathToRegion(HDC handle) {
  auto dc = ClosedPathDc(handle);
  if (!dc) return nullptr;
  Region region = PathRegion(*dc);
  region.Offset(-dc->offset.x, -dc->offset.y);  // device coordinates
  UsePath(*dc);
  return CreateRegionHandle(std::move(region));
}

BOOL SelectClipPath(HDC handle, int mode) {
  auto dc = ClosedPathDc(handle);
  if (!dc || mode < RGN_AND || mode > RGN_COPY) return FALSE;
  HRGN region = PathToRegion(handle);
  const int type = ExtSelectClipRgn(handle, region, mode);
  DeleteObject(region);
  return type != ERROR;
}

}  // namespace plat
