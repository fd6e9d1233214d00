// Cursors: the system's shared cursors by IDC_* id, cursors made from masks,
// and the pointer shape, which the backend shows.
#include <map>
#include <memory>

#include "user/icons.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

HCURSOR current_cursor = nullptr;

bool IsSystemCursorId(uintptr_t id) {
  switch (id) {
    case IDC_ARROW: case IDC_IBEAM: case IDC_WAIT: case IDC_CROSS: case IDC_UPARROW: case IDC_SIZENWSE:
    case IDC_SIZENESW: case IDC_SIZEWE: case IDC_SIZENS: case IDC_SIZEALL: case IDC_NO: case IDC_HAND:
    case IDC_APPSTARTING: case IDC_HELP:
      return true;
    default:
      return false;
  }
}

}  // namespace

std::vector<uint32_t> PointerPixels(const IconPicture& picture) {
  std::vector<uint32_t> argb(picture.colour.size());
  for (size_t i = 0; i < argb.size(); ++i) {
    const uint32_t colour = picture.colour[i];
    if (picture.has_alpha) {
      argb[i] = colour;
    } else if (picture.mask[i] == 0) {
      argb[i] = 0xFF000000u | colour;
    } else {
      argb[i] = (colour & 0xFFFFFFu) != 0 ? 0x80000000u : 0;  // inverts: shown as half-transparent black
    }
  }
  return argb;
}

HCURSOR SharedCursor(Cursor cursor, uint64_t key) {
  static auto* shared = new std::map<uint64_t, HCURSOR>;
  auto found = shared->find(key);
  if (found != shared->end()) return found->second;
  cursor.is_shared = true;
  const HCURSOR handle = HandleFromId<HCURSOR>(CursorHandles::Insert(std::make_shared<Cursor>(std::move(cursor))));
  shared->emplace(key, handle);
  return handle;
}

HCURSOR NewCursor(Cursor cursor) {
  cursor.is_shared = false;
  if (cursor.image.system_id == 0) {
    cursor.image.width_px = cursor.picture.width;
    cursor.image.height_px = cursor.picture.height;
    cursor.image.argb = PointerPixels(cursor.picture);
  }
  return HandleFromId<HCURSOR>(CursorHandles::Insert(std::make_shared<Cursor>(std::move(cursor))));
}

}  // namespace user

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  const auto id = reinterpret_cast<uintptr_t>(name);
  if (instance == nullptr) {
    if (id > 0xFFFF || !user::IsSystemCursorId(id)) return FailWith<HCURSOR>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
    user::Cursor cursor;
    cursor.image.system_id = static_cast<int>(id);
    return user::SharedCursor(std::move(cursor), id);
  }
  return user::LoadModuleCursor(instance, name);
}

HCURSOR CreateCursor(HINSTANCE instance, int hot_x, int hot_y, int width, int height, const void* and_mask,
                     const void* xor_mask) {
  (void)instance;
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || and_mask == nullptr || xor_mask == nullptr) {
    return FailWith<HCURSOR>(nullptr, ERROR_INVALID_PARAMETER);
  }
  user::Cursor cursor;
  cursor.image.hotspot = POINT{hot_x, hot_y};
  user::IconPicture& picture = cursor.picture;
  picture.width = width;
  picture.height = height;
  picture.colour.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  picture.mask.resize(picture.colour.size());
  // Monochrome masks, rows padded to 16 bits: AND 1 keeps the screen, XOR 1 inverts it.
  const size_t row_bytes = static_cast<size_t>((width + 15) / 16) * 2;
  const auto* and_bits = static_cast<const uint8_t*>(and_mask);
  const auto* xor_bits = static_cast<const uint8_t*>(xor_mask);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * row_bytes + static_cast<size_t>(x / 8);
      const int bit = 7 - (x % 8);
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      picture.mask[i] = (and_bits[at] >> bit) & 1;
      picture.colour[i] = ((xor_bits[at] >> bit) & 1) != 0 ? 0xFFFFFFu : 0;
    }
  }
  return user::NewCursor(std::move(cursor));
}

BOOL DestroyCursor(HCURSOR cursor) {
  auto record = user::CursorHandles::Find(HandleId(cursor));
  if (!record) return FailWith<BOOL>(FALSE, ERROR_INVALID_CURSOR_HANDLE);
  if (record->is_shared) return TRUE;  // shared cursors stay
  if (user::current_cursor == cursor) SetCursor(nullptr);
  user::CursorHandles::Remove(HandleId(cursor));
  return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor) {
  const HCURSOR previous = user::current_cursor;
  if (cursor == previous) return previous;
  auto record = user::CursorHandles::Find(HandleId(cursor));
  if (cursor != nullptr && !record) return previous;
  user::current_cursor = cursor;
  user::Backend().SetCursor(record ? &record->image : nullptr);
  return previous;
}

HCURSOR GetCursor() { return user::current_cursor; }


}  // namespace plat
