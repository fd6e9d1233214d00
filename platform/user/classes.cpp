// Window classes: registered per module (global classes for every module),
// found by case-insensitive name; a class with windows cannot be removed.
#include <algorithm>
#include <cstring>

#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

using user::State;
using user::WindowClass;

namespace user {

namespace {
SystemClassProvider system_class_provider = nullptr;
bool has_run_system_class_provider = false;
}  // namespace

void SetSystemClassProvider(SystemClassProvider provider) { system_class_provider = provider; }

std::shared_ptr<WindowClass> FindRegisteredClass(const char* name, HINSTANCE instance);

std::shared_ptr<WindowClass> FindClass(const char* name, HINSTANCE instance) {
  auto found = FindRegisteredClass(name, instance);
  // The standard classes are registered on the first miss on the GUI thread.
  if (found || system_class_provider == nullptr || has_run_system_class_provider || !EnsureGuiThread()) {
    return found;
  }
  has_run_system_class_provider = true;
  system_class_provider();
  return FindRegisteredClass(name, instance);
}

std::shared_ptr<WindowClass> FindRegisteredClass(const char* name, HINSTANCE instance) {
  if (name == nullptr) return nullptr;
  const uintptr_t as_atom = reinterpret_cast<uintptr_t>(name);
  auto& classes = State().classes;
  std::shared_ptr<WindowClass> global;
  for (const auto& cls : classes) {
    const bool matches = as_atom <= 0xFFFF ? cls->atom == as_atom : EqualsFolded(cls->name, name);
    if (!matches) continue;
    if (cls->instance == instance) return cls;
    if ((cls->style & CS_GLOBALCLASS) != 0 || instance == nullptr) global = cls;
  }
  return global;
}

}  // namespace user

ATOM RegisterClassEx(const WNDCLASSEX* wc) {
  if (!user::EnsureGuiThread()) return FailWith<ATOM>(0, ERROR_INVALID_THREAD_ID);
  if (wc == nullptr || wc->cbSize != sizeof(WNDCLASSEX) || wc->lpszClassName == nullptr ||
      wc->lpszClassName[0] == '\0' || wc->lpfnWndProc == nullptr || wc->cbClsExtra < 0 || wc->cbWndExtra < 0 ||
      wc->cbClsExtra > 40 || wc->cbWndExtra > 40 * 1024) {
    return FailWith<ATOM>(0, ERROR_INVALID_PARAMETER);
  }
  auto& state = State();
  for (const auto& cls : state.classes) {
    if (user::EqualsFolded(cls->name, wc->lpszClassName) &&
        (cls->instance == wc->hInstance || ((cls->style | wc->style) & CS_GLOBALCLASS) != 0)) {
      return FailWith<ATOM>(0, ERROR_CLASS_ALREADY_EXISTS);
    }
  }
  if (state.next_atom == 0xFFFF) return FailWith<ATOM>(0, ERROR_NOT_ENOUGH_QUOTA);
  auto cls = std::make_shared<WindowClass>();
  cls->name = wc->lpszClassName;
  cls->atom = state.next_atom++;
  cls->style = wc->style;
  cls->proc = wc->lpfnWndProc;
  cls->instance = wc->hInstance;
  cls->icon = wc->hIcon;
  cls->icon_small = wc->hIconSm;
  cls->cursor = wc->hCursor;
  cls->background = wc->hbrBackground;
  if (wc->lpszMenuName != nullptr && reinterpret_cast<uintptr_t>(wc->lpszMenuName) > 0xFFFF) {
    cls->menu_name = wc->lpszMenuName;
  }
  cls->window_extra_bytes = wc->cbWndExtra;
  cls->class_extra.assign(static_cast<size_t>(wc->cbClsExtra), 0);
  state.classes.push_back(cls);
  return cls->atom;
}

BOOL UnregisterClass(const char* class_name, HINSTANCE instance) {
  auto& classes = State().classes;
  auto cls = user::FindClass(class_name, instance);
  if (!cls || (cls->instance != instance && (cls->style & CS_GLOBALCLASS) == 0)) {
    return FailWith<BOOL>(FALSE, ERROR_CLASS_DOES_NOT_EXIST);
  }
  if (cls->window_count > 0) return FailWith<BOOL>(FALSE, ERROR_CLASS_HAS_WINDOWS);
  classes.erase(std::find(classes.begin(), classes.end(), cls));
  return TRUE;
}

BOOL GetClassInfoEx(HINSTANCE instance, const char* class_name, WNDCLASSEX* out) {
  auto cls = user::FindClass(class_name, instance);
  if (!cls || out == nullptr) return FailWith<BOOL>(FALSE, ERROR_CLASS_DOES_NOT_EXIST);
  out->style = cls->style;
  out->lpfnWndProc = cls->proc;
  out->cbClsExtra = static_cast<int>(cls->class_extra.size());
  out->cbWndExtra = cls->window_extra_bytes;
  out->hInstance = cls->instance;
  out->hIcon = cls->icon;
  out->hIconSm = cls->icon_small;
  out->hCursor = cls->cursor;
  out->hbrBackground = cls->background;
  out->lpszMenuName = cls->menu_name.empty() ? nullptr : cls->menu_name.c_str();
  out->lpszClassName = cls->name.c_str();
  return cls->atom;
}

int GetClassName(HWND hwnd, char* out, int max_chars) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return 0;
  return user::CopyTextOut(window->window_class->name, out, max_chars);
}

ULONG_PTR GetClassLongPtr(HWND hwnd, int index) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return 0;
  const WindowClass& cls = *window->window_class;
  switch (index) {
    case GCLP_WNDPROC: return reinterpret_cast<ULONG_PTR>(cls.proc);
    case GCL_STYLE: return cls.style;
    case GCLP_HCURSOR: return reinterpret_cast<ULONG_PTR>(cls.cursor);
    case GCLP_HICON: return reinterpret_cast<ULONG_PTR>(cls.icon);
    case GCLP_HICONSM: return reinterpret_cast<ULONG_PTR>(cls.icon_small);
    case GCLP_HBRBACKGROUND: return reinterpret_cast<ULONG_PTR>(cls.background);
    case GCLP_HMODULE: return reinterpret_cast<ULONG_PTR>(cls.instance);
    case GCL_CBWNDEXTRA: return static_cast<ULONG_PTR>(cls.window_extra_bytes);
    case GCL_CBCLSEXTRA: return cls.class_extra.size();
    default: break;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(ULONG_PTR) <= cls.class_extra.size()) {
    ULONG_PTR value = 0;
    std::memcpy(&value, cls.class_extra.data() + index, sizeof(value));
    return value;
  }
  return FailWith<ULONG_PTR>(0, ERROR_INVALID_INDEX);
}

ULONG_PTR SetClassLongPtr(HWND hwnd, int index, LONG_PTR value) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return 0;
  WindowClass& cls = *window->window_class;
  const ULONG_PTR previous = GetClassLongPtr(hwnd, index);
  switch (index) {
    case GCLP_WNDPROC: cls.proc = reinterpret_cast<WNDPROC>(value); return previous;
    case GCL_STYLE: cls.style = static_cast<UINT>(value); return previous;
    case GCLP_HCURSOR: cls.cursor = reinterpret_cast<HCURSOR>(value); return previous;
    case GCLP_HICON: cls.icon = reinterpret_cast<HICON>(value); return previous;
    case GCLP_HICONSM: cls.icon_small = reinterpret_cast<HICON>(value); return previous;
    case GCLP_HBRBACKGROUND: cls.background = reinterpret_cast<HBRUSH>(value); return previous;
    default: break;
  }
  if (index >= 0 && static_cast<size_t>(index) + sizeof(value) <= cls.class_extra.size()) {
    std::memcpy(cls.class_extra.data() + index, &value, sizeof(value));
    return previous;
  }
  return FailWith<ULONG_PTR>(0, ERROR_INVALID_INDEX);
}

}  // namespace plat
