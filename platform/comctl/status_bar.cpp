// The status bar: a row of parts given by their right edges, each a sunken
// well (or borderless, or raised) with one line of text. Unless told not to,
// it keeps itself along the bottom of its parent at the full width whenever
// it is sized (a parent passes its WM_SIZE on), with a height from its font.
#include <algorithm>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "plat/control_bars.h"

namespace plat::comctl {

namespace {

constexpr int kMaxParts = 256;
constexpr int kBorderVertical = 2;  // above and below the wells
constexpr int kBorderBetween = 2;   // between two wells
constexpr int kTextInset = 3;       // text from a well's left edge
constexpr int kGripWidth = 14;

struct Part {
  int right = -1;
  std::string text;
  UINT flags = 0;  // SBT_*
};

struct StatusBar {
  std::vector<Part> parts{Part{}};
  bool is_simple = false;
  Part simple;
  int min_height = 0;
  HFONT font = nullptr;
  bool is_placing = false;
};

using StatusBarPtr = std::shared_ptr<StatusBar>;

HFONT FontOf(const StatusBar& bar) { return bar.font != nullptr ? bar.font : DefaultControlFont(); }

int BarHeight(const StatusBar& bar) {
  return std::max(bar.min_height, LineHeight(FontOf(bar)) + 4 + 2 * kBorderVertical);
}

// The well of part `index` in client coordinates.
RECT PartRect(HWND hwnd, const StatusBar& bar, size_t index) {
  RECT client{};
  GetClientRect(hwnd, &client);
  if (bar.is_simple) return RECT{0, kBorderVertical, client.right, client.bottom};
  int left = 0;
  for (size_t i = 0; i < bar.parts.size(); ++i) {
    int right = bar.parts[i].right < 0 ? client.right : std::min(bar.parts[i].right, static_cast<int>(client.right));
    right = std::max(right, left);
    if (i == index) return RECT{left, kBorderVertical, right, client.bottom};
    left = right + kBorderBetween;
  }
  return RECT{};
}

// Status bars keep to the bottom.
void PlaceInParent(HWND hwnd, StatusBar& bar) { PlaceBarInParent(hwnd, BarHeight(bar), true, bar.is_placing); }

void DrawPart(HDC dc, const Part& part, RECT well) {
  if ((part.flags & SBT_NOBORDERS) == 0) {
    DrawEdge(dc, &well, (part.flags & SBT_POPOUT) != 0 ? BDR_RAISEDINNER : BDR_SUNKENOUTER, BF_RECT);
  }
  RECT text = well;
  text.left += kTextInset;
  text.right -= 1;
  InflateRect(&text, 0, -1);
  if (text.right > text.left && !part.text.empty()) {
    plat::DrawText(dc, part.text.data(), static_cast<int>(part.text.size()), &text,
                   DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  }
}

void Paint(HWND hwnd, const StatusBar& bar) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_BTNFACE));
  HFONT previous = SelectObject(dc, FontOf(bar));
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  if (bar.is_simple) {
    DrawPart(dc, bar.simple, PartRect(hwnd, bar, 0));
  } else {
    for (size_t i = 0; i < bar.parts.size(); ++i) DrawPart(dc, bar.parts[i], PartRect(hwnd, bar, i));
  }
  if ((StyleOf(hwnd) & SBARS_SIZEGRIP) != 0) {
    RECT grip{client.right - kGripWidth, client.bottom - kGripWidth, client.right, client.bottom};
    DrawFrameControl(dc, &grip, DFC_SCROLL, DFCS_SCROLLSIZEGRIP);
  }
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

Part* PartOf(StatusBar& bar, WPARAM wparam) {
  const size_t index = wparam & 0xFF;
  if (index == SB_SIMPLEID) return &bar.simple;
  return index < bar.parts.size() ? &bar.parts[index] : nullptr;
}

LRESULT TextAnswer(const Part& part) {
  return MAKELRESULT(static_cast<WORD>(std::min<size_t>(part.text.size(), 0xFFFF)), static_cast<WORD>(part.flags));
}

LRESULT Handle(HWND hwnd, const StatusBarPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  StatusBar& bar = *state;
  switch (message) {
    case WM_CREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
      if (create->lpszName != nullptr) bar.parts[0].text = create->lpszName;
      PlaceInParent(hwnd, bar);
      return 0;
    }
    case WM_PAINT: Paint(hwnd, bar); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_SIZE:
      PlaceInParent(hwnd, bar);
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_SETFONT:
      bar.font = reinterpret_cast<HFONT>(wparam);
      if (lparam != 0) InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_GETFONT: return reinterpret_cast<LRESULT>(bar.font);
    case WM_SETTEXT:
      bar.parts[0].text = std::string(TextParam(lparam));
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    case WM_GETTEXT: return CopyTextOut(bar.parts[0].text, reinterpret_cast<char*>(lparam), static_cast<int>(wparam));
    case WM_GETTEXTLENGTH: return static_cast<LRESULT>(bar.parts[0].text.size());
    case SB_SETTEXT: {
      Part* part = PartOf(bar, wparam);
      if (part == nullptr) return FALSE;
      part->text = std::string(TextParam(lparam));
      part->flags = static_cast<UINT>(wparam) & (SBT_NOBORDERS | SBT_POPOUT);
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case SB_GETTEXT: {
      Part* part = PartOf(bar, wparam);
      if (part == nullptr) return 0;
      if (auto* out = reinterpret_cast<char*>(lparam); out != nullptr) {
        std::copy(part->text.begin(), part->text.end(), out);
        out[part->text.size()] = '\0';
      }
      return TextAnswer(*part);
    }
    case SB_GETTEXTLENGTH: {
      Part* part = PartOf(bar, wparam);
      return part != nullptr ? TextAnswer(*part) : 0;
    }
    case SB_SETPARTS: {
      const auto* rights = reinterpret_cast<const int*>(lparam);
      const size_t count = wparam;
      if (rights == nullptr || count == 0 || count > kMaxParts) return FALSE;
      bar.parts.resize(count);
      for (size_t i = 0; i < count; ++i) bar.parts[i].right = rights[i];
      InvalidateRect(hwnd, nullptr, FALSE);
      return TRUE;
    }
    case SB_GETPARTS: {
      if (auto* out = reinterpret_cast<int*>(lparam); out != nullptr) {
        for (size_t i = 0; i < std::min<size_t>(wparam, bar.parts.size()); ++i) out[i] = bar.parts[i].right;
      }
      return static_cast<LRESULT>(bar.parts.size());
    }
    case SB_GETBORDERS: {
      auto* out = reinterpret_cast<int*>(lparam);
      if (out == nullptr) return FALSE;
      out[0] = 0;
      out[1] = kBorderVertical;
      out[2] = kBorderBetween;
      return TRUE;
    }
    case SB_SETMINHEIGHT:
      bar.min_height = static_cast<int>(wparam);
      return 0;
    case SB_SIMPLE:
      bar.is_simple = wparam != 0;
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case SB_ISSIMPLE: return bar.is_simple ? TRUE : FALSE;
    case SB_GETRECT: {
      auto* out = reinterpret_cast<RECT*>(lparam);
      const size_t index = wparam;
      if (out == nullptr || (!bar.is_simple && index >= bar.parts.size())) return FALSE;
      *out = PartRect(hwnd, bar, index);
      return TRUE;
    }
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK StatusBarProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<StatusBar, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
