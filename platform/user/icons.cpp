// Icons: made from masks and bitmaps, copied, taken apart again into
// bitmaps, the system's own pictures, and drawn by mask or by alpha.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "user/icons.h"
#include "user/text_util.h"
#include "user/window_system.h"

namespace plat {

namespace user {

namespace {

constexpr int kMaxIconSide = 256;

void Put(IconPicture& picture, int x, int y, uint32_t argb) {
  if (x < 0 || y < 0 || x >= picture.width || y >= picture.height) return;
  const size_t i = static_cast<size_t>(y) * static_cast<size_t>(picture.width) + static_cast<size_t>(x);
  picture.colour[i] = argb;
  picture.mask[i] = (argb >> 24) == 0 ? 1 : 0;
}

// A disc of radius `r` about the picture's centre: outline 1 px in `edge`,
// the inside in `fill` (pixel centres inside the circle).
void Disc(IconPicture& picture, double r, uint32_t fill, uint32_t edge) {
  const double c = picture.width / 2.0;
  for (int y = 0; y < picture.height; ++y) {
    for (int x = 0; x < picture.width; ++x) {
      const double d = std::hypot(x + 0.5 - c, y + 0.5 - c);
      if (d <= r - 1) Put(picture, x, y, fill);
      else if (d <= r) Put(picture, x, y, edge);
    }
  }
}

// '#' pixels of `art` at (x, y).
void Art(IconPicture& picture, int x, int y, std::initializer_list<const char*> art, uint32_t argb) {
  int row = 0;
  for (const char* line : art) {
    for (int col = 0; line[col] != '\0'; ++col) {
      if (line[col] == '#') Put(picture, x + col, y + row, argb);
    }
    ++row;
  }
}

constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kBlue = 0xFF0000FFu;

IconPicture DrawSystemIcon(int id) {
  IconPicture picture;
  picture.width = picture.height = 32;
  picture.has_alpha = true;
  picture.colour.assign(32 * 32, 0);
  picture.mask.assign(32 * 32, 1);
  switch (id) {
    case IDI_HAND:
      Disc(picture, 14.5, 0xFFFF0000u, kBlack);
      for (int i = 0; i < 12; ++i) {
        for (int w = 0; w < 3; ++w) {
          Put(picture, 10 + i + w - 1, 10 + i, kWhite);
          Put(picture, 21 - i + w - 1, 10 + i, kWhite);
        }
      }
      break;
    case IDI_QUESTION:
      Disc(picture, 14.5, kWhite, kBlack);
      Art(picture, 11, 7,
          {"..####..", ".##..##.", "##....##", "......##", ".....##.", "....##..", "...##...", "...##...",
           "........", "...##...", "...##..."},
          kBlue);
      break;
    case IDI_EXCLAMATION:
      for (int y = 3; y < 29; ++y) {
        const int half = (y - 3) / 2 + 1;
        for (int x = 16 - half; x < 16 + half; ++x) {
          const bool is_edge = x == 16 - half || x == 16 + half - 1 || y == 28;
          Put(picture, x, y, is_edge ? kBlack : 0xFFFFFF00u);
        }
      }
      for (int y = 11; y < 22; ++y) Art(picture, 15, y, {"##"}, kBlack);
      Art(picture, 15, 24, {"##", "##"}, kBlack);
      break;
    case IDI_ASTERISK:
      Disc(picture, 14.5, kWhite, kBlack);
      Art(picture, 14, 7, {"###", "###"}, kBlue);
      for (int y = 12; y < 24; ++y) Art(picture, y < 14 ? 13 : 14, y, {y < 14 ? "####" : "###"}, kBlue);
      Art(picture, 12, 24, {"#######"}, kBlue);
      break;
    default:  // IDI_APPLICATION: a window with its caption
      for (int y = 4; y < 28; ++y) {
        for (int x = 2; x < 30; ++x) {
          const bool is_frame = x == 2 || x == 29 || y == 4 || y == 27;
          Put(picture, x, y, is_frame ? kBlack : (y < 9 ? 0xFF000080u : kWhite));
        }
      }
      break;
  }
  return picture;
}

// The record behind an icon or cursor handle.
std::shared_ptr<Cursor> FindIcon(HICON icon) { return CursorHandles::Find(HandleId(icon)); }

bool ReadBitmap(HBITMAP handle, int& width, int& height, std::vector<uint32_t>& argb, bool& any_alpha) {
  const auto bitmap = gdi::FindBitmap(handle);
  if (!bitmap || !bitmap->surface) return false;
  const gdi::Surface& surface = *bitmap->surface;
  width = surface.width;
  height = surface.height;
  argb.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  any_alpha = false;
  // A 32-bit image keeps a fourth byte beside B, G, R: its alpha.
  const bool has_fourth_byte = surface.bpp == 32 && (surface.masks[0] | surface.masks[1] | surface.masks[2]) == 0x00FFFFFFu;
  std::vector<uint32_t> row(static_cast<size_t>(width));
  for (int y = 0; y < height; ++y) {
    surface.ReadRaw(y, 0, width, row.data());
    for (int x = 0; x < width; ++x) {
      const COLORREF colour = surface.ColourFromRaw(row[static_cast<size_t>(x)]);
      uint32_t alpha = has_fourth_byte ? surface.Row(y)[static_cast<size_t>(x) * 4 + 3] : 0;
      any_alpha = any_alpha || alpha != 0;
      argb[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          alpha << 24 | static_cast<uint32_t>(GetRValue(colour)) << 16 | static_cast<uint32_t>(GetGValue(colour)) << 8 |
          GetBValue(colour);
    }
  }
  return true;
}

HBITMAP WriteBitmap(int width, int height, int bpp, const std::vector<uint32_t>& argb, size_t first) {
  HBITMAP handle = CreateBitmap(width, height, 1, static_cast<UINT>(bpp), nullptr);
  const auto bitmap = gdi::FindBitmap(handle);
  if (!bitmap) return nullptr;
  gdi::Surface& surface = *bitmap->surface;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const uint32_t value = argb[first + static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      surface.SetRaw(x, y, surface.RawFromColour(RGB((value >> 16) & 0xFF, (value >> 8) & 0xFF, value & 0xFF)));
      if (bpp == 32) surface.Row(y)[static_cast<size_t>(x) * 4 + 3] = static_cast<BYTE>(value >> 24);
    }
  }
  return handle;
}

COLORREF ColourOf(uint32_t argb) { return RGB((argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF); }

// Draws `picture` scaled to `target` (surface pixels) onto `dc` inside its clip.
void Composite(gdi::DeviceContext& dc, const IconPicture& picture, const RECT& target, UINT flags) {
  gdi::Surface& surface = *dc.surface;
  const int width = target.right - target.left;
  const int height = target.bottom - target.top;
  const gdi::Region area = dc.Clip().Intersected(target);
  for (const RECT& r : area.rects()) {
    for (int py = r.top; py < r.bottom; ++py) {
      const int sy = static_cast<int>(static_cast<int64_t>(py - target.top) * picture.height / height);
      for (int px = r.left; px < r.right; ++px) {
        const int sx = static_cast<int>(static_cast<int64_t>(px - target.left) * picture.width / width);
        const size_t i = static_cast<size_t>(sy) * static_cast<size_t>(picture.width) + static_cast<size_t>(sx);
        const uint32_t colour = picture.colour[i];
        const COLORREF under = surface.ColourFromRaw(surface.GetRaw(px, py));
        COLORREF out = under;
        if ((flags & DI_NORMAL) == DI_NORMAL && picture.has_alpha) {
          const uint32_t a = colour >> 24;
          const auto mix = [a](uint32_t fg, uint32_t bg) { return static_cast<BYTE>((fg * a + bg * (255 - a) + 127) / 255); };
          out = RGB(mix((colour >> 16) & 0xFF, GetRValue(under)), mix((colour >> 8) & 0xFF, GetGValue(under)),
                    mix(colour & 0xFF, GetBValue(under)));
        } else {
          if ((flags & DI_MASK) != 0 && picture.mask[i] == 0) out = 0;
          if ((flags & DI_IMAGE) != 0) out = (flags & DI_MASK) != 0 ? (out ^ ColourOf(colour)) : ColourOf(colour);
        }
        surface.SetRaw(px, py, surface.RawFromColour(out));
      }
    }
  }
  surface.MarkDirty(area.bounds());
}

}  // namespace

IconPicture SystemIconPicture(int id) {
  static auto* pictures = new std::map<int, IconPicture>;
  auto found = pictures->find(id);
  if (found == pictures->end()) found = pictures->emplace(id, DrawSystemIcon(id)).first;
  return found->second;
}

}  // namespace user

HICON CreateIconIndirect(const ICONINFO* info) {
  if (info == nullptr || info->hbmMask == nullptr) return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
  int mask_width = 0, mask_height = 0, width = 0, height = 0;
  std::vector<uint32_t> mask, colour;
  bool any_alpha = false, ignored = false;
  if (!user::ReadBitmap(info->hbmMask, mask_width, mask_height, mask, ignored)) {
    return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
  }
  user::Cursor record;
  user::IconPicture& picture = record.picture;
  if (info->hbmColor != nullptr) {
    if (!user::ReadBitmap(info->hbmColor, width, height, colour, any_alpha) || mask_width != width ||
        mask_height != height) {
      return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
    }
  } else {
    // A monochrome icon: the AND mask above the XOR mask.
    if (mask_height % 2 != 0) return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
    width = mask_width;
    height = mask_height / 2;
    colour.assign(mask.begin() + static_cast<ptrdiff_t>(width) * height, mask.end());
  }
  if (width > user::kMaxIconSide || height > user::kMaxIconSide || width < 1 || height < 1) {
    return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
  }
  picture.width = width;
  picture.height = height;
  picture.has_alpha = any_alpha;
  picture.colour.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  picture.mask.resize(picture.colour.size());
  for (size_t i = 0; i < picture.colour.size(); ++i) {
    picture.mask[i] = (mask[i] & 0xFFFFFFu) == 0xFFFFFFu ? 1 : 0;
    picture.colour[i] = any_alpha ? colour[i] : (colour[i] & 0xFFFFFFu);
  }
  record.is_icon = info->fIcon != FALSE;
  record.image.hotspot = record.is_icon ? POINT{width / 2, height / 2}
                                        : POINT{static_cast<LONG>(info->xHotspot), static_cast<LONG>(info->yHotspot)};
  return reinterpret_cast<HICON>(user::NewCursor(std::move(record)));
}

HICON CreateIcon(HINSTANCE instance, int width, int height, BYTE planes, BYTE bits_per_pixel, const BYTE* and_bits,
                 const BYTE* xor_bits) {
  (void)instance;
  if (width < 1 || height < 1 || width > user::kMaxIconSide || height > user::kMaxIconSide || planes != 1 ||
      (bits_per_pixel != 1 && bits_per_pixel != 32) || and_bits == nullptr || xor_bits == nullptr) {
    return FailWith<HICON>(nullptr, ERROR_INVALID_PARAMETER);
  }
  user::Cursor record;
  record.is_icon = true;
  record.image.hotspot = POINT{width / 2, height / 2};
  user::IconPicture& picture = record.picture;
  picture.width = width;
  picture.height = height;
  picture.colour.resize(static_cast<size_t>(width) * static_cast<size_t>(height));
  picture.mask.resize(picture.colour.size());
  const size_t mask_row = static_cast<size_t>((width + 15) / 16) * 2;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const size_t i = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x);
      picture.mask[i] = (and_bits[static_cast<size_t>(y) * mask_row + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1;
      if (bits_per_pixel == 1) {
        const bool bit = ((xor_bits[static_cast<size_t>(y) * mask_row + static_cast<size_t>(x / 8)] >> (7 - x % 8)) & 1) != 0;
        picture.colour[i] = bit ? 0xFFFFFFu : 0;
      } else {
        const BYTE* p = xor_bits + i * 4;  // B, G, R, A
        picture.colour[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[2]) << 16 |
                            static_cast<uint32_t>(p[1]) << 8 | p[0];
        picture.has_alpha = picture.has_alpha || p[3] != 0;
      }
    }
  }
  if (!picture.has_alpha) {
    for (uint32_t& c : picture.colour) c &= 0xFFFFFFu;
  }
  return reinterpret_cast<HICON>(user::NewCursor(std::move(record)));
}

BOOL GetIconInfo(HICON icon, ICONINFO* info) {
  const auto record = user::FindIcon(icon);
  if (info == nullptr) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  if (!record || record->picture.width == 0) return FailWith<BOOL>(FALSE, ERROR_INVALID_CURSOR_HANDLE);
  const user::IconPicture& picture = record->picture;
  std::vector<uint32_t> mask(picture.mask.size());
  for (size_t i = 0; i < mask.size(); ++i) mask[i] = picture.mask[i] != 0 ? 0xFFFFFFu : 0;
  info->fIcon = record->is_icon ? TRUE : FALSE;
  info->xHotspot = static_cast<DWORD>(record->image.hotspot.x);
  info->yHotspot = static_cast<DWORD>(record->image.hotspot.y);
  info->hbmMask = user::WriteBitmap(picture.width, picture.height, 1, mask, 0);
  info->hbmColor = user::WriteBitmap(picture.width, picture.height, 32, picture.colour, 0);
  if (info->hbmMask == nullptr || info->hbmColor == nullptr) {
    DeleteObject(info->hbmMask);
    DeleteObject(info->hbmColor);
    info->hbmMask = info->hbmColor = nullptr;
    return FailWith<BOOL>(FALSE, ERROR_NOT_ENOUGH_MEMORY);
  }
  return TRUE;
}

HICON CopyIcon(HICON icon) {
  const auto record = user::FindIcon(icon);
  if (!record) return FailWith<HICON>(nullptr, ERROR_INVALID_CURSOR_HANDLE);
  return reinterpret_cast<HICON>(user::NewCursor(*record));
}

BOOL DestroyIcon(HICON icon) { return DestroyCursor(reinterpret_cast<HCURSOR>(icon)); }

BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int width, int height, UINT step, HBRUSH flicker_brush, UINT flags) {
  (void)step;  // pictures have one frame
  const auto record = user::FindIcon(icon);
  if (!record || record->picture.width == 0) return FailWith<BOOL>(FALSE, ERROR_INVALID_CURSOR_HANDLE);
  if ((flags & DI_NORMAL) == 0 || width < 0 || height < 0) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  const auto target_dc = gdi::FindDc(dc);
  if (!target_dc) return FailWith<BOOL>(FALSE, ERROR_INVALID_HANDLE);
  const user::IconPicture& picture = record->picture;
  if (width == 0) {
    width = (flags & DI_DEFAULTSIZE) != 0 ? GetSystemMetrics(record->is_icon ? SM_CXICON : SM_CXCURSOR) : picture.width;
  }
  if (height == 0) {
    height = (flags & DI_DEFAULTSIZE) != 0 ? GetSystemMetrics(record->is_icon ? SM_CYICON : SM_CYCURSOR) : picture.height;
  }
  if (target_dc->DropsWrites() || !target_dc->surface) return TRUE;
  if (flicker_brush == nullptr) {
    const POINT at = target_dc->ToSurface(x, y);
    user::Composite(*target_dc, picture, RECT{at.x, at.y, at.x + width, at.y + height}, flags);
    return TRUE;
  }
  // Off screen: the brush, then the picture, then one copy.
  HDC memory = CreateCompatibleDC(dc);
  HBITMAP buffer = CreateCompatibleBitmap(dc, width, height);
  if (memory == nullptr || buffer == nullptr) {
    DeleteDC(memory);
    DeleteObject(buffer);
    return FailWith<BOOL>(FALSE, ERROR_NOT_ENOUGH_MEMORY);
  }
  HBITMAP old = SelectObject(memory, buffer);
  const RECT all{0, 0, width, height};
  FillRect(memory, &all, flicker_brush);
  user::Composite(*gdi::FindDc(memory), picture, all, flags);
  const BOOL copied = BitBlt(dc, x, y, width, height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, old);
  DeleteDC(memory);
  DeleteObject(buffer);
  return copied;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  return DrawIconEx(dc, x, y, icon, 0, 0, 0, nullptr, DI_NORMAL | DI_DEFAULTSIZE);
}

}  // namespace plat
