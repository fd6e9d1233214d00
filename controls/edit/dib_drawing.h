// Measuring and drawing packed bitmaps for the control's windows. Every
// bitmap is checked against its block first (header 12, 40, 108 or 124
// bytes; bits per pixel; colours; rows inside the block); one that fails
// is neither measured nor drawn. Top-down rows and bit fields are honoured.
#ifndef CONTROLS_EDIT_DIB_DRAWING_H_
#define CONTROLS_EDIT_DIB_DRAWING_H_

#include <cstddef>
#include <cstdint>

#include "plat/global_memory.h"
#include "plat/types.h"

namespace ondavel {

// Width, height (rows, always positive) and bits per pixel of a packed
// bitmap; FALSE for a null, unlockable or invalid handle.
plat::BOOL GetDibDimensions(HGLOBAL dib, int32_t* width, int32_t* height, int* bit_count = nullptr);
// The header-level helpers over a block of `size` bytes; -1 (null) for a
// block that is not a valid packed bitmap.
// Colour-table entries: "colours used", else 2, 16 or 256 up to 8 bits, else 0.
int GetDibColorCount(const void* block, size_t size);
// Bytes of the colour table: 4 an entry, 3 for the old 12-byte header.
int GetDibPaletteSize(const void* block, size_t size);
// The first pixel row's bytes, after the header, the bit-field masks and the table.
const uint8_t* GetDibBits(const void* block, size_t size);

// Draws the whole bitmap into `dest` (stretched to fit).
plat::BOOL DrawDib(plat::HDC dc, HGLOBAL dib, plat::HPALETTE palette, const plat::RECT& dest);
// Draws the `source` rectangle (picture coordinates from the top-left) of
// the bitmap into `dest`. With a palette: that palette in the foreground and
// colour-on-colour stretching; without: a halftone palette, the stretch mode
// as it was. TRUE when at least one row was drawn.
plat::BOOL DrawDibStretched(plat::HDC dc, HGLOBAL dib, plat::HPALETTE palette, const plat::RECT& dest,
                            const plat::RECT& source);
// Realises `palette` (or a halftone palette) in a client device context of
// `window`; the number of entries that changed (0 on our 32-bit surfaces).
plat::UINT RealizeDibPalette(plat::HWND window, plat::HPALETTE palette, plat::BOOL background);

}  // namespace ondavel

#endif  // CONTROLS_EDIT_DIB_DRAWING_H_
