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

// The option names of a rectangle: the first image's by default; the
// operations on two images read the second image's rectangle from
// "source2XPoint", "source2YPoint", "source2Width" and "source2Height".
struct CmiRectangleNames {
  const char* x;
  const char* y;
  const char* width;
  const char* height;
};
inline constexpr CmiRectangleNames kSourceRectangle{"sourceXPoint", "sourceYPoint", "sourceWidth", "sourceHeight"};
inline constexpr CmiRectangleNames kSecondSourceRectangle{"source2XPoint", "source2YPoint", "source2Width",
                                                          "source2Height"};

// The rectangle of the options over `info`; false when it is empty or does
// not lie inside the bitmap.
[[nodiscard]] bool ReadRectangle(const CmiOptions& options, const PackedBitmapInfo& info, CmiRectangle* rect,
                                 const CmiRectangleNames& names = kSourceRectangle);

// Locks the caller's bitmap, checks `mode` against its bit count (-100),
// reads its rectangle (-100 outside the bitmap) and opens the call's context:
// the source, or null with the call's status set.
[[nodiscard]] const CmiSource* LockSourceInMode(CmiCall& call, HGLOBAL handle, int32_t mode, CmiRectangle* rect);
// The same, with the mode checked only where `mode_matters` says so for the
// bitmap and the rectangle read (a road that decides by the bit count alone
// takes any mode).
using CmiModeMatters = bool (*)(int32_t mode, const PackedBitmapInfo& info, const CmiRectangle& rect);
[[nodiscard]] const CmiSource* LockSourceInMode(CmiCall& call, HGLOBAL handle, int32_t mode, CmiRectangle* rect,
                                                CmiModeMatters mode_matters);

// A new image `name` holding the rectangle of `image` (the image itself when
// the rectangle is whole); null with the call's status set.
[[nodiscard]] IpiObject* CutRectangle(CmiCall& call, IpiObject* image, const CmiRectangle& rect, const char* name);
// Copies `from` into `into` with the element (0, 0) of `from` landing at (x, y)
// of `into` (x or y negative: `from` is cut on that side); only the overlap is
// written. Both images end with their match points at the origin and the
// context's "matchPointState" off.
[[nodiscard]] int PasteImageAt(IpiSystem* sys, IpiObject* from, IpiObject* into, int64_t x, int64_t y);
// The same within a call: false with the call's status set.
[[nodiscard]] bool PasteAt(CmiCall& call, IpiObject* result, IpiObject* image, int64_t x, int64_t y);

// The operation: makes and returns its result from `source` (an image of the
// rectangle's size), or null with the call's status set.
using CmiImageOperation = std::function<IpiObject*(IpiObject* source)>;

// Runs `operation` on the rectangle of `image` and returns the image to
// export: the operation's own result for the whole image, else `image` with
// the rectangle replaced. Null with the call's status set on failure.
[[nodiscard]] IpiObject* OperateOnRectangle(CmiCall& call, IpiObject* image, const CmiRectangle& rect,
                                            const CmiImageOperation& operation);

#endif  // PELRITH_API_FRAME_RECTANGLE_H_
