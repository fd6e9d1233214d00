#include <gtest/gtest.h>

#include <cstdio>

#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi_snapshot.h"
#include "tests/support/test_support.h"

namespace plat::gdi::test {
namespace {

TEST_F(GdiTest, PngSnapshotsAreReadBackByImageMagick) {
  testing_support::ScopedTempDir dir;
  for (int bpp : {32, 8, 1}) {
    SCOPED_TRACE(bpp);
    auto surface = CreateSurface(13, 7, bpp);
    ASSERT_NE(surface, nullptr);
    std::vector<COLORREF> want;
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        const uint32_t raw = surface->RawFromColour(RGB(BYTE(x * 19), BYTE(y * 37), BYTE(x * y * 3)));
        surface->SetRaw(x, y, raw);
        want.push_back(surface->ColourFromRaw(raw));
      }
    }
    const std::string path = dir.File("snap" + std::to_string(bpp) + ".png");
    ASSERT_TRUE(WriteSurfacePng(*surface, surface->Bounds(), path));
    std::string ppm;
    ASSERT_EQ(testing_support::RunCommand("convert-im6.q16 '" + path + "' -depth 8 ppm:-", &ppm), 0);
    int width = 0, height = 0, maxval = 0, consumed = 0;
    ASSERT_EQ(std::sscanf(ppm.c_str(), "P6 %d %d %d%n", &width, &height, &maxval, &consumed), 3);
    ASSERT_EQ(width, 13);
    ASSERT_EQ(height, 7);
    const auto* p = reinterpret_cast<const unsigned char*>(ppm.data()) + consumed + 1;
    ASSERT_GE(ppm.size(), size_t(consumed) + 1 + 13 * 7 * 3);
    for (size_t i = 0; i < want.size(); ++i, p += 3) EXPECT_EQ(RGB(p[0], p[1], p[2]), want[i]) << i;
  }
  // An empty area writes nothing.
  auto surface = CreateSurface(2, 2, 32);
  EXPECT_FALSE(WriteSurfacePng(*surface, RECT{5, 5, 9, 9}, dir.File("none.png")));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"snap1.png", "snap32.png", "snap8.png"}));
}

}  // namespace
}  // namespace plat::gdi::test
