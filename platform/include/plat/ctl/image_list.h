// CImageList: the class library's image list; it owns its list and destroys
// it on destruction.
#ifndef PLAT_CTL_IMAGE_LIST_H_
#define PLAT_CTL_IMAGE_LIST_H_

#include "plat/ctl/dc.h"
#include "plat/ctl/gdi_objects.h"
#include "plat/image_list.h"

namespace plat {

class CImageList {
 public:
  CImageList() = default;
  ~CImageList() { DeleteImageList(); }
  CImageList(const CImageList&) = delete;
  CImageList& operator=(const CImageList&) = delete;

  HIMAGELIST m_hImageList = nullptr;
  HIMAGELIST GetSafeHandle() const { return m_hImageList; }
  operator HIMAGELIST() const { return m_hImageList; }

  // FALSE when this object holds a list already or the list could not be made.
  BOOL Create(int cx, int cy, UINT flags, int initial, int grow);
  // A list of the `cx`-wide images of bitmap resource `name` of `instance`;
  // pixels of `mask_colour` (CLR_NONE: none) are transparent.
  BOOL Create(HINSTANCE instance, const char* name, int cx, int grow, COLORREF mask_colour);
  BOOL Attach(HIMAGELIST list);
  HIMAGELIST Detach();
  BOOL DeleteImageList();

  int GetImageCount() const { return ImageList_GetImageCount(m_hImageList); }
  BOOL SetImageCount(UINT count) { return ImageList_SetImageCount(m_hImageList, count); }
  BOOL GetIconSize(int* cx, int* cy) const { return ImageList_GetIconSize(m_hImageList, cx, cy); }
  BOOL GetImageInfo(int index, IMAGEINFO* info) const { return ImageList_GetImageInfo(m_hImageList, index, info); }
  COLORREF SetBkColor(COLORREF colour) { return ImageList_SetBkColor(m_hImageList, colour); }
  COLORREF GetBkColor() const { return ImageList_GetBkColor(m_hImageList); }

  // The index of the first image added, -1 on failure.
  int Add(CBitmap* image, CBitmap* mask);
  int Add(CBitmap* image, COLORREF mask_colour);
  BOOL Replace(int index, CBitmap* image, CBitmap* mask);
  BOOL Remove(int index) { return ImageList_Remove(m_hImageList, index); }
  BOOL RemoveAll() { return ImageList_RemoveAll(m_hImageList); }

  BOOL Draw(CDC* dc, int index, POINT point, UINT style);
  BOOL DrawEx(CDC* dc, int index, POINT point, SIZE size, COLORREF background, COLORREF foreground, UINT style);
};

}  // namespace plat

#endif  // PLAT_CTL_IMAGE_LIST_H_
