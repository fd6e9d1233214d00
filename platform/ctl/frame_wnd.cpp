// CFrameWnd: menu from a resource, bars along the edges, the client window in
// the rest, and command prompts and tips from string resources.
#include "plat/ctl/frame_wnd.h"

#include <cstring>
#include <vector>

#include "plat/menu.h"
#include "plat/resources.h"

namespace plat {

namespace {

constexpr WORD kMenuClosed = 0xFFFF;

BOOL CollectChild(HWND child, LPARAM param) {
  reinterpret_cast<std::vector<HWND>*>(param)->push_back(child);
  return TRUE;
}

// A bar counts while it is meant to show, also in a frame not shown yet.
bool HasVisibleStyle(HWND child) { return (::plat::GetWindowLongPtr(child, GWL_STYLE) & WS_VISIBLE) != 0; }

// The frame's direct children in their order.
std::vector<HWND> DirectChildren(HWND frame) {
  std::vector<HWND> all;
  EnumChildWindows(frame, &CollectChild, reinterpret_cast<LPARAM>(&all));
  std::vector<HWND> direct;
  for (HWND child : all) {
    if (::plat::GetParent(child) == frame) direct.push_back(child);
  }
  return direct;
}

}  // namespace

BOOL CFrameWnd::Create(const char* class_name, const char* title, DWORD style, const RECT& rect, CWnd* parent,
                       const char* menu_name, DWORD ex_style, HINSTANCE resources) {
  if (m_hWnd != nullptr) return FALSE;
  HMENU menu = nullptr;
  if (menu_name != nullptr) {
    menu = LoadMenu(resources, menu_name);
    if (menu == nullptr) return FALSE;
  }
  resources_ = resources;
  if (class_name == nullptr) {
    class_name = RegisterWindowClass(CS_DBLCLKS, LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)),
                                     GetSysColorBrush(COLOR_WINDOW));
  }
  const HWND owner = parent != nullptr ? parent->m_hWnd : nullptr;
  // The bars and the client window cover the client area: the frame's own
  // painting leaves them alone.
  style = (style & ~WS_CHILD) | WS_CLIPCHILDREN;
  if (class_name == nullptr || !CreateEx(ex_style, class_name, title, style, rect.left, rect.top,
                                         rect.right - rect.left, rect.bottom - rect.top, owner, menu)) {
    if (menu != nullptr && IsMenu(menu)) DestroyMenu(menu);
    return FALSE;
  }
  // The bars made while creating are placed now (no size change may follow).
  RecalcLayout();
  return TRUE;
}

void CFrameWnd::RecalcLayout(BOOL /*notify*/) {
  if (m_hWnd == nullptr || is_in_layout_) return;
  is_in_layout_ = true;
  RECT area{};
  GetClientRect(&area);
  std::vector<HWND> bottoms;
  HWND pane = nullptr;
  for (HWND child : DirectChildren(m_hWnd)) {
    if (static_cast<UINT>(::plat::GetDlgCtrlID(child)) == AFX_IDW_PANE_FIRST) pane = child;
    auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandlePermanent(child));
    if (bar == nullptr || !HasVisibleStyle(child)) continue;
    if ((bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) != 0) {
      bottoms.push_back(child);
      continue;
    }
    if ((bar->GetBarStyle() & CBRS_ALIGN_TOP) == 0) continue;
    const int height = bar->CalcFixedLayout(TRUE, TRUE).cy;
    ::plat::SetWindowPos(child, nullptr, area.left, area.top, area.right - area.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    area.top += height;
  }
  for (HWND child : bottoms) {
    auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandlePermanent(child));
    const int height = bar->CalcFixedLayout(TRUE, TRUE).cy;
    area.bottom -= height;
    ::plat::SetWindowPos(child, nullptr, area.left, area.bottom, area.right - area.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (area.bottom < area.top) area.bottom = area.top;
  if (pane != nullptr) {
    ::plat::SetWindowPos(pane, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE);
  }
  is_in_layout_ = false;
}

CRect CFrameWnd::GetPaneRect() const {
  RECT area{};
  GetClientRect(&area);
  for (HWND child : DirectChildren(m_hWnd)) {
    auto* bar = dynamic_cast<CControlBar*>(CWnd::FromHandlePermanent(child));
    if (bar == nullptr || !HasVisibleStyle(child)) continue;
    RECT rect{};
    ::plat::GetWindowRect(child, &rect);
    const int height = rect.bottom - rect.top;
    if ((bar->GetBarStyle() & CBRS_ALIGN_BOTTOM) != 0) {
      area.bottom -= height;
    } else if ((bar->GetBarStyle() & CBRS_ALIGN_TOP) != 0) {
      area.top += height;
    }
  }
  if (area.bottom < area.top) area.bottom = area.top;
  return CRect(area);
}

CWnd* CFrameWnd::GetMessageBar() const { return GetDlgItem(static_cast<int>(AFX_IDW_STATUS_BAR)); }

void CFrameWnd::SetMessageText(const char* text) {
  CWnd* bar = GetMessageBar();
  if (bar == nullptr) return;
  if (auto* status = dynamic_cast<CStatusBar*>(bar); status != nullptr) {
    status->SetPaneText(0, text);
  } else {
    bar->SendMessage(SB_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : ""));
  }
}

void CFrameWnd::SetMessageText(UINT id) {
  if (id == 0) {
    SetMessageText(idle_message_.c_str());
    return;
  }
  SetMessageText(LoadCommandText(id, 0));
}

CString CFrameWnd::LoadCommandText(UINT id, int part) const {
  char text[512] = {};
  if (resources_ == nullptr || LoadString(resources_, id, text, sizeof(text)) <= 0) return CString();
  const char* newline = std::strchr(text, '\n');
  if (newline == nullptr) return CString(text);
  return part == 0 ? CString(text, static_cast<int>(newline - text)) : CString(newline + 1);
}

LRESULT CFrameWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  switch (message) {
    case WM_SETMESSAGESTRING:
      SetMessageText(static_cast<UINT>(wparam));
      return 0;
    case WM_MENUSELECT: {
      const WORD id = LOWORD(wparam);
      const WORD flags = HIWORD(wparam);
      if (flags == kMenuClosed && lparam == 0) {
        SetMessageText(0u);
      } else if ((flags & (MF_POPUP | MF_SEPARATOR)) == 0 && id != 0) {
        SetMessageText(static_cast<UINT>(id));
      }
      return 0;
    }
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lparam);
      if (header != nullptr && header->code == TTN_GETDISPINFO) {
        auto* display = reinterpret_cast<NMTTDISPINFO*>(lparam);
        // The text lives in the frame until the next request, whole.
        tip_text_ = LoadCommandText(static_cast<UINT>(header->idFrom), 1).c_str();
        display->lpszText = tip_text_.data();
        return 0;
      }
      break;
    }
    default: break;
  }
  return CWnd::WindowProc(message, wparam, lparam);
}

void CFrameWnd::OnSize(UINT type, int cx, int cy) {
  CWnd::OnSize(type, cx, cy);
  if (type != SIZE_MINIMIZED) RecalcLayout();
}

void CFrameWnd::OnSetFocus(CWnd* old_focus) {
  CWnd::OnSetFocus(old_focus);
  if (CWnd* pane = GetDlgItem(static_cast<int>(AFX_IDW_PANE_FIRST)); pane != nullptr) pane->SetFocus();
}

}  // namespace plat
