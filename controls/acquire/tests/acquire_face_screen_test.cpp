// The control's face on a real screen (the Qt backend under Xvfb): the
// control, created by ProgID from its registered module, is hosted in a
// window, photographed from the X server into the build tree and checked.
// Run by scripts/screen-tests.sh (label "screen").
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "acquire_host.h"
#include "acquire_test_support.h"
#include "plat/sys_colors.h"
#include "plat/testing/pixels.h"
#include "plat/user.h"

namespace mirrask::test {
namespace {

using namespace plat;

class FaceScreenTest : public plat::test::PlatformTest {};

TEST_F(FaceScreenTest, FaceHostedInAWindowShowsOnTheScreen) {
  ASSERT_EQ(RunRegsvr(MirraskModulePath()), 0);
  WNDCLASSEX wc;
  wc.lpfnWndProc = DefWindowProc;
  wc.lpszClassName = "MirraskFaceHost";
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  ASSERT_NE(RegisterClassEx(&wc), 0);
  const HWND window = CreateWindowEx(0, "MirraskFaceHost", "Mirrask", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 200,
                                     120, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.object()->CreateControlWindow(window, RECT{20, 20, 48, 48}));
  const std::string folder = MIRRASK_SCREEN_DIR;
  std::system(("mkdir -p '" + folder + "'").c_str());
  const std::string file = folder + "/mirrask_face.png";
  const uint32_t face = plat::test::ImagePixel(GetSysColor(COLOR_BTNFACE));
  const std::vector<uint32_t> pixels =
      plat::test::PhotographWhenShown(host.object()->m_hWnd, file, [&](const plat::test::Image& shot) {
        return shot.pixels.size() == 28 * 28 && shot.pixels[3 * 28 + 3] == face &&
               shot.pixels[14 * 28 + 14] == 0x0000FFu;
      }).pixels;
  ASSERT_EQ(pixels.size(), 28u * 28u) << file;
  EXPECT_EQ(pixels[3 * 28 + 3], face) << "button-face fill";
  EXPECT_EQ(pixels[6 * 28 + 6], face) << "the strip's mask colour is transparent";
  EXPECT_EQ(pixels[14 * 28 + 14], 0x0000FFu) << "the strip image's sheet at the centre";
  EXPECT_EQ(pixels[15 * 28 + 6], 0x000000u) << "the strip image's body";
  EXPECT_EQ(pixels[27 * 28 + 27], plat::test::ImagePixel(GetSysColor(COLOR_3DDKSHADOW))) << "the raised edge";
  host.object()->DestroyWindow();
  host.Release();
  DestroyWindow(window);
}

}  // namespace
}  // namespace mirrask::test
