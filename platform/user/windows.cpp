// Window records: creation with its message sequence, destruction (WM_DESTROY
// parent first, WM_NCDESTROY children first, the handle dead at once and the
// record freed when no dispatch holds it), the tree, window longs, text and
// properties.
#include <algorithm>
#include <cstring>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "user/painting.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::FindWindowRecord;
using user::RequireWindow;
using user::State;
using user::Window;

namespace user {

std::shared_ptr<WindowClass> FindClass(const char* name, HINSTANCE instance);

std::shared_ptr<Window> FindWindowRecord(HWND hwnd) {
  if (hwnd == nullptr) return nullptr;
  return WindowHandles::Find(HandleId(hwnd));
}

std::shared_ptr<Window> RequireWindow(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  if (!window) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
  return window;
}

HWND RootOf(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  while (window && window->parent != nullptr) {
    auto parent = FindWindowRecord(window->parent);
    if (!parent) break;
    window = parent;
  }
  return window ? window->hwnd : nullptr;
}

namespace {

// Where CW_USEDEFAULT puts the next top-level window: a cascade from the
// work area's corner.
RECT DefaultTopLevelRect(int x, int y, int width, int height) {
  static int cascade = 0;
  const backend::ScreenInfo screen = Backend().Screen();
  const RECT& work = screen.work_area;
  const int work_width = work.right - work.left;
  const int work_height = work.bottom - work.top;
  RECT rect{};
  if (x == CW_USEDEFAULT) {
    const int step = (cascade++ % 8) * 26;
    x = work.left + step;
    y = work.top + step;
  }
  if (width == CW_USEDEFAULT) {
    width = work_width * 3 / 4;
    height = work_height * 3 / 4;
  }
  rect.left = x;
  rect.top = y;
  rect.right = x + width;
  rect.bottom = y + height;
  return rect;
}

void Unlink(Window& window) {
  auto& state = State();
  if (window.parent != nullptr) {
    if (auto parent = FindWindowRecord(window.parent)) {
      auto& siblings = parent->children;
      siblings.erase(std::remove(siblings.begin(), siblings.end(), window.hwnd), siblings.end());
    }
  } else {
    auto& tops = state.top_levels;
    tops.erase(std::remove(tops.begin(), tops.end(), window.hwnd), tops.end());
  }
}

void SendDestroy(const std::shared_ptr<Window>& window) {
  Dispatch(window, WM_DESTROY, 0, 0);
  const std::vector<HWND> children = window->children;
  for (HWND child : children) {
    if (auto record = FindWindowRecord(child)) SendDestroy(record);
  }
}

void Free(const std::shared_ptr<Window>& window) {
  auto& state = State();
  ForgetWindowTimers(window->hwnd);
  ForgetWindowInput(window->hwnd);
  ForgetWindowPainting(*window);
  ForgetWindowMenus(*window);
  if (window->has_native) Backend().Destroy(window->hwnd);
  window->has_native = false;
  Unlink(*window);
  window->children.clear();
  window->hooks.clear();
  --window->window_class->window_count;
  // Messages still queued for it are dropped when they come up.
  std::lock_guard<std::mutex> lock(state.queue_mutex);
  WindowHandles::Remove(window->id);
}

void SendNcDestroy(const std::shared_ptr<Window>& window) {
  const std::vector<HWND> children = window->children;
  for (HWND child : children) {
    if (auto record = FindWindowRecord(child)) SendNcDestroy(record);
  }
  Dispatch(window, WM_NCDESTROY, 0, 0);
  // Hooks see WM_NCDESTROY, then the chain is gone.
  window->hooks.clear();
  Free(window);
}

void MarkDestroying(Window& window) {
  window.is_destroying = true;
  for (HWND child : window.children) {
    if (auto record = FindWindowRecord(child)) MarkDestroying(*record);
  }
}

bool InSubtree(HWND hwnd, HWND root) {
  for (auto window = FindWindowRecord(hwnd); window; window = FindWindowRecord(window->parent)) {
    if (window->hwnd == root) return true;
  }
  return false;
}

}  // namespace

}  // namespace user

HWND CreateWindowEx(DWORD ex_style, const char* class_name, const char* window_name, DWORD style, int x, int y,
                    int width, int height, HWND parent, HMENU menu_or_id, HINSTANCE instance, void* param) {
  if (!user::EnsureGuiThread()) return FailWith<HWND>(nullptr, ERROR_INVALID_THREAD_ID);
  auto cls = user::FindClass(class_name, instance);
  if (!cls) return FailWith<HWND>(nullptr, ERROR_CANNOT_FIND_WND_CLASS);
  const bool is_child = (style & WS_CHILD) != 0;
  std::shared_ptr<Window> parent_record;
  if (parent == HWND_MESSAGE) parent = nullptr;
  if (parent != nullptr) {
    parent_record = RequireWindow(parent);
    if (!parent_record || parent_record->is_destroying) return FailWith<HWND>(nullptr, ERROR_INVALID_WINDOW_HANDLE);
  } else if (is_child) {
    return FailWith<HWND>(nullptr, ERROR_TLW_WITH_WSCHILD);
  }

  auto window = std::make_shared<Window>();
  window->window_class = cls;
  window->proc = cls->proc;
  window->style = style;
  window->ex_style = ex_style;
  window->instance = instance;
  window->text = window_name != nullptr ? window_name : "";
  window->extra.assign(static_cast<size_t>(cls->window_extra_bytes), 0);
  window->control_id = reinterpret_cast<LONG_PTR>(menu_or_id);
  if (is_child) {
    window->parent = parent;
    if (x == CW_USEDEFAULT) x = y = 0;
    if (width == CW_USEDEFAULT) width = height = 0;
    window->window_rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  } else {
    window->owner = parent != nullptr ? user::RootOf(parent) : nullptr;
    if ((style & WS_POPUP) == 0 && (x == CW_USEDEFAULT || width == CW_USEDEFAULT)) {
      window->window_rect = user::DefaultTopLevelRect(x, y, width, height);
    } else {
      if (x == CW_USEDEFAULT) x = y = 0;
      if (width == CW_USEDEFAULT) width = height = 0;
      window->window_rect = RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)};
    }
    // Overlapped windows always have a caption.
    if ((style & (WS_POPUP | WS_CHILD)) == 0) window->style |= WS_CAPTION | WS_CLIPSIBLINGS;
  }
  window->client_rect = window->window_rect;

  window->id = user::WindowHandles::Insert(window);
  if (window->id == 0) return FailWith<HWND>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
  window->hwnd = HandleFromId<HWND>(window->id);
  ++cls->window_count;
  HWND hwnd = window->hwnd;
  if (is_child) {
    parent_record->children.push_back(hwnd);
  } else {
    auto& tops = State().top_levels;
    tops.insert(tops.begin(), hwnd);
  }

  const DWORD requested_visible = window->style & WS_VISIBLE;
  window->style &= ~WS_VISIBLE;
  CREATESTRUCT create;
  create.lpCreateParams = param;
  create.hInstance = instance;
  create.hMenu = menu_or_id;
  create.hwndParent = parent;
  create.x = window->window_rect.left;
  create.y = window->window_rect.top;
  create.cx = window->window_rect.right - window->window_rect.left;
  create.cy = window->window_rect.bottom - window->window_rect.top;
  create.style = static_cast<LONG>(window->style);
  create.lpszName = window_name;
  create.lpszClass = class_name;
  create.dwExStyle = ex_style;
  const LPARAM create_param = reinterpret_cast<LPARAM>(&create);

  if (user::Dispatch(window, WM_NCCREATE, 0, create_param) == 0 || window->is_destroying) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
  }
  RECT calc = window->window_rect;
  user::Dispatch(window, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
  window->client_rect = calc;
  if (!is_child) {
    backend::TopLevelSpec spec;
    spec.hwnd = hwnd;
    spec.kind = (ex_style & WS_EX_TOOLWINDOW) != 0 || window->owner != nullptr ? backend::TopLevelKind::kTool
                : (style & WS_POPUP) != 0 && (style & WS_CAPTION) != WS_CAPTION ? backend::TopLevelKind::kPopup
                                                                                  : backend::TopLevelKind::kNormal;
    spec.rect = window->window_rect;
    spec.owner = window->owner;
    spec.is_topmost = (ex_style & WS_EX_TOPMOST) != 0;
    spec.title = window->text;
    window->has_native = user::Backend().Create(spec);
  }
  if (user::Dispatch(window, WM_CREATE, 0, create_param) == -1 || window->is_destroying) {
    if (IsWindow(hwnd)) DestroyWindow(hwnd);
    return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
  }
  if (!IsWindow(hwnd)) return nullptr;
  const RECT& client = window->client_rect;
  user::Dispatch(window, WM_SIZE, SIZE_RESTORED,
                 MAKELPARAM(static_cast<WORD>(client.right - client.left), static_cast<WORD>(client.bottom - client.top)));
  if (!IsWindow(hwnd)) return nullptr;
  user::Dispatch(window, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(client.left), static_cast<WORD>(client.top)));
  if (!IsWindow(hwnd)) return nullptr;
  if (is_child && (ex_style & WS_EX_NOPARENTNOTIFY) == 0) {
    user::SendTo(parent, WM_PARENTNOTIFY, MAKEWPARAM(static_cast<WORD>(WM_CREATE), static_cast<WORD>(window->control_id)),
                 reinterpret_cast<LPARAM>(hwnd));
    if (!IsWindow(hwnd)) return nullptr;
  }
  if (requested_visible != 0) ShowWindow(hwnd, SW_SHOW);
  return IsWindow(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
  if (!user::IsGuiThread()) return FailWith<BOOL>(FALSE, ERROR_INVALID_THREAD_ID);
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  if (window->is_destroying) return TRUE;  // already on its way
  auto& state = State();

  // Owned top-level windows go first.
  if (window->parent == nullptr) {
    const std::vector<HWND> tops = state.top_levels;
    for (HWND top : tops) {
      auto owned = FindWindowRecord(top);
      if (owned && owned->owner == hwnd && !owned->is_destroying) DestroyWindow(top);
    }
  }
  user::MarkDestroying(*window);
  if ((window->style & WS_VISIBLE) != 0) {
    SetWindowPos(hwnd, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (window->parent != nullptr && (window->ex_style & WS_EX_NOPARENTNOTIFY) == 0) {
    user::SendTo(window->parent, WM_PARENTNOTIFY,
                 MAKEWPARAM(static_cast<WORD>(WM_DESTROY), static_cast<WORD>(window->control_id)),
                 reinterpret_cast<LPARAM>(hwnd));
  }
  // Input state that points into the subtree lets go of it.
  if (state.capture != nullptr && user::InSubtree(state.capture, hwnd)) ReleaseCapture();
  if (state.focus != nullptr && user::InSubtree(state.focus, hwnd)) state.focus = nullptr;
  if (state.has_caret && state.caret.hwnd != nullptr && user::InSubtree(state.caret.hwnd, hwnd)) DestroyCaret();
  const bool was_active = state.active == hwnd;
  user::SendDestroy(window);
  user::SendNcDestroy(window);
  if (was_active) {
    state.active = nullptr;
    // Activation passes to the owner, else to the top-most visible top-level window.
    HWND next = window->owner;
    if (!IsWindowVisible(next)) {
      next = nullptr;
      for (HWND top : state.top_levels) {
        if (IsWindowVisible(top) && IsWindowEnabled(top)) {
          next = top;
          break;
        }
      }
    }
    if (next != nullptr) SetActiveWindow(next);
  }
  return TRUE;
}

BOOL IsWindow(HWND hwnd) { return FindWindowRecord(hwnd) != nullptr ? TRUE : FALSE; }

BOOL IsChild(HWND parent, HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  while (window && window->parent != nullptr) {
    if (window->parent == parent) return TRUE;
    window = FindWindowRecord(window->parent);
  }
  return FALSE;
}

BOOL IsWindowVisible(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  return window && user::IsVisibleChain(*window) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  return window && (window->style & WS_DISABLED) == 0 ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  return window && window->is_minimized ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  return window && window->is_maximized ? TRUE : FALSE;
}

HWND GetParent(HWND hwnd) {
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  if ((window->style & WS_CHILD) != 0) return window->parent;
  return window->owner;
}

HWND SetParent(HWND hwnd, HWND new_parent) {
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  std::shared_ptr<Window> parent_record;
  if (new_parent != nullptr) {
    parent_record = RequireWindow(new_parent);
    if (!parent_record || new_parent == hwnd || IsChild(hwnd, new_parent)) {
      return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
    }
  }
  const HWND old_parent = window->parent;
  const RECT screen_rect = user::WindowRectOnScreen(*window);
  const bool was_visible = (window->style & WS_VISIBLE) != 0;
  if (was_visible) ShowWindow(hwnd, SW_HIDE);
  user::Unlink(*window);
  if (window->has_native) {
    user::Backend().Destroy(hwnd);
    window->has_native = false;
  }
  window->parent = new_parent;
  POINT origin{screen_rect.left, screen_rect.top};
  if (parent_record) {
    parent_record->children.insert(parent_record->children.begin(), hwnd);
    ScreenToClient(new_parent, &origin);
  } else {
    State().top_levels.insert(State().top_levels.begin(), hwnd);
    backend::TopLevelSpec spec;
    spec.hwnd = hwnd;
    spec.rect = screen_rect;
    spec.title = window->text;
    window->has_native = user::Backend().Create(spec);
  }
  const int dx = origin.x - window->window_rect.left;
  const int dy = origin.y - window->window_rect.top;
  window->window_rect = RECT{origin.x, origin.y, window->window_rect.right + dx, window->window_rect.bottom + dy};
  window->client_rect.left += dx;
  window->client_rect.right += dx;
  window->client_rect.top += dy;
  window->client_rect.bottom += dy;
  if (was_visible) ShowWindow(hwnd, SW_SHOWNA);
  return old_parent;
}

HWND GetAncestor(HWND hwnd, UINT flags) {
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  switch (flags) {
    case GA_PARENT: return window->parent;
    case GA_ROOT: return user::RootOf(hwnd);
    case GA_ROOTOWNER: {
      HWND root = user::RootOf(hwnd);
      for (auto top = FindWindowRecord(root); top && top->owner != nullptr; top = FindWindowRecord(top->owner)) {
        root = top->owner;
      }
      return root;
    }
    default: return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
  }
}

namespace {

const std::vector<HWND>* SiblingsOf(const Window& window) {
  if (window.parent == nullptr) return &State().top_levels;
  auto parent = FindWindowRecord(window.parent);
  return parent ? &parent->children : nullptr;
}

}  // namespace

HWND GetWindow(HWND hwnd, UINT relation) {
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  if (relation == GW_OWNER) return window->owner;
  if (relation == GW_CHILD) return window->children.empty() ? nullptr : window->children.front();
  const std::vector<HWND>* siblings = SiblingsOf(*window);
  if (siblings == nullptr || siblings->empty()) return nullptr;
  auto at = std::find(siblings->begin(), siblings->end(), hwnd);
  switch (relation) {
    case GW_HWNDFIRST: return siblings->front();
    case GW_HWNDLAST: return siblings->back();
    case GW_HWNDNEXT: return at == siblings->end() || at + 1 == siblings->end() ? nullptr : *(at + 1);
    case GW_HWNDPREV: return at == siblings->begin() || at == siblings->end() ? nullptr : *(at - 1);
    default: return FailWith<HWND>(nullptr, ERROR_INVALID_PARAMETER);
  }
}

HWND GetTopWindow(HWND parent) {
  if (parent == nullptr) return State().top_levels.empty() ? nullptr : State().top_levels.front();
  return GetWindow(parent, GW_CHILD);
}

HWND GetDesktopWindow() { return nullptr; }

HWND GetDlgItem(HWND parent, int id) {
  auto window = RequireWindow(parent);
  if (!window) return nullptr;
  for (HWND child : window->children) {
    auto record = FindWindowRecord(child);
    if (record && record->control_id == id) return child;
  }
  return nullptr;
}

int GetDlgCtrlID(HWND hwnd) {
  auto window = RequireWindow(hwnd);
  if (!window || window->parent == nullptr) return 0;
  return static_cast<int>(window->control_id);
}

namespace {

bool EnumTree(HWND parent, WNDENUMPROC proc, LPARAM param) {
  auto window = FindWindowRecord(parent);
  if (!window) return true;
  const std::vector<HWND> children = window->children;
  for (HWND child : children) {
    if (!IsWindow(child)) continue;
    if (!proc(child, param)) return false;
    if (!EnumTree(child, proc, param)) return false;
  }
  return true;
}

}  // namespace

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM param) {
  if (proc == nullptr) return FALSE;
  EnumTree(parent, proc, param);
  return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM param) {
  if (proc == nullptr) return FALSE;
  const std::vector<HWND> tops = State().top_levels;
  for (HWND top : tops) {
    if (IsWindow(top) && !proc(top, param)) break;
  }
  return TRUE;
}

HWND FindWindow(const char* class_name, const char* window_name) {
  for (HWND top : State().top_levels) {
    auto window = FindWindowRecord(top);
    if (!window) continue;
    if (class_name != nullptr && !user::EqualsFolded(window->window_class->name, class_name)) continue;
    if (window_name != nullptr && window->text != window_name) continue;
    return top;
  }
  return nullptr;
}

DWORD GetWindowThreadProcessId(HWND hwnd, DWORD* process_id) {
  if (!IsWindow(hwnd)) return 0;
  if (process_id != nullptr) *process_id = 1;
  return GetCurrentThreadId();
}

LONG_PTR GetWindowLongPtr(HWND hwnd, int index) {
  auto window = RequireWindow(hwnd);
  if (!window) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(window->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(window->instance);
    case GWLP_HWNDPARENT:
      return reinterpret_cast<LONG_PTR>(window->parent != nullptr ? window->parent : window->owner);
    case GWL_STYLE: return static_cast<LONG_PTR>(static_cast<LONG>(window->style));
    case GWL_EXSTYLE: return static_cast<LONG_PTR>(static_cast<LONG>(window->ex_style));
    case GWLP_USERDATA: return window->user_data;
    case GWLP_ID: return window->control_id;
    default: break;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
    LONG_PTR value = 0;
    std::memcpy(&value, window->extra.data() + index, sizeof(value));
    return value;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= window->extra.size()) {
    LONG value = 0;
    std::memcpy(&value, window->extra.data() + index, sizeof(value));
    return value;
  }
  return FailWith<LONG_PTR>(0, ERROR_INVALID_INDEX);
}

LONG_PTR SetWindowLongPtr(HWND hwnd, int index, LONG_PTR value) {
  auto window = RequireWindow(hwnd);
  if (!window) return 0;
  const LONG_PTR previous = GetWindowLongPtr(hwnd, index);
  switch (index) {
    case GWLP_WNDPROC:
      // Replaces the procedure under the subclass chain.
      window->proc = reinterpret_cast<WNDPROC>(value);
      return previous;
    case GWLP_HINSTANCE: window->instance = reinterpret_cast<HINSTANCE>(value); return previous;
    case GWLP_HWNDPARENT:
      if (window->parent == nullptr) window->owner = reinterpret_cast<HWND>(value);
      return previous;
    case GWL_STYLE:
    case GWL_EXSTYLE: {
      STYLESTRUCT change{static_cast<DWORD>(previous), static_cast<DWORD>(value)};
      const WPARAM which = static_cast<WPARAM>(static_cast<intptr_t>(index));
      user::Dispatch(window, WM_STYLECHANGING, which, reinterpret_cast<LPARAM>(&change));
      if (index == GWL_STYLE) {
        window->style = change.styleNew;
      } else {
        window->ex_style = change.styleNew;
      }
      user::Dispatch(window, WM_STYLECHANGED, which, reinterpret_cast<LPARAM>(&change));
      return previous;
    }
    case GWLP_USERDATA: window->user_data = value; return previous;
    case GWLP_ID: window->control_id = value; return previous;
    default: break;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG_PTR) <= window->extra.size()) {
    std::memcpy(window->extra.data() + index, &value, sizeof(value));
    return previous;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(LONG) <= window->extra.size()) {
    const LONG narrow = static_cast<LONG>(value);
    std::memcpy(window->extra.data() + index, &narrow, sizeof(narrow));
    return previous;
  }
  return FailWith<LONG_PTR>(0, ERROR_INVALID_INDEX);
}

BOOL SetWindowText(HWND hwnd, const char* text) {
  if (!RequireWindow(hwnd)) return FALSE;
  return user::SendTo(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text != nullptr ? text : "")) != 0 ? TRUE : FALSE;
}

int GetWindowText(HWND hwnd, char* out, int max_chars) {
  if (!RequireWindow(hwnd) || out == nullptr || max_chars <= 0) return 0;
  out[0] = '\0';
  return static_cast<int>(user::SendTo(hwnd, WM_GETTEXT, static_cast<WPARAM>(max_chars), reinterpret_cast<LPARAM>(out)));
}

int GetWindowTextLength(HWND hwnd) {
  if (!RequireWindow(hwnd)) return 0;
  return static_cast<int>(user::SendTo(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetProp(HWND hwnd, const char* name, HANDLE value) {
  auto window = RequireWindow(hwnd);
  if (!window || name == nullptr) return FALSE;
  window->properties[user::Folded(name)] = value;
  return TRUE;
}

HANDLE GetProp(HWND hwnd, const char* name) {
  auto window = FindWindowRecord(hwnd);
  if (!window || name == nullptr) return nullptr;
  auto found = window->properties.find(user::Folded(name));
  return found == window->properties.end() ? nullptr : found->second;
}

HANDLE RemoveProp(HWND hwnd, const char* name) {
  auto window = FindWindowRecord(hwnd);
  if (!window || name == nullptr) return nullptr;
  auto found = window->properties.find(user::Folded(name));
  if (found == window->properties.end()) return nullptr;
  HANDLE value = found->second;
  window->properties.erase(found);
  return value;
}

}  // namespace plat
