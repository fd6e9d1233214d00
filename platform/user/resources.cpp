// Resources registered per module as tables in code, and their loaders.
#include "plat/resources.h"

#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "plat/gdi.h"
#include "plat/menu.h"
#include "plat/packed_dib.h"
#include "user/icons.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

struct ModuleTable {
  const ResourceEntry* entries = nullptr;
  size_t count = 0;
};

struct Registry {
  std::mutex mutex;
  std::map<HMODULE, ModuleTable> modules;
  std::map<const ResourceEntry*, HGLOBAL> loaded;  // LoadResource's copies, kept while registered
};

Registry& Resources() {
  static auto* registry = new Registry;
  return *registry;
}

bool NameMatches(const ResourceEntry& entry, const char* name) {
  if (IS_INTRESOURCE(name)) return entry.name == nullptr && entry.id == static_cast<int>(reinterpret_cast<uintptr_t>(name));
  return entry.name != nullptr && EqualsFolded(entry.name, name);
}

const ResourceEntry* Find(HMODULE module, const char* name, int type) {
  Registry& registry = Resources();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto table = registry.modules.find(module);
  if (table == registry.modules.end()) return nullptr;
  for (size_t i = 0; i < table->second.count; ++i) {
    const ResourceEntry& entry = table->second.entries[i];
    if (entry.type == type && NameMatches(entry, name)) return &entry;
  }
  return nullptr;
}

HCURSOR CursorOf(HMODULE module, const char* name, int type) {
  const ResourceEntry* entry = Find(module, name, type);
  if (entry == nullptr || entry->data == nullptr || entry->size != sizeof(CursorResource)) {
    return FailWith<HCURSOR>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  const auto* cursor = static_cast<const CursorResource*>(entry->data);
  if (cursor->width <= 0 || cursor->height <= 0 || cursor->width > 256 || cursor->height > 256 || cursor->argb == nullptr) {
    return FailWith<HCURSOR>(nullptr, ERROR_INVALID_DATA);
  }
  Cursor record;
  record.is_icon = type == RT_ICON;
  IconPicture& picture = record.picture;
  picture.width = cursor->width;
  picture.height = cursor->height;
  picture.has_alpha = true;
  picture.colour.assign(cursor->argb, cursor->argb + static_cast<size_t>(cursor->width) * static_cast<size_t>(cursor->height));
  picture.mask.resize(picture.colour.size());
  for (size_t i = 0; i < picture.colour.size(); ++i) picture.mask[i] = (picture.colour[i] >> 24) == 0 ? 1 : 0;
  record.image.hotspot = POINT{cursor->hot_x, cursor->hot_y};
  record.image.width_px = cursor->width;
  record.image.height_px = cursor->height;
  record.image.argb = picture.colour;
  // One shared handle per entry, as loaded cursors are never destroyed.
  return SharedCursor(std::move(record), reinterpret_cast<uintptr_t>(entry));
}

}  // namespace

}  // namespace user

BOOL RegisterModuleResources(HMODULE module, const ResourceEntry* entries, size_t count) {
  if (module == nullptr || (entries == nullptr && count != 0)) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  user::Registry& registry = user::Resources();
  std::lock_guard<std::mutex> lock(registry.mutex);
  registry.modules[module] = user::ModuleTable{entries, count};
  return TRUE;
}

BOOL UnregisterModuleResources(HMODULE module) {
  user::Registry& registry = user::Resources();
  std::lock_guard<std::mutex> lock(registry.mutex);
  auto table = registry.modules.find(module);
  if (table == registry.modules.end()) return FALSE;
  // The blocks LoadResource made for its entries go with the table.
  for (size_t i = 0; i < table->second.count; ++i) {
    auto loaded = registry.loaded.find(&table->second.entries[i]);
    if (loaded == registry.loaded.end()) continue;
    GlobalFree(loaded->second);
    registry.loaded.erase(loaded);
  }
  registry.modules.erase(table);
  return TRUE;
}

HCURSOR user::LoadModuleCursor(HINSTANCE instance, const char* name) { return user::CursorOf(instance, name, RT_CURSOR); }

int LoadString(HINSTANCE instance, UINT id, char* out, int max_chars) {
  const ResourceEntry* entry = user::Find(instance, MAKEINTRESOURCE(static_cast<int>(id)), RT_STRING);
  if (entry == nullptr || entry->data == nullptr) {
    if (out != nullptr && max_chars > 0) out[0] = '\0';
    return FailWith<int>(0, ERROR_RESOURCE_NAME_NOT_FOUND);
  }
  return user::CopyTextOut(std::string_view(static_cast<const char*>(entry->data), entry->size), out, max_chars);
}

HBITMAP LoadBitmap(HINSTANCE instance, const char* name) {
  const ResourceEntry* entry = user::Find(instance, name, RT_BITMAP);
  if (entry == nullptr) return FailWith<HBITMAP>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
  const auto view = ValidatePackedDib(entry->data, entry->size);
  if (!view) return FailWith<HBITMAP>(nullptr, ERROR_INVALID_DATA);
  const auto* info = static_cast<const BITMAPINFO*>(entry->data);
  HDC screen = GetDC(nullptr);
  HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, view->bits, info, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  return bitmap;
}

HICON LoadIcon(HINSTANCE instance, const char* name) {
  if (instance == nullptr) {
    const auto id = reinterpret_cast<uintptr_t>(name);
    if (id < IDI_APPLICATION || id > IDI_ASTERISK) return FailWith<HICON>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
    user::Cursor icon;
    icon.is_icon = true;
    icon.picture = user::SystemIconPicture(static_cast<int>(id));
    icon.image.width_px = icon.picture.width;
    icon.image.height_px = icon.picture.height;
    icon.image.argb = icon.picture.colour;
    return reinterpret_cast<HICON>(user::SharedCursor(std::move(icon), 0x10000 + id));
  }
  return reinterpret_cast<HICON>(user::CursorOf(instance, name, RT_ICON));
}

namespace user {

namespace {

constexpr int kMaxMenuDepth = 16;
constexpr UINT kTemplateFlags = MF_GRAYED | MF_DISABLED | MF_CHECKED | MF_POPUP | MF_END;

WORD ReadWord(const uint8_t* at) { return static_cast<WORD>(at[0] | at[1] << 8); }

// Appends the items of one level (up to the one with MF_END) to `menu`.
bool ReadMenuLevel(const uint8_t*& at, const uint8_t* end, HMENU menu, int depth) {
  if (depth > kMaxMenuDepth) return false;
  for (;;) {
    if (end - at < 2) return false;
    const WORD flags = ReadWord(at);
    at += 2;
    if ((flags & ~kTemplateFlags) != 0) return false;
    WORD id = 0;
    if ((flags & MF_POPUP) == 0) {
      if (end - at < 2) return false;
      id = ReadWord(at);
      at += 2;
    }
    const auto* nul = static_cast<const uint8_t*>(std::memchr(at, 0, static_cast<size_t>(end - at)));
    if (nul == nullptr) return false;
    const std::string text(reinterpret_cast<const char*>(at), static_cast<size_t>(nul - at));
    at = nul + 1;
    const UINT state = flags & (MF_GRAYED | MF_DISABLED | MF_CHECKED);
    if ((flags & MF_POPUP) != 0) {
      HMENU popup = CreatePopupMenu();
      if (popup == nullptr || !ReadMenuLevel(at, end, popup, depth + 1) ||
          !AppendMenu(menu, MF_POPUP | state, reinterpret_cast<UINT_PTR>(popup), text.c_str())) {
        DestroyMenu(popup);
        return false;
      }
    } else if (id == 0 && text.empty()) {
      if (!AppendMenu(menu, MF_SEPARATOR, 0, nullptr)) return false;
    } else if (!AppendMenu(menu, MF_STRING | state, id, text.c_str())) {
      return false;
    }
    if ((flags & MF_END) != 0) return true;
  }
}

}  // namespace

}  // namespace user

HMENU LoadMenu(HINSTANCE instance, const char* name) {
  const ResourceEntry* entry = user::Find(instance, name, RT_MENU);
  if (entry == nullptr || entry->data == nullptr) return FailWith<HMENU>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
  const auto* begin = static_cast<const uint8_t*>(entry->data);
  const uint8_t* end = begin + entry->size;
  if (entry->size < 4 || user::ReadWord(begin) != 0) return FailWith<HMENU>(nullptr, ERROR_INVALID_DATA);
  const WORD offset = user::ReadWord(begin + 2);
  if (entry->size - 4 < offset) return FailWith<HMENU>(nullptr, ERROR_INVALID_DATA);
  const uint8_t* at = begin + 4 + offset;
  HMENU menu = CreateMenu();
  if (menu == nullptr) return nullptr;
  if (!user::ReadMenuLevel(at, end, menu, 0)) {
    DestroyMenu(menu);
    return FailWith<HMENU>(nullptr, ERROR_INVALID_DATA);
  }
  return menu;
}

HRSRC FindResource(HMODULE module, const char* name, const char* type) {
  if (!IS_INTRESOURCE(type)) return FailWith<HRSRC>(nullptr, ERROR_RESOURCE_TYPE_NOT_FOUND);
  const ResourceEntry* entry = user::Find(module, name, static_cast<int>(reinterpret_cast<uintptr_t>(type)));
  if (entry == nullptr) return FailWith<HRSRC>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
  return reinterpret_cast<HRSRC>(const_cast<ResourceEntry*>(entry));
}

HGLOBAL LoadResource(HMODULE module, HRSRC resource) {
  (void)module;
  if (resource == nullptr) return 0;
  const auto* entry = reinterpret_cast<const ResourceEntry*>(resource);
  user::Registry& registry = user::Resources();
  std::lock_guard<std::mutex> lock(registry.mutex);
  HGLOBAL& block = registry.loaded[entry];
  if (block == 0 || GlobalSize(block) == 0) {
    block = GlobalAlloc(GMEM_MOVEABLE, entry->size == 0 ? 1 : entry->size);
    if (block == 0) return 0;
    if (entry->size != 0) {
      std::memcpy(GlobalLock(block), entry->data, entry->size);
      GlobalUnlock(block);
    }
  }
  return block;
}

void* LockResource(HGLOBAL loaded) {
  void* bytes = GlobalLock(loaded);
  if (bytes != nullptr) GlobalUnlock(loaded);  // resource blocks stay put: no lock is held
  return bytes;
}

DWORD SizeofResource(HMODULE module, HRSRC resource) {
  (void)module;
  if (resource == nullptr) return 0;
  return static_cast<DWORD>(reinterpret_cast<const ResourceEntry*>(resource)->size);
}

HANDLE LoadImage(HINSTANCE instance, const char* name, UINT type, int width, int height, UINT flags) {
  (void)width;
  (void)height;
  (void)flags;
  switch (type) {
    case IMAGE_BITMAP: return reinterpret_cast<HANDLE>(LoadBitmap(instance, name));
    case IMAGE_ICON: return reinterpret_cast<HANDLE>(LoadIcon(instance, name));
    case IMAGE_CURSOR: return reinterpret_cast<HANDLE>(LoadCursor(instance, name));
    default: return FailWith<HANDLE>(nullptr, ERROR_INVALID_PARAMETER);
  }
}

}  // namespace plat
