// The control's windows on a real screen (the Qt backend under Xvfb, run by
// scripts/screen-tests.sh): a zoomed, scrolled view with a selection, a
// thumbnail grid with a selected cell, and the page window while pages are
// added. Each is photographed from the X server into the build tree and
// checked by its pixels.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "image_view.h"
#include "module_resources.h"
#include "page_preview_window.h"
#include "plat/sys_colors.h"
#include "tests/support/test_support.h"
#include "thumbnail_list.h"
#include "window_test_support.h"

namespace ondavel::test {
namespace {

using namespace plat;

constexpr int kAttempts = 30;

// What the X server shows of a window: 0x00RRGGBB pixels of its window
// rectangle, and where its client area starts in them.
struct Photo {
  int width = 0;
  int height = 0;
  POINT client{};
  std::vector<uint32_t> pixels;
  uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
  // The distinct colours of a rectangle of the photo.
  std::set<uint32_t> Colours(const RECT& area) const {
    std::set<uint32_t> colours;
    for (int y = std::max<int>(0, area.top); y < std::min<int>(height, area.bottom); ++y) {
      for (int x = std::max<int>(0, area.left); x < std::min<int>(width, area.right); ++x) colours.insert(At(x, y));
    }
    return colours;
  }
};

// Lets the window system and the display run for `ms`: the display's
// events are taken while the thread waits, so a timer keeps waking it.
void RunFor(HWND window, int ms) {
  constexpr UINT_PTR kWakeTimer = 0x5C5C;
  SetTimer(window, kWakeTimer, 20, nullptr);
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    WaitMessage();
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  KillTimer(window, kWakeTimer);
}

std::string ScreenFile(const std::string& name) {
  const std::string folder = ONDAVEL_SCREEN_DIR;
  testing_support::RunCommand("mkdir -p '" + folder + "'");
  return folder + "/" + name;
}

// Photographs `window` (a top-level window) into `file`.
Photo Photograph(HWND window, const std::string& file) {
  RECT rect{};
  GetWindowRect(window, &rect);
  Photo photo;
  photo.width = rect.right - rect.left;
  photo.height = rect.bottom - rect.top;
  POINT origin{0, 0};
  ClientToScreen(window, &origin);
  photo.client = POINT{origin.x - rect.left, origin.y - rect.top};
  const std::string geometry = std::to_string(photo.width) + "x" + std::to_string(photo.height) + "+" +
                               std::to_string(rect.left) + "+" + std::to_string(rect.top);
  if (testing_support::RunCommand("import-im6.q16 -window root -crop " + geometry + " +repage '" + file + "'") != 0) {
    return photo;
  }
  std::string rgb;
  testing_support::RunCommand("convert-im6.q16 '" + file + "' -depth 8 rgb:-", &rgb);
  if (rgb.size() != static_cast<size_t>(photo.width) * photo.height * 3) return photo;
  for (size_t i = 0; i < rgb.size(); i += 3) {
    photo.pixels.push_back(uint32_t{static_cast<uint8_t>(rgb[i])} << 16 | uint32_t{static_cast<uint8_t>(rgb[i + 1])} << 8 |
                           static_cast<uint8_t>(rgb[i + 2]));
  }
  return photo;
}

// Photographs until `check` passes or the attempts run out; the last photo.
Photo PhotographUntil(HWND window, const std::string& file, const std::function<bool(const Photo&)>& check) {
  Photo photo;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    RunFor(window, 200);
    photo = Photograph(window, file);
    if (!photo.pixels.empty() && check(photo)) break;
  }
  return photo;
}

// A child's rectangle in the photo of its top-level window.
RECT InPhoto(const Photo& photo, HWND top, HWND child, const RECT& client_rect) {
  POINT origin{0, 0};
  ClientToScreen(child, &origin);
  POINT top_origin{0, 0};
  ClientToScreen(top, &top_origin);
  const int dx = origin.x - top_origin.x + photo.client.x;
  const int dy = origin.y - top_origin.y + photo.client.y;
  return RECT{client_rect.left + dx, client_rect.top + dy, client_rect.right + dx, client_rect.bottom + dy};
}

TEST(OndavelWindowsScreenTest, AZoomedScrolledViewWithASelection) {
  HostWindow host(360, 300);
  ImageView view;
  RecordingOwner owner;
  ASSERT_TRUE(view.Create(&host, RECT{10, 10, 330, 250}, 1, &owner));
  HGLOBAL dib = MakeDib(120, 100);
  view.SetViewZoom(300);
  ASSERT_EQ(view.SetViewImage(dib), 0);
  view.SendMessage(WM_VSCROLL, SB_LINEDOWN);
  view.SendMessage(WM_HSCROLL, SB_LINEDOWN);
  const POINT offset = view.ScrollOffset();
  ASSERT_GT(offset.x, 0);
  ASSERT_GT(offset.y, 0);
  ASSERT_EQ(view.SetSelectionRect(RECT{20, 15, 50, 40}), 0);
  // Client pixel (2, 2) shows the bitmap pixel under its centre; handle 0
  // of the selection is black.
  const auto source = [&](int client) { return (client + 0.5) / 3.0; };
  const uint32_t image = AsRgb(PixelColour(static_cast<int>(source(2 + offset.x)), static_cast<int>(source(2 + offset.y))));
  const POINT handle{60 - offset.x + 1, 45 - offset.y + 1};
  const Photo photo = PhotographUntil(host, ScreenFile("ondavel_view.png"), [&](const Photo& shot) {
    const RECT at = InPhoto(shot, host, view, RECT{2, 2, 3, 3});
    const RECT black = InPhoto(shot, host, view, RECT{handle.x, handle.y, handle.x + 1, handle.y + 1});
    return shot.At(at.left, at.top) == image && shot.At(black.left, black.top) == 0;
  });
  ASSERT_FALSE(photo.pixels.empty());
  const RECT at = InPhoto(photo, host, view, RECT{2, 2, 3, 3});
  const RECT black = InPhoto(photo, host, view, RECT{handle.x, handle.y, handle.x + 1, handle.y + 1});
  EXPECT_EQ(photo.At(at.left, at.top), image);
  EXPECT_EQ(photo.At(black.left, black.top), 0u);
  view.ClearViewImage();
  view.DestroyWindow();
  GlobalFree(dib);
}

TEST(OndavelWindowsScreenTest, AThumbnailGridWithASelectedCell) {
  HostWindow host(480, 400);
  ThumbnailList list;
  ASSERT_TRUE(list.Create(&host, 59648));
  list.SetThumbnailSize(96, 72);
  const CSize size = list.CalcListWindowSize(2, 3, FALSE);
  RECT frame{0, 0, size.cx, size.cy};
  AdjustWindowRectEx(&frame, list.GetStyle(), FALSE, list.GetExStyle());
  list.SetWindowPos(nullptr, 5, 5, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER);
  for (int i = 0; i < 6; ++i) list.AddThumbnail(MakeDib(60 + 30 * i, 40 + 10 * i), nullptr);
  ASSERT_TRUE(list.SelectThumbnail(1, TRUE));
  const uint32_t highlight = AsRgb(GetSysColor(COLOR_HIGHLIGHT));
  const RECT cell = list.CellRect(1);
  const RECT caption = list.CaptionRect(cell);
  const RECT other = list.CaptionRect(list.CellRect(0));
  const Photo photo = PhotographUntil(host, ScreenFile("ondavel_thumbnails.png"), [&](const Photo& shot) {
    const RECT spot = InPhoto(shot, host, list, RECT{caption.right - 2, caption.top + 1, 0, 0});
    return shot.At(spot.left, spot.top) == highlight;
  });
  ASSERT_FALSE(photo.pixels.empty());
  const RECT spot = InPhoto(photo, host, list, RECT{caption.right - 2, caption.top + 1, 0, 0});
  EXPECT_EQ(photo.At(spot.left, spot.top), highlight);
  const RECT unselected = InPhoto(photo, host, list, RECT{other.right - 2, other.top + 1, 0, 0});
  EXPECT_EQ(photo.At(unselected.left, unselected.top), AsRgb(GetSysColor(COLOR_BTNFACE)));
  // The pictures show the bitmaps' colours.
  const RECT picture = list.PictureRect(1, cell);
  const RECT corner = InPhoto(photo, host, list, RECT{picture.left, picture.top, 0, 0});
  EXPECT_EQ(photo.At(corner.left, corner.top), AsRgb(PixelColour(0, 0)));
  list.DestroyWindow();
}

TEST(OndavelWindowsScreenTest, ThePageWindowWhilePagesAreAdded) {
  CQRVNTiffAcqWnd window;
  window.SetThumbnailSize(80, 60);
  window.SetSelectionMode(1);
  ASSERT_TRUE(window.CreatePreview(nullptr, "イメージ一覧", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                   window.CalcListWindowSize(2, 3, TRUE), nullptr, kPageMenuId, TRUE));
  window.SetPageCount(5);
  for (int i = 0; i < 3; ++i) window.AddPreviewPage(MakeDib(50 + 20 * i, 40));
  window.SelectThumbnail(0);
  RECT toolbar{};
  window.toolbar().GetClientRect(&toolbar);
  RECT status{};
  window.status_bar().GetClientRect(&status);
  const auto varied = [&](const Photo& shot) {
    return shot.Colours(InPhoto(shot, window, window.toolbar(), toolbar)).size() > 2 &&
           shot.Colours(InPhoto(shot, window, window.status_bar(), status)).size() > 2;
  };
  const Photo photo = PhotographUntil(window, ScreenFile("ondavel_page_window.png"), varied);
  ASSERT_FALSE(photo.pixels.empty());
  EXPECT_GT(photo.Colours(InPhoto(photo, window, window.toolbar(), toolbar)).size(), 2u);
  EXPECT_GT(photo.Colours(InPhoto(photo, window, window.status_bar(), status)).size(), 2u);
  // The progress bar in pane 1 is 3/5 full: its highlight shows.
  RECT pane{};
  window.status_bar().GetItemRect(1, &pane);
  EXPECT_EQ(photo.Colours(InPhoto(photo, window, window.status_bar(), pane)).count(AsRgb(GetSysColor(COLOR_HIGHLIGHT))),
            1u);
  window.FinishAdding();
  window.DestroyWindow();
}

}  // namespace
}  // namespace ondavel::test
