// The acquisition dialogs on a real screen (the Qt backend under Xvfb): each
// is shown, photographed from the X server into the build tree, checked and
// closed. Run by scripts/screen-tests.sh (label "screen").
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "acquire/dialogs/acquire_dialogs.h"
#include "acquire_test_support.h"
#include "plat/dialog.h"
#include "plat/sys_colors.h"
#include "plat/testing/pixels.h"
#include "plat/user.h"

namespace plat::acquire::test {
namespace {

constexpr UINT_PTR kShotTimer = 1;
constexpr int kMaxShots = 40;

// What one screenshot of a dialog showed.
struct Shot {
  const char* title = "";
  std::string file;
  int shots = 0;
  bool has_button_face = false;
  bool has_varied_caption = false;
};

Shot* g_shot = nullptr;

// Photographs the open dialog until it shows, then closes it.
LRESULT ShooterProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message != WM_TIMER || g_shot == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  Shot& shot = *g_shot;
  const HWND dialog = FindWindow(nullptr, shot.title);
  if (dialog == nullptr) return 0;
  RECT rect{};
  GetWindowRect(dialog, &rect);
  RECT client{};
  GetClientRect(dialog, &client);
  POINT origin{0, 0};
  ClientToScreen(dialog, &origin);
  const plat::test::Image photo = plat::test::PhotographScreen(rect, shot.file);
  ++shot.shots;
  if (!photo.pixels.empty()) {
    // Inside the client area, a little below its top.
    const int x = origin.x - rect.left + 4;
    const int y = origin.y - rect.top + 4;
    shot.has_button_face = photo.At(x, y) == plat::test::ImagePixel(GetSysColor(COLOR_BTNFACE));
    std::set<uint32_t> caption;
    for (int row = 0; row < origin.y - rect.top; ++row) {
      for (int col = 0; col < photo.width_px; ++col) caption.insert(photo.At(col, row));
    }
    shot.has_varied_caption = caption.size() > 1;
  }
  if ((shot.has_button_face && shot.has_varied_caption) || shot.shots >= kMaxShots) {
    PostMessage(dialog, WM_COMMAND, IDCANCEL, 0);
  }
  return 0;
}

TEST(AcquireDialogScreenTest, EachDialogShowsOnTheScreen) {
  WNDCLASSEX wc;
  wc.lpfnWndProc = ShooterProc;
  wc.lpszClassName = "AcquireDialogShooter";
  ASSERT_NE(RegisterClassEx(&wc), 0);
  const HWND shooter =
      CreateWindowEx(0, "AcquireDialogShooter", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(shooter, nullptr);
  const std::string folder = ACQUIRE_SCREEN_DIR;
  RunCommand("mkdir -p '" + folder + "'");
  struct Case {
    const char* title;
    const char* file;
    std::function<int(int&)> show;
  };
  const std::vector<SourceEntry> sources = {{"test:0", "Noname", "frontend-tester"},
                                            {"test:1", "Noname", "frontend-tester"}};
  const std::vector<Case> cases = {
      {"スキャナの選択", "acquire_source_list.png",
       [&](int& error) {
         std::string name = "test:0";
         return RunSourceListDialog(nullptr, sources, name, error);
       }},
      {"スキャン", "acquire_scan_dialog.png",
       [](int& error) {
         ScanChoice choice;
         return RunScanDialog(nullptr, choice, error);
       }},
      {"フォト CD の画像", "acquire_photo_chooser.png",
       [](int& error) {
         PhotoChoice choice;
         return RunPhotoDialog(nullptr, 3, choice, error);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.title);
    Shot shot;
    shot.title = c.title;
    shot.file = folder + "/" + c.file;
    g_shot = &shot;
    SetTimer(shooter, kShotTimer, 250, nullptr);
    int error = 0;
    EXPECT_EQ(c.show(error), 0);  // closed by the shooter's cancel
    KillTimer(shooter, kShotTimer);
    g_shot = nullptr;
    EXPECT_TRUE(shot.has_button_face) << shot.file;
    EXPECT_TRUE(shot.has_varied_caption) << shot.file;
  }
  DestroyWindow(shooter);
}

}  // namespace
}  // namespace plat::acquire::test
