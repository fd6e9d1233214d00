// The class library's control objects: thin window objects over the
// standard controls. Create makes the control and subclasses it, so a
// derived class's handlers see the control's messages ahead of it (Default
// passes them on); every other call is one message to the control.
#ifndef PLAT_CTL_CONTROLS_H_
#define PLAT_CTL_CONTROLS_H_

#include "plat/controls.h"
#include "plat/ctl/wnd.h"
#include "plat/resources.h"

namespace plat {

class CStatic : public CWnd {
 public:
  BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id = 0xFFFF) {
    return CWnd::Create("Static", text, style, rect, parent, id);
  }
  HICON SetIcon(HICON icon) { return reinterpret_cast<HICON>(SendMessage(STM_SETICON, reinterpret_cast<WPARAM>(icon))); }
  HICON GetIcon() const { return reinterpret_cast<HICON>(SendMessage(STM_GETICON)); }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(STM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  HBITMAP GetBitmap() const { return reinterpret_cast<HBITMAP>(SendMessage(STM_GETIMAGE, IMAGE_BITMAP)); }
};

class CButton : public CWnd {
 public:
  BOOL Create(const char* text, DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("Button", text, style, rect, parent, id);
  }
  int GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
  void SetCheck(int check) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(check)); }
  UINT GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
  void SetState(BOOL highlight) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(highlight)); }
  UINT GetButtonStyle() const { return GetStyle() & 0xFFFF; }
  void SetButtonStyle(UINT style, BOOL redraw = TRUE) { SendMessage(BM_SETSTYLE, style, redraw); }
  HICON SetIcon(HICON icon) {
    return reinterpret_cast<HICON>(SendMessage(BM_SETIMAGE, IMAGE_ICON, reinterpret_cast<LPARAM>(icon)));
  }
  HBITMAP SetBitmap(HBITMAP bitmap) {
    return reinterpret_cast<HBITMAP>(SendMessage(BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(bitmap)));
  }
  void Click() { SendMessage(BM_CLICK); }
};

class CEdit : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("Edit", nullptr, style, rect, parent, id);
  }
  // Byte offsets of the selection.
  void GetSel(int& start, int& end) const {
    DWORD s = 0;
    DWORD e = 0;
    SendMessage(EM_GETSEL, reinterpret_cast<WPARAM>(&s), reinterpret_cast<LPARAM>(&e));
    start = static_cast<int>(s);
    end = static_cast<int>(e);
  }
  void SetSel(int start, int end, BOOL no_scroll = FALSE) {
    SendMessage(EM_SETSEL, static_cast<WPARAM>(start), end);
    if (!no_scroll) SendMessage(EM_SCROLLCARET);
  }
  void ReplaceSel(const char* text, BOOL can_undo = FALSE) {
    SendMessage(EM_REPLACESEL, static_cast<WPARAM>(can_undo), reinterpret_cast<LPARAM>(text));
  }
  void SetLimitText(UINT max_bytes) { SendMessage(EM_SETLIMITTEXT, max_bytes); }
  UINT GetLimitText() const { return static_cast<UINT>(SendMessage(EM_GETLIMITTEXT)); }
  BOOL GetModify() const { return static_cast<BOOL>(SendMessage(EM_GETMODIFY)); }
  void SetModify(BOOL modified = TRUE) { SendMessage(EM_SETMODIFY, static_cast<WPARAM>(modified)); }
  BOOL CanUndo() const { return static_cast<BOOL>(SendMessage(EM_CANUNDO)); }
  BOOL Undo() { return static_cast<BOOL>(SendMessage(EM_UNDO)); }
  void EmptyUndoBuffer() { SendMessage(EM_EMPTYUNDOBUFFER); }
  BOOL SetReadOnly(BOOL read_only = TRUE) { return static_cast<BOOL>(SendMessage(EM_SETREADONLY, read_only)); }
  void SetPasswordChar(char ch) { SendMessage(EM_SETPASSWORDCHAR, static_cast<WPARAM>(static_cast<unsigned char>(ch))); }
  int GetLineCount() const { return static_cast<int>(SendMessage(EM_GETLINECOUNT)); }
  int LineIndex(int line = -1) const { return static_cast<int>(SendMessage(EM_LINEINDEX, static_cast<WPARAM>(line))); }
  int LineLength(int index = -1) const {
    return static_cast<int>(SendMessage(EM_LINELENGTH, static_cast<WPARAM>(index)));
  }
  int LineFromChar(int index = -1) const {
    return static_cast<int>(SendMessage(EM_LINEFROMCHAR, static_cast<WPARAM>(index)));
  }
  void GetRect(RECT* rect) const { SendMessage(EM_GETRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  void SetRect(const RECT* rect) { SendMessage(EM_SETRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  void SetRectNP(const RECT* rect) { SendMessage(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(rect)); }
  void SetMargins(UINT left, UINT right) {
    SendMessage(EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(static_cast<WORD>(left), static_cast<WORD>(right)));
  }
  void Cut() { SendMessage(WM_CUT); }
  void Copy() { SendMessage(WM_COPY); }
  void Paste() { SendMessage(WM_PASTE); }
  void Clear() { SendMessage(WM_CLEAR); }
};

class CListBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("ListBox", nullptr, style, rect, parent, id);
  }
  int GetCount() const { return static_cast<int>(SendMessage(LB_GETCOUNT)); }
  int AddString(const char* item) { return static_cast<int>(SendMessage(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item))); }
  // -1 appends.
  int InsertString(int index, const char* item) {
    return static_cast<int>(SendMessage(LB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(LB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(LB_RESETCONTENT); }
  int GetTextLen(int index) const { return static_cast<int>(SendMessage(LB_GETTEXTLEN, static_cast<WPARAM>(index))); }
  int GetText(int index, char* out) const {
    return static_cast<int>(SendMessage(LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out)));
  }
  // LB_ERR (and `out` emptied) for a bad index.
  int GetText(int index, CString& out) const;
  int GetCurSel() const { return static_cast<int>(SendMessage(LB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(LB_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetSel(int index) const { return static_cast<int>(SendMessage(LB_GETSEL, static_cast<WPARAM>(index))); }
  int SetSel(int index, BOOL select = TRUE) {
    return static_cast<int>(SendMessage(LB_SETSEL, static_cast<WPARAM>(select), index));
  }
  int GetSelCount() const { return static_cast<int>(SendMessage(LB_GETSELCOUNT)); }
  int GetSelItems(int max_items, int* out) const {
    return static_cast<int>(SendMessage(LB_GETSELITEMS, static_cast<WPARAM>(max_items), reinterpret_cast<LPARAM>(out)));
  }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(SendMessage(LB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(LB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int GetTopIndex() const { return static_cast<int>(SendMessage(LB_GETTOPINDEX)); }
  int SetTopIndex(int index) { return static_cast<int>(SendMessage(LB_SETTOPINDEX, static_cast<WPARAM>(index))); }
  int GetItemRect(int index, RECT* rect) const {
    return static_cast<int>(SendMessage(LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  int GetItemHeight(int index) const {
    return static_cast<int>(SendMessage(LB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
  }
  int SetItemHeight(int index, UINT height) {
    return static_cast<int>(SendMessage(LB_SETITEMHEIGHT, static_cast<WPARAM>(index), static_cast<LPARAM>(height)));
  }
  int FindString(int start_after, const char* prefix) const {
    return static_cast<int>(SendMessage(LB_FINDSTRING, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(prefix)));
  }
  int FindStringExact(int start_after, const char* item) const {
    return static_cast<int>(
        SendMessage(LB_FINDSTRINGEXACT, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(item)));
  }
  int SelectString(int start_after, const char* prefix) {
    return static_cast<int>(SendMessage(LB_SELECTSTRING, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(prefix)));
  }
};

class CComboBox : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("ComboBox", nullptr, style, rect, parent, id);
  }
  int GetCount() const { return static_cast<int>(SendMessage(CB_GETCOUNT)); }
  int AddString(const char* item) { return static_cast<int>(SendMessage(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item))); }
  // -1 appends.
  int InsertString(int index, const char* item) {
    return static_cast<int>(SendMessage(CB_INSERTSTRING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  int DeleteString(UINT index) { return static_cast<int>(SendMessage(CB_DELETESTRING, index)); }
  void ResetContent() { SendMessage(CB_RESETCONTENT); }
  int GetLBTextLen(int index) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXTLEN, static_cast<WPARAM>(index)));
  }
  int GetLBText(int index, char* out) const {
    return static_cast<int>(SendMessage(CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(out)));
  }
  // CB_ERR (and `out` emptied) for a bad index.
  int GetLBText(int index, CString& out) const;
  int GetCurSel() const { return static_cast<int>(SendMessage(CB_GETCURSEL)); }
  int SetCurSel(int index) { return static_cast<int>(SendMessage(CB_SETCURSEL, static_cast<WPARAM>(index))); }
  DWORD_PTR GetItemData(int index) const {
    return static_cast<DWORD_PTR>(SendMessage(CB_GETITEMDATA, static_cast<WPARAM>(index)));
  }
  int SetItemData(int index, DWORD_PTR data) {
    return static_cast<int>(SendMessage(CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(data)));
  }
  int FindString(int start_after, const char* prefix) const {
    return static_cast<int>(SendMessage(CB_FINDSTRING, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(prefix)));
  }
  int FindStringExact(int start_after, const char* item) const {
    return static_cast<int>(
        SendMessage(CB_FINDSTRINGEXACT, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(item)));
  }
  int SelectString(int start_after, const char* prefix) {
    return static_cast<int>(SendMessage(CB_SELECTSTRING, static_cast<WPARAM>(start_after), reinterpret_cast<LPARAM>(prefix)));
  }
  void ShowDropDown(BOOL show = TRUE) { SendMessage(CB_SHOWDROPDOWN, static_cast<WPARAM>(show)); }
  BOOL GetDroppedState() const { return static_cast<BOOL>(SendMessage(CB_GETDROPPEDSTATE)); }
  void GetDroppedControlRect(RECT* rect) const { SendMessage(CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  int GetItemHeight(int index) const {
    return static_cast<int>(SendMessage(CB_GETITEMHEIGHT, static_cast<WPARAM>(index)));
  }
  int SetItemHeight(int index, UINT height) {
    return static_cast<int>(SendMessage(CB_SETITEMHEIGHT, static_cast<WPARAM>(index), static_cast<LPARAM>(height)));
  }
  BOOL LimitText(int max_bytes) { return static_cast<BOOL>(SendMessage(CB_LIMITTEXT, static_cast<WPARAM>(max_bytes))); }
  DWORD GetEditSel() const { return static_cast<DWORD>(SendMessage(CB_GETEDITSEL)); }
  BOOL SetEditSel(int start, int end) {
    return static_cast<BOOL>(SendMessage(CB_SETEDITSEL, 0, MAKELPARAM(static_cast<WORD>(start), static_cast<WORD>(end))));
  }
  int GetDroppedWidth() const { return static_cast<int>(SendMessage(CB_GETDROPPEDWIDTH)); }
  int SetDroppedWidth(UINT width) { return static_cast<int>(SendMessage(CB_SETDROPPEDWIDTH, width)); }
};

class CScrollBar : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create("ScrollBar", nullptr, style, rect, parent, id);
  }
  int GetScrollPos() const { return CWnd::GetScrollPos(SB_CTL); }
  int SetScrollPos(int pos, BOOL redraw = TRUE) { return CWnd::SetScrollPos(SB_CTL, pos, redraw); }
  void GetScrollRange(int* min, int* max) const { CWnd::GetScrollRange(SB_CTL, min, max); }
  void SetScrollRange(int min, int max, BOOL redraw = TRUE) { CWnd::SetScrollRange(SB_CTL, min, max, redraw); }
  BOOL SetScrollInfo(const SCROLLINFO* info, BOOL redraw = TRUE) { return CWnd::SetScrollInfo(SB_CTL, info, redraw); }
  BOOL GetScrollInfo(SCROLLINFO* info, UINT mask = SIF_ALL) const { return CWnd::GetScrollInfo(SB_CTL, info, mask); }
  void ShowScrollBar(BOOL show = TRUE) { CWnd::ShowScrollBar(SB_CTL, show); }
  BOOL EnableScrollBar(UINT arrows = ESB_ENABLE_BOTH) { return ::plat::EnableScrollBar(m_hWnd, SB_CTL, arrows); }
};

}  // namespace plat

#endif  // PLAT_CTL_CONTROLS_H_
