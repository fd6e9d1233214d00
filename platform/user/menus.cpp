// Menus: records of items behind menu handles, menu bars of top-level
// windows, system menus, and pop-up menus tracked in a modal loop of their
// own top-level window.
#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/menu.h"
#include "plat/text.h"
#include "user/nonclient.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

constexpr int kItemHeight = 19;
constexpr int kSeparatorHeight = 9;
constexpr int kCharWidth = 7;  // an estimate of the menu font's average width
constexpr int kMenuMargin = 40;

struct MenuItem {
  UINT flags = 0;
  UINT_PTR id = 0;
  HMENU popup = nullptr;
  std::string text;
};

struct Menu {
  bool is_popup = false;
  std::vector<MenuItem> items;
};

using MenuHandles = Handles<Menu, HandleKind::kMenu>;

std::shared_ptr<Menu> FindMenu(HMENU menu) { return MenuHandles::Find(HandleId(menu)); }

HMENU NewMenu(bool is_popup) {
  auto menu = std::make_shared<Menu>();
  menu->is_popup = is_popup;
  const uint32_t id = MenuHandles::Insert(menu);
  if (id == 0) return FailWith<HMENU>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
  return HandleFromId<HMENU>(id);
}

// The item at `position` (MF_BYPOSITION) or with command id `position`,
// searched through sub-menus; null when there is none.
MenuItem* FindItem(Menu& menu, UINT position, UINT flags, Menu** holder = nullptr) {
  if ((flags & MF_BYPOSITION) != 0) {
    if (position >= menu.items.size()) return nullptr;
    if (holder != nullptr) *holder = &menu;
    return &menu.items[position];
  }
  for (MenuItem& item : menu.items) {
    if ((item.flags & MF_POPUP) == 0 && item.id == position) {
      if (holder != nullptr) *holder = &menu;
      return &item;
    }
    if ((item.flags & MF_POPUP) != 0) {
      if (auto sub = FindMenu(item.popup)) {
        if (MenuItem* found = FindItem(*sub, position, flags, holder)) return found;
      }
    }
  }
  return nullptr;
}

bool MakeItem(UINT flags, UINT_PTR item, const char* text, MenuItem& out) {
  out.flags = flags & ~MF_BYPOSITION;
  if ((flags & MF_POPUP) != 0) {
    out.popup = reinterpret_cast<HMENU>(item);
    if (!FindMenu(out.popup)) return false;
  } else {
    out.id = item;
  }
  if ((flags & MF_SEPARATOR) == 0 && text != nullptr) out.text = text;
  return true;
}

std::map<HWND, HMENU>& SystemMenus() {
  static auto* menus = new std::map<HWND, HMENU>;
  return *menus;
}

// One pop-up being tracked.
struct Tracking {
  HMENU menu = nullptr;
  HWND window = nullptr;
  UINT flags = 0;
  UINT_PTR chosen = 0;
  bool is_done = false;
  int hot = -1;
};

Tracking* active_tracking = nullptr;

int ItemHeight(const MenuItem& item) { return (item.flags & MF_SEPARATOR) != 0 ? kSeparatorHeight : kItemHeight; }

SIZE PopupSize(const Menu& menu) {
  SIZE size{0, 0};
  for (const MenuItem& item : menu.items) {
    size.cx = std::max<LONG>(size.cx, static_cast<LONG>(item.text.size()) * kCharWidth + kMenuMargin);
    size.cy += ItemHeight(item);
  }
  size.cx = std::max<LONG>(size.cx, 80);
  return size;
}

int ItemAt(const Menu& menu, int y) {
  int top = 0;
  for (size_t i = 0; i < menu.items.size(); ++i) {
    const int height = ItemHeight(menu.items[i]);
    if (y >= top && y < top + height) return static_cast<int>(i);
    top += height;
  }
  return -1;
}

bool IsSelectable(const MenuItem& item) {
  return (item.flags & (MF_SEPARATOR | MF_GRAYED | MF_DISABLED)) == 0 && (item.flags & MF_POPUP) == 0;
}

void Choose(Tracking& tracking, UINT_PTR id) {
  tracking.chosen = id;
  tracking.is_done = true;
}

LRESULT MenuWindowProc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* tracking = reinterpret_cast<Tracking*>(GetWindowLongPtr(hwnd, GWLP_USERDATA));
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCT*>(lparam);
    SetWindowLongPtr(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  if (tracking == nullptr) return DefWindowProc(hwnd, message, wparam, lparam);
  auto menu = FindMenu(tracking->menu);
  if (!menu) {
    tracking->is_done = true;
    return DefWindowProc(hwnd, message, wparam, lparam);
  }
  RECT client{};
  GetClientRect(hwnd, &client);
  const auto inside = [&](LPARAM at) {
    const POINT point{GET_X_LPARAM(at), GET_Y_LPARAM(at)};
    return point.x >= 0 && point.y >= 0 && point.x < client.right && point.y < client.bottom;
  };
  switch (message) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_PAINT: {
      PAINTSTRUCT paint;
      HDC dc = BeginPaint(hwnd, &paint);
      FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
      int top = 0;
      for (size_t i = 0; i < menu->items.size(); ++i) {
        const MenuItem& item = menu->items[i];
        const int height = ItemHeight(item);
        if ((item.flags & MF_SEPARATOR) != 0) {
          const RECT line{2, top + height / 2 - 1, client.right - 2, top + height / 2};
          FillRect(dc, &line, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
          const RECT band{0, top, client.right, top + height};
          const bool is_hot = static_cast<int>(i) == tracking->hot;
          if (is_hot) FillRect(dc, &band, GetSysColorBrush(COLOR_HIGHLIGHT));
          const bool is_grey = (item.flags & (MF_GRAYED | MF_DISABLED)) != 0;
          const int colour = is_grey ? COLOR_GRAYTEXT : is_hot ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
          RECT text = band;
          text.left += 18;
          text.right -= 8;
          // "Label\tShortcut": the shortcut stands at the right.
          const size_t tab = item.text.find('\t');
          DrawMenuText(dc, item.text.substr(0, tab), text, GetSysColor(colour), DT_LEFT);
          if (tab != std::string::npos) DrawMenuText(dc, item.text.substr(tab + 1), text, GetSysColor(colour), DT_RIGHT);
          if ((item.flags & MF_CHECKED) != 0) DrawMenuText(dc, "\xE2\x9C\x93", RECT{band.left + 4, band.top, band.left + 18, band.bottom}, GetSysColor(colour), DT_LEFT);
        }
        top += height;
      }
      EndPaint(hwnd, &paint);
      return 0;
    }
    case WM_MOUSEMOVE: {
      const int hot = inside(lparam) ? ItemAt(*menu, GET_Y_LPARAM(lparam)) : -1;
      if (hot != tracking->hot) {
        tracking->hot = hot;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (!inside(lparam)) tracking->is_done = true;  // a press elsewhere dismisses the menu
      return 0;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP: {
      if (message == WM_RBUTTONUP && (tracking->flags & TPM_RIGHTBUTTON) == 0) return 0;
      if (!inside(lparam)) return 0;
      const int index = ItemAt(*menu, GET_Y_LPARAM(lparam));
      if (index >= 0 && IsSelectable(menu->items[static_cast<size_t>(index)])) {
        Choose(*tracking, menu->items[static_cast<size_t>(index)].id);
      }
      return 0;
    }
    case WM_KEYDOWN: {
      const int count = static_cast<int>(menu->items.size());
      if (wparam == VK_ESCAPE) {
        tracking->is_done = true;
      } else if (wparam == VK_RETURN) {
        if (tracking->hot >= 0 && IsSelectable(menu->items[static_cast<size_t>(tracking->hot)])) {
          Choose(*tracking, menu->items[static_cast<size_t>(tracking->hot)].id);
        }
      } else if ((wparam == VK_DOWN || wparam == VK_UP) && count > 0) {
        const int step = wparam == VK_DOWN ? 1 : -1;
        int at = tracking->hot;
        for (int tries = 0; tries < count; ++tries) {
          at = ((at < 0 && step < 0 ? count : at) + step + count) % count;
          if ((menu->items[static_cast<size_t>(at)].flags & MF_SEPARATOR) == 0) break;
        }
        tracking->hot = at;
        InvalidateRect(hwnd, nullptr, FALSE);
      }
      return 0;
    }
    case WM_COMMAND: {
      // A command sent to the menu window chooses that item (the test harness's responder).
      Menu* holder = nullptr;
      MenuItem* item = FindItem(*menu, LOWORD(wparam), MF_BYCOMMAND, &holder);
      if (item != nullptr && IsSelectable(*item)) Choose(*tracking, item->id);
      return 0;
    }
    case WM_CANCELMODE:
    case WM_CAPTURECHANGED:
      tracking->is_done = true;
      return 0;
    default: return DefWindowProc(hwnd, message, wparam, lparam);
  }
}

void RegisterMenuClass() {
  static bool is_registered = false;
  if (is_registered) return;
  WNDCLASSEX wc;
  wc.style = CS_SAVEBITS | CS_DBLCLKS | CS_GLOBALCLASS;
  wc.lpfnWndProc = &MenuWindowProc;
  wc.lpszClassName = kMenuWindowClass;
  is_registered = RegisterClassEx(&wc) != 0;
}

}  // namespace

void ForgetWindowMenus(Window& window) {
  auto& system = SystemMenus();
  if (auto found = system.find(window.hwnd); found != system.end()) {
    DestroyMenu(found->second);
    system.erase(found);
  }
  // A window's menu bar goes with it.
  if (window.parent == nullptr && window.control_id != 0) {
    const HMENU bar = reinterpret_cast<HMENU>(window.control_id);
    if (IsMenu(bar)) DestroyMenu(bar);
  }
}

}  // namespace user

HMENU CreateMenu() { return user::NewMenu(false); }
HMENU CreatePopupMenu() { return user::NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
  auto record = user::MenuHandles::Remove(HandleId(menu));
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  for (const user::MenuItem& item : record->items) {
    if ((item.flags & MF_POPUP) != 0) DestroyMenu(item.popup);
  }
  return TRUE;
}

BOOL IsMenu(HMENU menu) { return user::FindMenu(menu) ? TRUE : FALSE; }

BOOL InsertMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text) {
  auto record = user::FindMenu(menu);
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  user::MenuItem made;
  if (!user::MakeItem(flags, item, text, made)) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  auto& items = record->items;
  size_t at = items.size();
  if ((flags & MF_BYPOSITION) != 0) {
    at = std::min<size_t>(position, items.size());
  } else if (position != static_cast<UINT>(-1)) {
    for (size_t i = 0; i < items.size(); ++i) {
      if ((items[i].flags & MF_POPUP) == 0 && items[i].id == position) {
        at = i;
        break;
      }
    }
  }
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(at), made);
  return TRUE;
}

BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR item, const char* text) {
  return InsertMenu(menu, static_cast<UINT>(-1), flags | MF_BYPOSITION, item, text);
}

namespace {

BOOL Remove(HMENU menu, UINT position, UINT flags, bool destroy_popup) {
  auto record = user::FindMenu(menu);
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  user::Menu* holder = nullptr;
  user::MenuItem* item = user::FindItem(*record, position, flags, &holder);
  if (item == nullptr) return FALSE;
  const user::MenuItem removed = *item;
  holder->items.erase(holder->items.begin() + (item - holder->items.data()));
  if (destroy_popup && (removed.flags & MF_POPUP) != 0) DestroyMenu(removed.popup);
  return TRUE;
}

}  // namespace

BOOL RemoveMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, false); }
BOOL DeleteMenu(HMENU menu, UINT position, UINT flags) { return Remove(menu, position, flags, true); }

BOOL ModifyMenu(HMENU menu, UINT position, UINT flags, UINT_PTR item, const char* text) {
  auto record = user::FindMenu(menu);
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  user::MenuItem* found = user::FindItem(*record, position, flags);
  if (found == nullptr) return FALSE;
  user::MenuItem made;
  if (!user::MakeItem(flags, item, text, made)) return FALSE;
  *found = made;
  return TRUE;
}

UINT EnableMenuItem(HMENU menu, UINT item, UINT flags) {
  auto record = user::FindMenu(menu);
  if (!record) return static_cast<UINT>(-1);
  user::MenuItem* found = user::FindItem(*record, item, flags);
  if (found == nullptr) return static_cast<UINT>(-1);
  const UINT previous = found->flags & (MF_GRAYED | MF_DISABLED);
  found->flags = (found->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
  return previous;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
  auto record = user::FindMenu(menu);
  if (!record) return static_cast<DWORD>(-1);
  user::MenuItem* found = user::FindItem(*record, item, flags);
  if (found == nullptr) return static_cast<DWORD>(-1);
  const DWORD previous = found->flags & MF_CHECKED;
  found->flags = (found->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
  return previous;
}

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
  auto record = user::FindMenu(menu);
  if (!record) return static_cast<UINT>(-1);
  const user::MenuItem* found = user::FindItem(*record, item, flags);
  if (found == nullptr) return static_cast<UINT>(-1);
  if ((found->flags & MF_POPUP) != 0) {
    auto sub = user::FindMenu(found->popup);
    return (found->flags & 0xFF) | (sub ? static_cast<UINT>(sub->items.size()) << 8 : 0);
  }
  return found->flags;
}

int GetMenuItemCount(HMENU menu) {
  auto record = user::FindMenu(menu);
  return record ? static_cast<int>(record->items.size()) : -1;
}

UINT GetMenuItemID(HMENU menu, int position) {
  auto record = user::FindMenu(menu);
  if (!record || position < 0 || static_cast<size_t>(position) >= record->items.size()) return static_cast<UINT>(-1);
  const user::MenuItem& item = record->items[static_cast<size_t>(position)];
  return (item.flags & MF_POPUP) != 0 ? static_cast<UINT>(-1) : static_cast<UINT>(item.id);
}

HMENU GetSubMenu(HMENU menu, int position) {
  auto record = user::FindMenu(menu);
  if (!record || position < 0 || static_cast<size_t>(position) >= record->items.size()) return nullptr;
  const user::MenuItem& item = record->items[static_cast<size_t>(position)];
  return (item.flags & MF_POPUP) != 0 ? item.popup : nullptr;
}

int GetMenuString(HMENU menu, UINT item, char* out, int max_chars, UINT flags) {
  auto record = user::FindMenu(menu);
  if (!record) return 0;
  const user::MenuItem* found = user::FindItem(*record, item, flags);
  if (found == nullptr) return 0;
  if (out == nullptr || max_chars <= 0) return static_cast<int>(found->text.size());
  return user::CopyTextOut(found->text, out, max_chars);
}

BOOL SetMenu(HWND hwnd, HMENU menu) {
  auto window = user::RequireWindow(hwnd);
  if (!window || window->parent != nullptr) return FALSE;
  if (menu != nullptr && !IsMenu(menu)) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  window->control_id = reinterpret_cast<LONG_PTR>(menu);
  SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  return TRUE;
}

HMENU GetMenu(HWND hwnd) {
  auto window = user::FindWindowRecord(hwnd);
  if (!window || window->parent != nullptr) return nullptr;
  return reinterpret_cast<HMENU>(window->control_id);
}

BOOL DrawMenuBar(HWND hwnd) { return RedrawWindow(hwnd, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_NOCHILDREN); }

HMENU GetSystemMenu(HWND hwnd, BOOL revert) {
  auto window = user::RequireWindow(hwnd);
  if (!window) return nullptr;
  auto& menus = user::SystemMenus();
  auto found = menus.find(hwnd);
  if (revert) {
    if (found != menus.end()) {
      DestroyMenu(found->second);
      menus.erase(found);
    }
    return nullptr;
  }
  if (found != menus.end()) return found->second;
  HMENU menu = CreatePopupMenu();
  AppendMenu(menu, MF_STRING, SC_RESTORE, "&Restore");
  AppendMenu(menu, MF_STRING, SC_MOVE, "&Move");
  AppendMenu(menu, MF_STRING, SC_SIZE, "&Size");
  AppendMenu(menu, MF_STRING, SC_MINIMIZE, "Mi&nimize");
  AppendMenu(menu, MF_STRING, SC_MAXIMIZE, "Ma&ximize");
  AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
  AppendMenu(menu, MF_STRING, SC_CLOSE, "&Close\tAlt+F4");
  menus.emplace(hwnd, menu);
  return menu;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int reserved, HWND owner, const RECT* ignored) {
  (void)reserved;
  (void)ignored;
  auto record = user::FindMenu(menu);
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_MENU_HANDLE);
  if (user::active_tracking != nullptr || !user::EnsureGuiThread()) return FALSE;
  const bool notify = (flags & TPM_NONOTIFY) == 0 && IsWindow(owner);
  if (notify) {
    SendMessage(owner, WM_ENTERMENULOOP, TRUE, 0);
    SendMessage(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
  }
  user::RegisterMenuClass();
  user::Tracking tracking;
  tracking.menu = menu;
  tracking.flags = flags;
  const SIZE size = user::PopupSize(*record);
  const RECT screen = user::Backend().Screen().work_area;
  // Kept on the screen.
  x = std::max<int>(screen.left, std::min<int>(x, screen.right - size.cx - 2));
  y = std::max<int>(screen.top, std::min<int>(y, screen.bottom - size.cy - 2));
  tracking.window = CreateWindowEx(WS_EX_TOPMOST | WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, kMenuWindowClass, "",
                                   WS_POPUP | WS_BORDER, x, y, size.cx + 2, size.cy + 2, owner, nullptr, nullptr,
                                   &tracking);
  if (tracking.window == nullptr) return FALSE;
  user::active_tracking = &tracking;
  ShowWindow(tracking.window, SW_SHOWNOACTIVATE);
  SetCapture(tracking.window);
  // Keys go to the menu while it is up.
  user::RunLoop(tracking.window, [&] { return tracking.is_done; }, [&](MSG& msg) {
    if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) msg.hwnd = tracking.window;
    return false;
  });
  user::active_tracking = nullptr;
  if (GetCapture() == tracking.window) ReleaseCapture();
  if (IsWindow(tracking.window)) DestroyWindow(tracking.window);
  if (notify && IsWindow(owner)) SendMessage(owner, WM_EXITMENULOOP, TRUE, 0);
  if ((flags & TPM_RETURNCMD) != 0) return static_cast<BOOL>(tracking.chosen);
  if (tracking.chosen == 0) return FALSE;
  if (IsWindow(owner)) PostMessage(owner, WM_COMMAND, tracking.chosen, 0);
  return TRUE;
}

namespace user {

std::vector<MenuBarItem> MenuBarLayout(const Window& window) {
  std::vector<MenuBarItem> items;
  const NonClientLayout layout = LayoutOf(window);
  auto menu = FindMenu(reinterpret_cast<HMENU>(window.control_id));
  if (!menu || gdi::IsEmptyRect(layout.menu)) return items;
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_font = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
  int left = layout.menu.left;
  for (const MenuItem& item : menu->items) {
    if ((item.flags & MF_SEPARATOR) != 0) continue;
    RECT extent{0, 0, 0, 0};
    DrawText(dc, item.text.c_str(), static_cast<int>(item.text.size()), &extent, DT_CALCRECT | DT_SINGLELINE);
    const int width = extent.right - extent.left + 16;
    items.push_back(MenuBarItem{RECT{left, layout.menu.top, left + width, layout.menu.bottom}, item.flags, item.id,
                                item.popup, item.text});
    left += width;
  }
  SelectObject(dc, old_font);
  DeleteDC(dc);
  return items;
}

void TrackMenuBar(HWND hwnd, POINT screen) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return;
  const RECT on_screen = WindowRectOnScreen(*window);
  const POINT at{screen.x - on_screen.left, screen.y - on_screen.top};
  for (const MenuBarItem& item : MenuBarLayout(*window)) {
    if (at.x < item.rect.left || at.x >= item.rect.right || at.y < item.rect.top || at.y >= item.rect.bottom) continue;
    if ((item.flags & (MF_GRAYED | MF_DISABLED)) != 0) return;
    SendMessage(hwnd, WM_INITMENU, static_cast<WPARAM>(window->control_id), 0);
    if (item.popup != nullptr) {
      TrackPopupMenu(item.popup, TPM_LEFTALIGN, on_screen.left + item.rect.left, on_screen.top + item.rect.bottom, 0,
                     hwnd, nullptr);
    } else {
      PostMessage(hwnd, WM_COMMAND, item.id, 0);
    }
    return;
  }
}

void TrackSystemMenu(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  if (!window) return;
  HMENU menu = GetSystemMenu(hwnd, FALSE);
  if (menu == nullptr) return;
  const DWORD style = window->style;
  const bool is_max = window->is_maximized, is_min = window->is_minimized;
  const auto allow = [&](UINT id, bool on) { EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED)); };
  allow(SC_RESTORE, is_max || is_min);
  allow(SC_MOVE, !is_max);
  allow(SC_SIZE, (style & WS_THICKFRAME) != 0 && !is_max && !is_min);
  allow(SC_MINIMIZE, (style & WS_MINIMIZEBOX) != 0 && !is_min);
  allow(SC_MAXIMIZE, (style & WS_MAXIMIZEBOX) != 0 && !is_max);
  const NonClientLayout layout = LayoutOf(*window);
  const RECT on_screen = WindowRectOnScreen(*window);
  const UINT id = static_cast<UINT>(TrackPopupMenu(menu, TPM_RETURNCMD, on_screen.left + layout.sys_menu.left,
                                                   on_screen.top + layout.caption.bottom + 1, 0, hwnd, nullptr));
  if (id != 0 && IsWindow(hwnd)) PostMessage(hwnd, WM_SYSCOMMAND, id, 0);
}

}  // namespace user

BOOL EndMenu() {
  if (user::active_tracking == nullptr) return FALSE;
  user::active_tracking->is_done = true;
  user::WakeLoop();
  return TRUE;
}

}  // namespace plat
