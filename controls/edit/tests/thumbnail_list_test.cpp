// The thumbnail list headless: layout and hit tests, picture placement,
// keys in both selection modes, the limit's beep, notifications, scrolling
// and the bitmaps freed once.
#include "thumbnail_list.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/sys_colors.h"
#include "plat/testing.h"
#include "window_test_support.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::GuiTest;
using plat::test::Image;
using plat::test::JournalEntry;

// A parent that records the list's two registered messages.
class ListParent : public HostWindow {
 public:
  ListParent() : HostWindow(600, 500) {}
  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override {
    if (message == ThumbSelChangeMessage()) {
      notices.push_back("sel " + std::to_string(lparam) + " id " + std::to_string(wparam));
      return 0;
    }
    if (message == ThumbItemDblclkMessage()) {
      notices.push_back("dblclk " + std::to_string(lparam));
      return 0;
    }
    return HostWindow::WindowProc(message, wparam, lparam);
  }
  std::vector<std::string> notices;
};

class ThumbnailListTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    parent_ = std::make_unique<ListParent>();
    list_ = std::make_unique<ThumbnailList>();
    ASSERT_TRUE(list_->Create(parent_.get(), 59648));
  }
  void TearDown() override {
    list_.reset();
    parent_.reset();
    GuiTest::TearDown();
  }
  // The list's window sized for `rows` x `columns` cells (plus its frame).
  void SizeFor(int rows, int columns, bool with_bar = false) {
    const CSize size = list_->CalcListWindowSize(rows, columns, with_bar ? TRUE : FALSE);
    RECT frame{0, 0, size.cx, size.cy};
    AdjustWindowRectEx(&frame, list_->GetStyle(), FALSE, list_->GetExStyle());
    list_->SetWindowPos(nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
  }
  void Add(int count, int width = 60, int height = 40) {
    for (int i = 0; i < count; ++i) list_->AddThumbnail(MakeDib(width, height), nullptr);
  }
  POINT CentreOf(int index) const {
    const RECT cell = list_->CellRect(index);
    return POINT{(cell.left + cell.right) / 2, (cell.top + cell.bottom) / 2};
  }
  std::unique_ptr<ListParent> parent_;
  std::unique_ptr<ThumbnailList> list_;
};

TEST_F(ThumbnailListTest, LaysOutCellsAndHitsOnlyInsideTheirBorders) {
  EXPECT_EQ(list_->FirstVisible(), -1);
  list_->SetThumbnailSize(100, 80);
  const int cell_width = 120;
  EXPECT_EQ(list_->cell_width(), cell_width);
  // A window narrower and lower than one cell still has one row and column.
  list_->SetWindowPos(nullptr, 0, 0, 50, 30, SWP_NOZORDER);
  EXPECT_EQ(list_->columns(), 1);
  EXPECT_EQ(list_->rows(), 1);
  SizeFor(2, 3);
  EXPECT_EQ(list_->columns(), 3);
  EXPECT_EQ(list_->rows(), 2);
  Add(5);
  EXPECT_EQ(list_->FirstVisible(), 0);
  EXPECT_EQ(list_->GetStyle() & WS_VSCROLL, 0u);
  const struct {
    POINT point;
    int index;
  } hits[] = {
      {{10, 10}, 0},
      {{cell_width + 10, 10}, 1},
      {{10, list_->cell_height() + 10}, 3},
      {{1, 10}, -1},                                    // the 2-pixel border
      {{cell_width - 2, 10}, -1},                       // the right border
      {{2 * cell_width + 10, list_->cell_height() + 10}, -1},  // past the last item
      {{3 * cell_width + 10, 10}, -1},                  // past the columns
  };
  for (const auto& hit : hits) {
    SCOPED_TRACE(hit.index);
    EXPECT_EQ(list_->HitTest(hit.point), hit.index);
  }
  // Seven items no longer fit: a bar comes, and the columns make room for it.
  Add(2);
  EXPECT_NE(list_->GetStyle() & WS_VSCROLL, 0u);
  EXPECT_EQ(list_->columns(), 2);
  SCROLLINFO info;
  list_->GetScrollInfo(SB_VERT, &info);
  EXPECT_EQ(info.nMax, 3);  // ceil(7 / 2) - 1
  EXPECT_EQ(static_cast<int>(info.nPage), 2);
  list_->SendMessage(WM_VSCROLL, SB_BOTTOM);
  EXPECT_EQ(list_->FirstVisible(), 4);
  EXPECT_EQ(list_->HitTest(POINT{10, 10}), 4);
  list_->SendMessage(WM_HSCROLL, SB_LINEUP);  // both bars' messages scroll rows
  EXPECT_EQ(list_->FirstVisible(), 2);
  list_->RemoveAllThumbnails();
  EXPECT_EQ(list_->FirstVisible(), -1);
  EXPECT_EQ(list_->GetStyle() & WS_VSCROLL, 0u);
}

TEST_F(ThumbnailListTest, PicturesShrinkToFitAndAreCentred) {
  SizeFor(1, 3);
  list_->AddThumbnail(MakeDib(240, 120), nullptr);
  list_->AddThumbnail(MakeDib(30, 20), nullptr);
  list_->AddThumbnail(0, "none");
  const RECT cell = list_->CellRect(0);
  const RECT caption = list_->CaptionRect(cell);
  const RECT big = list_->PictureRect(0, cell);
  EXPECT_EQ(big.right - big.left, 120);
  EXPECT_EQ(big.bottom - big.top, 60);
  EXPECT_EQ(big.left, cell.left + 2 + 6);
  EXPECT_EQ(big.top, caption.bottom + 3 + 30);
  const RECT small = list_->PictureRect(1, list_->CellRect(1));
  EXPECT_EQ(small.right - small.left, 30);  // never enlarged
  EXPECT_EQ(small.left, list_->CellRect(1).left + 2 + 6 + 45);
  const RECT none = list_->PictureRect(2, list_->CellRect(2));
  EXPECT_TRUE(IsRectEmpty(&none));

  // Painted: the picture's pixels, and the selected cell's highlight around it.
  list_->SelectThumbnail(1, TRUE);
  ::plat::UpdateWindow(*parent_);
  plat::test::Pump();
  const Image shot = plat::test::Snapshot(*list_);
  POINT origin{0, 0};
  list_->ClientToScreen(&origin);
  RECT frame{};
  list_->GetWindowRect(&frame);
  const int dx = origin.x - frame.left;
  const int dy = origin.y - frame.top;
  EXPECT_EQ(shot.At(dx + small.left, dy + small.top), AsRgb(PixelColour(0, 0)));
  EXPECT_EQ(shot.At(dx + small.left - 3, dy + small.top), AsRgb(GetSysColor(COLOR_HIGHLIGHT)));
  EXPECT_EQ(shot.At(dx + big.left - 3, dy + big.top), AsRgb(GetSysColor(COLOR_BTNFACE)));
}

TEST_F(ThumbnailListTest, KeysMoveTheFocusInBothModes) {
  SizeFor(2, 3);
  Add(8);  // with a bar: 2 columns, 2 rows visible, 4 rows in all
  ASSERT_EQ(list_->columns(), 2);
  list_->SetFocus();
  struct Step {
    UINT key;
    int focus;
    int selected;  // the first selected index after the key
  };
  // Mode 0: an arrow first selects the focus item where it is; then the
  // arrows move the single selection.
  const Step single[] = {
      {VK_RIGHT, 0, 0},  {VK_SPACE, 0, 0}, {VK_RIGHT, 1, 1}, {VK_DOWN, 3, 3}, {VK_LEFT, 2, 2},
      {VK_UP, 0, 0},     {VK_UP, 0, 0},    {VK_NEXT, 4, 4},  {VK_NEXT, 7, 7}, {VK_NEXT, 7, 7},
      {VK_DOWN, 7, 7},   {VK_HOME, 0, 0},  {VK_END, 7, 7},   {VK_PRIOR, 3, 3},
  };
  for (size_t i = 0; i < std::size(single); ++i) {
    SCOPED_TRACE(i);
    plat::test::Key(single[i].key);
    EXPECT_EQ(list_->focus_index(), single[i].focus);
    EXPECT_EQ(list_->GetSelectedThumbnail(0), single[i].selected);
    EXPECT_EQ(list_->GetSelectedCount(), single[i].selected < 0 ? 0 : 1);
    EXPECT_TRUE(list_->IsVisible(list_->focus_index()));
  }
  // Mode 1: keys move only the focus; Space toggles, up to the limit.
  list_->SetSelectionMode(1);
  list_->SetSelectionLimit(2);
  EXPECT_EQ(list_->GetSelectedCount(), 0);
  const Step toggled[] = {
      {VK_HOME, 0, -1}, {VK_RIGHT, 1, -1}, {VK_SPACE, 1, 1}, {VK_DOWN, 3, 1},
      {VK_SPACE, 3, 1}, {VK_END, 7, 1},    {VK_SPACE, 7, 1},
  };
  for (size_t i = 0; i < std::size(toggled); ++i) {
    SCOPED_TRACE(i);
    plat::test::Key(toggled[i].key);
    EXPECT_EQ(list_->focus_index(), toggled[i].focus);
    EXPECT_EQ(list_->GetSelectedThumbnail(0), toggled[i].selected);
  }
  EXPECT_EQ(list_->GetSelectedCount(), 2);
  EXPECT_EQ(list_->GetSelectedThumbnail(1), 3);
  EXPECT_FALSE(list_->IsThumbnailSelected(7));  // the third was refused with a beep
  const auto journal = plat::test::GetJournal();
  EXPECT_EQ(std::count_if(journal.begin(), journal.end(), [](const auto& e) { return e.kind == "beep"; }), 1);
}

TEST_F(ThumbnailListTest, ClicksNotifyTheParentAndTheLimitBeeps) {
  SizeFor(2, 3);
  Add(4);
  plat::test::ClearJournal();
  // Clicks a double-click time apart.
  const auto click = [&](POINT point) {
    plat::test::Click(*list_, point);
    plat::test::AdvanceTime(1000);
  };
  click(CentreOf(1));
  click(CentreOf(1));  // already selected in mode 0: nothing
  click(CentreOf(2));
  EXPECT_EQ(parent_->notices, (std::vector<std::string>{"sel 1 id 59648", "sel 2 id 59648"}));
  EXPECT_EQ(list_->GetSelectedCount(), 1);
  EXPECT_EQ(list_->GetSelectedThumbnail(0), 2);
  // A click on the border selects nothing.
  const RECT cell = list_->CellRect(0);
  click(POINT{cell.left + 1, cell.top + 10});
  EXPECT_EQ(parent_->notices.size(), 2u);

  parent_->notices.clear();
  list_->SetSelectionMode(1);
  list_->SetSelectionLimit(2);
  click(CentreOf(0));
  click(CentreOf(1));
  click(CentreOf(2));  // the limit: a beep, no change, no message
  click(CentreOf(0));  // deselects, with the message
  EXPECT_EQ(parent_->notices, (std::vector<std::string>{"sel 0 id 59648", "sel 1 id 59648", "sel 0 id 59648"}));
  EXPECT_EQ(list_->GetSelectedCount(), 1);
  EXPECT_EQ(plat::test::GetJournal(), (std::vector<JournalEntry>{{"beep", std::to_string(MB_ICONEXCLAMATION)}}));
  // Selection by code never notifies; past the end it fails.
  EXPECT_FALSE(list_->SelectThumbnail(4, TRUE));
  EXPECT_TRUE(list_->SelectThumbnail(3, TRUE));
  EXPECT_FALSE(list_->SelectThumbnail(2, TRUE));  // the limit
  EXPECT_EQ(parent_->notices.size(), 3u);

  // A double click inside an item tells the parent.
  click(CentreOf(1));
  plat::test::Click(*list_, CentreOf(2));
  plat::test::Click(*list_, CentreOf(2));
  EXPECT_EQ(parent_->notices.back(), "dblclk 2");
}

TEST_F(ThumbnailListTest, OwnsItsBitmapsAndFreesEachOnce) {
  const size_t blocks = plat::test::LiveGlobalBlocks();
  Add(3);
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks + 3);
  list_->RemoveAllThumbnails();
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
  Add(2);
  list_.reset();  // the window and its items go together
  EXPECT_EQ(plat::test::LiveGlobalBlocks(), blocks);
}

}  // namespace
}  // namespace ondavel::test
