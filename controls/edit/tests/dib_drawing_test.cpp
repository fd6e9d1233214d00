// Drawing packed bitmaps into memory surfaces, compared with ImageMagick's
// decode of the same bitmap written as a BMP file; the header helpers; and
// hostile headers, which are neither measured nor drawn.
#include "dib_drawing.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "plat/gdi.h"
#include "plat/packed_dib.h"
#include "plat/testing.h"
#include "plat/testing/pixels.h"
#include "plat/user.h"
#include "tests/support/test_support.h"

namespace ondavel {
namespace {

using Bytes = std::vector<uint8_t>;

// A 32-bit top-down DIB section selected into a memory device context.
struct Canvas {
  plat::HDC dc;
  plat::HBITMAP bitmap;
  plat::HGDIOBJ old;
  Canvas(int width, int height) {
    plat::BITMAPINFO info{};
    info.bmiHeader = plat::BITMAPINFOHEADER{40, width, -height, 1, 32, plat::BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    bitmap = plat::CreateDIBSection(nullptr, &info, plat::DIB_RGB_COLORS, &bits, nullptr, 0);
    dc = plat::CreateCompatibleDC(nullptr);
    old = plat::SelectObject(dc, reinterpret_cast<plat::HGDIOBJ>(bitmap));
    const plat::RECT all{0, 0, width, height};
    plat::HBRUSH grey = plat::CreateSolidBrush(plat::RGB(1, 2, 3));
    plat::FillRect(dc, &all, grey);
    plat::DeleteObject(grey);
  }
  ~Canvas() {
    plat::SelectObject(dc, old);
    plat::DeleteDC(dc);
    plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(bitmap));
  }
  uint32_t Pixel(int x, int y) const {
    const plat::COLORREF c = plat::GetPixel(dc, x, y);
    return uint32_t(plat::GetRValue(c)) << 16 | uint32_t(plat::GetGValue(c)) << 8 | plat::GetBValue(c);
  }
};

// A palette of distinct colours.
std::vector<uint32_t> Colours(int entries) {
  std::vector<uint32_t> colours;
  for (int i = 0; i < entries; ++i) colours.push_back(uint32_t(i * 0x3B1F27 + 0x102030) & 0xFFFFFF);
  return colours;
}

std::string WriteBmp(const testing_support::ScopedTempDir& folder, const std::string& name, const Bytes& dib) {
  Bytes file(14);
  file[0] = 'B', file[1] = 'M';
  const uint32_t size = uint32_t(14 + dib.size());
  const auto view = plat::ValidatePackedDib(dib.data(), dib.size());
  const uint32_t bits_at = uint32_t(14 + (view->bits - dib.data()));
  for (int i = 0; i < 4; ++i) file[2 + i] = uint8_t(size >> (8 * i)), file[10 + i] = uint8_t(bits_at >> (8 * i));
  file.insert(file.end(), dib.begin(), dib.end());
  const std::string path = folder.File(name);
  testing_support::WriteFileBytes(path, file);
  return path;
}

class DibDrawingTest : public plat::test::GuiTest {};

TEST_F(DibDrawingTest, DrawsAsImageMagickDecodesScaledByNearestNeighbour) {
  testing_support::ScopedTempDir folder;
  for (int bpp : {1, 4, 8, 24}) {
    for (bool top_down : {false, true}) {
      SCOPED_TRACE(std::to_string(bpp) + (top_down ? " top-down" : " bottom-up"));
      test::DibSpec spec = test::Spec(7, 5, bpp, [bpp](int x, int y) {
        if (bpp == 24) return uint32_t(x * 36) << 16 | uint32_t(y * 60) << 8 | uint32_t((x ^ y) * 30);
        return uint32_t(x * 3 + y * 5) % (1u << bpp);
      });
      spec.top_down = top_down;
      if (bpp <= 8) spec.palette = Colours(1 << bpp);
      const Bytes bytes = test::MakeDibBytes(spec);
      const plat::test::Image want =
          plat::test::DecodeWithImageMagick(WriteBmp(folder, "d" + std::to_string(bpp) + ".bmp", bytes));
      ASSERT_EQ(want.width_px, 7);
      ASSERT_EQ(want.height_px, 5);
      test::ScopedGlobal dib(test::MakeBlock(bytes));
      for (int scale : {1, 3}) {
        SCOPED_TRACE(scale);
        Canvas canvas(7 * scale, 5 * scale);
        ASSERT_TRUE(DrawDibStretched(canvas.dc, dib.get(), nullptr, plat::RECT{0, 0, 7 * scale, 5 * scale},
                                     plat::RECT{0, 0, 7, 5}));
        int wrong = 0;
        for (int y = 0; y < 5 * scale; ++y) {
          for (int x = 0; x < 7 * scale; ++x) {
            if (canvas.Pixel(x, y) != want.At(x / scale, y / scale) && ++wrong <= 3) {
              ADD_FAILURE() << x << "," << y << ": " << std::hex << canvas.Pixel(x, y);
            }
          }
        }
        EXPECT_EQ(wrong, 0);
      }
      // A part of the picture, counted from its top-left corner either way.
      Canvas part(6, 4);
      ASSERT_TRUE(DrawDibStretched(part.dc, dib.get(), nullptr, plat::RECT{0, 0, 6, 4}, plat::RECT{2, 1, 5, 3}));
      for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(part.Pixel(x, y), want.At(2 + x / 2, 1 + y / 2)) << x << "," << y;
      // The whole picture through DrawDib, with a palette given.
      Canvas whole(7, 5);
      plat::HPALETTE palette = plat::CreateHalftonePalette(whole.dc);
      ASSERT_TRUE(DrawDib(whole.dc, dib.get(), palette, plat::RECT{0, 0, 7, 5}));
      plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(palette));
      EXPECT_EQ(whole.Pixel(6, 4), want.At(6, 4));
      EXPECT_EQ(whole.Pixel(0, 0), want.At(0, 0));
    }
  }
}

TEST_F(DibDrawingTest, HeaderHelpersFollowTheHeaderForm) {
  struct Case {
    const char* name;
    test::DibSpec spec;
    int colours, palette_bytes;
  };
  auto spec = [](int bpp, int header, std::vector<uint32_t> palette = {}) {
    test::DibSpec s = test::Spec(5, 3, bpp);
    s.header_size = header;
    s.palette = std::move(palette);
    return s;
  };
  const Case cases[] = {
      {"1 bit", spec(1, 40), 2, 8},
      {"4 bits, 5 colours", spec(4, 40, Colours(5)), 5, 20},
      {"8 bits", spec(8, 40), 256, 1024},
      {"8 bits, old header", spec(8, 12), 256, 768},
      {"24 bits", spec(24, 40), 0, 0},
      {"8 bits, large header", spec(8, 124, Colours(7)), 7, 28},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Bytes bytes = test::MakeDibBytes(c.spec);
    EXPECT_EQ(GetDibColorCount(bytes.data(), bytes.size()), c.colours);
    EXPECT_EQ(GetDibPaletteSize(bytes.data(), bytes.size()), c.palette_bytes);
    EXPECT_EQ(GetDibBits(bytes.data(), bytes.size()), bytes.data() + c.spec.header_size + c.palette_bytes);
    test::ScopedGlobal dib(test::MakeBlock(bytes));
    int32_t w = 0, h = 0;
    int bits = 0;
    EXPECT_TRUE(GetDibDimensions(dib.get(), &w, &h, &bits));
    EXPECT_EQ(w, 5);
    EXPECT_EQ(h, 3);
    EXPECT_EQ(bits, c.spec.bpp);
  }
  // The bits of a 40-byte bit-field bitmap start after its three masks.
  Bytes fields(40 + 12 + 8 * 2);
  fields[0] = 40, fields[4] = 4, fields[8] = 2, fields[12] = 1, fields[14] = 16, fields[16] = plat::BI_BITFIELDS;
  fields[41] = 0xF8, fields[45] = 0x07, fields[44] = 0xE0, fields[48] = 0x1F;
  EXPECT_EQ(GetDibBits(fields.data(), fields.size()), fields.data() + 52);
  EXPECT_EQ(GetDibColorCount(fields.data(), fields.size()), 0);
}

TEST_F(DibDrawingTest, HostileHeadersAreNeitherMeasuredNorDrawn) {
  const Bytes good = test::MakeDibBytes(test::Spec(6, 4, 8));
  struct Case {
    const char* name;
    size_t offset;
    uint8_t value;
    size_t cut;  // bytes taken off the end
  } cases[] = {
      {"colours used past 2^bpp", 34, 0x01, 0},  // 65536 entries
      {"header size 41", 0, 41, 0},
      {"header size 108 in a 40-byte block", 0, 108, 0},
      {"bit count 9", 14, 9, 0},
      {"height of 600 rows", 9, 0x02, 0},
      {"width 2^24 + 1", 7, 0x01, 0},
      {"one byte short", 0, 40, 1},
      {"palette cut", 0, 40, size_t(4 * 6 + 1)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes bad = good;
    bad[c.offset] = c.value;
    bad.resize(bad.size() - c.cut);
    EXPECT_EQ(GetDibColorCount(bad.data(), bad.size()), -1);
    EXPECT_EQ(GetDibPaletteSize(bad.data(), bad.size()), -1);
    EXPECT_EQ(GetDibBits(bad.data(), bad.size()), nullptr);
    // The block is exactly as long as the bytes, so a read past it is caught.
    test::ScopedGlobal dib(test::MakeBlock(bad));
    int32_t w = -1, h = -1;
    EXPECT_FALSE(GetDibDimensions(dib.get(), &w, &h));
    EXPECT_EQ(w, -1);
    Canvas canvas(6, 4);
    EXPECT_FALSE(DrawDib(canvas.dc, dib.get(), nullptr, plat::RECT{0, 0, 6, 4}));
    EXPECT_FALSE(DrawDibStretched(canvas.dc, dib.get(), nullptr, plat::RECT{0, 0, 6, 4}, plat::RECT{0, 0, 6, 4}));
    EXPECT_EQ(canvas.Pixel(0, 0), 0x010203u);
  }
  Canvas canvas(2, 2);
  EXPECT_FALSE(DrawDib(canvas.dc, 0, nullptr, plat::RECT{0, 0, 2, 2}));
  EXPECT_FALSE(DrawDib(canvas.dc, 0xFFFFFF00u, nullptr, plat::RECT{0, 0, 2, 2}));
}

TEST_F(DibDrawingTest, RealisingAPaletteChangesNothingOnOurSurfaces) {
  plat::WNDCLASSEX window_class{};
  window_class.lpfnWndProc = plat::DefWindowProc;
  window_class.lpszClassName = "OndavelPaletteTest";
  ASSERT_NE(plat::RegisterClassEx(&window_class), 0);
  plat::HWND window = plat::CreateWindowEx(0, "OndavelPaletteTest", "", plat::WS_POPUP, 0, 0, 20, 20, nullptr,
                                           nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  const size_t objects = plat::test::LiveGdiObjects();
  EXPECT_EQ(RealizeDibPalette(window, nullptr, FALSE), 0u);
  EXPECT_EQ(RealizeDibPalette(window, nullptr, TRUE), 0u);
  plat::HDC dc = plat::GetDC(window);
  plat::HPALETTE palette = plat::CreateHalftonePalette(dc);
  plat::ReleaseDC(window, dc);
  EXPECT_EQ(RealizeDibPalette(window, palette, FALSE), 0u);
  plat::DeleteObject(reinterpret_cast<plat::HGDIOBJ>(palette));
  EXPECT_EQ(plat::test::LiveGdiObjects(), objects);
  plat::DestroyWindow(window);
  plat::UnregisterClass("OndavelPaletteTest", nullptr);
}

}  // namespace
}  // namespace ondavel
