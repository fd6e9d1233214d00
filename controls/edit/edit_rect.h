// The rectangle the editing methods take from a host as left, top, width
// and height, turned into the library's four corners.
#ifndef CONTROLS_EDIT_EDIT_RECT_H_
#define CONTROLS_EDIT_EDIT_RECT_H_

#include <cstdint>
#include <utility>

namespace ondavel {

struct EditRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// (left, top, left + width, top + height), normalised so that left <= right
// and top <= bottom. The sums are taken in 64 bits and held at the 32-bit
// limits: such a corner lies outside every image, so the wrappers refuse it
// as outside the image instead of the sum wrapping into it.
inline EditRect NormalisedEditRect(int32_t left, int32_t top, int64_t width, int64_t height) {
  auto clamp = [](int64_t v) { return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v); };
  EditRect r{left, top, clamp(left + width), clamp(top + height)};
  if (r.right < r.left) std::swap(r.left, r.right);
  if (r.bottom < r.top) std::swap(r.top, r.bottom);
  return r;
}

}  // namespace ondavel

#endif  // CONTROLS_EDIT_EDIT_RECT_H_
