// Resources registered as tables in code, found per module; cursors and
// metrics of the screen.
#include <gtest/gtest.h>

#include <cstring>

#include "plat/gdi.h"
#include "plat/resources.h"
#include "plat/testing.h"
#include "plat/user.h"

namespace plat::test {
namespace {

using ResourcesTest = GuiTest;

constexpr uint32_t kCursorPixels[4] = {0xFF000000, 0xFFFFFFFF, 0x00000000, 0xFF000000};
const CursorResource kTracker{1, 1, 2, 2, kCursorPixels};
constexpr char kTitle[] = "画像の編集";
constexpr uint8_t kBlob[] = {1, 2, 3};

TEST_F(ResourcesTest, TablesAreFoundByModuleTypeAndId) {
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5150));
  const auto other = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5151));
  const ResourceEntry entries[] = {
      {RT_STRING, 7, nullptr, kTitle, sizeof(kTitle) - 1},
      {RT_CURSOR, 30983, nullptr, &kTracker, sizeof(kTracker)},
      {RT_RCDATA, 0, "BLOB", kBlob, sizeof(kBlob)},
  };
  ASSERT_TRUE(RegisterModuleResources(module, entries, std::size(entries)));
  char text[64];
  EXPECT_EQ(LoadString(module, 7, text, sizeof(text)), static_cast<int>(sizeof(kTitle) - 1));
  EXPECT_STREQ(text, kTitle);
  EXPECT_EQ(LoadString(module, 7, text, 8), 6);  // cut before a character that does not fit
  EXPECT_EQ(LoadString(other, 7, text, sizeof(text)), 0);

  const HCURSOR tracker = LoadCursor(module, MAKEINTRESOURCE(30983));
  ASSERT_NE(tracker, nullptr);
  EXPECT_EQ(LoadCursor(module, MAKEINTRESOURCE(30983)), tracker);  // shared
  SetCursor(tracker);
  ASSERT_NE(Headless().CurrentCursor(), nullptr);
  EXPECT_EQ(Headless().CurrentCursor()->argb[1], 0xFFFFFFFFu);
  EXPECT_EQ(LoadCursor(module, MAKEINTRESOURCE(30984)), nullptr);
  SetCursor(LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
  EXPECT_EQ(Headless().CurrentCursor()->system_id, IDC_ARROW);

  HRSRC found = FindResource(module, "blob", MAKEINTRESOURCE(RT_RCDATA));
  ASSERT_NE(found, nullptr);
  EXPECT_EQ(SizeofResource(module, found), 3u);
  EXPECT_EQ(std::memcmp(LockResource(LoadResource(module, found)), kBlob, 3), 0);
  EXPECT_TRUE(UnregisterModuleResources(module));
  EXPECT_EQ(FindResource(module, "blob", MAKEINTRESOURCE(RT_RCDATA)), nullptr);
}

TEST_F(ResourcesTest, MetricsFollowTheScreenAndTheReportedDepth) {
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
  EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
  RECT work{};
  ASSERT_TRUE(SystemParametersInfo(SPI_GETWORKAREA, 0, &work, 0));
  EXPECT_EQ(work.right, 1024);
  RECT frame{0, 0, 100, 100};
  AdjustWindowRectEx(&frame, WS_OVERLAPPEDWINDOW, FALSE, 0);
  EXPECT_EQ(frame.left, -4);
  EXPECT_EQ(frame.top, -4 - 18);
  SetReportedDepth(8);
  HDC screen = GetDC(nullptr);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 8);
  SetReportedDepth(32);
  EXPECT_EQ(GetDeviceCaps(screen, BITSPIXEL), 32);
  ReleaseDC(nullptr, screen);
}

}  // namespace
}  // namespace plat::test
