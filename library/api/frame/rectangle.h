// Operations on part of an image. The options "sourceXPoint", "sourceYPoint",
// "sourceWidth" and "sourceHeight" (defaults: the whole bitmap) choose a
// rectangle, counted from the top-left corner of the picture. The window is
// cut out, the operation runs on it, and its result is pasted back at the
// same place, so everything outside the rectangle stays as it was.
#ifndef PELRITH_API_FRAME_RECTANGLE_H_
#define PELRITH_API_FRAME_RECTANGLE_H_

#include <cstdint>
#include <functional>

#include "api/frame/call_frame.h"

struct CmiRectangle {
  int64_t x = 0;
  int64_t y = 0;
  int64_t width = 0;
  int64_t height = 0;
  bool whole = true;  // covers the whole bitmap
};

// The rectangle of the options over `info`; false when it is empty or does
// not lie inside the bitmap.
[[nodiscard]] bool ReadRectangle(const CmiOptions& options, const PackedBitmapInfo& info, CmiRectangle* rect);

// The operation: makes and returns its result from `source` (an image of the
// rectangle's size), or null with the call's status set.
using CmiImageOperation = std::function<IpiObject*(IpiObject* source)>;

// Runs `operation` on the rectangle of `image` and returns the image to
// export: the operation's own result for the whole image, else `image` with
// the rectangle replaced. Null with the call's status set on failure.
[[nodiscard]] IpiObject* OperateOnRectangle(CmiCall& call, IpiObject* image, const CmiRectangle& rect,
                                            const CmiImageOperation& operation);

#endif  // PELRITH_API_FRAME_RECTANGLE_H_
