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

constexpr UINT_PTR kShotTimer = 1;
constexpr int kMaxShots = 40;

struct Shot {
  HWND control = nullptr;
  std::string file;
  int shots = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB, 28 x 28
  bool is_done = false;
};
Shot* g_shot = nullptr;

// Photographs the control until its face shows, then ends the loop.
LRESULT ShooterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_TIMER || g_shot == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  Shot& shot = *g_shot;
  RECT rect{};
  GetWindowRect(shot.control, &rect);
  shot.pixels = plat::test::PhotographScreen(rect, shot.file).pixels;
  ++shot.shots;
  const uint32_t face = plat::test::ImagePixel(GetSysColor(COLOR_BTNFACE));
  const bool shows = shot.pixels.size() == 28 * 28 && shot.pixels[3 * 28 + 3] == face &&
                     shot.pixels[14 * 28 + 14] == 0x0000FFu;
  if (shows || shot.shots >= kMaxShots) {
    shot.is_done = true;
    PostQuitMessage(0);
  }
  return 0;
}

class FaceScreenTest : public plat::test::PlatformTest {};

TEST_F(FaceScreenTest, FaceHostedInAWindowShowsOnTheScreen) {
  ASSERT_EQ(RunRegsvr(MirraskModulePath()), 0);
  WNDCLASSEX wc;
  wc.lpfnWndProc = ShooterProc;
  wc.lpszClassName = "MirraskFaceShooter";
  wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
  ASSERT_NE(RegisterClassEx(&wc), 0);
  const HWND window = CreateWindowEx(0, "MirraskFaceShooter", "Mirrask", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40,
                                     200, 120, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.object()->CreateControlWindow(window, RECT{20, 20, 48, 48}));
  const std::string folder = MIRRASK_SCREEN_DIR;
  std::system(("mkdir -p '" + folder + "'").c_str());
  Shot shot;
  shot.control = host.object()->m_hWnd;
  shot.file = folder + "/mirrask_face.png";
  g_shot = &shot;
  SetTimer(window, kShotTimer, 250, nullptr);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  KillTimer(window, kShotTimer);
  g_shot = nullptr;
  ASSERT_EQ(shot.pixels.size(), 28u * 28u) << shot.file;
  const uint32_t face = plat::test::ImagePixel(GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(shot.pixels[3 * 28 + 3], face) << "button-face fill";
  EXPECT_EQ(shot.pixels[6 * 28 + 6], face) << "the strip's mask colour is transparent";
  EXPECT_EQ(shot.pixels[14 * 28 + 14], 0x0000FFu) << "the strip image's sheet at the centre";
  EXPECT_EQ(shot.pixels[15 * 28 + 6], 0x000000u) << "the strip image's body";
  EXPECT_EQ(shot.pixels[27 * 28 + 27], plat::test::ImagePixel(GetSysColor(COLOR_3DDKSHADOW))) << "the raised edge";
  host.object()->DestroyWindow();
  host.Release();
  DestroyWindow(window);
}

}  // namespace
}  // namespace mirrask::test
