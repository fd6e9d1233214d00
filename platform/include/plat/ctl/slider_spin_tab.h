// The class library's objects over the trackbar, the up-down control and the
// tab control: Create makes the control and subclasses it; every other call
// is one message to the control.
#ifndef PLAT_CTL_SLIDER_SPIN_TAB_H_
#define PLAT_CTL_SLIDER_SPIN_TAB_H_

#include <string>

#include "plat/ctl/wnd.h"
#include "plat/tab_control.h"
#include "plat/trackbar.h"
#include "plat/updown.h"

namespace plat {

class CSliderCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(kTrackbarClass, nullptr, style, rect, parent, id);
  }
  int GetPos() const { return static_cast<int>(SendMessage(TBM_GETPOS)); }
  void SetPos(int pos) { SendMessage(TBM_SETPOS, TRUE, pos); }
  int GetRangeMin() const { return static_cast<int>(SendMessage(TBM_GETRANGEMIN)); }
  int GetRangeMax() const { return static_cast<int>(SendMessage(TBM_GETRANGEMAX)); }
  void GetRange(int& min, int& max) const {
    min = GetRangeMin();
    max = GetRangeMax();
  }
  // A range given the wrong way round is swapped by the control.
  void SetRange(int min, int max, BOOL redraw = FALSE) {
    SendMessage(TBM_SETRANGEMIN, FALSE, min);
    SendMessage(TBM_SETRANGEMAX, redraw, max);
  }
  void SetRangeMin(int min, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMIN, redraw, min); }
  void SetRangeMax(int max, BOOL redraw = FALSE) { SendMessage(TBM_SETRANGEMAX, redraw, max); }
  int GetPageSize() const { return static_cast<int>(SendMessage(TBM_GETPAGESIZE)); }
  int SetPageSize(int size) { return static_cast<int>(SendMessage(TBM_SETPAGESIZE, 0, size)); }
  int GetLineSize() const { return static_cast<int>(SendMessage(TBM_GETLINESIZE)); }
  int SetLineSize(int size) { return static_cast<int>(SendMessage(TBM_SETLINESIZE, 0, size)); }
  void SetTicFreq(int freq) { SendMessage(TBM_SETTICFREQ, static_cast<WPARAM>(freq)); }
  BOOL SetTic(int pos) { return static_cast<BOOL>(SendMessage(TBM_SETTIC, 0, pos)); }
  void ClearTics(BOOL redraw = FALSE) { SendMessage(TBM_CLEARTICS, redraw); }
  UINT GetNumTics() const { return static_cast<UINT>(SendMessage(TBM_GETNUMTICS)); }
  void SetSelection(int start, int end) {
    SendMessage(TBM_SETSELSTART, FALSE, start);
    SendMessage(TBM_SETSELEND, TRUE, end);
  }
  void GetSelection(int& start, int& end) const {
    start = static_cast<int>(SendMessage(TBM_GETSELSTART));
    end = static_cast<int>(SendMessage(TBM_GETSELEND));
  }
  void ClearSel(BOOL redraw = FALSE) { SendMessage(TBM_CLEARSEL, redraw); }
  void GetThumbRect(RECT* rect) const { SendMessage(TBM_GETTHUMBRECT, 0, reinterpret_cast<LPARAM>(rect)); }
  void GetChannelRect(RECT* rect) const { SendMessage(TBM_GETCHANNELRECT, 0, reinterpret_cast<LPARAM>(rect)); }
};

class CSpinButtonCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(kUpDownClass, nullptr, style, rect, parent, id);
  }
  void SetRange32(int lower, int upper) { SendMessage(UDM_SETRANGE32, static_cast<WPARAM>(lower), upper); }
  void SetRange(short lower, short upper) { SetRange32(lower, upper); }
  void GetRange32(int& lower, int& upper) const {
    SendMessage(UDM_GETRANGE32, reinterpret_cast<WPARAM>(&lower), reinterpret_cast<LPARAM>(&upper));
  }
  // The previous position.
  int SetPos32(int pos) { return static_cast<int>(SendMessage(UDM_SETPOS32, 0, pos)); }
  int SetPos(int pos) { return SetPos32(pos); }
  // With a number buddy, the buddy's number; `error` TRUE (and the position
  // kept) when it shows no number in range.
  int GetPos32(BOOL* error = nullptr) const {
    return static_cast<int>(SendMessage(UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(error)));
  }
  int GetPos() const { return GetPos32(); }
  CWnd* SetBuddy(CWnd* buddy) {
    const LRESULT previous =
        SendMessage(UDM_SETBUDDY, reinterpret_cast<WPARAM>(buddy != nullptr ? buddy->GetSafeHwnd() : nullptr));
    return CWnd::FromHandle(reinterpret_cast<HWND>(previous));
  }
  CWnd* GetBuddy() const { return CWnd::FromHandle(reinterpret_cast<HWND>(SendMessage(UDM_GETBUDDY))); }
  int SetBase(int base) { return static_cast<int>(SendMessage(UDM_SETBASE, static_cast<WPARAM>(base))); }
  int GetBase() const { return static_cast<int>(SendMessage(UDM_GETBASE)); }
};

class CTabCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(kTabControlClass, nullptr, style, rect, parent, id);
  }
  int GetItemCount() const { return static_cast<int>(SendMessage(TCM_GETITEMCOUNT)); }
  // The index it got, or -1.
  LONG InsertItem(int index, const char* text, LPARAM param = 0) {
    TCITEM item;
    item.mask = TCIF_TEXT | TCIF_PARAM;
    item.pszText = const_cast<char*>(text);
    item.lParam = param;
    return static_cast<LONG>(SendMessage(TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item)));
  }
  LONG InsertItem(int index, TCITEM* item) {
    return static_cast<LONG>(SendMessage(TCM_INSERTITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  BOOL GetItem(int index, TCITEM* item) const {
    return static_cast<BOOL>(SendMessage(TCM_GETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  BOOL SetItem(int index, TCITEM* item) {
    return static_cast<BOOL>(SendMessage(TCM_SETITEM, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(item)));
  }
  BOOL DeleteItem(int index) { return static_cast<BOOL>(SendMessage(TCM_DELETEITEM, static_cast<WPARAM>(index))); }
  BOOL DeleteAllItems() { return static_cast<BOOL>(SendMessage(TCM_DELETEALLITEMS)); }
  int GetCurSel() const { return static_cast<int>(SendMessage(TCM_GETCURSEL)); }
  // The previous selection, or -1 for a bad index.
  int SetCurSel(int index) { return static_cast<int>(SendMessage(TCM_SETCURSEL, static_cast<WPARAM>(index))); }
  int GetCurFocus() const { return static_cast<int>(SendMessage(TCM_GETCURFOCUS)); }
  BOOL GetItemRect(int index, RECT* rect) const {
    return static_cast<BOOL>(SendMessage(TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect)));
  }
  // larger FALSE: the display area inside a window rectangle; TRUE: the reverse.
  void AdjustRect(BOOL larger, RECT* rect) { SendMessage(TCM_ADJUSTRECT, larger, reinterpret_cast<LPARAM>(rect)); }
  int HitTest(TCHITTESTINFO* info) const {
    return static_cast<int>(SendMessage(TCM_HITTEST, 0, reinterpret_cast<LPARAM>(info)));
  }
};

}  // namespace plat

#endif  // PLAT_CTL_SLIDER_SPIN_TAB_H_
