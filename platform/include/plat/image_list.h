// Image lists: equal-sized images, each with an optional mask, kept as
// 32-bit pixels and drawn onto any device context (transparent where the
// mask says so, blended for selected or focused looks). Handles come from
// the process-wide handle table; a destroyed or unknown handle fails
// cleanly.
//
//   HIMAGELIST icons = ImageList_LoadImage(module, MAKEINTRESOURCE(kToolbarStrip), 16, 4,
//                                          RGB(0xC0, 0xC0, 0xC0), IMAGE_BITMAP, 0);
//   ImageList_Draw(icons, 2, dc, x, y, ILD_TRANSPARENT);
//   ImageList_Destroy(icons);
#ifndef PLAT_IMAGE_LIST_H_
#define PLAT_IMAGE_LIST_H_

#include "plat/types.h"

namespace plat {

// ImageList_Create flags: a mask, and the colour depth (images are stored
// as 32-bit pixels whatever the depth asked for).
constexpr UINT ILC_MASK = 0x0001;
constexpr UINT ILC_COLOR = 0x0000;
constexpr UINT ILC_COLORDDB = 0x00FE;
constexpr UINT ILC_COLOR4 = 0x0004;
constexpr UINT ILC_COLOR8 = 0x0008;
constexpr UINT ILC_COLOR16 = 0x0010;
constexpr UINT ILC_COLOR24 = 0x0018;
constexpr UINT ILC_COLOR32 = 0x0020;

// Drawing styles.
constexpr UINT ILD_NORMAL = 0x0000;
constexpr UINT ILD_TRANSPARENT = 0x0001;
constexpr UINT ILD_BLEND25 = 0x0002;
constexpr UINT ILD_FOCUS = 0x0002;
constexpr UINT ILD_BLEND50 = 0x0004;
constexpr UINT ILD_SELECTED = 0x0004;
constexpr UINT ILD_BLEND = 0x0004;
constexpr UINT ILD_MASK = 0x0010;
constexpr UINT ILD_IMAGE = 0x0020;

// Colours of ImageList_SetBkColor and ImageList_DrawEx.
constexpr COLORREF CLR_NONE = 0xFFFFFFFF;
constexpr COLORREF CLR_DEFAULT = 0xFF000000;

// ImageList_LoadImage flags (beside LR_* of "plat/resources.h").
constexpr UINT LR_LOADTRANSPARENT = 0x0020;

struct IMAGEINFO {
  HBITMAP hbmImage = nullptr;
  HBITMAP hbmMask = nullptr;
  int Unused1 = 0;
  int Unused2 = 0;
  RECT rcImage{};
};

// A list of `cx` x `cy` images with room for `initial` and growing by
// `grow`; null for sizes outside 1..1024.
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
BOOL ImageList_GetImageInfo(HIMAGELIST list, int index, IMAGEINFO* info);  // rcImage only; no bitmaps
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF colour);
COLORREF ImageList_GetBkColor(HIMAGELIST list);

// Adds the images of a bitmap strip (its width / cx images, left to right;
// a rest narrower than cx is dropped). `mask` is a bitmap of the same size
// whose white pixels are transparent (ignored without ILC_MASK). Gives the
// index of the first image added, -1 on failure (nothing added).
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// The same, the mask made of the pixels of colour `mask_colour`.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF mask_colour);
// Replaces image `index` with the first image of the bitmap.
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Removes image `index`; -1 removes all.
BOOL ImageList_Remove(HIMAGELIST list, int index);
inline BOOL ImageList_RemoveAll(HIMAGELIST list) { return ImageList_Remove(list, -1); }

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// `dx`, `dy`: the part drawn from the image's top-left corner (0: all).
// `background`: CLR_NONE draws transparently, CLR_DEFAULT uses the list's
// background colour, else the colour under masked pixels. `foreground`: the
// colour blended in by ILD_BLEND25/50 (CLR_DEFAULT: the highlight colour).
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF background,
                      COLORREF foreground, UINT style);

// Loads the bitmap `name` of `instance` (IMAGE_BITMAP only) as a strip of
// `cx`-wide images; `mask_colour` (CLR_NONE: no mask) is made transparent.
HIMAGELIST ImageList_LoadImage(HINSTANCE instance, const char* name, int cx, int grow, COLORREF mask_colour,
                               UINT type, UINT flags);
inline HIMAGELIST ImageList_LoadBitmap(HINSTANCE instance, const char* name, int cx, int grow,
                                       COLORREF mask_colour) {
  return ImageList_LoadImage(instance, name, cx, grow, mask_colour, 0, 0);
}

}  // namespace plat

#endif  // PLAT_IMAGE_LIST_H_
