// The progress bar: a range, a position kept inside it and a step, drawn as
// a sunken well filled from the left (bottom when vertical) in the highlight
// colour, in whole chunks unless PBS_SMOOTH.
#include <algorithm>

#include "comctl/control_base.h"
#include "plat/control_bars.h"

namespace plat::comctl {

namespace {

constexpr int kFrame = 1;

struct ProgressBar {
  int low = 0;
  int high = 100;
  int pos = 0;
  int step = 10;
};

using ProgressBarPtr = std::shared_ptr<ProgressBar>;

// The position inside the range (an empty range keeps it at low).
int Clamp(const ProgressBar& bar, int64_t pos) { return static_cast<int>(std::clamp<int64_t>(pos, bar.low, bar.high)); }

// The filled length in pixels of `length`, in chunks of 3/4 of the bar's
// thickness (plus a gap of 2) unless smooth.
int FilledLength(const ProgressBar& bar, int length, int thickness, bool is_smooth) {
  const int64_t span = static_cast<int64_t>(bar.high) - bar.low;
  if (span <= 0 || length <= 0) return 0;
  const int filled = static_cast<int>(static_cast<int64_t>(length) * (bar.pos - bar.low) / span);
  if (is_smooth) return filled;
  const int chunk = std::max(2, thickness * 3 / 4) + 2;
  return std::min(length, (filled + chunk - 1) / chunk * chunk);
}

void Paint(HWND hwnd, const ProgressBar& bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(dc, &client, BDR_SUNKENOUTER, BF_RECT);
  RECT inside = client;
  InflateRect(&inside, -kFrame, -kFrame);
  const DWORD style = StyleOf(hwnd);
  const bool is_vertical = (style & PBS_VERTICAL) != 0;
  const bool is_smooth = (style & PBS_SMOOTH) != 0;
  const int length = is_vertical ? inside.bottom - inside.top : inside.right - inside.left;
  const int thickness = is_vertical ? inside.right - inside.left : inside.bottom - inside.top;
  const int filled = FilledLength(bar, length, thickness, is_smooth);
  RECT done = inside;
  if (is_vertical) {
    done.top = done.bottom - filled;
  } else {
    done.right = done.left + filled;
  }
  if (filled > 0) FillRect(dc, &done, GetSysColorBrush(COLOR_HIGHLIGHT));
  if (!is_smooth && filled > 0) {
    // The gaps between the chunks.
    const int chunk = std::max(2, thickness * 3 / 4) + 2;
    for (int at = chunk - 2; at < filled; at += chunk) {
      RECT gap = is_vertical ? RECT{inside.left, done.bottom - at - 2, inside.right, done.bottom - at}
                             : RECT{inside.left + at, inside.top, inside.left + at + 2, inside.bottom};
      FillRect(dc, &gap, GetSysColorBrush(COLOR_BTNFACE));
    }
  }
  EndPaint(hwnd, &paint);
}

// Sets the position and repaints when it changed; the old position.
LRESULT MoveTo(HWND hwnd, ProgressBar& bar, int64_t pos) {
  const int old = bar.pos;
  bar.pos = Clamp(bar, pos);
  if (bar.pos != old) InvalidateRect(hwnd, nullptr, FALSE);
  return old;
}

LRESULT SetRange(HWND hwnd, ProgressBar& bar, int low, int high) {
  const LRESULT old = MAKELRESULT(static_cast<WORD>(bar.low), static_cast<WORD>(bar.high));
  bar.low = std::min(low, high);
  bar.high = std::max(low, high);
  bar.pos = Clamp(bar, bar.pos);
  InvalidateRect(hwnd, nullptr, FALSE);
  return old;
}

LRESULT Handle(HWND hwnd, const ProgressBarPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  ProgressBar& bar = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd, bar); return 0;
    case WM_ERASEBKGND: return 1;
    case PBM_SETRANGE:
      return SetRange(hwnd, bar, static_cast<SHORT>(LOWORD(static_cast<uintptr_t>(lparam))),
                      static_cast<SHORT>(HIWORD(static_cast<uintptr_t>(lparam))));
    case PBM_SETRANGE32: return SetRange(hwnd, bar, static_cast<int>(wparam), static_cast<int>(lparam));
    case PBM_GETRANGE: {
      if (auto* range = reinterpret_cast<PBRANGE*>(lparam); range != nullptr) *range = {bar.low, bar.high};
      return wparam != 0 ? bar.low : bar.high;
    }
    case PBM_SETPOS: return MoveTo(hwnd, bar, static_cast<int>(wparam));
    case PBM_DELTAPOS: return MoveTo(hwnd, bar, static_cast<int64_t>(bar.pos) + static_cast<int>(wparam));
    case PBM_GETPOS: return bar.pos;
    case PBM_SETSTEP: {
      const int old = bar.step;
      bar.step = static_cast<int>(wparam);
      return old;
    }
    case PBM_STEPIT: {
      int64_t next = static_cast<int64_t>(bar.pos) + bar.step;
      if (next > bar.high) next = bar.low + (next - bar.high);  // wraps round
      if (next < bar.low) next = bar.high - (bar.low - next);
      return MoveTo(hwnd, bar, next);
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK ProgressBarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<ProgressBar, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
