// What the window tests share: an owner that records what the windows tell
// their control, a host frame for them, and packed bitmaps with a known
// colour per pixel.
#ifndef CONTROLS_EDIT_TESTS_WINDOW_TEST_SUPPORT_H_
#define CONTROLS_EDIT_TESTS_WINDOW_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

#include "plat/ctl/wnd.h"
#include "plat/global_memory.h"
#include "plat/testing.h"
#include "window_owner.h"

namespace ondavel::test {

// Records each call as a line: "dragging l,t,r,b", "dragged l,t,r,b",
// "cancel", "acq <record>"; forwarded messages separately.
class RecordingOwner : public WindowOwner {
 public:
  void NotifyDraggingRect(const plat::RECT& rect) override { events.push_back("dragging " + Text(rect)); }
  void NotifyDraggedRect(const plat::RECT& rect) override { events.push_back("dragged " + Text(rect)); }
  void NotifyCancelDrag() override { events.push_back("cancel"); }
  void ForwardViewMessage(plat::UINT message, plat::WPARAM, plat::LPARAM) override { forwarded.push_back(message); }
  void HandleAcqNotify(plat::LPARAM record) override { events.push_back("acq " + std::to_string(record)); }
  static std::string Text(const plat::RECT& rect);
  // The events other than "dragging", in order.
  std::vector<std::string> Outcomes() const;
  std::vector<std::string> events;
  std::vector<plat::UINT> forwarded;
};

// The colour of pixel (x, y) of every test bitmap (distinct for x, y < 256).
plat::COLORREF PixelColour(int x, int y);
// 0x00RRGGBB, as snapshots give pixels.
uint32_t AsRgb(plat::COLORREF colour);
// A packed DIB of `width` x `height` with PixelColour pixels: 24 bits, or 8
// bits with a palette of PixelColour(i % 16, i / 16) (index x % 16 + 16 (y % 16)).
HGLOBAL MakeDib(int width, int height, int bits = 24, bool is_top_down = false);

// A top-level window of the framework to be the windows' parent.
class HostWindow : public plat::CWnd {
 public:
  explicit HostWindow(int width = 400, int height = 300);
  ~HostWindow() override;
};

}  // namespace ondavel::test

#endif  // CONTROLS_EDIT_TESTS_WINDOW_TEST_SUPPORT_H_
