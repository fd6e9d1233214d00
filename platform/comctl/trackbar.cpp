// The trackbar control: a thumb on a channel between a minimum and a
// maximum. The control moves its own position and then tells the parent
// (WM_HSCROLL / WM_VSCROLL with a TB_* code); every position it holds lies
// inside the range.
#include <algorithm>
#include <vector>

#include "comctl/control_base.h"
#include "plat/trackbar.h"

namespace plat::comctl {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 100;
constexpr int kThumbAlongPx = 11;   // the thumb's size along the channel
constexpr int kThumbAcrossPx = 20;  // and across it, at most
constexpr int kMarginPx = 4;
constexpr int kTickPx = 3;

enum class Drag { kNone, kThumb, kPageBack, kPageForward };

struct Trackbar {
  int min = 0;
  int max = 100;
  int pos = 0;
  int line = 1;
  int page = 20;
  int tic_freq = 1;
  std::vector<int> tics;  // set by TBM_SETTIC, strictly inside the range
  int sel_start = 0;
  int sel_end = 0;
  Drag drag = Drag::kNone;
  int grab_offset = 0;  // pointer offset from the thumb's centre while dragging
  POINT last_pointer{};
};

using TrackbarPtr = std::shared_ptr<Trackbar>;

bool IsVertical(HWND hwnd) { return (StyleOf(hwnd) & TBS_VERT) != 0; }

int Clamp(const Trackbar& bar, int pos) { return std::clamp(pos, bar.min, bar.max); }

// Normalises a range set in parts: a minimum above the maximum swaps them.
void SetRange(Trackbar& bar, int min, int max) {
  if (min > max) std::swap(min, max);
  bar.min = min;
  bar.max = max;
  bar.pos = Clamp(bar, bar.pos);
  std::erase_if(bar.tics, [&](int tic) { return tic <= bar.min || tic >= bar.max; });
  bar.sel_start = Clamp(bar, bar.sel_start);
  bar.sel_end = Clamp(bar, bar.sel_end);
}

struct Layout {
  RECT channel{};
  int start = 0;   // pixel of the minimum along the channel
  int length = 0;  // pixels from the minimum to the maximum
  int across_centre = 0;
  int thumb_across = 0;
};

Layout Measure(HWND hwnd) {
  RECT client{};
  GetClientRect(hwnd, &client);
  const bool is_vertical = IsVertical(hwnd);
  const int along = is_vertical ? client.bottom : client.right;
  const int across = is_vertical ? client.right : client.bottom;
  Layout layout;
  layout.thumb_across = std::max(4, std::min(kThumbAcrossPx, across - 2 * kMarginPx));
  layout.start = kMarginPx + kThumbAlongPx / 2;
  layout.length = std::max(0, along - 2 * layout.start);
  const DWORD style = StyleOf(hwnd);
  // Ticks take room on their side; the channel sits in what is left.
  int low = 0;
  int high = across;
  if ((style & TBS_NOTICKS) == 0) {
    if ((style & (TBS_TOP | TBS_BOTH)) != 0) low += kTickPx + 2;
    if ((style & TBS_TOP) == 0 || (style & TBS_BOTH) != 0) high -= kTickPx + 2;
  }
  layout.across_centre = (low + high) / 2;
  const RECT channel{layout.start - 2, layout.across_centre - 2, layout.start + layout.length + 2,
                     layout.across_centre + 2};
  layout.channel = is_vertical ? RECT{channel.top, channel.left, channel.bottom, channel.right} : channel;
  return layout;
}

int PixelOf(const Trackbar& bar, const Layout& layout, int pos) {
  const int64_t span = static_cast<int64_t>(bar.max) - bar.min;
  if (span <= 0) return layout.start;
  return layout.start + static_cast<int>((static_cast<int64_t>(pos) - bar.min) * layout.length / span);
}

int PosAtPixel(const Trackbar& bar, const Layout& layout, int pixel) {
  const int64_t span = static_cast<int64_t>(bar.max) - bar.min;
  if (layout.length <= 0 || span <= 0) return bar.min;
  const int64_t offset = std::clamp<int64_t>(pixel - layout.start, 0, layout.length);
  return Clamp(bar, static_cast<int>(bar.min + (offset * span + layout.length / 2) / layout.length));
}

RECT ThumbRect(HWND hwnd, const Trackbar& bar, const Layout& layout) {
  const int centre = PixelOf(bar, layout, bar.pos);
  const RECT along{centre - kThumbAlongPx / 2, layout.across_centre - layout.thumb_across / 2,
                   centre - kThumbAlongPx / 2 + kThumbAlongPx,
                   layout.across_centre - layout.thumb_across / 2 + layout.thumb_across};
  return IsVertical(hwnd) ? RECT{along.top, along.left, along.bottom, along.right} : along;
}

int AlongOf(HWND hwnd, POINT point) { return IsVertical(hwnd) ? point.y : point.x; }

void Report(HWND hwnd, WORD code, int pos) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  const bool carries_pos = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
  SendMessage(parent, IsVertical(hwnd) ? WM_VSCROLL : WM_HSCROLL,
              MAKEWPARAM(code, carries_pos ? static_cast<WORD>(pos) : 0), reinterpret_cast<LPARAM>(hwnd));
}

// Moves to `pos` (clamped) and tells the parent with `code`.
void MoveTo(HWND hwnd, Trackbar& bar, int64_t pos, WORD code) {
  const int clamped = static_cast<int>(std::clamp<int64_t>(pos, bar.min, bar.max));
  if (clamped != bar.pos) {
    bar.pos = clamped;
    InvalidateRect(hwnd, nullptr, TRUE);
  }
  Report(hwnd, code, bar.pos);
}

std::vector<int> TickPositions(HWND hwnd, const Trackbar& bar) {
  std::vector<int> ticks;
  if ((StyleOf(hwnd) & TBS_NOTICKS) != 0) return ticks;
  ticks.push_back(bar.min);
  if ((StyleOf(hwnd) & TBS_AUTOTICKS) != 0 && bar.tic_freq > 0) {
    for (int64_t tic = static_cast<int64_t>(bar.min) + bar.tic_freq; tic < bar.max; tic += bar.tic_freq) {
      ticks.push_back(static_cast<int>(tic));
    }
  } else {
    ticks.insert(ticks.end(), bar.tics.begin(), bar.tics.end());
  }
  if (bar.max != bar.min) ticks.push_back(bar.max);
  return ticks;
}

void Paint(HWND hwnd, const Trackbar& bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  HBRUSH background = ControlBrush(hwnd, dc, WM_CTLCOLORSTATIC);
  FillRect(dc, &client, background != nullptr ? background : GetSysColorBrush(COLOR_BTNFACE));
  const Layout layout = Measure(hwnd);
  const bool is_vertical = IsVertical(hwnd);
  RECT channel = layout.channel;
  FillRect(dc, &channel, GetSysColorBrush(COLOR_WINDOW));
  DrawSunkenFrame(dc, channel);
  if ((StyleOf(hwnd) & TBS_ENABLESELRANGE) != 0 && bar.sel_end > bar.sel_start) {
    const int from = PixelOf(bar, layout, bar.sel_start);
    const int to = PixelOf(bar, layout, bar.sel_end);
    RECT selection = is_vertical ? RECT{channel.left + 1, from, channel.right - 1, to}
                                 : RECT{from, channel.top + 1, to, channel.bottom - 1};
    FillRect(dc, &selection, GetSysColorBrush(COLOR_HIGHLIGHT));
  }
  const DWORD style = StyleOf(hwnd);
  const bool ticks_low = (style & (TBS_TOP | TBS_BOTH)) != 0;
  const bool ticks_high = (style & TBS_TOP) == 0 || (style & TBS_BOTH) != 0;
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  const int half = layout.thumb_across / 2;
  for (int tic : TickPositions(hwnd, bar)) {
    const int at = PixelOf(bar, layout, tic);
    for (int side = 0; side < 2; ++side) {
      if ((side == 0 && !ticks_low) || (side == 1 && !ticks_high)) continue;
      const int from = side == 0 ? layout.across_centre - half - kTickPx - 1 : layout.across_centre + half + 1;
      RECT mark = is_vertical ? RECT{from, at, from + kTickPx, at + 1} : RECT{at, from, at + 1, from + kTickPx};
      FillRect(dc, &mark, ink);
    }
  }
  if ((style & TBS_NOTHUMB) == 0) {
    RECT thumb = ThumbRect(hwnd, bar, layout);
    FillRect(dc, &thumb, GetSysColorBrush(IsWindowEnabled(hwnd) ? COLOR_BTNFACE : COLOR_3DLIGHT));
    DrawRaisedFrame(dc, thumb, bar.drag == Drag::kThumb);
  }
  if (GetFocus() == hwnd) DrawFocusFrame(dc, client);
  EndPaint(hwnd, &paint);
}

// One step of a held press on the channel: a page towards the pointer,
// until the thumb has reached it.
void PageTowardPointer(HWND hwnd, Trackbar& bar) {
  const Layout layout = Measure(hwnd);
  const int target = PosAtPixel(bar, layout, AlongOf(hwnd, bar.last_pointer));
  if (bar.drag == Drag::kPageBack && bar.pos > target) {
    MoveTo(hwnd, bar, std::max<int64_t>(static_cast<int64_t>(bar.pos) - bar.page, target), TB_PAGEUP);
  } else if (bar.drag == Drag::kPageForward && bar.pos < target) {
    MoveTo(hwnd, bar, std::min<int64_t>(static_cast<int64_t>(bar.pos) + bar.page, target), TB_PAGEDOWN);
  }
}

bool KeyStep(HWND hwnd, Trackbar& bar, WPARAM key) {
  switch (key) {
    case VK_LEFT:
    case VK_UP: MoveTo(hwnd, bar, static_cast<int64_t>(bar.pos) - bar.line, TB_LINEUP); return true;
    case VK_RIGHT:
    case VK_DOWN: MoveTo(hwnd, bar, static_cast<int64_t>(bar.pos) + bar.line, TB_LINEDOWN); return true;
    case VK_PRIOR: MoveTo(hwnd, bar, static_cast<int64_t>(bar.pos) - bar.page, TB_PAGEUP); return true;
    case VK_NEXT: MoveTo(hwnd, bar, static_cast<int64_t>(bar.pos) + bar.page, TB_PAGEDOWN); return true;
    case VK_HOME: MoveTo(hwnd, bar, bar.min, TB_TOP); return true;
    case VK_END: MoveTo(hwnd, bar, bar.max, TB_BOTTOM); return true;
    default: return false;
  }
}

void Redraw(HWND hwnd, WPARAM redraw) {
  if (redraw != 0) InvalidateRect(hwnd, nullptr, TRUE);
}

LRESULT Handle(HWND hwnd, const TrackbarPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Trackbar& bar = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd, bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE:
    case WM_SIZE:
    case WM_SETFOCUS:
    case WM_KILLFOCUS: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      SetFocus(hwnd);
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const Layout layout = Measure(hwnd);
      const RECT thumb = ThumbRect(hwnd, bar, layout);
      bar.last_pointer = point;
      SetCapture(hwnd);
      if ((StyleOf(hwnd) & TBS_NOTHUMB) == 0 && PtInRect(&thumb, point)) {
        bar.drag = Drag::kThumb;
        bar.grab_offset = AlongOf(hwnd, point) - PixelOf(bar, layout, bar.pos);
      } else {
        bar.drag = AlongOf(hwnd, point) < PixelOf(bar, layout, bar.pos) ? Drag::kPageBack : Drag::kPageForward;
        PageTowardPointer(hwnd, bar);
        SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, nullptr);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (bar.drag == Drag::kNone) return 0;
      bar.last_pointer = POINT{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (bar.drag != Drag::kThumb) return 0;
      const int pos = PosAtPixel(bar, Measure(hwnd), AlongOf(hwnd, bar.last_pointer) - bar.grab_offset);
      if (pos != bar.pos) MoveTo(hwnd, bar, pos, TB_THUMBTRACK);
      return 0;
    }
    case WM_TIMER:
      if (wparam != kRepeatTimer) return 0;
      SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
      if (bar.drag == Drag::kPageBack || bar.drag == Drag::kPageForward) PageTowardPointer(hwnd, bar);
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
      if (bar.drag == Drag::kNone) return 0;
      const Drag drag = bar.drag;
      bar.drag = Drag::kNone;
      KillTimer(hwnd, kRepeatTimer);
      if (message == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
      if (drag == Drag::kThumb) Report(hwnd, TB_THUMBPOSITION, bar.pos);
      Report(hwnd, TB_ENDTRACK, 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_KEYDOWN: return KeyStep(hwnd, bar, wparam) ? 0 : DefWindowProc(hwnd, message, wparam, lparam);
    case WM_KEYUP:
      switch (wparam) {
        case VK_LEFT: case VK_UP: case VK_RIGHT: case VK_DOWN:
        case VK_PRIOR: case VK_NEXT: case VK_HOME: case VK_END:
          Report(hwnd, TB_ENDTRACK, 0);
          return 0;
        default: return DefWindowProc(hwnd, message, wparam, lparam);
      }
    case TBM_GETPOS: return bar.pos;
    case TBM_GETRANGEMIN: return bar.min;
    case TBM_GETRANGEMAX: return bar.max;
    case TBM_SETPOS:
      bar.pos = Clamp(bar, static_cast<int>(lparam));
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETRANGE:
      SetRange(bar, static_cast<short>(LOWORD(lparam)), static_cast<short>(HIWORD(lparam)));
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETRANGEMIN:
      SetRange(bar, static_cast<int>(lparam), bar.max);
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETRANGEMAX:
      SetRange(bar, bar.min, static_cast<int>(lparam));
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETTIC: {
      const int tic = static_cast<int>(lparam);
      if (tic <= bar.min || tic >= bar.max) return FALSE;
      if (std::find(bar.tics.begin(), bar.tics.end(), tic) == bar.tics.end()) {
        bar.tics.insert(std::upper_bound(bar.tics.begin(), bar.tics.end(), tic), tic);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    }
    case TBM_GETTIC: {
      const auto index = static_cast<size_t>(wparam);
      return index < bar.tics.size() ? bar.tics[index] : -1;
    }
    case TBM_GETTICPOS: {
      const auto index = static_cast<size_t>(wparam);
      return index < bar.tics.size() ? PixelOf(bar, Measure(hwnd), bar.tics[index]) : -1;
    }
    case TBM_CLEARTICS:
      bar.tics.clear();
      Redraw(hwnd, wparam);
      return 0;
    case TBM_GETNUMTICS: return static_cast<LRESULT>(TickPositions(hwnd, bar).size());
    case TBM_SETTICFREQ:
      bar.tic_freq = std::max(1, static_cast<int>(wparam));
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    case TBM_SETPAGESIZE: {
      const int previous = bar.page;
      bar.page = std::max(1, static_cast<int>(lparam));
      return previous;
    }
    case TBM_GETPAGESIZE: return bar.page;
    case TBM_SETLINESIZE: {
      const int previous = bar.line;
      bar.line = std::max(1, static_cast<int>(lparam));
      return previous;
    }
    case TBM_GETLINESIZE: return bar.line;
    case TBM_SETSEL:
      bar.sel_start = Clamp(bar, static_cast<short>(LOWORD(lparam)));
      bar.sel_end = Clamp(bar, static_cast<short>(HIWORD(lparam)));
      if (bar.sel_start > bar.sel_end) std::swap(bar.sel_start, bar.sel_end);
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETSELSTART:
      bar.sel_start = Clamp(bar, static_cast<int>(lparam));
      bar.sel_end = std::max(bar.sel_end, bar.sel_start);
      Redraw(hwnd, wparam);
      return 0;
    case TBM_SETSELEND:
      bar.sel_end = Clamp(bar, static_cast<int>(lparam));
      bar.sel_start = std::min(bar.sel_start, bar.sel_end);
      Redraw(hwnd, wparam);
      return 0;
    case TBM_GETSELSTART: return bar.sel_start;
    case TBM_GETSELEND: return bar.sel_end;
    case TBM_CLEARSEL:
      bar.sel_start = bar.sel_end = bar.min;
      Redraw(hwnd, wparam);
      return 0;
    case TBM_GETTHUMBRECT:
      if (lparam != 0) *reinterpret_cast<RECT*>(lparam) = ThumbRect(hwnd, bar, Measure(hwnd));
      return 0;
    case TBM_GETCHANNELRECT:
      if (lparam != 0) *reinterpret_cast<RECT*>(lparam) = Measure(hwnd).channel;
      return 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK TrackbarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Trackbar, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
