// Cursors: the system's shared cursors by IDC_* id, cursors made from masks,
// and the pointer shape, which the backend shows.
#include <map>
#include <memory>

#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

struct Cursor {
  backend::CursorImage image;
  bool is_shared = false;  // system and module cursors are never destroyed
};

using CursorHandles = Handles<Cursor, HandleKind::kCursor>;

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

HCURSOR SharedCursor(const backend::CursorImage& image, uint64_t key) {
  static auto* shared = new std::map<uint64_t, HCURSOR>;
  auto found = shared->find(key);
  if (found != shared->end()) return found->second;
  auto cursor = std::make_shared<Cursor>();
  cursor->image = image;
  cursor->is_shared = true;
  const HCURSOR handle = HandleFromId<HCURSOR>(CursorHandles::Insert(cursor));
  shared->emplace(key, handle);
  return handle;
}

}  // namespace user

HCURSOR LoadCursor(HINSTANCE instance, const char* name) {
  const auto id = reinterpret_cast<uintptr_t>(name);
  if (instance == nullptr) {
    if (id > 0xFFFF || !user::IsSystemCursorId(id)) return FailWith<HCURSOR>(nullptr, ERROR_RESOURCE_NAME_NOT_FOUND);
    backend::CursorImage image;
    image.system_id = static_cast<int>(id);
    return user::SharedCursor(image, id);
  }
  return user::LoadModuleCursor(instance, name);
}

HCURSOR CreateCursor(HINSTANCE instance, int hot_x, int hot_y, int width, int height, const void* and_mask,
                     const void* xor_mask) {
  (void)instance;
  if (width <= 0 || height <= 0 || width > 256 || height > 256 || and_mask == nullptr || xor_mask == nullptr) {
    return FailWith<HCURSOR>(nullptr, ERROR_INVALID_PARAMETER);
  }
  auto cursor = std::make_shared<user::Cursor>();
  backend::CursorImage& image = cursor->image;
  image.hotspot = POINT{hot_x, hot_y};
  image.width_px = width;
  image.height_px = height;
  image.argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  // Monochrome masks, rows padded to 16 bits: AND 1 keeps the screen, XOR 1 inverts it.
  const size_t row_bytes = static_cast<size_t>((width + 15) / 16) * 2;
  const auto* and_bits = static_cast<const uint8_t*>(and_mask);
  const auto* xor_bits = static_cast<const uint8_t*>(xor_mask);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t at = static_cast<size_t>(y) * row_bytes + static_cast<size_t>(x / 8);
      const int bit = 7 - (x % 8);
      const bool keep = ((and_bits[at] >> bit) & 1) != 0;
      const bool flip = ((xor_bits[at] >> bit) & 1) != 0;
      uint32_t pixel = 0;
      if (!keep) pixel = flip ? 0xFFFFFFFF : 0xFF000000;
      else if (flip) pixel = 0x80000000;  // inverts: shown as half-transparent black
      image.argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] = pixel;
    }
  }
  return HandleFromId<HCURSOR>(user::CursorHandles::Insert(cursor));
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

namespace user {

HCURSOR CursorFromImage(const backend::CursorImage& image, uint64_t key) { return SharedCursor(image, key); }

}  // namespace user

}  // namespace plat
