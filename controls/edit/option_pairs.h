// Option lists the wrappers build on their stack: the rectangle, fill-colour
// and save-option groups, in the order the library is given them.
#ifndef CONTROLS_EDIT_OPTION_PAIRS_H_
#define CONTROLS_EDIT_OPTION_PAIRS_H_

#include <cassert>
#include <cstdint>

#include "Pelrith.h"

namespace ondavel {

class OptionPairs {
 public:
  void Add(const char* name, intptr_t value) {
    assert(count_ < kCapacity);
    pairs_[count_++] = IpiAttributePair{name, value};
  }
  const IpiAttributePair* data() const { return count_ > 0 ? pairs_ : nullptr; }
  int32_t size() const { return count_; }

 private:
  static constexpr int32_t kCapacity = 8;
  IpiAttributePair pairs_[kCapacity] = {};
  int32_t count_ = 0;
};

// "sourceHeight", "sourceWidth", "sourceXPoint", "sourceYPoint"; a width or
// height of 0 stands for the whole bitmap of `dib_width` x `dib_height`.
OptionPairs RectanglePairs(int32_t x, int32_t y, int32_t width, int32_t height, int dib_width, int dib_height);
// "constantLevel", "constantLevel2", "constantLevel3" from 0x00BBGGRR, for
// 24-bit colour (depth 12) only; no pairs for other depths.
OptionPairs FillColourPairs(uint32_t fill_colour, int16_t depth);
// The options of a save in `media_format`; `with_progressive` adds JPEG's
// "progressive" (files only).
OptionPairs SaveOptionPairs(int16_t media_format, int16_t compression, int16_t interlace_flag, int16_t quality,
                            int16_t x_dpi, int16_t y_dpi, bool with_progressive);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_OPTION_PAIRS_H_
