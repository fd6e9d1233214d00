// Packed-bitmap measuring and drawing; see dib_drawing.h. The platform's gate
// checks each bitmap before a field of it is used, so a hostile header
// cannot send a palette or row read past its block.
#include "dib_drawing.h"

#include "plat/gdi.h"
#include "plat/packed_dib.h"
#include "plat/user.h"

namespace ondavel {

namespace {

// A global block locked while this lives, with its checked view.
class LockedDib {
 public:
  explicit LockedDib(HGLOBAL dib) : dib_(dib) {
    bytes_ = dib != 0 ? GlobalLock(dib) : nullptr;
    if (bytes_ != nullptr) view_ = plat::ValidatePackedDib(bytes_, GlobalSize(dib));
  }
  ~LockedDib() {
    if (bytes_ != nullptr) (void)GlobalUnlock(dib_);
  }
  LockedDib(const LockedDib&) = delete;
  LockedDib& operator=(const LockedDib&) = delete;
  const void* bytes() const { return bytes_; }
  const std::optional<plat::DibView>& view() const { return view_; }

 private:
  HGLOBAL dib_;
  const void* bytes_ = nullptr;
  std::optional<plat::DibView> view_;
};

}  // namespace

plat::BOOL GetDibDimensions(HGLOBAL dib, int32_t* width, int32_t* height, int* bit_count) {
  const LockedDib locked(dib);
  if (!locked.view()) return FALSE;
  if (width) *width = locked.view()->width;
  if (height) *height = locked.view()->height;
  if (bit_count) *bit_count = locked.view()->bpp;
  return TRUE;
}

int GetDibColorCount(const void* block, size_t size) {
  const auto view = plat::ValidatePackedDib(block, size);
  if (!view) return -1;
  if (view->bpp <= 8) return view->colors;
  // Above 8 bits a table is only what "colours used" says is there.
  if (view->headerSize == 12) return 0;
  const auto* bytes = static_cast<const uint8_t*>(block);
  return int(uint32_t(bytes[32]) | uint32_t(bytes[33]) << 8 | uint32_t(bytes[34]) << 16 | uint32_t(bytes[35]) << 24);
}

int GetDibPaletteSize(const void* block, size_t size) {
  const int colours = GetDibColorCount(block, size);
  if (colours < 0) return -1;
  return colours * (static_cast<const uint8_t*>(block)[0] == 12 ? 3 : 4);
}

const uint8_t* GetDibBits(const void* block, size_t size) {
  const auto view = plat::ValidatePackedDib(block, size);
  return view ? view->bits : nullptr;
}

plat::BOOL DrawDib(plat::HDC dc, HGLOBAL dib, plat::HPALETTE palette, const plat::RECT& dest) {
  int32_t width = 0, height = 0;
  if (!GetDibDimensions(dib, &width, &height)) return FALSE;
  return DrawDibStretched(dc, dib, palette, dest, plat::RECT{0, 0, width, height});
}

plat::BOOL DrawDibStretched(plat::HDC dc, HGLOBAL dib, plat::HPALETTE palette, const plat::RECT& dest,
                            const plat::RECT& source) {
  const LockedDib locked(dib);
  if (!locked.view()) return FALSE;
  const plat::DibView& view = *locked.view();
  plat::HPALETTE halftone = nullptr;
  plat::HPALETTE previous = nullptr;
  if (palette != nullptr) {
    previous = plat::SelectPalette(dc, palette, FALSE);
    plat::SetStretchBltMode(dc, plat::COLORONCOLOR);
  } else {
    halftone = plat::CreateHalftonePalette(dc);
    if (halftone != nullptr) previous = plat::SelectPalette(dc, halftone, FALSE);
  }
  plat::RealizePalette(dc);
  // Source rows count from the bottom of a bottom-up bitmap and from the
  // top of a top-down one, so the same picture rectangle is drawn either way.
  const int source_height = source.bottom - source.top;
  const int source_y = view.topDown ? source.top : view.height - source.bottom;
  const int lines = plat::StretchDIBits(dc, dest.left, dest.top, dest.right - dest.left, dest.bottom - dest.top,
                                        source.left, source_y, source.right - source.left, source_height, view.bits,
                                        static_cast<const plat::BITMAPINFO*>(locked.bytes()), plat::DIB_RGB_COLORS,
                                        plat::SRCCOPY);
  if (previous != nullptr) plat::SelectPalette(dc, previous, TRUE);
  if (halftone != nullptr) plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(halftone));
  return lines > 0;
}

plat::UINT RealizeDibPalette(plat::HWND window, plat::HPALETTE palette, plat::BOOL background) {
  plat::HDC dc = plat::GetDC(window);
  if (dc == nullptr) return 0;
  plat::HPALETTE halftone = palette == nullptr ? plat::CreateHalftonePalette(dc) : nullptr;
  plat::HPALETTE chosen = palette != nullptr ? palette : halftone;
  plat::UINT changed = 0;
  if (chosen != nullptr) {
    plat::HPALETTE previous = plat::SelectPalette(dc, chosen, background);
    changed = plat::RealizePalette(dc);
    if (previous != nullptr) plat::SelectPalette(dc, previous, TRUE);
  }
  plat::ReleaseDC(window, dc);
  if (halftone != nullptr) plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(halftone));
  return changed;
}

}  // namespace ondavel
