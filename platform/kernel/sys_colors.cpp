// The fixed system-colour table; see sys_colors.h.
#include "plat/sys_colors.h"

#include <array>

#include "plat/last_error.h"

namespace plat {
namespace {

struct Entry {
  bool is_defined;
  COLORREF colour;
};

constexpr Entry Colour(BYTE red, BYTE green, BYTE blue) { return Entry{true, RGB(red, green, blue)}; }

constexpr std::array<Entry, 31> kSystemColours = {
    Colour(0xC0, 0xC0, 0xC0),  // 0 scroll bar
    Colour(0x00, 0x80, 0x80),  // 1 desktop
    Colour(0x00, 0x00, 0x80),  // 2 active caption
    Colour(0x80, 0x80, 0x80),  // 3 inactive caption
    Colour(0xC0, 0xC0, 0xC0),  // 4 menu
    Colour(0xFF, 0xFF, 0xFF),  // 5 window
    Colour(0x00, 0x00, 0x00),  // 6 window frame
    Colour(0x00, 0x00, 0x00),  // 7 menu text
    Colour(0x00, 0x00, 0x00),  // 8 window text
    Colour(0xFF, 0xFF, 0xFF),  // 9 caption text
    Colour(0xC0, 0xC0, 0xC0),  // 10 active border
    Colour(0xC0, 0xC0, 0xC0),  // 11 inactive border
    Colour(0x80, 0x80, 0x80),  // 12 application workspace
    Colour(0x00, 0x00, 0x80),  // 13 highlight
    Colour(0xFF, 0xFF, 0xFF),  // 14 highlight text
    Colour(0xC0, 0xC0, 0xC0),  // 15 button face
    Colour(0x80, 0x80, 0x80),  // 16 button shadow
    Colour(0x80, 0x80, 0x80),  // 17 grey text
    Colour(0x00, 0x00, 0x00),  // 18 button text
    Colour(0xC0, 0xC0, 0xC0),  // 19 inactive caption text
    Colour(0xFF, 0xFF, 0xFF),  // 20 button highlight
    Colour(0x40, 0x40, 0x40),  // 21 3-D dark shadow
    Colour(0xC0, 0xC0, 0xC0),  // 22 3-D light
    Colour(0x00, 0x00, 0x00),  // 23 tooltip text
    Colour(0xFF, 0xFF, 0xE1),  // 24 tooltip background
    Entry{false, 0},           // 25 names no colour
    Colour(0x00, 0x00, 0xFF),  // 26 hot-tracked item
    Colour(0x10, 0x84, 0xD0),  // 27 active caption gradient
    Colour(0xC0, 0xC0, 0xC0),  // 28 inactive caption gradient
    Colour(0x00, 0x00, 0x80),  // 29 menu highlight
    Colour(0xC0, 0xC0, 0xC0),  // 30 menu bar
};

}  // namespace

COLORREF GetSysColor(int index) {
  if (index < 0 || static_cast<size_t>(index) >= kSystemColours.size() || !kSystemColours[index].is_defined) {
    return FailWith<COLORREF>(0, ERROR_INVALID_PARAMETER);
  }
  return kSystemColours[index].colour;
}

}  // namespace plat
