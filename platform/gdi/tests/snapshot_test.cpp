#include <gtest/gtest.h>

#include <cstdlib>

#include "gdi/tests/gdi_fixture.h"
#include "plat/gdi_snapshot.h"
#include "plat/testing/pixels.h"
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
    const plat::test::Image got = plat::test::DecodeWithImageMagick(path);
    ASSERT_EQ(got.width_px, 13);
    ASSERT_EQ(got.height_px, 7);
    for (size_t i = 0; i < want.size(); ++i) EXPECT_EQ(got.pixels[i], plat::test::ImagePixel(want[i])) << i;
  }
  // An empty area writes nothing.
  auto surface = CreateSurface(2, 2, 32);
  EXPECT_FALSE(WriteSurfacePng(*surface, RECT{5, 5, 9, 9}, dir.File("none.png")));
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"snap1.png", "snap32.png", "snap8.png"}));
}

TEST(ImageComparison, NamesTheFirstDifferenceAndKeepsBothImages) {
  testing_support::ScopedTempDir dir;
  setenv("PLAT_TEST_OUTPUT_DIR", dir.path().c_str(), 1);
  // 2×2 scaled to 4×2 and 3×3 by nearest neighbour.
  const plat::test::Image small{2, 2, {0x000001, 0x000002, 0x000003, 0x000004}};
  const plat::test::Image wide{4, 2, {1, 1, 2, 2, 3, 3, 4, 4}};
  EXPECT_TRUE(plat::test::SameImage(plat::test::ScaleNearest(small, 4, 2), wide, "wide"));
  const plat::test::Image three{3, 3, {1, 1, 2, 1, 1, 2, 3, 3, 4}};
  EXPECT_TRUE(plat::test::SameImage(plat::test::ScaleNearest(small, 3, 3), three, "three"));
  EXPECT_TRUE(plat::test::SameImage(plat::test::Crop(wide, RECT{1, 1, 9, 9}), plat::test::Image{3, 1, {3, 4, 4}}, "crop"));
  // A difference is reported at its first pixel, and both images are kept.
  plat::test::Image changed = wide;
  changed.pixels[6] = 0xFF0000;
  changed.pixels[7] = 0xFF0000;
  const ::testing::AssertionResult result = plat::test::SameImage(changed, wide, "changed");
  EXPECT_FALSE(result);
  EXPECT_NE(std::string(result.message()).find("2 pixels differ, first at (2, 1): 0xff0000 instead of 0x4"),
            std::string::npos)
      << result.message();
  EXPECT_EQ(dir.List(), (std::vector<std::string>{"changed.actual.png", "changed.expected.png"}));
  EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(dir.File("changed.actual.png")), changed, "read"));
  EXPECT_FALSE(plat::test::SameImage(small, wide, "sizes"));
  unsetenv("PLAT_TEST_OUTPUT_DIR");
}

}  // namespace
}  // namespace plat::gdi::test
