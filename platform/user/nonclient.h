// The non-client area of a window: its layout from the style, hit testing,
// drawing and the tracking loops behind caption, border and scroll-bar presses.
#ifndef PLAT_USER_NONCLIENT_H_
#define PLAT_USER_NONCLIENT_H_

#include <string>
#include <vector>

#include "user/window_system.h"

namespace plat::user {

// Parts of a window in window coordinates; empty rectangles for missing parts.
struct NonClientLayout {
  RECT window{};
  RECT client{};
  int frame = 0;
  RECT caption{};
  RECT sys_menu{};
  RECT min_button{};
  RECT max_button{};
  RECT close_button{};
  RECT menu{};
  RECT vscroll{};
  RECT hscroll{};
  RECT size_box{};
};

enum class ScrollPart : uint8_t { kNone, kLineUp, kPageUp, kThumb, kPageDown, kLineDown };

struct ThumbSpan {
  int start = 0;   // window coordinate along the bar
  int length = 0;  // 0: no thumb
  int track_start = 0;
  int track_length = 0;
};

NonClientLayout LayoutOf(const Window& window);

// The items of a window's menu bar, laid out left to right in window
// coordinates.
struct MenuBarItem {
  RECT rect{};
  UINT flags = 0;
  UINT_PTR id = 0;
  HMENU popup = nullptr;
  std::string text;
};
std::vector<MenuBarItem> MenuBarLayout(const Window& window);
// A press on the menu bar at `screen`: the item's pop-up runs (its choice
// comes as WM_COMMAND), a plain item sends WM_COMMAND at once.
void TrackMenuBar(HWND hwnd, POINT screen);
// The system menu under the icon at the caption's left; a choice comes as
// WM_SYSCOMMAND.
void TrackSystemMenu(HWND hwnd);
LRESULT HitTestNonClient(const Window& window, POINT screen);
ScrollPart ScrollPartAt(const Window& window, int bar, POINT window_point, int* thumb_pos);
ThumbSpan ThumbOf(const Window& window, int bar);
void PaintNonClient(HWND hwnd);
// One line of caption or menu text in the GUI font, centred vertically.
void DrawMenuText(HDC dc, const std::string& text, RECT rect, COLORREF colour, UINT format);
void DrawScrollBar(HDC dc, const Window& window, int bar);
void TrackMoveOrSize(HWND hwnd, LRESULT hit, POINT start_screen);
void TrackScrollBar(HWND hwnd, int bar, POINT start_screen);

}  // namespace plat::user

#endif  // PLAT_USER_NONCLIENT_H_
