// The control objects' calls that do more than send one message, and the
// class library's image list.
#include "plat/ctl/controls.h"

#include <string>

#include "plat/ctl/image_list.h"

namespace plat {
namespace {

// Fetches item text through a length and a get message; `error` for a bad index.
template <class Control>
int ItemText(const Control& control, UINT length_message, UINT text_message, int index, int error, CString& out) {
  out.clear();
  const LRESULT length = control.SendMessage(length_message, static_cast<WPARAM>(index));
  if (length < 0) return error;
  std::string text(static_cast<size_t>(length) + 1, '\0');
  const LRESULT copied =
      control.SendMessage(text_message, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  if (copied < 0) return error;
  text.resize(static_cast<size_t>(std::min(copied, length)));
  out = CString(std::move(text));
  return static_cast<int>(out.size());
}

}  // namespace

int CListBox::GetText(int index, CString& out) const {
  return ItemText(*this, LB_GETTEXTLEN, LB_GETTEXT, index, LB_ERR, out);
}

int CComboBox::GetLBText(int index, CString& out) const {
  return ItemText(*this, CB_GETLBTEXTLEN, CB_GETLBTEXT, index, CB_ERR, out);
}

// ---- Image lists ---------------------------------------------------------------------------

BOOL CImageList::Create(int cx, int cy, UINT flags, int initial, int grow) {
  if (m_hImageList != nullptr) return FALSE;
  m_hImageList = ImageList_Create(cx, cy, flags, initial, grow);
  return m_hImageList != nullptr ? TRUE : FALSE;
}

BOOL CImageList::Create(HINSTANCE instance, const char* name, int cx, int grow, COLORREF mask_colour) {
  if (m_hImageList != nullptr) return FALSE;
  m_hImageList = ImageList_LoadBitmap(instance, name, cx, grow, mask_colour);
  return m_hImageList != nullptr ? TRUE : FALSE;
}

BOOL CImageList::Attach(HIMAGELIST list) {
  if (m_hImageList != nullptr || list == nullptr) return FALSE;
  m_hImageList = list;
  return TRUE;
}

HIMAGELIST CImageList::Detach() {
  HIMAGELIST list = m_hImageList;
  m_hImageList = nullptr;
  return list;
}

BOOL CImageList::DeleteImageList() {
  if (m_hImageList == nullptr) return FALSE;
  const BOOL result = ImageList_Destroy(m_hImageList);
  m_hImageList = nullptr;
  return result;
}

int CImageList::Add(CBitmap* image, CBitmap* mask) {
  if (image == nullptr) return -1;
  return ImageList_Add(m_hImageList, *image, mask != nullptr ? static_cast<HBITMAP>(*mask) : nullptr);
}

int CImageList::Add(CBitmap* image, COLORREF mask_colour) {
  if (image == nullptr) return -1;
  return ImageList_AddMasked(m_hImageList, *image, mask_colour);
}

BOOL CImageList::Replace(int index, CBitmap* image, CBitmap* mask) {
  if (image == nullptr) return FALSE;
  return ImageList_Replace(m_hImageList, index, *image, mask != nullptr ? static_cast<HBITMAP>(*mask) : nullptr);
}

BOOL CImageList::Draw(CDC* dc, int index, POINT point, UINT style) {
  if (dc == nullptr) return FALSE;
  return ImageList_Draw(m_hImageList, index, dc->m_hDC, point.x, point.y, style);
}

BOOL CImageList::DrawEx(CDC* dc, int index, POINT point, SIZE size, COLORREF background, COLORREF foreground,
                        UINT style) {
  if (dc == nullptr) return FALSE;
  return ImageList_DrawEx(m_hImageList, index, dc->m_hDC, point.x, point.y, size.cx, size.cy, background, foreground,
                          style);
}

}  // namespace plat
