// Image lists: equal-sized images kept as 32-bit pixels with a
// transparency mask each, drawn onto device contexts run by run so that
// masked pixels leave the destination untouched.
#include "plat/image_list.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "plat/gdi.h"
#include "plat/handle_table.h"
#include "plat/last_error.h"
#include "plat/packed_dib.h"
#include "plat/resources.h"
#include "plat/user.h"

namespace plat {

namespace {

constexpr int kMaxSidePixels = 1024;
constexpr uint64_t kMaxTotalPixels = uint64_t{1} << 28;

struct Image {
  std::vector<uint32_t> pixels;       // 0x00RRGGBB, top-down
  std::vector<uint8_t> is_transparent;  // one per pixel
};

struct ImageList {
  int cx = 0;
  int cy = 0;
  UINT flags = 0;
  int grow = 0;
  COLORREF background = CLR_NONE;
  std::vector<Image> images;
  bool HasMask() const { return (flags & ILC_MASK) != 0; }
};

using ImageLists = Handles<ImageList, HandleKind::kImageList>;

std::shared_ptr<ImageList> Find(HIMAGELIST list) {
  auto found = ImageLists::Find(HandleId(list));
  if (!found) SetLastError(ERROR_INVALID_HANDLE);
  return found;
}

// 0x00RRGGBB of a COLORREF (0x00BBGGRR) and back.
uint32_t PixelOf(COLORREF colour) { return (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour); }

// The header of a top-down 32-bit DIB.
BITMAPINFO TopDown32(int width, int height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// The pixels of a bitmap, top-down 0x00RRGGBB; false for a bad bitmap.
bool ReadBitmap(HBITMAP bitmap, int* width, int* height, std::vector<uint32_t>& out) {
  BITMAP info;
  if (bitmap == nullptr || GetObject(bitmap, sizeof(info), &info) == 0 || info.bmWidth <= 0 || info.bmHeight <= 0) {
    return false;
  }
  const uint64_t count = static_cast<uint64_t>(info.bmWidth) * static_cast<uint64_t>(info.bmHeight);
  if (count > kMaxTotalPixels) return false;
  BITMAPINFO header = TopDown32(info.bmWidth, info.bmHeight);
  out.assign(static_cast<size_t>(count), 0);
  HDC dc = CreateCompatibleDC(nullptr);
  const int lines = GetDIBits(dc, bitmap, 0, static_cast<UINT>(info.bmHeight), out.data(), &header, DIB_RGB_COLORS);
  DeleteDC(dc);
  if (lines <= 0) return false;
  for (uint32_t& pixel : out) pixel &= 0x00FFFFFF;
  *width = info.bmWidth;
  *height = info.bmHeight;
  return true;
}

// Cuts images out of a strip: image i is the cx-wide column i, the top cy
// rows (missing rows stay black and transparent).
std::vector<Image> CutStrip(const ImageList& list, const std::vector<uint32_t>& pixels, int width, int height,
                            const std::vector<uint32_t>* mask, const COLORREF* mask_colour, int max_images) {
  std::vector<Image> images;
  const int count = std::min(width / list.cx, max_images);
  for (int index = 0; index < count; ++index) {
    Image image;
    image.pixels.assign(static_cast<size_t>(list.cx) * static_cast<size_t>(list.cy), 0);
    image.is_transparent.assign(image.pixels.size(), list.HasMask() ? 1 : 0);
    for (int y = 0; y < std::min(list.cy, height); ++y) {
      for (int x = 0; x < list.cx; ++x) {
        const size_t from = static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(index * list.cx + x);
        const size_t to = static_cast<size_t>(y) * static_cast<size_t>(list.cx) + static_cast<size_t>(x);
        image.pixels[to] = pixels[from];
        bool is_transparent = false;
        if (list.HasMask() && mask != nullptr) is_transparent = ((*mask)[from] & 0x00FFFFFF) == 0x00FFFFFF;
        if (list.HasMask() && mask_colour != nullptr) is_transparent = pixels[from] == PixelOf(*mask_colour);
        image.is_transparent[to] = is_transparent ? 1 : 0;
      }
    }
    images.push_back(std::move(image));
  }
  return images;
}

bool ReadImages(const ImageList& list, HBITMAP bitmap, HBITMAP mask_bitmap, const COLORREF* mask_colour,
                int max_images, std::vector<Image>& out) {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
  if (!ReadBitmap(bitmap, &width, &height, pixels) || width < list.cx) return false;
  std::vector<uint32_t> mask;
  const std::vector<uint32_t>* mask_pixels = nullptr;
  if (mask_bitmap != nullptr && list.HasMask() && mask_colour == nullptr) {
    int mask_width = 0;
    int mask_height = 0;
    if (!ReadBitmap(mask_bitmap, &mask_width, &mask_height, mask) || mask_width != width || mask_height != height) {
      return false;
    }
    mask_pixels = &mask;
  }
  out = CutStrip(list, pixels, width, height, mask_pixels, mask_colour, max_images);
  if (mask_pixels == nullptr && mask_colour == nullptr) {
    for (Image& image : out) std::fill(image.is_transparent.begin(), image.is_transparent.end(), 0);
  }
  return !out.empty();
}

uint32_t Blend(uint32_t pixel, uint32_t with, int parts_of_four) {
  uint32_t out = 0;
  for (int shift : {0, 8, 16}) {
    const uint32_t a = (pixel >> shift) & 0xFF;
    const uint32_t b = (with >> shift) & 0xFF;
    out |= ((a * static_cast<uint32_t>(4 - parts_of_four) + b * static_cast<uint32_t>(parts_of_four)) / 4) << shift;
  }
  return out;
}

// Draws rows of opaque runs from a 32-bit DIB of the composed pixels.
bool Present(HDC dc, int x, int y, int width, int height, const std::vector<uint32_t>& pixels,
             const std::vector<uint8_t>& is_drawn) {
  const BITMAPINFO header = TopDown32(width, height);
  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(dc, &header, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return false;
  }
  std::copy(pixels.begin(), pixels.end(), static_cast<uint32_t*>(bits));
  HDC source = CreateCompatibleDC(dc);
  HBITMAP previous = SelectObject(source, section);
  for (int row = 0; row < height; ++row) {
    int column = 0;
    while (column < width) {
      const size_t at = static_cast<size_t>(row) * static_cast<size_t>(width);
      while (column < width && is_drawn[at + static_cast<size_t>(column)] == 0) ++column;
      const int start = column;
      while (column < width && is_drawn[at + static_cast<size_t>(column)] != 0) ++column;
      if (column > start) BitBlt(dc, x + start, y + row, column - start, 1, source, start, row, SRCCOPY);
    }
  }
  SelectObject(source, previous);
  DeleteDC(source);
  DeleteObject(section);
  return true;
}

}  // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (cx <= 0 || cy <= 0 || cx > kMaxSidePixels || cy > kMaxSidePixels) {
    return FailWith<HIMAGELIST>(nullptr, ERROR_INVALID_PARAMETER);
  }
  auto list = std::make_shared<ImageList>();
  list->cx = cx;
  list->cy = cy;
  list->flags = flags;
  list->grow = std::max(grow, 0);
  list->images.reserve(static_cast<size_t>(std::clamp(initial, 0, 4096)));
  const uint32_t id = ImageLists::Insert(list);
  if (id == 0) return FailWith<HIMAGELIST>(nullptr, ERROR_NOT_ENOUGH_MEMORY);
  return HandleFromId<HIMAGELIST>(id);
}

BOOL ImageList_Destroy(HIMAGELIST list) {
  if (!ImageLists::Remove(HandleId(list))) return FailWith<BOOL>(FALSE, ERROR_INVALID_HANDLE);
  return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
  auto found = Find(list);
  return found ? static_cast<int>(found->images.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count) {
  auto found = Find(list);
  if (!found) return FALSE;
  if (static_cast<uint64_t>(count) * static_cast<uint64_t>(found->cx) * static_cast<uint64_t>(found->cy) >
      kMaxTotalPixels) {
    return FailWith<BOOL>(FALSE, ERROR_NOT_ENOUGH_MEMORY);
  }
  Image blank;
  blank.pixels.assign(static_cast<size_t>(found->cx) * static_cast<size_t>(found->cy), 0);
  blank.is_transparent.assign(blank.pixels.size(), 0);
  found->images.resize(count, blank);
  return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
  auto found = Find(list);
  if (!found || cx == nullptr || cy == nullptr) return FALSE;
  *cx = found->cx;
  *cy = found->cy;
  return TRUE;
}

BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info) {
  auto found = Find(list);
  if (!found || info == nullptr || index < 0 || index >= static_cast<int>(found->images.size())) return FALSE;
  *info = IMAGEINFO{};
  info->rcImage = RECT{0, 0, found->cx, found->cy};
  return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF colour) {
  auto found = Find(list);
  if (!found) return CLR_NONE;
  const COLORREF previous = found->background;
  found->background = colour;
  return previous;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
  auto found = Find(list);
  return found ? found->background : CLR_NONE;
}

namespace {

int AddImages(HIMAGELIST list, HBITMAP image, HBITMAP mask, const COLORREF* mask_colour) {
  auto found = Find(list);
  if (!found) return -1;
  std::vector<Image> images;
  if (!ReadImages(*found, image, mask, mask_colour, INT32_MAX, images)) return FailWith<int>(-1, ERROR_INVALID_PARAMETER);
  const uint64_t total = (found->images.size() + images.size()) * static_cast<uint64_t>(found->cx) *
                         static_cast<uint64_t>(found->cy);
  if (total > kMaxTotalPixels) return FailWith<int>(-1, ERROR_NOT_ENOUGH_MEMORY);
  const int first = static_cast<int>(found->images.size());
  for (Image& one : images) found->images.push_back(std::move(one));
  return first;
}

}  // namespace

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) { return AddImages(list, image, mask, nullptr); }

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask_colour) {
  return AddImages(list, image, nullptr, mask_colour == CLR_NONE ? nullptr : &mask_colour);
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
  auto found = Find(list);
  if (!found) return FALSE;
  if (index < 0 || index >= static_cast<int>(found->images.size())) return FailWith<BOOL>(FALSE, ERROR_INVALID_INDEX);
  std::vector<Image> images;
  if (!ReadImages(*found, image, mask, nullptr, 1, images)) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  found->images[static_cast<size_t>(index)] = std::move(images.front());
  return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
  auto found = Find(list);
  if (!found) return FALSE;
  if (index == -1) {
    found->images.clear();
    return TRUE;
  }
  if (index < 0 || index >= static_cast<int>(found->images.size())) return FailWith<BOOL>(FALSE, ERROR_INVALID_INDEX);
  found->images.erase(found->images.begin() + index);
  return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF background,
                      COLORREF foreground, UINT style) {
  auto found = Find(list);
  if (!found) return FALSE;
  if (index < 0 || index >= static_cast<int>(found->images.size())) return FailWith<BOOL>(FALSE, ERROR_INVALID_INDEX);
  const Image& image = found->images[static_cast<size_t>(index)];
  const int width = dx <= 0 ? found->cx : std::min(dx, found->cx);
  const int height = dy <= 0 ? found->cy : std::min(dy, found->cy);
  if (background == CLR_DEFAULT) background = found->background;
  const bool is_transparent = (style & ILD_TRANSPARENT) != 0 || background == CLR_NONE;
  const uint32_t foreground_pixel = PixelOf(foreground == CLR_DEFAULT || foreground == CLR_NONE
                                                ? GetSysColor(COLOR_HIGHLIGHT)
                                                : foreground);
  const int blend_parts = (style & ILD_BLEND50) != 0 ? 2 : (style & ILD_BLEND25) != 0 ? 1 : 0;
  const bool does_blend = blend_parts != 0 && foreground != CLR_NONE;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  std::vector<uint8_t> is_drawn(pixels.size(), 1);
  for (int row = 0; row < height; ++row) {
    for (int column = 0; column < width; ++column) {
      const size_t from = static_cast<size_t>(row) * static_cast<size_t>(found->cx) + static_cast<size_t>(column);
      const size_t to = static_cast<size_t>(row) * static_cast<size_t>(width) + static_cast<size_t>(column);
      const bool is_masked = found->HasMask() && image.is_transparent[from] != 0;
      if ((style & ILD_MASK) != 0) {
        pixels[to] = is_masked ? 0x00FFFFFF : 0;
        continue;
      }
      if (is_masked) {
        if (is_transparent) {
          is_drawn[to] = 0;
        } else {
          pixels[to] = PixelOf(background);
        }
        continue;
      }
      pixels[to] = does_blend ? Blend(image.pixels[from], foreground_pixel, blend_parts) : image.pixels[from];
    }
  }
  return Present(dc, x, y, width, height, pixels, is_drawn) ? TRUE : FALSE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
  return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

HIMAGELIST ImageList_LoadImage(HINSTANCE instance, const char* name, int cx, int grow, COLORREF mask_colour,
                               UINT type, UINT flags) {
  (void)flags;
  if (type != IMAGE_BITMAP || cx <= 0) return FailWith<HIMAGELIST>(nullptr, ERROR_INVALID_PARAMETER);
  HBITMAP bitmap = LoadBitmap(instance, name);
  if (bitmap == nullptr) return nullptr;
  BITMAP info;
  GetObject(bitmap, sizeof(info), &info);
  const bool has_mask = mask_colour != CLR_NONE;
  HIMAGELIST list = ImageList_Create(cx, info.bmHeight, ILC_COLOR32 | (has_mask ? ILC_MASK : 0),
                                     info.bmWidth / cx, grow);
  const int added = list == nullptr ? -1
                    : has_mask      ? ImageList_AddMasked(list, bitmap, mask_colour)
                                    : ImageList_Add(list, bitmap, nullptr);
  DeleteObject(bitmap);
  if (added < 0 && list != nullptr) {
    ImageList_Destroy(list);
    return nullptr;
  }
  return list;
}

}  // namespace plat
