// Cursors and icons share one record: the picture as an AND mask and colours
// (or colours with alpha), and the image the backend shows as a pointer.
#ifndef PLAT_USER_ICONS_H_
#define PLAT_USER_ICONS_H_

#include <cstdint>
#include <vector>

#include "plat/backend.h"
#include "plat/handle_table.h"

namespace plat::user {

struct IconPicture {
  int width = 0;
  int height = 0;
  bool has_alpha = false;        // colours carry alpha and are blended
  std::vector<uint32_t> colour;  // 0xAARRGGBB, top-down rows
  std::vector<uint8_t> mask;     // 1 keeps the destination
};

struct Cursor {
  backend::CursorImage image;
  IconPicture picture;
  bool is_icon = false;
  bool is_shared = false;  // system and module cursors are never destroyed
};

using CursorHandles = Handles<Cursor, HandleKind::kCursor>;

// The pointer image of a picture: opaque pixels, transparent ones, and
// inverting ones (mask 1 with colour) as half-transparent black.
std::vector<uint32_t> PointerPixels(const IconPicture& picture);
// One shared record per key (loaded and system cursors and icons).
HCURSOR SharedCursor(Cursor cursor, uint64_t key);
// A new record the caller may destroy.
HCURSOR NewCursor(Cursor cursor);
// The picture of a system icon (IDI_*), drawn once.
IconPicture SystemIconPicture(int id);

}  // namespace plat::user

#endif  // PLAT_USER_ICONS_H_
