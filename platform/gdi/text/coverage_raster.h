// Filling flattened contours into a coverage mask by pixel centres: a pixel is
// covered when its centre lies inside. Shared by the built-in glyphs and the
// lines the text layer draws itself (underline, strike-out, opaque boxes).
#ifndef PLAT_GDI_TEXT_COVERAGE_RASTER_H_
#define PLAT_GDI_TEXT_COVERAGE_RASTER_H_

#include <cstddef>
#include <vector>

#include "plat/font_engine.h"

namespace plat::text {

// Masks larger than this are refused (an empty mask), so a huge font or
// run cannot exhaust memory.
constexpr size_t kMaxMaskBytes = size_t{64} << 20;

CoverageMask RasterizeContours(const std::vector<std::vector<PointF>>& contours, bool is_winding);

// Adds `contour` (a convex quadrilateral given in run coordinates: u along
// the baseline, v downwards from it) turned by `escapement` about the origin.
struct RunFrame {
  double origin_x = 0;
  double origin_y = 0;
  double cos_angle = 1;
  double sin_angle = 0;
  PointF ToDevice(double u, double v) const {
    return {origin_x + u * cos_angle + v * sin_angle, origin_y - u * sin_angle + v * cos_angle};
  }
};
// The frame of a run whose escapement is in tenths of a degree; quarter turns
// use exact sines.
RunFrame MakeRunFrame(double origin_x, double origin_y, int escapement);
// An axis-aligned rectangle [u0, u1) x [v0, v1) of run coordinates as a device contour.
std::vector<PointF> RunRectangle(const RunFrame& frame, double u0, double v0, double u1, double v1);

// Combines `overlay` into `base` (maximum coverage), growing `base` as needed.
void MergeMask(CoverageMask& base, const CoverageMask& overlay);

}  // namespace plat::text

#endif  // PLAT_GDI_TEXT_COVERAGE_RASTER_H_
