// Resources registered as tables in code, found per module; cursors and
// metrics of the screen.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "plat/gdi.h"
#include "plat/last_error.h"
#include "plat/menu.h"
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

// A menu template: &File (Open, separator, greyed Exit) and a checked Help.
const std::vector<uint8_t> kMenuTemplate = {
    0, 0, 0, 0,                                                   // version, offset
    0x10, 0, '&', 'F', 'i', 'l', 'e', 0,                          // pop-up
    0, 0, 101, 0, 'O', 'p', 'e', 'n', 0,                          // item 101
    0, 0, 0, 0, 0,                                                // separator
    0x81, 0, 102, 0, 'E', 'x', 'i', 't', 0,                       // greyed, last of the pop-up
    0x88, 0, 200, 0, 'H', 'e', 'l', 'p', 0,                       // checked, last of the bar
};

TEST_F(ResourcesTest, MenusAreBuiltFromTheirTemplates) {
  const auto module = reinterpret_cast<HMODULE>(static_cast<uintptr_t>(0x5152));
  std::vector<std::vector<uint8_t>> templates = {kMenuTemplate};
  // Broken forms: text without its NUL, no MF_END, an unknown flag, a
  // version, an offset past the end, an empty pop-up, nesting beyond 16.
  templates.push_back(std::vector<uint8_t>(kMenuTemplate.begin(), kMenuTemplate.end() - 1));
  templates.push_back(kMenuTemplate);
  templates.back()[kMenuTemplate.size() - 9] = 0x08;
  templates.push_back(kMenuTemplate);
  templates.back()[4] = 0x30;
  templates.push_back(kMenuTemplate);
  templates.back()[0] = 1;
  templates.push_back(kMenuTemplate);
  templates.back()[2] = 0xFF;
  templates.push_back({0, 0, 0, 0, 0x90, 0, 'X', 0});
  std::vector<uint8_t> deep = {0, 0, 0, 0};
  for (int i = 0; i < 20; ++i) deep.insert(deep.end(), {0x90, 0, 'P', 0});
  deep.insert(deep.end(), {0x80, 0, 1, 0, 'x', 0});
  templates.push_back(deep);
  std::vector<ResourceEntry> entries;
  for (size_t i = 0; i < templates.size(); ++i) {
    entries.push_back(ResourceEntry{RT_MENU, static_cast<int>(1 + i), nullptr, templates[i].data(), templates[i].size()});
  }
  ASSERT_TRUE(RegisterModuleResources(module, entries.data(), entries.size()));

  HMENU menu = LoadMenu(module, MAKEINTRESOURCE(1));
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), 2);
  HMENU file = GetSubMenu(menu, 0);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(GetMenuItemCount(file), 3);
  EXPECT_EQ(GetMenuItemID(file, 0), 101u);
  EXPECT_NE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR, 0u);
  EXPECT_NE(GetMenuState(file, 102, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EXPECT_NE(GetMenuState(menu, 200, MF_BYCOMMAND) & MF_CHECKED, 0u);
  char text[16];
  GetMenuString(menu, 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "&File");
  DestroyMenu(menu);

  for (size_t i = 1; i < templates.size(); ++i) {
    SCOPED_TRACE(i);
    SetLastError(0);
    EXPECT_EQ(LoadMenu(module, MAKEINTRESOURCE(static_cast<int>(1 + i))), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_DATA));
  }
  EXPECT_EQ(LoadMenu(module, MAKEINTRESOURCE(99)), nullptr);
  UnregisterModuleResources(module);
}

}  // namespace
}  // namespace plat::test
