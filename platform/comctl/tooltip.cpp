// Tooltips: a top-level pop-up that shows the text of the tool under the
// pointer. Its owner relays mouse messages; the tip shows after the initial
// delay over one tool, moves straight to another tool while shown, and hides
// on a press, when the pointer leaves every tool, or after the auto-pop delay.
#include <algorithm>
#include <string>
#include <vector>

#include "comctl/control_base.h"
#include "plat/control_bars.h"
#include "plat/resources.h"

namespace plat::comctl {

namespace {

constexpr UINT_PTR kInitialTimer = 1;
constexpr UINT_PTR kAutoPopTimer = 2;
constexpr UINT kDefaultInitialMs = 500;
constexpr UINT kDefaultAutoPopMs = 5000;
constexpr int kPadding = 4;
constexpr int kBelowPointer = 20;
constexpr size_t kNone = static_cast<size_t>(-1);

struct Tool {
  TOOLINFO info;     // lpszText kept only for the callback and resource forms
  std::string text;  // the tool's own text otherwise
};

struct Tooltip {
  std::vector<Tool> tools;
  size_t shown = kNone;
  size_t pending = kNone;
  bool is_active = true;
  UINT initial_ms = kDefaultInitialMs;
  UINT autopop_ms = kDefaultAutoPopMs;
};

using TooltipPtr = std::shared_ptr<Tooltip>;

bool IsStringPointer(const char* text) { return text != nullptr && text != LPSTR_TEXTCALLBACK && !IS_INTRESOURCE(text); }

std::string ResourceString(HINSTANCE instance, const char* id) {
  char text[512] = {};
  LoadString(instance, static_cast<UINT>(reinterpret_cast<uintptr_t>(id)), text, sizeof(text));
  return text;
}

size_t FindTool(const Tooltip& tip, const TOOLINFO* info) {
  if (info == nullptr) return kNone;
  for (size_t i = 0; i < tip.tools.size(); ++i) {
    if (tip.tools[i].info.hwnd == info->hwnd && tip.tools[i].info.uId == info->uId) return i;
  }
  return kNone;
}

void StoreText(Tool& tool, const char* text) {
  if (IsStringPointer(text)) {
    tool.text = text;
    tool.info.lpszText = nullptr;
  } else {
    tool.text.clear();
    tool.info.lpszText = const_cast<char*>(text);
  }
}

// The tool under a relayed message's point.
size_t ToolAt(const Tooltip& tip, const MSG& msg) {
  const POINT point{GET_X_LPARAM(msg.lParam), GET_Y_LPARAM(msg.lParam)};
  for (size_t i = 0; i < tip.tools.size(); ++i) {
    const TOOLINFO& info = tip.tools[i].info;
    if ((info.uFlags & TTF_IDISHWND) != 0) {
      if (reinterpret_cast<HWND>(info.uId) == msg.hwnd) return i;
      continue;
    }
    if (info.hwnd == msg.hwnd && PtInRect(&info.rect, point)) return i;
  }
  return kNone;
}

void Notify(HWND hwnd, const Tool& tool, UINT code) {
  if (tool.info.hwnd == nullptr) return;
  NMHDR header;
  header.hwndFrom = hwnd;
  header.idFrom = tool.info.uId;
  header.code = code;
  SendMessage(tool.info.hwnd, WM_NOTIFY, tool.info.uId, reinterpret_cast<LPARAM>(&header));
}

std::string TextOf(HWND hwnd, const Tool& tool) {
  const TOOLINFO& info = tool.info;
  if (info.lpszText == LPSTR_TEXTCALLBACK) {
    NMTTDISPINFO display;
    display.hdr.hwndFrom = hwnd;
    display.hdr.idFrom = info.uId;
    display.hdr.code = TTN_GETDISPINFO;
    display.lParam = info.lParam;
    if (info.hwnd != nullptr) SendMessage(info.hwnd, WM_NOTIFY, info.uId, reinterpret_cast<LPARAM>(&display));
    if (display.lpszText != nullptr && display.lpszText != LPSTR_TEXTCALLBACK) {
      if (IS_INTRESOURCE(display.lpszText)) return ResourceString(display.hinst, display.lpszText);
      return display.lpszText;
    }
    display.szText[sizeof(display.szText) - 1] = '\0';
    return display.szText;
  }
  if (info.lpszText != nullptr && IS_INTRESOURCE(info.lpszText)) return ResourceString(info.hinst, info.lpszText);
  return tool.text;
}

void Hide(HWND hwnd, Tooltip& tip) {
  KillTimer(hwnd, kAutoPopTimer);
  if (tip.shown == kNone) return;
  const size_t was = tip.shown;
  tip.shown = kNone;
  ShowWindow(hwnd, SW_HIDE);
  if (was < tip.tools.size()) Notify(hwnd, tip.tools[was], TTN_POP);
}

void Show(HWND hwnd, Tooltip& tip, size_t index) {
  const std::string text = TextOf(hwnd, tip.tools[index]);
  if (text.empty()) {
    Hide(hwnd, tip);
    return;
  }
  SetWindowText(hwnd, text.c_str());
  HDC dc = GetDC(hwnd);
  HFONT previous = SelectObject(dc, DefaultControlFont());
  SIZE extent{};
  GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  const int width = extent.cx + 2 * kPadding + 2;
  const int height = extent.cy + 2 * kPadding;
  POINT at{};
  GetCursorPos(&at);
  at.y += kBelowPointer;
  at.x = std::clamp<int>(at.x, 0, std::max(0, GetSystemMetrics(SM_CXSCREEN) - width));
  at.y = std::clamp<int>(at.y, 0, std::max(0, GetSystemMetrics(SM_CYSCREEN) - height));
  tip.shown = index;
  SetWindowPos(hwnd, HWND_TOPMOST, at.x, at.y, width, height, SWP_NOACTIVATE | SWP_SHOWWINDOW);
  InvalidateRect(hwnd, nullptr, TRUE);
  Notify(hwnd, tip.tools[index], TTN_SHOW);
  SetTimer(hwnd, kAutoPopTimer, tip.autopop_ms, nullptr);
}

void Relay(HWND hwnd, Tooltip& tip, const MSG* msg) {
  if (msg == nullptr || !tip.is_active) return;
  switch (msg->message) {
    case WM_MOUSEMOVE: {
      const size_t tool = ToolAt(tip, *msg);
      if (tool == kNone) {
        KillTimer(hwnd, kInitialTimer);
        tip.pending = kNone;
        Hide(hwnd, tip);
      } else if (tool == tip.shown) {
        // Still over the tool that shows.
      } else if (tip.shown != kNone) {
        Show(hwnd, tip, tool);
      } else if (tool != tip.pending) {
        tip.pending = tool;
        SetTimer(hwnd, kInitialTimer, tip.initial_ms, nullptr);
      }
      break;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
    case WM_MOUSELEAVE:
      KillTimer(hwnd, kInitialTimer);
      tip.pending = kNone;
      Hide(hwnd, tip);
      break;
    default: break;
  }
}

void Paint(HWND hwnd) {
  PAINTSTRUCT paint;
  HDC dc = BeginPaint(hwnd, &paint);
  RECT client{};
  GetClientRect(hwnd, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_INFOBK));
  FrameRect(dc, &client, GetSysColorBrush(COLOR_INFOTEXT));
  const int length = GetWindowTextLength(hwnd);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  text.resize(static_cast<size_t>(GetWindowText(hwnd, text.data(), length + 1)));
  HFONT previous = SelectObject(dc, DefaultControlFont());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_INFOTEXT));
  RECT inside = client;
  InflateRect(&inside, -kPadding, 0);
  plat::DrawText(dc, text.data(), static_cast<int>(text.size()), &inside, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SelectObject(dc, previous);
  EndPaint(hwnd, &paint);
}

LRESULT Handle(HWND hwnd, const TooltipPtr& state, UINT message, WPARAM wparam, LPARAM lparam) {
  Tooltip& tip = *state;
  switch (message) {
    case WM_PAINT: Paint(hwnd); return 0;
    case WM_ERASEBKGND: return 1;
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCHITTEST: return HTTRANSPARENT;
    case WM_TIMER:
      if (wparam == kInitialTimer) {
        KillTimer(hwnd, kInitialTimer);
        const size_t pending = tip.pending;
        tip.pending = kNone;
        if (pending < tip.tools.size() && tip.is_active) Show(hwnd, tip, pending);
      } else if (wparam == kAutoPopTimer) {
        Hide(hwnd, tip);
      }
      return 0;
    case TTM_ACTIVATE:
      tip.is_active = wparam != 0;
      if (!tip.is_active) {
        KillTimer(hwnd, kInitialTimer);
        tip.pending = kNone;
        Hide(hwnd, tip);
      }
      return 0;
    case TTM_SETDELAYTIME: {
      const UINT ms = static_cast<int>(lparam) < 0 ? 0 : static_cast<UINT>(lparam);
      if (wparam == TTDT_INITIAL || wparam == TTDT_AUTOMATIC) tip.initial_ms = ms != 0 ? ms : kDefaultInitialMs;
      if (wparam == TTDT_AUTOPOP || wparam == TTDT_AUTOMATIC) tip.autopop_ms = ms != 0 ? ms : kDefaultAutoPopMs;
      return 0;
    }
    case TTM_ADDTOOL: {
      const auto* info = reinterpret_cast<const TOOLINFO*>(lparam);
      if (info == nullptr || FindTool(tip, info) != kNone) return FALSE;
      Tool tool;
      tool.info = *info;
      StoreText(tool, info->lpszText);
      tip.tools.push_back(std::move(tool));
      return TRUE;
    }
    case TTM_DELTOOL: {
      const size_t index = FindTool(tip, reinterpret_cast<const TOOLINFO*>(lparam));
      if (index == kNone) return 0;
      if (index == tip.shown) Hide(hwnd, tip);
      if (tip.pending == index) tip.pending = kNone;
      tip.tools.erase(tip.tools.begin() + static_cast<ptrdiff_t>(index));
      if (tip.shown != kNone && tip.shown > index) --tip.shown;
      if (tip.pending != kNone && tip.pending > index) --tip.pending;
      return 0;
    }
    case TTM_NEWTOOLRECT: {
      const auto* info = reinterpret_cast<const TOOLINFO*>(lparam);
      const size_t index = FindTool(tip, info);
      if (index != kNone) tip.tools[index].info.rect = info->rect;
      return 0;
    }
    case TTM_UPDATETIPTEXT: {
      const auto* info = reinterpret_cast<const TOOLINFO*>(lparam);
      const size_t index = FindTool(tip, info);
      if (index == kNone) return 0;
      tip.tools[index].info.hinst = info->hinst;
      StoreText(tip.tools[index], info->lpszText);
      if (index == tip.shown) Show(hwnd, tip, index);
      return 0;
    }
    case TTM_GETTOOLINFO: {
      auto* info = reinterpret_cast<TOOLINFO*>(lparam);
      const size_t index = FindTool(tip, info);
      if (index == kNone) return FALSE;
      *info = tip.tools[index].info;
      return TRUE;
    }
    case TTM_GETTOOLCOUNT: return static_cast<LRESULT>(tip.tools.size());
    case TTM_GETCURRENTTOOL: {
      if (tip.shown == kNone) return FALSE;
      if (auto* info = reinterpret_cast<TOOLINFO*>(lparam); info != nullptr) *info = tip.tools[tip.shown].info;
      return TRUE;
    }
    case TTM_RELAYEVENT: Relay(hwnd, tip, reinterpret_cast<const MSG*>(lparam)); return 0;
    case TTM_POP:
      Hide(hwnd, tip);
      return 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

}  // namespace

LRESULT CALLBACK TooltipProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  return RunControl<Tooltip, &Handle>(hwnd, message, wparam, lparam);
}

}  // namespace plat::comctl
