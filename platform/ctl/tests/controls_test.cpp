// Control objects over the standard controls, and the image list object.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plat/ctl/controls.h"
#include "plat/ctl/image_list.h"
#include "plat/handle_table.h"
#include "plat/testing.h"

namespace plat {
namespace {

using test::GuiTest;

class ControlsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(host_.CreateEx(0, nullptr, "host", WS_POPUP | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr, 0));
  }
  void TearDown() override {
    host_.DestroyWindow();
    GuiTest::TearDown();
  }
  CWnd host_;
};

// An edit that refuses the digits typed into it: its handler sees the
// control's characters first and passes the others on.
class LettersEdit : public CEdit {
 public:
  void OnChar(UINT ch, UINT repeat, UINT flags) override {
    if (ch >= '0' && ch <= '9') {
      ++refused;
      return;
    }
    CEdit::OnChar(ch, repeat, flags);
  }
  int refused = 0;
};

TEST_F(ControlsTest, ADerivedControlFiltersTheControlsOwnInput) {
  LettersEdit edit;
  ASSERT_TRUE(edit.Create(WS_VISIBLE | WS_BORDER, CRect(5, 5, 150, 30), &host_, 10));
  EXPECT_EQ(host_.GetDlgItem(10), &edit);
  edit.SetFocus();
  test::Type("a1b2設");
  CString text;
  edit.GetWindowText(text);
  EXPECT_EQ(text, "ab設");
  EXPECT_EQ(edit.refused, 2);
  // Selections are byte offsets; the wrapper passes them through.
  edit.SetSel(1, 5);
  int start = 0;
  int end = 0;
  edit.GetSel(start, end);
  EXPECT_EQ(start, 1);
  EXPECT_EQ(end, 5);
  edit.ReplaceSel("Z");
  edit.GetWindowText(text);
  EXPECT_EQ(text, "aZ");
  EXPECT_TRUE(edit.GetModify());
}

TEST_F(ControlsTest, ListAndComboObjectsKeepTheControlsRules) {
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_NOTIFY, CRect(5, 40, 150, 120), &host_, 11));
  CComboBox combo;
  ASSERT_TRUE(combo.Create(WS_VISIBLE | CBS_DROPDOWNLIST, CRect(160, 5, 290, 150), &host_, 12));
  for (const char* item : {"一", "two", "三つ"}) {
    list.AddString(item);
    combo.AddString(item);
  }
  EXPECT_EQ(list.InsertString(-1, "end"), 3);
  EXPECT_EQ(combo.InsertString(-1, "end"), 3);
  struct Case {
    int index;
    int expected_length;
    const char* expected_text;
  };
  const Case cases[] = {{0, 3, "一"}, {2, 6, "三つ"}, {3, 3, "end"}, {4, LB_ERR, ""}, {-2, LB_ERR, ""}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.index);
    CString text("stale");
    EXPECT_EQ(list.GetText(c.index, text), c.expected_length);
    EXPECT_EQ(text, c.expected_text);
    text = "stale";
    EXPECT_EQ(combo.GetLBText(c.index, text), c.expected_length);
    EXPECT_EQ(text, c.expected_text);
  }
  EXPECT_EQ(list.SetCurSel(9), LB_ERR);
  EXPECT_EQ(list.GetCurSel(), LB_ERR);
  EXPECT_EQ(combo.SetCurSel(2), 2);
  EXPECT_EQ(combo.GetCurSel(), 2);
  EXPECT_EQ(combo.FindStringExact(-1, "two"), 1);
  EXPECT_NE(list.SetItemData(1, 77), LB_ERR);
  EXPECT_EQ(list.GetItemData(1), 77u);
}

TEST_F(ControlsTest, ButtonAndScrollBarObjects) {
  CButton check;
  ASSERT_TRUE(check.Create("check", WS_VISIBLE | BS_AUTOCHECKBOX, CRect(5, 130, 100, 150), &host_, 13));
  EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
  check.Click();
  EXPECT_EQ(check.GetCheck(), BST_CHECKED);
  check.SetCheck(BST_UNCHECKED);
  EXPECT_EQ(check.GetCheck(), BST_UNCHECKED);
  EXPECT_EQ(check.GetButtonStyle() & BS_TYPEMASK, static_cast<UINT>(BS_AUTOCHECKBOX));

  CScrollBar bar;
  ASSERT_TRUE(bar.Create(WS_VISIBLE | SBS_HORZ, CRect(5, 160, 200, 176), &host_, 14));
  bar.SetScrollRange(0, 50);
  EXPECT_EQ(bar.SetScrollPos(20), 0);
  EXPECT_EQ(bar.GetScrollPos(), 20);
  int min = -1;
  int max = -1;
  bar.GetScrollRange(&min, &max);
  EXPECT_EQ(min, 0);
  EXPECT_EQ(max, 50);
  bar.SetScrollPos(80);  // kept inside the range
  EXPECT_EQ(bar.GetScrollPos(), 50);
}

// A parent that draws its owner-drawn children and records what it was asked.
class OwnerDrawParent : public CWnd {
 public:
  void OnDrawItem(int id, DRAWITEMSTRUCT* item) override {
    drawn.push_back({id, item->CtlType, item->itemID});
    CDC dc;
    dc.Attach(item->hDC);
    dc.FillSolidRect(&item->rcItem, RGB(10, 200, 30));
    dc.Detach();
  }
  void OnMeasureItem(int id, MEASUREITEMSTRUCT* item) override {
    measured.push_back(id);
    item->itemHeight = 21;
  }
  struct Drawn {
    int id;
    UINT type;
    UINT item;
    bool operator==(const Drawn&) const = default;
  };
  std::vector<Drawn> drawn;
  std::vector<int> measured;
};

TEST_F(ControlsTest, OwnerDrawnChildrenReachTheParentsHandlers) {
  OwnerDrawParent parent;
  ASSERT_TRUE(parent.CreateEx(0, nullptr, "", WS_POPUP | WS_VISIBLE, CRect(0, 0, 200, 120), nullptr, 0));
  CListBox list;
  ASSERT_TRUE(list.Create(WS_VISIBLE | LBS_OWNERDRAWFIXED | LBS_HASSTRINGS, CRect(0, 0, 100, 100), &parent, 21));
  list.AddString("a");
  CButton button;
  ASSERT_TRUE(button.Create("b", WS_VISIBLE | BS_OWNERDRAW, CRect(110, 0, 190, 30), &parent, 22));
  test::Pump();
  EXPECT_EQ(parent.measured, std::vector<int>{21});
  EXPECT_EQ(list.GetItemHeight(0), 21);
  const std::vector<OwnerDrawParent::Drawn> expected{{21, ODT_LISTBOX, 0}, {22, ODT_BUTTON, 0}};
  for (const auto& item : expected) {
    EXPECT_NE(std::find(parent.drawn.begin(), parent.drawn.end(), item), parent.drawn.end()) << item.id;
  }
  EXPECT_EQ(test::Snapshot(button.m_hWnd).At(40, 15) & 0xFFFFFFu, 0x0AC81Eu);
}

TEST(ImageListObject, AStripWithAMaskColourDrawsTransparentlyAndIsDestroyed) {
  test::UseHeadless();
  const size_t lists_before = HandleTable::Instance().LiveCount(HandleKind::kImageList);
  const size_t gdi_before = test::LiveGdiObjects();
  {
    // Three 4 x 4 images; the left column of each is the mask colour.
    CDC dc;
    ASSERT_TRUE(dc.CreateCompatibleDC(nullptr));
    CBitmap strip;
    ASSERT_TRUE(strip.CreateBitmap(12, 4, 1, 32, nullptr));
    CBitmap* original = dc.SelectObject(&strip);
    const COLORREF colours[3] = {RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255)};
    for (int x = 0; x < 12; ++x) {
      for (int y = 0; y < 4; ++y) dc.SetPixel(x, y, x % 4 == 0 ? RGB(0xC0, 0xC0, 0xC0) : colours[x / 4]);
    }
    dc.SelectObject(original);

    CImageList images;
    ASSERT_TRUE(images.Create(4, 4, ILC_COLOR24 | ILC_MASK, 3, 1));
    EXPECT_FALSE(images.Create(8, 8, ILC_COLOR24, 1, 1));
    EXPECT_EQ(images.Add(&strip, RGB(0xC0, 0xC0, 0xC0)), 0);
    EXPECT_EQ(images.GetImageCount(), 3);

    CBitmap target;
    ASSERT_TRUE(target.CreateBitmap(6, 6, 1, 32, nullptr));
    dc.SelectObject(&target);
    dc.FillSolidRect(0, 0, 6, 6, RGB(1, 2, 3));
    ASSERT_TRUE(images.Draw(&dc, 2, CPoint(1, 1), ILD_TRANSPARENT));
    EXPECT_EQ(dc.GetPixel(1, 2), RGB(1, 2, 3));  // the masked column
    EXPECT_EQ(dc.GetPixel(2, 2), RGB(0, 0, 255));
    EXPECT_EQ(dc.GetPixel(5, 5), RGB(1, 2, 3));
    EXPECT_FALSE(images.Draw(&dc, 3, CPoint(0, 0), ILD_NORMAL));
    EXPECT_EQ(HandleTable::Instance().LiveCount(HandleKind::kImageList), lists_before + 1);

    CImageList adopted;
    ASSERT_TRUE(adopted.Attach(images.Detach()));
    EXPECT_EQ(images.GetSafeHandle(), nullptr);
    EXPECT_EQ(adopted.GetImageCount(), 3);
  }
  EXPECT_EQ(HandleTable::Instance().LiveCount(HandleKind::kImageList), lists_before);
  EXPECT_EQ(test::LiveGdiObjects(), gdi_before);
}

}  // namespace
}  // namespace plat
