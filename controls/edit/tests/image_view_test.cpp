// The image view headless: pixels at several zooms and scroll positions
// against a computed picture, the scroll scale, the zoomed size, drags and
// their notifications, handles, auto-scroll on the virtual clock, the
// selection set by code and the input passed on.
#include "image_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "plat/acquire/acquire_constants.h"
#include "plat/testing.h"
#include "window_test_support.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::GuiTest;
using plat::test::Image;
using plat::test::JournalEntry;

constexpr uint32_t kWhite = 0xFFFFFF;

class ImageViewTest : public GuiTest {
 protected:
  // A view of `width` x `height` (window size) in a host.
  void MakeView(int width, int height) {
    host_ = std::make_unique<HostWindow>(width + 60, height + 80);
    ASSERT_TRUE(view_.Create(host_.get(), RECT{10, 10, 10 + width, 10 + height}, 1, &owner_));
  }
  void TearDown() override {
    view_.ClearViewImage();  // its palette goes with the picture
    view_.DestroyWindow();
    host_.reset();
    for (HGLOBAL dib : dibs_) GlobalFree(dib);
    GuiTest::TearDown();
  }
  HGLOBAL Dib(int width, int height, int bits = 24, bool is_top_down = false) {
    dibs_.push_back(MakeDib(width, height, bits, is_top_down));
    return dibs_.back();
  }
  // The client area as presented.
  Image ClientPixels() {
    ::plat::UpdateWindow(view_);
    plat::test::Pump();
    const Image window = plat::test::Snapshot(view_);
    RECT frame{};
    view_.GetWindowRect(&frame);
    POINT origin{0, 0};
    view_.ClientToScreen(&origin);
    RECT client{};
    view_.GetClientRect(&client);
    Image out;
    out.width_px = client.right;
    out.height_px = client.bottom;
    for (int y = 0; y < client.bottom; ++y) {
      for (int x = 0; x < client.right; ++x) {
        out.pixels.push_back(window.At(origin.x - frame.left + x, origin.y - frame.top + y));
      }
    }
    return out;
  }
  // What the client should show: bitmap pixels by their centres, white beyond.
  Image Expected(int bitmap_width, int bitmap_height, double zoom) {
    RECT client{};
    view_.GetClientRect(&client);
    const POINT offset = view_.ScrollOffset();
    Image out;
    out.width_px = client.right;
    out.height_px = client.bottom;
    for (int y = 0; y < client.bottom; ++y) {
      for (int x = 0; x < client.right; ++x) {
        const int zx = x + offset.x;
        const int zy = y + offset.y;
        uint32_t colour = kWhite;
        if (zx < view_.zoomed_width() && zy < view_.zoomed_height()) {
          const int sx = std::min(bitmap_width - 1, static_cast<int>(std::floor((zx + 0.5) / zoom)));
          const int sy = std::min(bitmap_height - 1, static_cast<int>(std::floor((zy + 0.5) / zoom)));
          colour = AsRgb(PixelColour(sx, sy));
        }
        out.pixels.push_back(colour);
      }
    }
    return out;
  }
  // The first pixel that differs, as text; "" when none does.
  static std::string FirstDifference(const Image& got, const Image& want) {
    if (got.width_px != want.width_px || got.height_px != want.height_px) return "sizes differ";
    for (int y = 0; y < got.height_px; ++y) {
      for (int x = 0; x < got.width_px; ++x) {
        if (got.At(x, y) != want.At(x, y)) {
          char text[96];
          std::snprintf(text, sizeof(text), "(%d,%d): %06x, want %06x", x, y, got.At(x, y), want.At(x, y));
          return text;
        }
      }
    }
    return "";
  }

  RecordingOwner owner_;
  std::unique_ptr<HostWindow> host_;
  ImageView view_;
  std::vector<HGLOBAL> dibs_;
};

TEST(ImageViewMaths, ScrollScaleZoomedSizeAndHandles) {
  const struct {
    int64_t range;
    int scale;
  } scales[] = {{0, 1}, {32767, 1}, {32768, 2}, {65534, 2}, {65536, 3}, {98301, 3}, {98302, 4}};
  for (const auto& c : scales) {
    SCOPED_TRACE(c.range);
    EXPECT_EQ(ScrollScaleFor(c.range), c.scale);
  }
  EXPECT_EQ(ZoomedLength(1, 0.5), 1);  // never 0
  EXPECT_EQ(ZoomedLength(50, 0.01), 1);
  EXPECT_EQ(ZoomedLength(100, 3.0), 300);
  EXPECT_EQ(ZoomedLength(0, 2.0), 0);
  const RECT frame{30, 30, 60, 48};
  EXPECT_EQ(HitTestSelection(POINT{31, 31}, frame), 0);
  EXPECT_EQ(HitTestSelection(POINT{45, 32}, frame), 1);
  EXPECT_EQ(HitTestSelection(POINT{58, 39}, frame), 3);
  EXPECT_EQ(HitTestSelection(POINT{32, 39}, frame), 7);
  EXPECT_EQ(HitTestSelection(POINT{40, 36}, frame), 8);
  EXPECT_EQ(HitTestSelection(POINT{60, 36}, frame), -1);
  EXPECT_EQ(HitTestSelection(POINT{40, 36}, RECT{60, 48, 30, 30}), 8);  // normalised first
}

TEST_F(ImageViewTest, PaintsTheNearestPixelsAtEachZoomAndScrollPosition) {
  struct Case {
    const char* name;
    int bitmap_width, bitmap_height, bits;
    bool is_top_down;
    double percent;
    SIZE view;
    int bar;
    WORD code;
  };
  const Case cases[] = {
      {"4x3 at 100", 4, 3, 24, false, 100, {60, 40}, -1, 0},
      {"4x3 at 300", 4, 3, 24, false, 300, {60, 40}, -1, 0},
      {"4x3 at 50", 4, 3, 24, false, 50, {60, 40}, -1, 0},
      {"4x3 top-down at 300", 4, 3, 24, true, 300, {60, 40}, -1, 0},
      {"4x3 8-bit at 300", 4, 3, 8, false, 300, {60, 40}, -1, 0},
      {"300: a line down", 40, 30, 24, false, 300, {100, 80}, SB_VERT, SB_LINEDOWN},
      {"300: a line right", 40, 30, 24, false, 300, {100, 80}, SB_HORZ, SB_LINEDOWN},
      {"300: a page down", 40, 30, 24, false, 300, {100, 80}, SB_VERT, SB_PAGEDOWN},
      {"300: a page right", 40, 30, 24, false, 300, {100, 80}, SB_HORZ, SB_PAGEDOWN},
      {"100: a line down", 120, 90, 24, false, 100, {100, 80}, SB_VERT, SB_LINEDOWN},
      {"100: a page right", 120, 90, 24, false, 100, {100, 80}, SB_HORZ, SB_PAGEDOWN},
      {"250: a line right", 40, 30, 24, false, 250, {90, 70}, SB_HORZ, SB_LINEDOWN},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MakeView(c.view.cx, c.view.cy);
    view_.SetViewZoom(c.percent);
    ASSERT_EQ(view_.SetViewImage(Dib(c.bitmap_width, c.bitmap_height, c.bits, c.is_top_down)), 0);
    const double zoom = c.percent / 100.0;
    EXPECT_EQ(FirstDifference(ClientPixels(), Expected(c.bitmap_width, c.bitmap_height, zoom)), "");
    if (c.bar >= 0) {
      const POINT before = view_.ScrollOffset();
      view_.SendMessage(c.bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, c.code);
      const POINT after = view_.ScrollOffset();
      EXPECT_GT(c.bar == SB_VERT ? after.y - before.y : after.x - before.x, 0);
      EXPECT_EQ(FirstDifference(ClientPixels(), Expected(c.bitmap_width, c.bitmap_height, zoom)), "");
      // Back by a line: the uncovered strip is painted exactly too.
      view_.SendMessage(c.bar == SB_VERT ? WM_VSCROLL : WM_HSCROLL, SB_LINEUP);
      EXPECT_EQ(FirstDifference(ClientPixels(), Expected(c.bitmap_width, c.bitmap_height, zoom)), "");
    }
    view_.DestroyWindow();
    host_.reset();
  }
}

TEST_F(ImageViewTest, PageDownStopsAtTheLastPositionTheBarAllows) {
  MakeView(100, 80);
  view_.SetViewZoom(300);
  ASSERT_EQ(view_.SetViewImage(Dib(40, 30)), 0);
  SCROLLINFO info;
  view_.GetScrollInfo(SB_HORZ, &info);
  EXPECT_EQ(info.nMax, 120);
  RECT client{};
  view_.GetClientRect(&client);
  EXPECT_EQ(static_cast<int>(info.nPage), client.right);
  for (int i = 0; i < 3; ++i) view_.SendMessage(WM_HSCROLL, SB_PAGEDOWN);
  EXPECT_EQ(view_.GetScrollPos(SB_HORZ), 120 - client.right + 1);
  EXPECT_EQ(FirstDifference(ClientPixels(), Expected(40, 30, 3.0)), "");
}

TEST_F(ImageViewTest, TallImagesScaleTheirScrollRange) {
  MakeView(100, 80);
  struct Case {
    int height;
    int scale;
  };
  for (const Case c : {Case{32767, 1}, Case{65536, 3}}) {
    SCOPED_TRACE(c.height);
    ASSERT_EQ(view_.SetViewImage(Dib(1, c.height)), 0);
    EXPECT_EQ(view_.vertical_scale(), c.scale);
    SCROLLINFO info;
    view_.GetScrollInfo(SB_VERT, &info);
    EXPECT_EQ(info.nMax, c.height / c.scale);
    view_.SendMessage(WM_VSCROLL, SB_PAGEDOWN);
    EXPECT_EQ(view_.ScrollOffset().y, view_.GetScrollPos(SB_VERT) * c.scale);
  }
  view_.ClearViewImage();
}

TEST_F(ImageViewTest, AOnePixelBitmapAtHalfZoomKeepsOnePixel) {
  MakeView(60, 40);
  HGLOBAL dot = Dib(1, 1);
  view_.SetViewZoom(50);
  ASSERT_EQ(view_.SetViewImage(dot), 0);
  EXPECT_EQ(view_.zoomed_width(), 1);
  EXPECT_EQ(view_.zoomed_height(), 1);
  view_.SetViewZoom(100);
  view_.SetViewZoom(50);
  EXPECT_EQ(view_.zoomed_width(), 1);
  EXPECT_EQ(ClientPixels().At(0, 0), AsRgb(PixelColour(0, 0)));
}

TEST_F(ImageViewTest, ASmallerImageLeavesNothingOfTheOldOne) {
  MakeView(60, 40);
  ASSERT_EQ(view_.SetViewImage(Dib(50, 30)), 0);
  EXPECT_EQ(FirstDifference(ClientPixels(), Expected(50, 30, 1.0)), "");
  ASSERT_EQ(view_.SetViewImage(Dib(4, 3)), 0);  // invalidated without erasing
  EXPECT_EQ(FirstDifference(ClientPixels(), Expected(4, 3, 1.0)), "");
}

TEST_F(ImageViewTest, RefusesABitmapThatDoesNotFitItsBlock) {
  MakeView(60, 40);
  HGLOBAL dib = Dib(4, 3, 8);
  auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(dib));
  header->biClrUsed = 100000;  // a colour table far past the block
  GlobalUnlock(dib);
  EXPECT_EQ(view_.SetViewImage(dib), qrvErrInvalidParam);
  EXPECT_EQ(view_.bitmap(), 0u);
  EXPECT_EQ(view_.zoomed_width(), 0);
  EXPECT_EQ(ClientPixels().At(0, 0), kWhite);
  EXPECT_EQ(view_.SetSelectionRect(RECT{0, 0, 1, 1}), qrvErrSequenceError);
}

TEST_F(ImageViewTest, DragsReportRectanglesInBitmapPixels) {
  MakeView(200, 150);
  view_.SetViewZoom(300);
  ASSERT_EQ(view_.SetViewImage(Dib(40, 30)), 0);
  owner_.events.clear();
  owner_.forwarded.clear();
  // A new selection: a click at (30, 30) starts at pixel (10, 10).
  plat::test::Drag(view_, POINT{30, 30}, POINT{61, 47});
  ASSERT_FALSE(owner_.events.empty());
  EXPECT_EQ(owner_.events.front().rfind("dragging", 0), 0u);
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{"dragged 10,10,20,15"});
  EXPECT_EQ(view_.selection().right, 20);
  EXPECT_EQ(GetCapture(), nullptr);
  std::vector<UINT> buttons;
  for (UINT message : owner_.forwarded) {
    if (message != WM_MOUSEMOVE) buttons.push_back(message);
  }
  EXPECT_EQ(buttons, (std::vector<UINT>{WM_LBUTTONDOWN, WM_LBUTTONUP}));
  EXPECT_GT(owner_.forwarded.size(), 3u);  // the moves between

  // The frame and its handles are drawn: black at handle 0 and handle 4.
  const Image shot = ClientPixels();
  EXPECT_EQ(shot.At(31, 31), 0u);
  EXPECT_EQ(shot.At(58, 43), 0u);

  // Moving: the selection follows by whole pixels, also when dragged slowly.
  owner_.events.clear();
  plat::test::Drag(view_, POINT{40, 36}, POINT{52, 45});
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{"dragged 14,13,24,18"});
  owner_.events.clear();
  plat::test::Drag(view_, POINT{50, 45}, POINT{56, 45}, 6);
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{"dragged 16,13,26,18"});

  // A click without a move clears it.
  owner_.events.clear();
  plat::test::AdvanceTime(1000);
  plat::test::Click(view_, POINT{100, 80});  // outside the selection, inside the image
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{"cancel"});
  EXPECT_EQ(view_.selection().right, 0);
  EXPECT_EQ(view_.drag_mode(), 0);
}

TEST_F(ImageViewTest, EachHandleResizesItsEdges) {
  MakeView(200, 150);
  view_.SetViewZoom(300);
  ASSERT_EQ(view_.SetViewImage(Dib(40, 30)), 0);
  // The selection (10, 10, 20, 16) is (30, 30, 60, 48) zoomed; each handle's
  // centre is dragged to (45, 39), pixel (15, 13).
  const struct {
    POINT centre;
    const char* result;
  } handles[] = {
      {{32, 32}, "dragged 15,13,20,16"}, {{45, 32}, "dragged 10,13,20,16"}, {{58, 32}, "dragged 10,13,15,16"},
      {{58, 39}, "dragged 10,10,15,16"}, {{58, 46}, "dragged 10,10,15,13"}, {{45, 46}, "dragged 10,10,20,13"},
      {{32, 46}, "dragged 15,10,20,13"}, {{32, 39}, "dragged 15,10,20,16"},
  };
  for (size_t i = 0; i < std::size(handles); ++i) {
    SCOPED_TRACE(i);
    ASSERT_EQ(view_.SetSelectionRect(RECT{10, 10, 20, 16}), 0);
    owner_.events.clear();
    plat::test::Drag(view_, handles[i].centre, POINT{45, 39});
    EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{handles[i].result});
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(ImageViewTest, SelectionByCodeReportsZoomedRectangles) {
  MakeView(200, 150);
  EXPECT_EQ(view_.SetSelectionRect(RECT{0, 0, 1, 1}), qrvErrSequenceError);
  view_.SetViewZoom(200);
  ASSERT_EQ(view_.SetViewImage(Dib(40, 30)), 0);
  owner_.events.clear();
  EXPECT_EQ(view_.SetSelectionRect(RECT{10, 10, 20, 20}), 0);
  EXPECT_EQ(view_.SetSelectionRect(RECT{0, 0, 0, 0}), 0);
  EXPECT_EQ(view_.SetSelectionRect(RECT{0, 0, 41, 5}), qrvErrInvalidRectValue);
  EXPECT_EQ(view_.SetSelectionRect(RECT{-1, 0, 5, 5}), qrvErrInvalidRectValue);
  EXPECT_EQ(owner_.events, (std::vector<std::string>{"dragged 20,20,40,40", "dragged 0,0,0,0"}));
}

TEST_F(ImageViewTest, AutoScrollAdvancesWithTheClockAndEndsWithTheDrag) {
  MakeView(100, 80);
  view_.SetViewZoom(300);
  ASSERT_EQ(view_.SetViewImage(Dib(40, 30)), 0);
  RECT client{};
  view_.GetClientRect(&client);
  plat::test::MouseDown(view_, POINT{20, 20});
  plat::test::MoveMouse(view_, POINT{40, 30});
  ASSERT_EQ(view_.ScrollOffset().x, 0);
  plat::test::MoveMouse(view_, POINT{client.right - 1, 30});
  EXPECT_TRUE(view_.is_auto_scrolling());
  owner_.events.clear();
  plat::test::AdvanceTime(100);
  EXPECT_EQ(view_.ScrollOffset().x, 15);  // max(15, zoom) zoomed pixels a tick
  EXPECT_EQ(owner_.events.size(), 1u);
  plat::test::AdvanceTime(100);
  EXPECT_EQ(view_.ScrollOffset().x, 30);
  plat::test::AdvanceTime(1000);  // to the end, where the timer stops
  EXPECT_EQ(view_.ScrollOffset().x, 120 - client.right);
  EXPECT_FALSE(view_.is_auto_scrolling());
  owner_.events.clear();
  plat::test::MouseUp(view_, POINT{client.right - 1, 30});
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{"dragged 6,6,39,10"});
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_FALSE(view_.is_auto_scrolling());
  EXPECT_EQ(FirstDifference(ClientPixels(), Expected(40, 30, 3.0)).empty(), false);  // the frame shows
}

TEST_F(ImageViewTest, ADragEndedOutsideOrByLostCaptureReleasesEverything) {
  MakeView(100, 80);
  view_.SetViewZoom(100);
  ASSERT_EQ(view_.SetViewImage(Dib(60, 50)), 0);
  plat::test::MouseDown(view_, POINT{10, 10});
  plat::test::MoveMouse(view_, POINT{300, 200});  // far outside: held at the image's edge
  plat::test::MouseUp(view_, POINT{300, 200});
  EXPECT_EQ(GetCapture(), nullptr);
  EXPECT_EQ(owner_.Outcomes().back(), "dragged 10,10,60,50");
  // Capture taken away mid-drag: the drag ends without a result.
  owner_.events.clear();
  plat::test::MouseDown(view_, POINT{5, 5});
  plat::test::MoveMouse(view_, POINT{20, 20});
  ReleaseCapture();
  plat::test::Pump();
  EXPECT_EQ(view_.drag_mode(), 0);
  EXPECT_FALSE(view_.is_auto_scrolling());
  EXPECT_EQ(owner_.Outcomes(), std::vector<std::string>{});
}

TEST_F(ImageViewTest, ArrowKeysScrollAndEveryInputReachesTheOwner) {
  MakeView(100, 80);
  ASSERT_EQ(view_.SetViewImage(Dib(300, 200)), 0);
  view_.SetFocus();
  owner_.forwarded.clear();
  plat::test::Key(VK_DOWN);
  EXPECT_GT(view_.ScrollOffset().y, 0);
  plat::test::Key(VK_RIGHT);
  EXPECT_GT(view_.ScrollOffset().x, 0);
  plat::test::Click(view_, POINT{5, 5}, backend::MouseButton::kRight);
  const std::vector<UINT> expected = {WM_KEYDOWN, WM_KEYUP, WM_KEYDOWN, WM_KEYUP, WM_RBUTTONDOWN, WM_RBUTTONUP};
  std::vector<UINT> got;
  for (UINT message : owner_.forwarded) {
    if (message != WM_MOUSEMOVE) got.push_back(message);
  }
  EXPECT_EQ(got, expected);
  EXPECT_EQ(ClientPixels().At(0, 0), AsRgb(PixelColour(view_.ScrollOffset().x, view_.ScrollOffset().y)));
}

}  // namespace
}  // namespace ondavel::test
