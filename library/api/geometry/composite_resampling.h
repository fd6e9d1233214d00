// Resampling of library images and of the pages of a "CompositeIDArray": a
// window of a source image resampled into a window of a new image whose other
// samples show fill levels. One routine serves the subsample entry point and
// the page steps of file conversion, so a page and a packed bitmap given the
// same windows come out alike.
//
// Windows are counted in samples from the top-left corner of the picture. A
// 1-bit page whose rows were widened to whole bytes ("widthByteBoundary") is
// taken at its true width; with the context's "byteBoundary" on, new 1-bit
// pages are widened the same way and their padding bits cleared.
//
// New pages are made with their source page as template (they share its
// palette and carry its format attributes), so a source page must stay alive
// until its new page has been written. A page that nothing changes is put
// into the destination array as it is.
#ifndef PELRITH_API_GEOMETRY_COMPOSITE_RESAMPLING_H_
#define PELRITH_API_GEOMETRY_COMPOSITE_RESAMPLING_H_

#include <cstdint>

#include "api/frame/options.h"
#include "api/geometry/geometry_common.h"
#include "core/objects/object.h"
#include "core/system/system.h"

// A window of an image; a width or height of 0 means the whole image.
struct ImageWindow {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;
};

// One resampling, in the library's codes.
struct SubsampleSpec {
  int64_t width = 0;    // the new image; 0: the source's own width
  int64_t height = 0;   // 0: the source's own height
  ImageWindow source;   // must lie inside the source
  // May reach past the new image: what lies outside is cut off.
  ImageWindow destination;
  int32_t interpolation = 191;  // "interpolation" (191 nearest ...)
  int32_t morphology = 0;       // "morphologicalOperation" (0, 46, 71)
  FillLevels levels = kDefaultFillLevels;
};

// Resamples `spec.source` of `source` into `spec.destination` of a new image
// named `name`; every sample outside the destination window shows the fill
// levels. Windows of equal size are copied sample for sample whatever the
// interpolation. `*result` is the new image, or `source` itself when the
// windows are both whole and equal in size. 0, -100 for a window outside the
// source, 3 beyond the limits, or the library's error.
[[nodiscard]] int SubsampleImage(IpiSystem* sys, IpiObject* source, const SubsampleSpec& spec, const char* name,
                                 IpiObject** result);

// How ResampleComposite treats every page, in the codes of the interface.
struct CompositeResampling {
  int64_t width = 0;   // the new pages; 0 keeps each page's own width
  int64_t height = 0;  // 0 keeps each page's own height
  ImageWindow source;       // per page; 0 sizes: the whole page
  ImageWindow destination;  // 0 sizes: the whole new page; may reach past it
  int32_t interpolation = kCmiInterpolationNearest;  // 8, 9, 10, 11
  int32_t morphology = kCmiMorphologyNone;           // 0, 12, 13
};
// Resizing every page to w x h is {w, h}; placing the pages resized to w x h
// at (x, y) on a canvas of cw x ch is {cw, ch, {}, {x, y, w, h}}.

// Every page of the array `source` resampled as `how` says into the same
// index of the array `destination` (which may be `source`, and needs at least
// as many entries). The fill levels are the options "constantLevel",
// "constantLevel2", "constantLevel3" (default: each page's white). 0 or the
// status (also stored in `*status` when it is not null): -100 for a code, size
// or level out of range or a window outside a page, 3 beyond the limits, else
// the library's error; the first failing page stops the loop.
[[nodiscard]] int ResampleComposite(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                    const CompositeResampling& how, const CmiOptions& options, int32_t* status);

// Every page of `source` placed at (x, y) on a new page of canvas_width x
// canvas_height (nearest neighbour, no scaling; what falls outside the canvas
// is cut off) whose other samples show the fill levels of the options, put
// into the same index of `destination` (which may be `source`). 0 or the
// status, as ResampleComposite.
[[nodiscard]] int PlaceOnCanvas(IpiSystem* sys, IpiObject* source, IpiObject* destination, int64_t canvas_width,
                                int64_t canvas_height, int64_t x, int64_t y, const CmiOptions& options,
                                int32_t* status);

#endif  // PELRITH_API_GEOMETRY_COMPOSITE_RESAMPLING_H_
