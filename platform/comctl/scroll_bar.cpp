// The SCROLLBAR control: arrows, a page track and a thumb, horizontal or
// vertical, reporting to its parent with WM_HSCROLL / WM_VSCROLL (the
// control's handle in lparam). Holding an arrow or the track repeats.
#include <algorithm>

#include "comctl/control_base.h"

namespace plat::comctl {

namespace {

constexpr UINT_PTR kRepeatTimer = 1;
constexpr UINT kFirstRepeatMs = 400;
constexpr UINT kRepeatMs = 50;
constexpr int kMinThumbPixels = 8;

enum class Part { kNone, kArrowBack, kPageBack, kThumb, kPageForward, kArrowForward };

struct ScrollBar {
  int min = 0;
  int max = 100;
  int page = 0;
  int pos = 0;
  int track_pos = 0;
  UINT disabled_arrows = ESB_ENABLE_BOTH;
  Part pressed = Part::kNone;
  bool is_inside = false;
  int grab_offset = 0;  // pointer offset inside the thumb while dragging
};

using ScrollBarPtr = std::shared_ptr<ScrollBar>;

bool IsVertical(HWND hwnd) { return (GetWindowLongPtr(hwnd, GWL_STYLE) & SBS_VERT) != 0; }

int MaxPos(const ScrollBar& bar) { return std::max(bar.min, bar.max - std::max(bar.page - 1, 0)); }
int ClampPos(const ScrollBar& bar, int pos) { return std::clamp(pos, bar.min, MaxPos(bar)); }

struct Geometry {
  int length = 0;  // along the bar
  int arrow = 0;
  int thumb_start = 0;
  int thumb_length = 0;
};

Geometry Measure(HWND hwnd, const ScrollBar& bar, int pos) {
  RECT client{};
  GetClientRect(hwnd, &client);
  Geometry geometry;
  const bool is_vertical = IsVertical(hwnd);
  geometry.length = is_vertical ? client.bottom : client.right;
  const int thickness = is_vertical ? client.right : client.bottom;
  geometry.arrow = std::min(thickness, geometry.length / 2);
  const int track = geometry.length - 2 * geometry.arrow;
  const int64_t range = static_cast<int64_t>(bar.max) - bar.min + 1;
  if (track < kMinThumbPixels || range <= 0 || (bar.page > 0 && bar.page >= range)) return geometry;
  geometry.thumb_length = bar.page > 0 ? static_cast<int>(std::max<int64_t>(kMinThumbPixels, track * bar.page / range))
                                       : std::min(thickness, track);
  const int room = track - geometry.thumb_length;
  const int span = MaxPos(bar) - bar.min;
  geometry.thumb_start = geometry.arrow + (span > 0 ? static_cast<int>(static_cast<int64_t>(room) * (pos - bar.min) / span) : 0);
  return geometry;
}

Part PartAt(HWND hwnd, const ScrollBar& bar, POINT point) {
  const Geometry geometry = Measure(hwnd, bar, bar.pos);
  const int along = IsVertical(hwnd) ? point.y : point.x;
  if (along < 0 || along >= geometry.length) return Part::kNone;
  if (along < geometry.arrow) return Part::kArrowBack;
  if (along >= geometry.length - geometry.arrow) return Part::kArrowForward;
  if (geometry.thumb_length == 0) return Part::kNone;
  if (along < geometry.thumb_start) return Part::kPageBack;
  if (along < geometry.thumb_start + geometry.thumb_length) return Part::kThumb;
  return Part::kPageForward;
}

void Report(HWND hwnd, WORD code, int pos) {
  HWND parent = GetParent(hwnd);
  if (parent == nullptr) return;
  SendMessage(parent, IsVertical(hwnd) ? WM_VSCROLL : WM_HSCROLL, MAKEWPARAM(code, static_cast<WORD>(pos)),
              reinterpret_cast<LPARAM>(hwnd));
}

void ReportPart(HWND hwnd, const ScrollBar& bar, Part part) {
  switch (part) {
    case Part::kArrowBack:
      if ((bar.disabled_arrows & ESB_DISABLE_LTUP) == 0) Report(hwnd, SB_LINEUP, 0);
      break;
    case Part::kArrowForward:
      if ((bar.disabled_arrows & ESB_DISABLE_RTDN) == 0) Report(hwnd, SB_LINEDOWN, 0);
      break;
    case Part::kPageBack: Report(hwnd, SB_PAGEUP, 0); break;
    case Part::kPageForward: Report(hwnd, SB_PAGEDOWN, 0); break;
    default: break;
  }
}

void DrawTriangle(HDC dc, RECT box, Part part, bool is_vertical, bool is_enabled) {
  const int cx = (box.left + box.right) / 2;
  const int cy = (box.top + box.bottom) / 2;
  HBRUSH ink = GetSysColorBrush(is_enabled ? COLOR_BTNTEXT : COLOR_GRAYTEXT);
  const bool is_back = part == Part::kArrowBack;
  for (int step = 0; step < 4; ++step) {
    const int reach = is_back ? step : 3 - step;
    RECT line = is_vertical ? RECT{cx - reach, cy - 2 + step, cx + reach + 1, cy - 1 + step}
                            : RECT{cx - 2 + step, cy - reach, cx - 1 + step, cy + reach + 1};
    FillRect(dc, &line, ink);
  }
}

void Paint(HWND hwnd, const ScrollBar& bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  HBRUSH track = ControlBrush(hwnd, dc, WM_CTLCOLORSCROLLBAR);
  FillRect(dc, &client, track != nullptr ? track : GetSysColorBrush(COLOR_SCROLLBAR));
  const bool is_vertical = IsVertical(hwnd);
  const int shown_pos = bar.pressed == Part::kThumb ? bar.track_pos : bar.pos;
  const Geometry geometry = Measure(hwnd, bar, shown_pos);
  const auto span = [&](int start, int length) {
    return is_vertical ? RECT{0, start, client.right, start + length} : RECT{start, 0, start + length, client.bottom};
  };
  const bool is_enabled = IsWindowEnabled(hwnd) != FALSE;
  for (Part part : {Part::kArrowBack, Part::kArrowForward}) {
    const RECT box = span(part == Part::kArrowBack ? 0 : geometry.length - geometry.arrow, geometry.arrow);
    FillRect(dc, &box, GetSysColorBrush(COLOR_BTNFACE));
    DrawRaisedFrame(dc, box, bar.pressed == part && bar.is_inside);
    const UINT disabled = part == Part::kArrowBack ? ESB_DISABLE_LTUP : ESB_DISABLE_RTDN;
    DrawTriangle(dc, box, part, is_vertical, is_enabled && (bar.disabled_arrows & disabled) == 0);
  }
  if (geometry.thumb_length > 0 && is_enabled) {
    const RECT thumb = span(geometry.thumb_start, geometry.thumb_length);
    FillRect(dc, &thumb, GetSysColorBrush(COLOR_BTNFACE));
    DrawRaisedFrame(dc, thumb, false);
  }
  EndPaint(hwnd, &paint);
}

int TrackPosAt(HWND hwnd, const ScrollBar& bar, POINT point) {
  const Geometry geometry = Measure(hwnd, bar, bar.pos);
  const int room = geometry.length - 2 * geometry.arrow - geometry.thumb_length;
  if (room <= 0) return bar.pos;
  const int along = (IsVertical(hwnd) ? point.y : point.x) - bar.grab_offset - geometry.arrow;
  const int span = MaxPos(bar) - bar.min;
  return ClampPos(bar, bar.min + static_cast<int>((static_cast<int64_t>(along) * span + room / 2) / room));
}

LRESULT SetInfo(HWND hwnd, ScrollBar& bar, const SCROLLINFO* info, bool redraw) {
  if (info == nullptr) return bar.pos;
  if ((info->fMask & SIF_RANGE) != 0) {
    bar.min = info->nMin;
    bar.max = std::max(info->nMin, info->nMax);
  }
  if ((info->fMask & SIF_PAGE) != 0) {
    const int64_t range = static_cast<int64_t>(bar.max) - bar.min + 1;
    bar.page = static_cast<int>(std::min<int64_t>(info->nPage, range));
  }
  if ((info->fMask & SIF_POS) != 0) bar.pos = info->nPos;
  bar.pos = ClampPos(bar, bar.pos);
  if (redraw) InvalidateRect(hwnd, nullptr, TRUE);
  return bar.pos;
}

LRESULT Handle(HWND hwnd, const ScrollBarPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  ScrollBar& bar = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd, bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_ENABLE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_SIZE: InvalidateRect(hwnd, nullptr, TRUE); return 0;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const Part part = PartAt(hwnd, bar, point);
      if (part == Part::kNone) return 0;
      bar.pressed = part;
      bar.is_inside = true;
      SetCapture(hwnd);
      if (part == Part::kThumb) {
        const Geometry geometry = Measure(hwnd, bar, bar.pos);
        bar.grab_offset = (IsVertical(hwnd) ? point.y : point.x) - geometry.thumb_start;
        bar.track_pos = bar.pos;
      } else {
        ReportPart(hwnd, bar, part);
        SetTimer(hwnd, kRepeatTimer, kFirstRepeatMs, nullptr);
      }
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_MOUSEMOVE: {
      if (bar.pressed == Part::kNone) return 0;
      const POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      if (bar.pressed == Part::kThumb) {
        const int track = TrackPosAt(hwnd, bar, point);
        if (track != bar.track_pos) {
          bar.track_pos = track;
          InvalidateRect(hwnd, nullptr, TRUE);
          Report(hwnd, SB_THUMBTRACK, track);
        }
        return 0;
      }
      const bool is_inside = PartAt(hwnd, bar, point) == bar.pressed;
      if (is_inside != bar.is_inside) {
        bar.is_inside = is_inside;
        InvalidateRect(hwnd, nullptr, TRUE);
      }
      return 0;
    }
    case WM_TIMER:
      if (wparam != kRepeatTimer) return 0;
      SetTimer(hwnd, kRepeatTimer, kRepeatMs, nullptr);
      if (bar.pressed != Part::kNone && bar.pressed != Part::kThumb && bar.is_inside) {
        POINT cursor{};
        GetCursorPos(&cursor);
        ScreenToClient(hwnd, &cursor);
        // The track repeats until the thumb reaches the pointer.
        const Part under = PartAt(hwnd, bar, cursor);
        if (bar.pressed == Part::kArrowBack || bar.pressed == Part::kArrowForward || under == bar.pressed) {
          ReportPart(hwnd, bar, bar.pressed);
        }
      }
      return 0;
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED: {
      if (bar.pressed == Part::kNone) return 0;
      const Part pressed = bar.pressed;
      bar.pressed = Part::kNone;
      KillTimer(hwnd, kRepeatTimer);
      if (message == WM_LBUTTONUP && GetCapture() == hwnd) ReleaseCapture();
      if (pressed == Part::kThumb) Report(hwnd, SB_THUMBPOSITION, bar.track_pos);
      Report(hwnd, SB_ENDSCROLL, 0);
      InvalidateRect(hwnd, nullptr, TRUE);
      return 0;
    }
    case WM_GETDLGCODE: return DLGC_WANTARROWS;
    case WM_KEYDOWN: {
      const bool is_vertical = IsVertical(hwnd);
      switch (wparam) {
        case VK_UP: if (is_vertical) Report(hwnd, SB_LINEUP, 0); break;
        case VK_DOWN: if (is_vertical) Report(hwnd, SB_LINEDOWN, 0); break;
        case VK_LEFT: if (!is_vertical) Report(hwnd, SB_LINELEFT, 0); break;
        case VK_RIGHT: if (!is_vertical) Report(hwnd, SB_LINERIGHT, 0); break;
        case VK_PRIOR: Report(hwnd, SB_PAGEUP, 0); break;
        case VK_NEXT: Report(hwnd, SB_PAGEDOWN, 0); break;
        case VK_HOME: Report(hwnd, SB_TOP, 0); break;
        case VK_END: Report(hwnd, SB_BOTTOM, 0); break;
        default: return 0;
      }
      Report(hwnd, SB_ENDSCROLL, 0);
      return 0;
    }
    case SBM_SETPOS: {
      const int previous = bar.pos;
      bar.pos = ClampPos(bar, static_cast<int>(static_cast<intptr_t>(wparam)));
      if (lparam != 0 && bar.pos != previous) InvalidateRect(hwnd, nullptr, TRUE);
      return previous;
    }
    case SBM_GETPOS: return bar.pos;
    case SBM_SETRANGE:
    case SBM_SETRANGEREDRAW: {
      const int previous = bar.pos;
      bar.min = static_cast<int>(static_cast<intptr_t>(wparam));
      bar.max = std::max(bar.min, static_cast<int>(lparam));
      bar.page = std::min<int>(bar.page, bar.max - bar.min + 1);
      bar.pos = ClampPos(bar, bar.pos);
      if (message == SBM_SETRANGEREDRAW) InvalidateRect(hwnd, nullptr, TRUE);
      return previous;
    }
    case SBM_GETRANGE:
      if (wparam != 0) *reinterpret_cast<int*>(wparam) = bar.min;
      if (lparam != 0) *reinterpret_cast<int*>(lparam) = bar.max;
      return 0;
    case SBM_ENABLE_ARROWS:
      bar.disabled_arrows = static_cast<UINT>(wparam) & ESB_DISABLE_BOTH;
      InvalidateRect(hwnd, nullptr, TRUE);
      return TRUE;
    case SBM_SETSCROLLINFO: return SetInfo(hwnd, bar, reinterpret_cast<const SCROLLINFO*>(lparam), wparam != 0);
    case SBM_GETSCROLLINFO: {
      auto* info = reinterpret_cast<SCROLLINFO*>(lparam);
      if (info == nullptr) return FALSE;
      if ((info->fMask & SIF_RANGE) != 0) {
        info->nMin = bar.min;
        info->nMax = bar.max;
      }
      if ((info->fMask & SIF_PAGE) != 0) info->nPage = static_cast<UINT>(bar.page);
      if ((info->fMask & SIF_POS) != 0) info->nPos = bar.pos;
      if ((info->fMask & SIF_TRACKPOS) != 0) info->nTrackPos = bar.pressed == Part::kThumb ? bar.track_pos : bar.pos;
      return TRUE;
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ScrollBarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<ScrollBar, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
