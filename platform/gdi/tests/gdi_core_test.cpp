#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "gdi/rop.h"
#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi.h"
#include "plat/gdi_surface.h"

namespace plat::gdi::test {
namespace {

using Rows = std::vector<std::string>;

HBRUSH Stock(int index) { return reinterpret_cast<HBRUSH>(GetStockObject(index)); }

TEST_F(GdiTest, FillRectLeavesRightAndBottomEdgesOut) {
  Canvas c(8, 8);
  const RECT r{1, 2, 5, 4};
  EXPECT_EQ(FillRect(c.dc, &r, Stock(BLACK_BRUSH)), 1);
  EXPECT_EQ(InkMask(c.dc, 8, 5), (Rows{"........", "........", ".####...", ".####...", "........"}));
  // The viewport origin moves logical coordinates.
  SetViewportOrgEx(c.dc, 3, 3, nullptr);
  const RECT one{0, 0, 1, 1};
  FillRect(c.dc, &one, Stock(BLACK_BRUSH));
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(0, 0, 0));
  SetViewportOrgEx(c.dc, 0, 0, nullptr);
  EXPECT_EQ(GetPixel(c.dc, 3, 3), RGB(0, 0, 0));
}

TEST_F(GdiTest, ClipRegionLimitsDrawingAndSaveDcRestoresIt) {
  Canvas c(8, 4);
  HRGN clip = CreateRectRgn(2, 0, 4, 4);
  HRGN other = CreateRectRgn(6, 1, 7, 3);
  HRGN both = CreateRectRgn(0, 0, 0, 0);
  EXPECT_EQ(CombineRgn(both, clip, other, RGN_OR), COMPLEXREGION);
  const int level = SaveDC(c.dc);
  EXPECT_EQ(SelectClipRgn(c.dc, both), COMPLEXREGION);
  const RECT all{0, 0, 8, 4};
  FillRect(c.dc, &all, Stock(BLACK_BRUSH));
  EXPECT_EQ(GetPixel(c.dc, 0, 0), CLR_INVALID);  // outside the clip
  RECT box;
  EXPECT_EQ(GetClipBox(c.dc, &box), COMPLEXREGION);
  const RECT want_box{2, 0, 7, 4};
  EXPECT_TRUE(EqualRect(&box, &want_box));
  EXPECT_TRUE(RestoreDC(c.dc, level));
  EXPECT_EQ(InkMask(c.dc, 8, 4), (Rows{"..##....", "..##..#.", "..##..#.", "..##...."}));
  FillRect(c.dc, &all, Stock(GRAY_BRUSH));
  EXPECT_EQ(GetPixel(c.dc, 0, 0), RGB(128, 128, 128));
  EXPECT_FALSE(RestoreDC(c.dc, level));  // already restored
  for (HRGN r : {clip, other, both}) EXPECT_TRUE(DeleteObject(r));
}

TEST_F(GdiTest, SaveDcKeepsColoursModesAndObjects) {
  Canvas c(2, 2);
  HPEN pen = CreatePen(PS_DOT, 1, RGB(1, 2, 3));
  HBRUSH brush = CreateSolidBrush(RGB(4, 5, 6));
  SetTextColor(c.dc, RGB(10, 20, 30));
  SetBkMode(c.dc, TRANSPARENT);
  const int outer = SaveDC(c.dc);
  HPEN old_pen = SelectObject(c.dc, pen);
  HBRUSH old_brush = SelectObject(c.dc, brush);
  SetTextColor(c.dc, RGB(40, 50, 60));
  SetBkMode(c.dc, OPAQUE);
  SetROP2(c.dc, R2_XORPEN);
  SetTextAlign(c.dc, TA_BASELINE | TA_CENTER);
  SetBrushOrgEx(c.dc, 3, 4, nullptr);
  const int inner = SaveDC(c.dc);
  EXPECT_EQ(inner, outer + 1);
  SelectObject(c.dc, old_pen);
  SelectObject(c.dc, old_brush);
  // Still held by the saved state: deleting them must fail and free nothing.
  EXPECT_FALSE(DeleteObject(pen));
  EXPECT_FALSE(DeleteObject(brush));
  EXPECT_TRUE(RestoreDC(c.dc, -1));
  EXPECT_EQ(reinterpret_cast<HPEN>(GetCurrentObject(c.dc, OBJ_PEN)), pen);
  EXPECT_EQ(GetTextColor(c.dc), RGB(40, 50, 60));
  EXPECT_EQ(GetROP2(c.dc), R2_XORPEN);
  EXPECT_EQ(GetTextAlign(c.dc), TA_BASELINE | TA_CENTER);
  EXPECT_TRUE(RestoreDC(c.dc, outer));
  EXPECT_EQ(GetTextColor(c.dc), RGB(10, 20, 30));
  EXPECT_EQ(GetBkMode(c.dc), TRANSPARENT);
  EXPECT_EQ(GetROP2(c.dc), R2_COPYPEN);
  POINT origin;
  GetBrushOrgEx(c.dc, &origin);
  EXPECT_EQ(origin.x, 0);
  EXPECT_TRUE(DeleteObject(pen));
  EXPECT_TRUE(DeleteObject(brush));
  EXPECT_FALSE(DeleteObject(pen));  // stale now
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_PEN)));  // ignored
  EXPECT_EQ(GetStockObject(BLACK_PEN), GetStockObject(BLACK_PEN));
}

TEST_F(GdiTest, SelectedBitmapIsNotDeletedAndNotSelectedTwice) {
  HDC a = CreateCompatibleDC(nullptr);
  HDC b = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateCompatibleBitmap(a, 4, 4);  // a holds the 1×1 monochrome bitmap
  BITMAP info{};
  ASSERT_EQ(GetObject(bitmap, sizeof(info), &info), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(info.bmBitsPixel, 1);
  HBITMAP old = SelectObject(a, bitmap);
  ASSERT_NE(old, nullptr);
  EXPECT_EQ(SelectObject(b, bitmap), nullptr);
  EXPECT_FALSE(DeleteObject(bitmap));
  EXPECT_EQ(GetObject(bitmap, sizeof(info), &info), static_cast<int>(sizeof(BITMAP)));  // still alive
  SelectObject(a, old);
  EXPECT_TRUE(DeleteObject(bitmap));
  DeleteDC(a);
  DeleteDC(b);
}

TEST_F(GdiTest, SizesBeyondTheLimitsGiveNullWithoutAllocating) {
  HDC dc = CreateCompatibleDC(nullptr);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  struct Case {
    const char* name;
    int width, height;
  } cases[] = {{"negative width", -1, 4},
               {"negative height", 4, -5},
               {"side past 2^24", (1 << 24) + 1, 1},
               {"pixels past 2^28", 1 << 15, (1 << 13) + 1},
               {"both huge", 0x7FFFFFFF, 0x7FFFFFFF}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(CreateCompatibleBitmap(dc, c.width, c.height), nullptr);
    EXPECT_EQ(CreateBitmap(c.width, c.height, 1, 32, nullptr), nullptr);
    info.bmiHeader.biWidth = c.width;
    info.bmiHeader.biHeight = c.height == -5 ? 0 : c.height;
    void* bits = reinterpret_cast<void*>(1);
    EXPECT_EQ(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0), nullptr);
    EXPECT_EQ(bits, nullptr);
  }
  DeleteDC(dc);
}

TEST_F(GdiTest, DibSectionKeepsItsFormatAndHandsOutItsRows) {
  struct Case {
    int bpp;
    int height;  // negative: top-down
  } cases[] = {{1, 3}, {4, -3}, {8, 3}, {16, -3}, {24, 3}, {32, -3}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bpp * 100 + c.height);
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[256];
    } info{};
    info.header = BITMAPINFOHEADER{40, 5, c.height, 1, static_cast<WORD>(c.bpp), BI_RGB, 0, 0, 0, 0, 0};
    for (int i = 0; i < 256; ++i) info.colours[i] = RGBQUAD{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    void* bits = nullptr;
    HBITMAP dib = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    ASSERT_NE(dib, nullptr);
    ASSERT_NE(bits, nullptr);
    DIBSECTION section{};
    ASSERT_EQ(GetObject(dib, sizeof(section), &section), static_cast<int>(sizeof(section)));
    EXPECT_EQ(section.dsBm.bmBitsPixel, c.bpp);
    EXPECT_EQ(section.dsBm.bmBits, bits);
    EXPECT_EQ(section.dsBm.bmWidthBytes, (5 * c.bpp + 31) / 32 * 4);
    EXPECT_EQ(section.dsBmih.biHeight, c.height);
    // Fill the picture's top row through the DC: the stored row is the first
    // for top-down sections, the last for bottom-up ones.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(dib));
    const COLORREF ink = c.bpp <= 8 ? RGB(0, 255, 0) : RGB(255, 255, 255);  // entry 0 of the table
    HBRUSH brush = CreateSolidBrush(ink);
    const RECT top{0, 0, 5, 1};
    FillRect(dc, &top, brush);
    EXPECT_EQ(GetPixel(dc, 4, 0), ink);
    const size_t stride = static_cast<size_t>(section.dsBm.bmWidthBytes);
    const BYTE* stored_top = static_cast<const BYTE*>(bits) + (c.height < 0 ? 0 : stride * 2);
    const BYTE* stored_other = static_cast<const BYTE*>(bits) + (c.height < 0 ? stride * 2 : 0);
    if (c.bpp > 8) {
      EXPECT_EQ(stored_top[0], 0xFF);
      EXPECT_EQ(stored_other[0], 0x00);
    } else {
      EXPECT_EQ(stored_top[0], 0x00);  // index 0 is green in this table; other rows hold 0 too
      EXPECT_EQ(GetPixel(dc, 0, 1), RGB(0, 255, 0));
    }
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(brush);
    DeleteObject(dib);
  }
}

TEST_F(GdiTest, MonoAndColourBlitsFollowTheColourRules) {
  // A 4×1 monochrome bitmap: bits 0,1,0,1.
  const BYTE mono_bits[2] = {0x50, 0x00};
  HBITMAP mono = CreateBitmap(4, 1, 1, 1, mono_bits);
  HDC mono_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_mono = SelectObject(mono_dc, reinterpret_cast<HGDIOBJ>(mono));
  Canvas colour(4, 1);
  // Mono to colour: 0 takes the destination's text colour, 1 its background.
  SetTextColor(colour.dc, RGB(200, 0, 0));
  SetBkColor(colour.dc, RGB(0, 0, 200));
  ASSERT_TRUE(BitBlt(colour.dc, 0, 0, 4, 1, mono_dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(colour.dc, 0, 0), RGB(200, 0, 0));
  EXPECT_EQ(GetPixel(colour.dc, 1, 0), RGB(0, 0, 200));
  // Colour to mono: a pixel equal to the source DC's background gives 1.
  SetPixel(colour.dc, 2, 0, RGB(9, 9, 9));
  SetBkColor(colour.dc, RGB(9, 9, 9));
  ASSERT_TRUE(BitBlt(mono_dc, 0, 0, 4, 1, colour.dc, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(mono_dc, 2, 0), RGB(255, 255, 255));
  EXPECT_EQ(GetPixel(mono_dc, 0, 0), RGB(0, 0, 0));
  EXPECT_EQ(GetPixel(mono_dc, 1, 0), RGB(0, 0, 0));
  SelectObject(mono_dc, old_mono);
  DeleteDC(mono_dc);
  DeleteObject(mono);
}

TEST_F(GdiTest, MaskedDrawWithSrcAndThenSrcPaint) {
  // The usual transparent draw: the mask (white = keep) ANDed in, then the
  // image (black where transparent) ORed in.
  Canvas dest(4, 1), image(4, 1), mask(4, 1);
  const COLORREF back = RGB(10, 20, 30), ink = RGB(200, 100, 50);
  const COLORREF dest_px[4] = {back, back, back, back};
  const COLORREF image_px[4] = {0, ink, 0, ink};
  const COLORREF mask_px[4] = {RGB(255, 255, 255), 0, RGB(255, 255, 255), 0};
  for (int x = 0; x < 4; ++x) {
    SetPixel(dest.dc, x, 0, dest_px[x]);
    SetPixel(image.dc, x, 0, image_px[x]);
    SetPixel(mask.dc, x, 0, mask_px[x]);
  }
  BitBlt(dest.dc, 0, 0, 4, 1, mask.dc, 0, 0, SRCAND);
  BitBlt(dest.dc, 0, 0, 4, 1, image.dc, 0, 0, SRCPAINT);
  EXPECT_EQ(GetPixel(dest.dc, 0, 0), back);
  EXPECT_EQ(GetPixel(dest.dc, 1, 0), ink);
  EXPECT_EQ(GetPixel(dest.dc, 2, 0), back);
  EXPECT_EQ(GetPixel(dest.dc, 3, 0), ink);
  // 0xE20746 paints the brush where the (monochrome) source is white.
  HBITMAP mono = CreateBitmap(4, 1, 1, 1, nullptr);
  HDC mono_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(mono_dc, reinterpret_cast<HGDIOBJ>(mono));
  SetPixel(mono_dc, 1, 0, RGB(255, 255, 255));
  HBRUSH brush = CreateSolidBrush(RGB(0, 255, 0));
  HBRUSH old_brush = SelectObject(dest.dc, brush);
  SetTextColor(dest.dc, 0);
  SetBkColor(dest.dc, RGB(255, 255, 255));
  BitBlt(dest.dc, 0, 0, 4, 1, mono_dc, 0, 0, 0x00E20746);
  EXPECT_EQ(GetPixel(dest.dc, 0, 0), back);
  EXPECT_EQ(GetPixel(dest.dc, 1, 0), RGB(0, 255, 0));
  SelectObject(dest.dc, old_brush);
  DeleteObject(brush);
  SelectObject(mono_dc, old);
  DeleteDC(mono_dc);
  DeleteObject(mono);
}

TEST_F(GdiTest, MaskBltChoosesTheCodeByMaskBit) {
  // Mask bits 1,0,1,0,1,0 from (1, 1) of a 8×2 monochrome bitmap.
  const BYTE mask_bits[4] = {0x00, 0x00, 0x54, 0x00};
  HBITMAP mask = CreateBitmap(8, 2, 1, 1, mask_bits);
  Canvas dest(6, 1), image(6, 1);
  const COLORREF back = RGB(10, 20, 30), ink = RGB(200, 100, 50);
  for (int x = 0; x < 6; ++x) {
    SetPixel(dest.dc, x, 0, back);
    SetPixel(image.dc, x, 0, ink);
  }
  // Foreground copies the image, background keeps the destination.
  ASSERT_TRUE(MaskBlt(dest.dc, 0, 0, 6, 1, image.dc, 0, 0, mask, 1, 1, MAKEROP4(SRCCOPY, 0x00AA0029)));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(dest.dc, x, 0), x % 2 == 0 ? ink : back) << x;
  // Background inverts the destination, foreground leaves it.
  ASSERT_TRUE(MaskBlt(dest.dc, 0, 0, 6, 1, nullptr, 0, 0, mask, 1, 1, MAKEROP4(0x00AA0029, DSTINVERT)));
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(dest.dc, x, 0), x % 2 == 0 ? ink : RGB(245, 235, 225)) << x;
  // No mask: a plain blit with the foreground code.
  ASSERT_TRUE(MaskBlt(dest.dc, 0, 0, 6, 1, image.dc, 0, 0, nullptr, 0, 0, SRCCOPY));
  EXPECT_EQ(GetPixel(dest.dc, 1, 0), ink);
  // A mask that does not cover the rectangle, or is not monochrome, is refused.
  EXPECT_FALSE(MaskBlt(dest.dc, 0, 0, 6, 1, image.dc, 0, 0, mask, 3, 1, SRCCOPY));
  EXPECT_FALSE(MaskBlt(dest.dc, 0, 0, 6, 1, image.dc, 0, 0, image.bitmap, 0, 0, SRCCOPY));
  DeleteObject(mask);
}

TEST_F(GdiTest, BitBltClipsToTheSourceAndHandlesOverlap) {
  Canvas c(6, 1);
  const COLORREF px[6] = {RGB(1, 0, 0), RGB(2, 0, 0), RGB(3, 0, 0), RGB(4, 0, 0), RGB(5, 0, 0), RGB(6, 0, 0)};
  for (int x = 0; x < 6; ++x) SetPixel(c.dc, x, 0, px[x]);
  // Overlapping move right by two within one surface.
  BitBlt(c.dc, 2, 0, 4, 1, c.dc, 0, 0, SRCCOPY);
  const COLORREF moved[6] = {px[0], px[1], px[0], px[1], px[2], px[3]};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(GetPixel(c.dc, x, 0), moved[x]) << x;
  // A source rectangle partly outside its bitmap draws only the inside part.
  Canvas small(2, 1);
  SetPixel(small.dc, 0, 0, RGB(7, 0, 0));
  SetPixel(small.dc, 1, 0, RGB(8, 0, 0));
  BitBlt(c.dc, 0, 0, 4, 1, small.dc, -1, 0, SRCCOPY);
  EXPECT_EQ(GetPixel(c.dc, 0, 0), px[0]);
  EXPECT_EQ(GetPixel(c.dc, 1, 0), RGB(7, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 2, 0), RGB(8, 0, 0));
  EXPECT_EQ(GetPixel(c.dc, 3, 0), moved[3]);
}

TEST(RasterOperations, AllCodesMatchTheirTruthTable) {
  auto surface = CreateSurface(64, 1, 32);
  ASSERT_NE(surface, nullptr);
  std::mt19937 random(7);
  std::vector<uint32_t> p(64), s(64), d(64), out(64), scratch;
  for (int code = 0; code < 256; ++code) {
    for (int i = 0; i < 64; ++i) {
      p[i] = random() & 0xFFFFFF, s[i] = random() & 0xFFFFFF, d[i] = random() & 0xFFFFFF;
    }
    surface->WriteRaw(0, 0, 64, d.data());
    RowOperation op;
    op.code = static_cast<uint8_t>(code);
    op.pattern = p.data();
    op.source = s.data();
    ApplyRow(*surface, 0, 0, 64, op, scratch);
    surface->ReadRaw(0, 0, 64, out.data());
    for (int i = 0; i < 64; ++i) {
      for (int bit = 0; bit < 24; ++bit) {
        const int index = ((p[i] >> bit) & 1) << 2 | ((s[i] >> bit) & 1) << 1 | ((d[i] >> bit) & 1);
        const uint32_t want = (uint32_t(code) << 16 >> 16 >> index) & 1;
        ASSERT_EQ((out[i] >> bit) & 1, want) << "code " << code << " pixel " << i << " bit " << bit;
      }
    }
  }
  // The named codes carry their truth tables in bits 16-23.
  EXPECT_EQ(Rop3Code(SRCCOPY), 0xCC);
  EXPECT_EQ(Rop3Code(PATINVERT), 0x5A);
  EXPECT_EQ(Rop3FromRop2(R2_XORPEN), 0x5A);
  EXPECT_EQ(Rop3FromRop2(R2_NOT), 0x55);
  EXPECT_EQ(Rop3FromRop2(R2_COPYPEN), 0xF0);
}

}  // namespace
}  // namespace plat::gdi::test
