// Translation of automation colours.
#include "plat/oleaut/color.h"

#include "plat/sys_colors.h"

namespace plat {
namespace {

constexpr uint32_t kSystemColorFlag = 0x80000000u;
constexpr uint32_t kPaletteIndexFlag = 0x01000000u;
constexpr uint32_t kPaletteRgbFlag = 0x02000000u;
// System colour indexes the table answers: 0 to 30.
constexpr uint32_t kLastSystemColor = 30;

}  // namespace

HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE palette, COLORREF* out) {
  if (!out) return E_POINTER;
  const uint32_t form = color & 0xFF000000u;
  switch (form) {
    case 0:
      *out = color;
      return S_OK;
    case kPaletteIndexFlag:
    case kPaletteRgbFlag:
      // Drawing resolves these against the palette it selects.
      *out = color;
      return S_OK;
    case kSystemColorFlag: {
      const uint32_t index = color & 0x00FFFFFFu;
      if (index > kLastSystemColor) return E_INVALIDARG;
      *out = GetSysColor(static_cast<int>(index));
      return S_OK;
    }
    default:
      return E_INVALIDARG;
  }
}

}  // namespace plat
