// Shared by the drawing tests: a fixture that expects every drawing object
// and DC to be gone at teardown, and ASCII masks of a DC's pixels.
#ifndef PLAT_GDI_TESTS_GDI_FIXTURE_H_
#define PLAT_GDI_TESTS_GDI_FIXTURE_H_

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"

namespace plat::gdi::test {

class GdiTest : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(LiveObjectCount(), 0u) << "drawing objects left alive"; }
};

// A memory DC with a new 32-bit bitmap of w × h filled white; Release()
// deletes both.
struct Canvas {
  HDC dc = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ old = nullptr;
  Canvas(int width, int height) {
    dc = CreateCompatibleDC(nullptr);
    bitmap = CreateCompatibleBitmap(nullptr, width, height);
    old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(bitmap));
    RECT all{0, 0, width, height};
    FillRect(dc, &all, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  }
  ~Canvas() {
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bitmap);
  }
};

// '#' where the pixel is not white, '.' where it is.
inline std::vector<std::string> InkMask(HDC dc, int width, int height) {
  std::vector<std::string> rows;
  for (int y = 0; y < height; ++y) {
    std::string row;
    for (int x = 0; x < width; ++x) row += GetPixel(dc, x, y) == RGB(255, 255, 255) ? '.' : '#';
    rows.push_back(row);
  }
  return rows;
}

}  // namespace plat::gdi::test

#endif  // PLAT_GDI_TESTS_GDI_FIXTURE_H_
