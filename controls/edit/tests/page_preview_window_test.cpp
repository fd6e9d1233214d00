// The page window and the callback window headless: creation with its menu,
// bars and centring, progress while pages are added, each way the choice
// ends, the bitmaps freed on destroy, and notifications passed to the
// control.
#include "page_preview_window.h"

#include <gtest/gtest.h>

#include <string>

#include "callback_window.h"
#include "module_resources.h"
#include "plat/menu.h"
#include "plat/resources.h"
#include "plat/testing.h"
#include "window_test_support.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::GuiTest;
using plat::test::Image;
using plat::test::JournalEntry;

constexpr char kTitle[] = "イメージ一覧";

class PageWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    // The platform keeps a loaded resource's block for the process: load the
    // toolbar once before the fixture counts the live blocks.
    const HINSTANCE module = OndavelResources();
    LoadResource(module, FindResource(module, MAKEINTRESOURCE(kPageToolbarId), MAKEINTRESOURCE(RT_TOOLBAR)));
    GuiTest::SetUp();
  }
  // A visible, centred window for 2 x 3 thumbnails of 80 x 60.
  std::unique_ptr<CQRVNTiffAcqWnd> Open(int selection_count = 1) {
    auto window = std::make_unique<CQRVNTiffAcqWnd>();
    window->SetThumbnailSize(80, 60);
    window->SetSelectionMode(selection_count);
    const CRect rect = window->CalcListWindowSize(2, 3, TRUE);
    EXPECT_TRUE(window->CreatePreview(nullptr, kTitle, WS_OVERLAPPEDWINDOW | WS_VISIBLE, rect, nullptr, kPageMenuId,
                                      TRUE));
    return window;
  }
  void Fill(CQRVNTiffAcqWnd& window, int pages) {
    window.SetPageCount(pages);
    for (int i = 0; i < pages; ++i) window.AddPreviewPage(MakeDib(40 + 10 * i, 30));
    window.FinishAdding();
  }
  POINT CentreOf(CQRVNTiffAcqWnd& window, int index) {
    const RECT cell = window.list().CellRect(index);
    return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
};

TEST_F(PageWindowTest, OpensCentredWithItsMenuBarsAndList) {
  auto window = Open();
  ASSERT_NE(window->GetSafeHwnd(), nullptr);
  EXPECT_TRUE(window->IsWindowVisible());
  char text[64] = {};
  window->GetWindowText(text, sizeof(text));
  EXPECT_STREQ(text, kTitle);
  HMENU menu = GetMenu(*window);
  GetMenuString(menu, 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_STREQ(text, "ﾌｧｲﾙ(&F)");
  GetMenuString(menu, kCommandTake, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "取り込み(&A)");
  GetMenuString(menu, kCommandExit, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ(text, "終了(&E)");
  EXPECT_EQ(window->toolbar().GetCount(), 2);
  EXPECT_EQ(window->toolbar().GetItemID(0), kCommandTake);
  EXPECT_EQ(window->status_bar().GetCount(), 3);

  // The client holds the list's requested size plus both bars; the window is centred.
  const CRect wanted = window->CalcListWindowSize(2, 3, TRUE);
  RECT list{};
  window->list().GetWindowRect(&list);
  EXPECT_EQ(list.right - list.left, wanted.Width());
  EXPECT_EQ(list.bottom - list.top, wanted.Height());
  RECT frame{};
  window->GetWindowRect(&frame);
  EXPECT_LE(std::abs((frame.left + frame.right) / 2 - GetSystemMetrics(SM_CXSCREEN) / 2), 1);
  EXPECT_LE(std::abs((frame.top + frame.bottom) / 2 - GetSystemMetrics(SM_CYSCREEN) / 2), 1);
  EXPECT_EQ(window->list().rows(), 2);
  EXPECT_EQ(window->list().columns(), 3);
  EXPECT_EQ(window->list().GetDlgCtrlID(), 59648);
  char name[32] = {};
  window->list().GetWindowText(name, sizeof(name));
  EXPECT_STREQ(name, kThumbnailListName);
}

TEST_F(PageWindowTest, ShowsProgressWhileFiveThumbnailsAreAdded) {
  auto window = Open();
  window->SetPageCount(5);
  EXPECT_EQ(window->status_bar().GetPaneText(2), "5");
  ASSERT_NE(window->progress(), nullptr);
  int low = -1;
  int high = -1;
  window->progress()->GetRange(low, high);
  EXPECT_EQ(high, 5);
  RECT pane{};
  window->status_bar().GetItemRect(1, &pane);
  RECT bar{};
  window->progress()->GetWindowRect(&bar);
  window->status_bar().ScreenToClient(&bar);
  EXPECT_EQ(bar.left, pane.left);
  EXPECT_EQ(bar.right, pane.right);
  for (int i = 1; i <= 5; ++i) {
    SCOPED_TRACE(i);
    window->AddPreviewPage(MakeDib(40, 30));
    EXPECT_TRUE(window->IsWindowVisible());
    EXPECT_EQ(window->progress()->GetPos(), i);
    EXPECT_EQ(window->status_bar().GetPaneText(2), " " + std::to_string(i) + " ");
  }
  EXPECT_EQ(window->list().GetCount(), 5);
  window->FinishAdding();
  EXPECT_EQ(window->progress(), nullptr);
  UINT id = 0;
  UINT style = 0;
  int width = 0;
  window->status_bar().GetPaneInfo(1, id, style, width);
  EXPECT_EQ(id, kPanePages);
  EXPECT_EQ(style, SBPS_NOBORDERS);
  EXPECT_EQ(width, kPanePagesWidth);
  EXPECT_EQ(window->status_bar().GetPaneText(2), " 5 ");
  EXPECT_FALSE(window->IsDone());
}

TEST_F(PageWindowTest, EachWayTheChoiceEnds) {
  struct Case {
    const char* name;
    int select;  // selected before, -1 none
    std::function<void(CQRVNTiffAcqWnd&)> act;
    bool is_cancelled;
    int selected_count;
  };
  const Case cases[] = {
      {"double click", -1,
       [this](CQRVNTiffAcqWnd& w) {
         plat::test::Click(w.list(), CentreOf(w, 3));
         plat::test::Click(w.list(), CentreOf(w, 3));
       },
       false, 1},
      {"take with none selected", -1, [](CQRVNTiffAcqWnd& w) { w.SendMessage(WM_COMMAND, kCommandTake); }, false, 0},
      {"take with one selected", 2, [](CQRVNTiffAcqWnd& w) { w.SendMessage(WM_COMMAND, kCommandTake); }, false, 1},
      {"take from the toolbar", 2,
       [](CQRVNTiffAcqWnd& w) {
         RECT button{};
         w.toolbar().GetItemRect(0, &button);
         plat::test::Click(w.toolbar(), POINT{(button.left + button.right) / 2, (button.top + button.bottom) / 2});
       },
       false, 1},
      {"exit", 2, [](CQRVNTiffAcqWnd& w) { w.SendMessage(WM_COMMAND, kCommandExit); }, true, 0},
      {"close with a selection", 2, [](CQRVNTiffAcqWnd& w) { w.SendMessage(WM_CLOSE); }, true, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto window = Open();
    Fill(*window, 5);
    if (c.select >= 0) window->SelectThumbnail(c.select);
    EXPECT_FALSE(window->IsDone());
    c.act(*window);
    EXPECT_TRUE(window->IsDone());
    EXPECT_EQ(window->is_cancelled(), c.is_cancelled);
    EXPECT_EQ(window->GetSelectedCount(), c.selected_count);
    if (c.selected_count == 1) EXPECT_EQ(window->GetSelectedIndex(0), c.select >= 0 ? c.select : 3);
    EXPECT_NE(window->GetSafeHwnd(), nullptr);  // the page choice destroys it, not the window itself
  }
}

TEST_F(PageWindowTest, TheTakeButtonShowsItsTipAndPrompt) {
  auto window = Open();
  RECT button{};
  window->toolbar().GetItemRect(0, &button);
  const POINT centre{(button.left + button.right) / 2, (button.top + button.bottom) / 2};
  plat::test::MoveMouse(window->toolbar(), centre);
  EXPECT_EQ(window->status_bar().GetPaneText(0), "選択データの取り込み");
  plat::test::AdvanceTime(600);
  HWND tip = reinterpret_cast<HWND>(window->toolbar().SendMessage(TB_GETTOOLTIPS));
  ASSERT_TRUE(IsWindowVisible(tip));
  char text[64] = {};
  GetWindowText(tip, text, sizeof(text));
  EXPECT_STREQ(text, "選択データの取り込み");
}

TEST_F(PageWindowTest, DestroyingTheWindowFreesItsThumbnails) {
  const size_t blocks = plat::test::LiveGlobalBlocks();
  auto window = Open(3);
  Fill(*window, 4);
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks + 4);
  window->DestroyWindow();
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
  EXPECT_EQ(window->list().GetCount(), 0);
}

TEST_F(PageWindowTest, TheCallbackWindowHandsNotificationsToItsControl) {
  CallbackWindow window;
  ASSERT_TRUE(window.Create());
  EXPECT_FALSE(window.IsWindowVisible());
  EXPECT_EQ(FindWindow(nullptr, kCallbackWindowName), window.GetSafeHwnd());
  EXPECT_EQ(window.SendMessage(AcqNotifyMessage(), 0, 1234), 0);  // no control: nothing, 0
  RecordingOwner control;
  window.SetControl(&control);
  EXPECT_EQ(window.SendMessage(AcqNotifyMessage(), 0, 1234), 0);
  EXPECT_EQ(control.events, std::vector<std::string>{"acq 1234"});
  EXPECT_EQ(AcqNotifyMessage(), RegisterWindowMessage("WM_QRVN_ACQNOTIFY"));
  window.DestroyWindow();
}

}  // namespace
}  // namespace ondavel::test
