// TImage drawn into its parent (placement and transparency as a table, the
// picture's own size under AutoSize), and TScrollBox's scroll ranges for
// children beyond its client area.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "forms_fixture.h"
#include "plat/forms/extctrls.h"

namespace plat::test {
namespace {

using ImageTest = FormsTest;
using ScrollBoxTest = FormsTest;

constexpr uint32_t kYellow = 0xFFFF00;  // the form
constexpr uint32_t kRed = 0xFF0000;     // the picture
constexpr uint32_t kLime = 0x00FF00;    // the picture's key colour (its bottom-left pixel)

TEST_F(ImageTest, DrawsItsPictureIntoTheParent) {
  auto* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 200, 150);
  form->SetColor(clYellow);
  // 10x10 red with a lime left column.
  TBitmap bitmap;
  bitmap.SetPixelFormat(pf24bit);
  bitmap.SetSize(10, 10);
  bitmap.Canvas()->Brush()->SetColor(clRed);
  bitmap.Canvas()->FillRect(RECT{0, 0, 10, 10});
  bitmap.Canvas()->Brush()->SetColor(clLime);
  bitmap.Canvas()->FillRect(RECT{0, 0, 1, 10});
  auto* image = new TImage(form);
  image->SetBounds(20, 20, 40, 30);
  image->Picture()->SetBitmap(&bitmap);
  image->SetParent(form);
  form->Show();
  struct Case {
    const char* name;
    bool stretch, center, transparent;
    POINT inside;   // a red pixel of the picture, in the image
    POINT outside;  // a pixel of the image the picture does not cover
    POINT key;      // a pixel of the lime column
  };
  const Case cases[] = {
      {"top left", false, false, false, {5, 5}, {15, 5}, {0, 0}},
      {"centred", false, true, false, {20, 15}, {5, 5}, {15, 10}},
      {"stretched", true, false, false, {35, 25}, {-1, -1}, {1, 1}},
      {"top left, transparent", false, false, true, {5, 5}, {15, 5}, {0, 0}},
      {"stretched, transparent", true, false, true, {35, 25}, {-1, -1}, {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    image->SetStretch(c.stretch);
    image->SetCenter(c.center);
    image->SetTransparent(c.transparent);
    form->Repaint();
    Pump();
    const Image shot = Snapshot(form->Handle());
    EXPECT_EQ(shot.At(20 + c.inside.x, 20 + c.inside.y), kRed);
    if (c.outside.x >= 0) {
      EXPECT_EQ(shot.At(20 + c.outside.x, 20 + c.outside.y), kYellow);
    }
    EXPECT_EQ(shot.At(20 + c.key.x, 20 + c.key.y), c.transparent ? kYellow : kLime);
    // Nothing beyond the image's bounds.
    EXPECT_EQ(shot.At(20 + 41, 20 + 5), kYellow);
  }
  // AutoSize takes the picture's size; an emptied picture draws nothing.
  image->SetAutoSize(true);
  EXPECT_EQ(image->Width(), 10);
  EXPECT_EQ(image->Height(), 10);
  image->Picture()->SetGraphic(nullptr);
  EXPECT_EQ(image->Picture()->Graphic(), nullptr);
  form->Repaint();
  Pump();
  EXPECT_EQ(Snapshot(form->Handle()).At(25, 25), kYellow);
  delete form;
}

TEST_F(ImageTest, CanvasGivesAnEmptyPictureTheControlsSize) {
  auto* form = new TForm(Application);
  auto* image = new TImage(form);
  image->SetBounds(0, 0, 30, 20);
  image->SetParent(form);
  image->Canvas();
  EXPECT_EQ(image->Picture()->Width(), 30);
  EXPECT_EQ(image->Picture()->Height(), 20);
  EXPECT_EQ(image->Canvas()->Pixel(3, 4), clWhite);
  // A file that is no picture leaves the picture as it was.
  EXPECT_ANY_THROW(image->Picture()->LoadFromFile("/nonexistent/picture.bmp"));
  EXPECT_EQ(image->Picture()->Width(), 30);
  delete form;
}

TEST_F(ScrollBoxTest, ScrollRangeCoversChildrenBeyondTheClientArea) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 250);
  auto* box = new TScrollBox(form);
  box->SetBounds(10, 10, 120, 100);
  box->SetParent(form);
  auto* child = new TPanel(form);
  child->SetParent(box);
  form->Show();
  struct Case {
    const char* name;
    RECT bounds;  // the child's
    bool horizontal, vertical;  // which bars have a range
  };
  const Case cases[] = {
      {"inside", {10, 10, 60, 40}, false, false},
      {"beyond the right edge", {100, 10, 200, 30}, true, false},
      {"beyond the bottom edge", {10, 90, 40, 300}, false, true},
      {"beyond both", {150, 200, 250, 320}, true, true},
      {"back inside", {0, 0, 20, 20}, false, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    child->SetBoundsRect(c.bounds);
    const RECT client = box->ClientRect();
    for (int bar : {SB_HORZ, SB_VERT}) {
      SCROLLINFO info;
      info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
      ASSERT_TRUE(GetScrollInfo(box->Handle(), bar, &info));
      const bool has_range = bar == SB_HORZ ? c.horizontal : c.vertical;
      const int extent = bar == SB_HORZ ? static_cast<int>(c.bounds.right) : static_cast<int>(c.bounds.bottom);
      const int page = bar == SB_HORZ ? static_cast<int>(client.right) : static_cast<int>(client.bottom);
      if (has_range) {
        EXPECT_EQ(info.nMax, extent - 1);
        EXPECT_EQ(static_cast<int>(info.nPage), page);
      } else {
        EXPECT_EQ(info.nMax, 0);  // no range: the bar is gone
        EXPECT_EQ(info.nPage, 0u);
      }
      EXPECT_EQ(info.nPos, 0);
    }
  }
  // Scrolling to the end brings the far edge of a far child to the client's edge.
  child->SetBoundsRect(RECT{150, 200, 250, 320});
  box->Perform(WM_VSCROLL, SB_BOTTOM, 0);
  box->Perform(WM_HSCROLL, SB_BOTTOM, 0);
  const RECT client = box->ClientRect();
  EXPECT_EQ(child->Top() + child->Height(), client.bottom);
  EXPECT_EQ(child->Left() + child->Width(), client.right);
  EXPECT_EQ(GetScrollPos(box->Handle(), SB_VERT), 320 - client.bottom);
  EXPECT_EQ(box->ScrollPos().x, 250 - client.right);
  // The border is the sunken client edge, bsNone takes it away.
  EXPECT_NE(GetWindowLong(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  box->SetBorderStyle(bsNone);
  EXPECT_EQ(GetWindowLong(box->Handle(), GWL_EXSTYLE) & WS_EX_CLIENTEDGE, 0);
  delete form;
}

}  // namespace
}  // namespace plat::test
