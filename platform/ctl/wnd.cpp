// Window objects: the map from windows to their objects, the one framework
// procedure and the one subclass hook that route messages to an object, and
// the object's calls on its window. A message's object is looked up when the
// message arrives, so an object detached inside a handler gets nothing more.
#include "plat/ctl/wnd.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>
#include <utility>
#include <unordered_map>
#include <vector>

#include "plat/ctl/dc.h"
#include "plat/ctl/gdi_objects.h"
#include "plat/gdi.h"

namespace plat {

// The routing of messages to window objects; a friend of CWnd.
struct WndRouting {
  static LRESULT CALLBACK FrameworkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static LRESULT CALLBACK HookProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                   DWORD_PTR ref_data);
  static LRESULT Route(CWnd* wnd, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam);
  static void Bind(CWnd* wnd, HWND hwnd, bool is_hooked);
  static void Unbind(CWnd* wnd);
  static bool IsFrameworkClass(const char* class_name);
  static void SetTemporary(CWnd* wnd, HWND hwnd) {
    wnd->m_hWnd = hwnd;
    wnd->is_temporary_ = true;
  }
  static bool IsHooked(const CWnd* wnd) { return wnd->is_hooked_; }
};

namespace {

constexpr UINT_PTR kHookId = 0x43576E64;  // one hook per window

// All of this is touched on the GUI thread only.
struct WndState {
  std::unordered_map<HWND, CWnd*> permanent;
  std::unordered_map<HWND, std::unique_ptr<CWnd>> temporary;
  // The object whose window is being made by CreateEx with a framework class:
  // the window's first message attaches it.
  CWnd* pending_attach = nullptr;
  std::vector<MSG> frames;  // messages being handled, innermost last
  std::map<std::tuple<UINT, HCURSOR, HBRUSH, HICON>, std::string> classes;
  CWnd* main_wnd = nullptr;
  int wait_count = 0;
  HCURSOR cursor_before_wait = nullptr;
};

WndState& State() {
  static WndState* state = new WndState;  // outlives every static window object
  return *state;
}

struct FrameScope {
  FrameScope(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    MSG msg;
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wparam;
    msg.lParam = lparam;
    State().frames.push_back(msg);
  }
  ~FrameScope() { State().frames.pop_back(); }
  FrameScope(const FrameScope&) = delete;
  FrameScope& operator=(const FrameScope&) = delete;
};

CPoint PointOf(LPARAM lparam) { return CPoint(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); }

CWnd* WndOf(WPARAM value) { return CWnd::FromHandle(reinterpret_cast<HWND>(value)); }
CWnd* WndOfL(LPARAM value) { return CWnd::FromHandle(reinterpret_cast<HWND>(value)); }

HCURSOR WaitCursor() { return LoadCursor(nullptr, MAKEINTRESOURCE(IDC_WAIT)); }

}  // namespace

// ---- Routing ------------------------------------------------------------------------------

void WndRouting::Bind(CWnd* wnd, HWND hwnd, bool is_hooked) {
  wnd->m_hWnd = hwnd;
  wnd->is_hooked_ = is_hooked;
  State().permanent[hwnd] = wnd;
  // A temporary object of this window is out of date now.
  State().temporary.erase(hwnd);
}

void WndRouting::Unbind(CWnd* wnd) {
  if (wnd->m_hWnd == nullptr) return;
  auto& permanent = State().permanent;
  auto found = permanent.find(wnd->m_hWnd);
  if (found != permanent.end() && found->second == wnd) permanent.erase(found);
  if (wnd->is_hooked_) RemoveWindowSubclass(wnd->m_hWnd, &WndRouting::HookProc, kHookId);
  wnd->is_hooked_ = false;
  wnd->m_hWnd = nullptr;
}

LRESULT WndRouting::Route(CWnd* wnd, HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  {
    // The hold goes last: releasing it may delete the object.
    std::shared_ptr<void> hold = wnd->HoldForMessage();
    {
      FrameScope frame(hwnd, message, wparam, lparam);
      result = wnd->WindowProc(message, wparam, lparam);
    }
    if (message == WM_NCDESTROY) {
      if (wnd->m_hWnd == hwnd) Unbind(wnd);
      wnd->PostNcDestroy();  // may delete the object: nothing touches it after this
    }
  }
  return result;
}

LRESULT CALLBACK WndRouting::FrameworkProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto& state = State();
  CWnd* wnd = nullptr;
  if (auto found = state.permanent.find(hwnd); found != state.permanent.end()) {
    wnd = found->second;
  } else if (state.pending_attach != nullptr) {
    wnd = std::exchange(state.pending_attach, nullptr);
    Bind(wnd, hwnd, false);
  }
  if (wnd == nullptr || wnd->is_hooked_) {
    if (message == WM_NCDESTROY) state.temporary.erase(hwnd);
    return ::plat::DefWindowProc(hwnd, message, wparam, lparam);
  }
  return Route(wnd, hwnd, message, wparam, lparam);
}

LRESULT CALLBACK WndRouting::HookProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR,
                                      DWORD_PTR ref_data) {
  auto& permanent = State().permanent;
  auto found = permanent.find(hwnd);
  CWnd* wnd = reinterpret_cast<CWnd*>(ref_data);
  if (found == permanent.end() || found->second != wnd) return DefSubclassProc(hwnd, message, wparam, lparam);
  return Route(wnd, hwnd, message, wparam, lparam);
}

bool WndRouting::IsFrameworkClass(const char* class_name) {
  WNDCLASSEX info;
  if (!GetClassInfoEx(nullptr, class_name, &info)) return false;
  return info.lpfnWndProc == &WndRouting::FrameworkProc;
}

// ---- Creation and attachment -------------------------------------------------------------

CWnd::~CWnd() {
  if (m_hWnd == nullptr) return;
  if (is_temporary_) {
    m_hWnd = nullptr;
    return;
  }
  // Messages of the destruction reach CWnd's own handlers from here on.
  if (::plat::IsWindow(m_hWnd) && State().permanent.count(m_hWnd) != 0 && IsGuiThread()) {
    ::plat::DestroyWindow(m_hWnd);
  }
  WndRouting::Unbind(this);
}

const char* CWnd::RegisterWindowClass(UINT class_style, HCURSOR cursor, HBRUSH background, HICON icon) {
  auto& classes = State().classes;
  const auto key = std::make_tuple(class_style, cursor, background, icon);
  if (auto found = classes.find(key); found != classes.end()) return found->second.c_str();
  char name[96];
  std::snprintf(name, sizeof(name), "PlatWnd:%x:%x:%x:%x", class_style, HandleId(cursor), HandleId(background),
                HandleId(icon));
  if (!RegisterNamedClass(name, class_style, cursor, background, icon)) return nullptr;
  return classes.emplace(key, name).first->second.c_str();
}

BOOL CWnd::RegisterNamedClass(const char* name, UINT class_style, HCURSOR cursor, HBRUSH background, HICON icon) {
  if (name == nullptr || name[0] == '\0') return FALSE;
  if (WndRouting::IsFrameworkClass(name)) return TRUE;
  WNDCLASSEX wc;
  wc.style = class_style;
  wc.lpfnWndProc = &WndRouting::FrameworkProc;
  wc.hCursor = cursor;
  wc.hbrBackground = background;
  wc.hIcon = icon;
  wc.lpszClassName = name;
  return RegisterClassEx(&wc) != 0 ? TRUE : FALSE;
}

BOOL CWnd::Create(const char* class_name, const char* window_name, DWORD style, const RECT& rect, CWnd* parent,
                  UINT id, void* param) {
  return CreateEx(0, class_name, window_name, style | WS_CHILD, rect, parent, id, param);
}

BOOL CWnd::CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, const RECT& rect,
                    CWnd* parent, UINT id, void* param) {
  HWND parent_hwnd = parent != nullptr ? parent->m_hWnd : nullptr;
  HMENU menu_or_id = reinterpret_cast<HMENU>(static_cast<uintptr_t>(id));
  return CreateEx(ex_style, class_name, window_name, style, rect.left, rect.top, rect.right - rect.left,
                  rect.bottom - rect.top, parent_hwnd, menu_or_id, param);
}

BOOL CWnd::CreateEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu_or_id, void* param) {
  if (m_hWnd != nullptr) return FALSE;
  CREATESTRUCT create;
  create.dwExStyle = ex_style;
  create.lpszClass = class_name;
  create.lpszName = window_name;
  create.style = static_cast<LONG>(style);
  create.x = x;
  create.y = y;
  create.cx = width;
  create.cy = height;
  create.hwndParent = parent;
  create.hMenu = menu_or_id;
  create.lpCreateParams = param;
  if (!PreCreateWindow(create)) return FALSE;
  if (create.lpszClass == nullptr) {
    create.lpszClass = RegisterWindowClass(CS_DBLCLKS, LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)));
    if (create.lpszClass == nullptr) return FALSE;
  }
  const bool is_framework = WndRouting::IsFrameworkClass(create.lpszClass);
  auto& state = State();
  CWnd* const outer_pending = std::exchange(state.pending_attach, is_framework ? this : nullptr);
  HWND hwnd = ::plat::CreateWindowEx(create.dwExStyle, create.lpszClass, create.lpszName,
                                     static_cast<DWORD>(create.style), create.x, create.y, create.cx, create.cy,
                                     create.hwndParent, create.hMenu, create.hInstance, create.lpCreateParams);
  state.pending_attach = outer_pending;
  if (hwnd == nullptr) {
    // A failed creation may have attached and detached already.
    if (m_hWnd != nullptr && !::plat::IsWindow(m_hWnd)) WndRouting::Unbind(this);
    return FALSE;
  }
  if (!is_framework && m_hWnd == nullptr && !SubclassWindow(hwnd)) {
    ::plat::DestroyWindow(hwnd);
    return FALSE;
  }
  return m_hWnd == hwnd ? TRUE : FALSE;
}

BOOL CWnd::DestroyWindow() {
  if (m_hWnd == nullptr) return FALSE;
  HWND hwnd = m_hWnd;
  const bool is_routed =
      is_hooked_ || ::plat::GetWindowLongPtr(hwnd, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&WndRouting::FrameworkProc);
  // A routed object is detached by the window's last message, and may be
  // deleted by then: it is not touched after the call.
  if (is_temporary_ || is_routed || State().permanent.count(hwnd) == 0) return ::plat::DestroyWindow(hwnd);
  // Attached without routing: no WM_NCDESTROY comes through us.
  const BOOL result = ::plat::DestroyWindow(hwnd);
  if (!::plat::IsWindow(hwnd)) WndRouting::Unbind(this);
  return result;
}

BOOL CWnd::Attach(HWND hwnd) {
  if (m_hWnd != nullptr || !::plat::IsWindow(hwnd) || FromHandlePermanent(hwnd) != nullptr) return FALSE;
  WndRouting::Bind(this, hwnd, false);
  return TRUE;
}

HWND CWnd::Detach() {
  HWND hwnd = m_hWnd;
  WndRouting::Unbind(this);
  return hwnd;
}

BOOL CWnd::SubclassWindow(HWND hwnd) {
  if (m_hWnd != nullptr || !::plat::IsWindow(hwnd) || FromHandlePermanent(hwnd) != nullptr) return FALSE;
  if (!SetWindowSubclass(hwnd, &WndRouting::HookProc, kHookId, reinterpret_cast<DWORD_PTR>(this))) return FALSE;
  WndRouting::Bind(this, hwnd, true);
  return TRUE;
}

BOOL CWnd::SubclassDlgItem(UINT id, CWnd* parent) {
  if (parent == nullptr) return FALSE;
  return SubclassWindow(::plat::GetDlgItem(parent->m_hWnd, static_cast<int>(id)));
}

HWND CWnd::UnsubclassWindow() {
  if (!is_hooked_) return nullptr;
  return Detach();
}

CWnd* CWnd::FromHandlePermanent(HWND hwnd) {
  auto& permanent = State().permanent;
  auto found = permanent.find(hwnd);
  return found != permanent.end() ? found->second : nullptr;
}

CWnd* CWnd::FromHandle(HWND hwnd) {
  if (hwnd == nullptr || !::plat::IsWindow(hwnd)) return nullptr;
  if (CWnd* wnd = FromHandlePermanent(hwnd)) return wnd;
  auto& temporary = State().temporary;
  if (auto found = temporary.find(hwnd); found != temporary.end()) return found->second.get();
  // Objects of windows that are gone go before a new one is added.
  std::erase_if(temporary, [](const auto& entry) { return !::plat::IsWindow(entry.first); });
  auto wnd = std::make_unique<CWnd>();
  WndRouting::SetTemporary(wnd.get(), hwnd);
  return temporary.emplace(hwnd, std::move(wnd)).first->second.get();
}

void CWnd::DeleteTempMap() { State().temporary.clear(); }

void CWnd::SetMainWnd(CWnd* wnd) { State().main_wnd = wnd; }

CWnd* CWnd::GetMainWnd() { return State().main_wnd; }

HWND CWnd::GetSafeOwnerHwnd(HWND parent) {
  HWND hwnd = parent;
  if (hwnd == nullptr && State().main_wnd != nullptr) hwnd = State().main_wnd->m_hWnd;
  if (hwnd == nullptr || !::plat::IsWindow(hwnd)) return nullptr;
  // A pop-up is owned by a top-level window, never by a child.
  return GetAncestor(hwnd, GA_ROOT);
}

CWnd* CWnd::GetSafeOwner(CWnd* parent) {
  return FromHandle(GetSafeOwnerHwnd(parent != nullptr ? parent->m_hWnd : nullptr));
}

// ---- Messages ------------------------------------------------------------------------------

LRESULT CWnd::SendMessage(UINT message, WPARAM wparam, LPARAM lparam) const {
  return ::plat::SendMessage(m_hWnd, message, wparam, lparam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wparam, LPARAM lparam) const {
  return ::plat::PostMessage(m_hWnd, message, wparam, lparam);
}

const MSG* CWnd::GetCurrentMessage() const {
  const auto& frames = State().frames;
  for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame) {
    if (frame->hwnd == m_hWnd) return &*frame;
  }
  return nullptr;
}

LRESULT CWnd::Default() {
  const MSG* current = GetCurrentMessage();
  if (current == nullptr || m_hWnd == nullptr) return 0;
  const MSG msg = *current;
  return DefWindowProc(msg.message, msg.wParam, msg.lParam);
}

LRESULT CWnd::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (m_hWnd == nullptr) return 0;
  if (is_hooked_) return DefSubclassProc(m_hWnd, message, wparam, lparam);
  return ::plat::DefWindowProc(m_hWnd, message, wparam, lparam);
}

LRESULT CWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  LRESULT result = 0;
  if (OnWndMsg(message, wparam, lparam, &result)) return result;
  return DefWindowProc(message, wparam, lparam);
}

BOOL CWnd::OnWndMsg(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) {
  LRESULT r = 0;
  const UINT repeat = LOWORD(static_cast<uintptr_t>(lparam));
  const UINT key_flags = HIWORD(static_cast<uintptr_t>(lparam));
  const UINT mouse_flags = static_cast<UINT>(wparam);
  switch (message) {
    case WM_CREATE: r = OnCreate(reinterpret_cast<CREATESTRUCT*>(lparam)); break;
    case WM_DESTROY: OnDestroy(); break;
    case WM_NCDESTROY: OnNcDestroy(); break;
    case WM_CLOSE: OnClose(); break;
    case WM_PAINT: OnPaint(); break;
    case WM_ERASEBKGND: {
      CDC dc;
      dc.Attach(reinterpret_cast<HDC>(wparam));
      r = OnEraseBkgnd(&dc);
      dc.RestoreOriginalObjects();
      dc.Detach();
      break;
    }
    case WM_SIZE:
      OnSize(static_cast<UINT>(wparam), LOWORD(static_cast<uintptr_t>(lparam)), HIWORD(static_cast<uintptr_t>(lparam)));
      break;
    case WM_MOVE: OnMove(GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)); break;
    case WM_SHOWWINDOW: OnShowWindow(static_cast<BOOL>(wparam), static_cast<UINT>(lparam)); break;
    case WM_GETMINMAXINFO: OnGetMinMaxInfo(reinterpret_cast<MINMAXINFO*>(lparam)); break;
    case WM_WINDOWPOSCHANGED: OnWindowPosChanged(reinterpret_cast<WINDOWPOS*>(lparam)); break;
    case WM_ACTIVATE: OnActivate(LOWORD(wparam), WndOfL(lparam), HIWORD(wparam) != 0); break;
    case WM_MOUSEACTIVATE:
      r = OnMouseActivate(WndOf(wparam), LOWORD(static_cast<uintptr_t>(lparam)), HIWORD(static_cast<uintptr_t>(lparam)));
      break;
    case WM_ENABLE: OnEnable(static_cast<BOOL>(wparam)); break;
    case WM_SETFOCUS: OnSetFocus(WndOf(wparam)); break;
    case WM_KILLFOCUS: OnKillFocus(WndOf(wparam)); break;
    case WM_TIMER: OnTimer(static_cast<UINT_PTR>(wparam)); break;
    case WM_HSCROLL: OnHScroll(LOWORD(wparam), static_cast<SHORT>(HIWORD(wparam)), WndOfL(lparam)); break;
    case WM_VSCROLL: OnVScroll(LOWORD(wparam), static_cast<SHORT>(HIWORD(wparam)), WndOfL(lparam)); break;
    case WM_KEYDOWN: OnKeyDown(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_KEYUP: OnKeyUp(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_SYSKEYDOWN: OnSysKeyDown(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_SYSKEYUP: OnSysKeyUp(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_CHAR: OnChar(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_SYSCHAR: OnSysChar(static_cast<UINT>(wparam), repeat, key_flags); break;
    case WM_MOUSEMOVE: OnMouseMove(mouse_flags, PointOf(lparam)); break;
    case WM_LBUTTONDOWN: OnLButtonDown(mouse_flags, PointOf(lparam)); break;
    case WM_LBUTTONUP: OnLButtonUp(mouse_flags, PointOf(lparam)); break;
    case WM_LBUTTONDBLCLK: OnLButtonDblClk(mouse_flags, PointOf(lparam)); break;
    case WM_RBUTTONDOWN: OnRButtonDown(mouse_flags, PointOf(lparam)); break;
    case WM_RBUTTONUP: OnRButtonUp(mouse_flags, PointOf(lparam)); break;
    case WM_RBUTTONDBLCLK: OnRButtonDblClk(mouse_flags, PointOf(lparam)); break;
    case WM_MBUTTONDOWN: OnMButtonDown(mouse_flags, PointOf(lparam)); break;
    case WM_MBUTTONUP: OnMButtonUp(mouse_flags, PointOf(lparam)); break;
    case WM_MBUTTONDBLCLK: OnMButtonDblClk(mouse_flags, PointOf(lparam)); break;
    case WM_MOUSEWHEEL:
      r = OnMouseWheel(LOWORD(wparam), static_cast<short>(HIWORD(wparam)), PointOf(lparam));
      break;
    case WM_MOUSELEAVE: OnMouseLeave(); break;
    case WM_CAPTURECHANGED: OnCaptureChanged(WndOfL(lparam)); break;
    case WM_SETCURSOR:
      r = OnSetCursor(WndOf(wparam), LOWORD(static_cast<uintptr_t>(lparam)), HIWORD(static_cast<uintptr_t>(lparam)));
      break;
    case WM_CONTEXTMENU: OnContextMenu(WndOf(wparam), PointOf(lparam)); break;
    case WM_SYSCOMMAND: OnSysCommand(static_cast<UINT>(wparam), lparam); break;
    case WM_COMMAND:
      if (!OnCommand(wparam, lparam)) r = Default();
      break;
    case WM_NOTIFY:
      if (!OnNotify(wparam, lparam, &r)) r = Default();
      break;
    case WM_DRAWITEM:
      OnDrawItem(static_cast<int>(wparam), reinterpret_cast<DRAWITEMSTRUCT*>(lparam));
      r = TRUE;
      break;
    case WM_MEASUREITEM:
      OnMeasureItem(static_cast<int>(wparam), reinterpret_cast<MEASUREITEMSTRUCT*>(lparam));
      r = TRUE;
      break;
    case WM_PALETTECHANGED: OnPaletteChanged(WndOf(wparam)); break;
    case WM_QUERYNEWPALETTE: r = OnQueryNewPalette(); break;
    default: return FALSE;
  }
  *result = r;
  return TRUE;
}

BOOL CWnd::WalkPreTranslateTree(HWND stop, MSG* msg) {
  if (msg == nullptr) return FALSE;
  for (HWND hwnd = msg->hwnd; hwnd != nullptr; hwnd = ::plat::GetAncestor(hwnd, GA_PARENT)) {
    if (CWnd* wnd = FromHandlePermanent(hwnd); wnd != nullptr && wnd->PreTranslateMessage(msg)) return TRUE;
    if (hwnd == stop) break;
    if ((::plat::GetWindowLongPtr(hwnd, GWL_STYLE) & WS_CHILD) == 0) break;
  }
  return FALSE;
}

// ---- Default handlers ------------------------------------------------------------------------

int CWnd::OnCreate(CREATESTRUCT*) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnShowWindow(BOOL, UINT) { Default(); }
void CWnd::OnGetMinMaxInfo(MINMAXINFO*) { Default(); }
void CWnd::OnWindowPosChanged(WINDOWPOS*) { Default(); }
void CWnd::OnActivate(UINT, CWnd*, BOOL) { Default(); }
int CWnd::OnMouseActivate(CWnd*, UINT, UINT) { return static_cast<int>(Default()); }
void CWnd::OnEnable(BOOL) { Default(); }
void CWnd::OnSetFocus(CWnd*) { Default(); }
void CWnd::OnKillFocus(CWnd*) { Default(); }
void CWnd::OnTimer(UINT_PTR) { Default(); }
void CWnd::OnHScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnVScroll(UINT, UINT, CWnd*) { Default(); }
void CWnd::OnKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyDown(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysKeyUp(UINT, UINT, UINT) { Default(); }
void CWnd::OnChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnSysChar(UINT, UINT, UINT) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnLButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnRButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnRButtonDblClk(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnMButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMButtonDblClk(UINT, CPoint) { Default(); }
BOOL CWnd::OnMouseWheel(UINT, short, CPoint) { return static_cast<BOOL>(Default()); }
void CWnd::OnMouseLeave() { Default(); }
void CWnd::OnCaptureChanged(CWnd*) { Default(); }
void CWnd::OnContextMenu(CWnd*, CPoint) { Default(); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }
BOOL CWnd::OnCommand(WPARAM, LPARAM) { return FALSE; }
BOOL CWnd::OnNotify(WPARAM, LPARAM, LRESULT*) { return FALSE; }
void CWnd::OnDrawItem(int, DRAWITEMSTRUCT*) { Default(); }
void CWnd::OnMeasureItem(int, MEASUREITEMSTRUCT*) { Default(); }
void CWnd::OnPaletteChanged(CWnd*) { Default(); }
BOOL CWnd::OnQueryNewPalette() { return static_cast<BOOL>(Default()); }

BOOL CWnd::OnSetCursor(CWnd*, UINT hit_test, UINT) {
  // The wait cursor stays over the client area while someone waits.
  if (CWaitCursor::IsWaiting() && hit_test == HTCLIENT) {
    ::plat::SetCursor(WaitCursor());
    return TRUE;
  }
  return static_cast<BOOL>(Default());
}

// ---- Calls on the window -----------------------------------------------------------------------

UINT_PTR CWnd::SetTimer(UINT_PTR id, UINT elapse_ms, TIMERPROC proc) {
  return ::plat::SetTimer(m_hWnd, id, elapse_ms, proc);
}
BOOL CWnd::KillTimer(UINT_PTR id) { return ::plat::KillTimer(m_hWnd, id); }

void CWnd::Invalidate(BOOL erase) { ::plat::InvalidateRect(m_hWnd, nullptr, erase); }
void CWnd::InvalidateRect(const RECT* rect, BOOL erase) { ::plat::InvalidateRect(m_hWnd, rect, erase); }
void CWnd::InvalidateRgn(CRgn* region, BOOL erase) {
  ::plat::InvalidateRgn(m_hWnd, region != nullptr ? static_cast<HRGN>(*region) : nullptr, erase);
}
void CWnd::ValidateRect(const RECT* rect) { ::plat::ValidateRect(m_hWnd, rect); }
void CWnd::UpdateWindow() { ::plat::UpdateWindow(m_hWnd); }
BOOL CWnd::RedrawWindow(const RECT* rect, CRgn* region, UINT flags) {
  return ::plat::RedrawWindow(m_hWnd, rect, region != nullptr ? static_cast<HRGN>(*region) : nullptr, flags);
}
void CWnd::ScrollWindow(int dx, int dy, const RECT* scroll, const RECT* clip) {
  ::plat::ScrollWindow(m_hWnd, dx, dy, scroll, clip);
}
int CWnd::ScrollWindowEx(int dx, int dy, const RECT* scroll, const RECT* clip, CRgn* update, RECT* update_rect,
                         UINT flags) {
  return ::plat::ScrollWindowEx(m_hWnd, dx, dy, scroll, clip, update != nullptr ? static_cast<HRGN>(*update) : nullptr,
                                update_rect, flags);
}
BOOL CWnd::SetScrollInfo(int bar, const SCROLLINFO* info, BOOL redraw) {
  if (info == nullptr || !::plat::IsWindow(m_hWnd)) return FALSE;
  ::plat::SetScrollInfo(m_hWnd, bar, info, redraw);
  return TRUE;
}
BOOL CWnd::GetScrollInfo(int bar, SCROLLINFO* info, UINT mask) const {
  if (info == nullptr) return FALSE;
  info->cbSize = sizeof(SCROLLINFO);
  info->fMask = mask;
  return ::plat::GetScrollInfo(m_hWnd, bar, info);
}
int CWnd::SetScrollPos(int bar, int pos, BOOL redraw) { return ::plat::SetScrollPos(m_hWnd, bar, pos, redraw); }
int CWnd::GetScrollPos(int bar) const { return ::plat::GetScrollPos(m_hWnd, bar); }
void CWnd::SetScrollRange(int bar, int min, int max, BOOL redraw) {
  ::plat::SetScrollRange(m_hWnd, bar, min, max, redraw);
}
void CWnd::GetScrollRange(int bar, int* min, int* max) const { ::plat::GetScrollRange(m_hWnd, bar, min, max); }
void CWnd::ShowScrollBar(int bar, BOOL show) { ::plat::ShowScrollBar(m_hWnd, bar, show); }

void CWnd::GetClientRect(RECT* rect) const { ::plat::GetClientRect(m_hWnd, rect); }
void CWnd::GetWindowRect(RECT* rect) const { ::plat::GetWindowRect(m_hWnd, rect); }
void CWnd::MoveWindow(int x, int y, int width, int height, BOOL repaint) {
  ::plat::MoveWindow(m_hWnd, x, y, width, height, repaint);
}
void CWnd::MoveWindow(const RECT& rect, BOOL repaint) {
  MoveWindow(rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, repaint);
}
BOOL CWnd::SetWindowPos(const CWnd* insert_after, int x, int y, int width, int height, UINT flags) {
  return ::plat::SetWindowPos(m_hWnd, insert_after != nullptr ? insert_after->m_hWnd : nullptr, x, y, width, height,
                              flags);
}
void CWnd::ClientToScreen(POINT* point) const { ::plat::ClientToScreen(m_hWnd, point); }
void CWnd::ClientToScreen(RECT* rect) const {
  ::plat::MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(rect), 2);
}
void CWnd::ScreenToClient(POINT* point) const { ::plat::ScreenToClient(m_hWnd, point); }
void CWnd::ScreenToClient(RECT* rect) const {
  ::plat::MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(rect), 2);
}
BOOL CWnd::ShowWindow(int command) { return ::plat::ShowWindow(m_hWnd, command); }
BOOL CWnd::EnableWindow(BOOL enable) { return ::plat::EnableWindow(m_hWnd, enable); }
BOOL CWnd::IsWindowVisible() const { return ::plat::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsWindowEnabled() const { return ::plat::IsWindowEnabled(m_hWnd); }
CWnd* CWnd::SetFocus() { return FromHandle(::plat::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::plat::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::plat::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return FromHandle(::plat::GetCapture()); }
CWnd* CWnd::GetParent() const { return FromHandle(::plat::GetParent(m_hWnd)); }
CWnd* CWnd::GetTopLevelParent() const {
  if (m_hWnd == nullptr) return nullptr;
  return FromHandle(GetAncestor(m_hWnd, GA_ROOT));
}
CWnd* CWnd::GetDlgItem(int id) const { return FromHandle(::plat::GetDlgItem(m_hWnd, id)); }
int CWnd::GetDlgCtrlID() const { return ::plat::GetDlgCtrlID(m_hWnd); }
void CWnd::SetWindowText(const char* text) { ::plat::SetWindowText(m_hWnd, text); }
int CWnd::GetWindowText(char* out, int max_chars) const { return ::plat::GetWindowText(m_hWnd, out, max_chars); }
void CWnd::GetWindowText(CString& out) const {
  const int length = GetWindowTextLength();
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const int copied = ::plat::GetWindowText(m_hWnd, text.data(), length + 1);
  text.resize(static_cast<size_t>(std::max(copied, 0)));
  out = CString(text.c_str());
}
int CWnd::GetWindowTextLength() const { return ::plat::GetWindowTextLength(m_hWnd); }
DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::plat::GetWindowLongPtr(m_hWnd, GWL_STYLE)); }
DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::plat::GetWindowLongPtr(m_hWnd, GWL_EXSTYLE)); }

namespace {

BOOL ModifyStyleLong(HWND hwnd, int index, DWORD remove, DWORD add, UINT swp_flags) {
  if (!::plat::IsWindow(hwnd)) return FALSE;
  const DWORD style = static_cast<DWORD>(::plat::GetWindowLongPtr(hwnd, index));
  const DWORD changed = (style & ~remove) | add;
  if (changed == style) return FALSE;
  ::plat::SetWindowLongPtr(hwnd, index, static_cast<LONG>(changed));
  if (swp_flags != 0) {
    ::plat::SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                         SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED | swp_flags);
  }
  return TRUE;
}

}  // namespace

BOOL CWnd::ModifyStyle(DWORD remove, DWORD add, UINT swp_flags) {
  return ModifyStyleLong(m_hWnd, GWL_STYLE, remove, add, swp_flags);
}
BOOL CWnd::ModifyStyleEx(DWORD remove, DWORD add, UINT swp_flags) {
  return ModifyStyleLong(m_hWnd, GWL_EXSTYLE, remove, add, swp_flags);
}
void CWnd::SetFont(CFont* font, BOOL redraw) {
  SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(font != nullptr ? static_cast<HFONT>(*font) : nullptr), redraw);
}
HFONT CWnd::GetFont() const { return reinterpret_cast<HFONT>(SendMessage(WM_GETFONT)); }

// ---- The wait cursor -----------------------------------------------------------------------------

CWaitCursor::CWaitCursor() {
  auto& state = State();
  if (state.wait_count++ == 0) state.cursor_before_wait = ::plat::GetCursor();
  ::plat::SetCursor(WaitCursor());
}

CWaitCursor::~CWaitCursor() {
  auto& state = State();
  if (--state.wait_count == 0) {
    ::plat::SetCursor(state.cursor_before_wait);
    state.cursor_before_wait = nullptr;
  }
}

void CWaitCursor::Restore() { ::plat::SetCursor(WaitCursor()); }

bool CWaitCursor::IsWaiting() { return State().wait_count > 0; }

}  // namespace plat
