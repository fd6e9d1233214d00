// The class library's control bars and progress control: CToolBar (buttons
// from a toolbar resource, tooltips and fly-by prompts), CStatusBar (panes
// with ids, styles, widths and texts) and CProgressCtrl. A frame window
// (CFrameWnd) lays the bars out; a bar never places itself.
#ifndef PLAT_CTL_CONTROL_BARS_H_
#define PLAT_CTL_CONTROL_BARS_H_

#include <string>
#include <vector>

#include "plat/control_bars.h"
#include "plat/ctl/wnd.h"

namespace plat {

// Child ids of a frame's parts.
constexpr UINT AFX_IDW_TOOLBAR = 0xE800;
constexpr UINT AFX_IDW_STATUS_BAR = 0xE801;
constexpr UINT AFX_IDW_PANE_FIRST = 0xE900;  // the frame's client window
constexpr UINT ID_SEPARATOR = 0;

// Bar styles, given with the window style to Create (they are kept by the
// bar, not passed to the window).
constexpr DWORD CBRS_TOOLTIPS = 0x0010;
constexpr DWORD CBRS_FLYBY = 0x0020;
constexpr DWORD CBRS_BORDER_LEFT = 0x0100;
constexpr DWORD CBRS_BORDER_TOP = 0x0200;
constexpr DWORD CBRS_BORDER_RIGHT = 0x0400;
constexpr DWORD CBRS_BORDER_BOTTOM = 0x0800;
constexpr DWORD CBRS_ALIGN_LEFT = 0x1000;
constexpr DWORD CBRS_ALIGN_TOP = 0x2000;
constexpr DWORD CBRS_ALIGN_RIGHT = 0x4000;
constexpr DWORD CBRS_ALIGN_BOTTOM = 0x8000;
constexpr DWORD CBRS_ALIGN_ANY = 0xF000;
constexpr DWORD CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr DWORD CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr DWORD CBRS_ALL = 0x0000FFFF;

// Status-bar pane styles.
constexpr UINT SBPS_NORMAL = 0x0000;
constexpr UINT SBPS_NOBORDERS = SBT_NOBORDERS;
constexpr UINT SBPS_POPOUT = SBT_POPOUT;
constexpr UINT SBPS_DISABLED = 0x04000000;  // the pane shows no text
constexpr UINT SBPS_STRETCH = 0x08000000;   // takes the width the others leave

// Sent to the frame by a fly-by bar: wparam the command whose prompt (the
// text of its string resource before "\n") goes to the status bar; 0 puts
// the idle message back.
constexpr UINT WM_SETMESSAGESTRING = 0x0362;

class CControlBar : public CWnd {
 public:
  DWORD GetBarStyle() const { return bar_style_; }
  void SetBarStyle(DWORD style) { bar_style_ = style & CBRS_ALL; }
  // The size the bar wants: its height across the frame (horizontal bars).
  virtual CSize CalcFixedLayout(BOOL stretch, BOOL horizontal);

 protected:
  // Creates the control `class_name` with the window part of `style`, the
  // bar part kept.
  BOOL CreateBar(const char* class_name, DWORD control_style, DWORD style, CWnd* parent, UINT id);

 private:
  DWORD bar_style_ = 0;
};

class CToolBar : public CControlBar {
 public:
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_TOP, UINT id = AFX_IDW_TOOLBAR);
  // Buttons and images from the RT_TOOLBAR resource `id` of `instance` and
  // its RT_BITMAP; FALSE (buttons unchanged) when either is missing or bad.
  BOOL LoadToolBar(HINSTANCE instance, UINT id);
  // One button per id (ID_SEPARATOR a separator); images in order.
  BOOL SetButtons(const UINT* ids, int count);
  int GetCount() const;
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  void GetItemRect(int index, RECT* rect) const;
  UINT GetButtonStyle(int index) const;
  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

 private:
  void SetFlyBy(UINT id);
  UINT flyby_id_ = 0;
  int image_base_ = 0;  // the first image of the loaded strip
};

class CStatusBar : public CControlBar {
 public:
  BOOL Create(CWnd* parent, DWORD style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, UINT id = AFX_IDW_STATUS_BAR);
  // One pane per id. A pane's text is its id's string of `strings` (none for
  // ID_SEPARATOR) and its width that text's width; a separator in front
  // stretches.
  BOOL SetIndicators(const UINT* ids, int count, HINSTANCE strings = nullptr);
  int GetCount() const { return static_cast<int>(panes_.size()); }
  int CommandToIndex(UINT id) const;
  UINT GetItemID(int index) const;
  // `width` is the text width; a pane's well is kPaneInset wider on each side.
  void SetPaneInfo(int index, UINT id, UINT style, int width);
  void GetPaneInfo(int index, UINT& id, UINT& style, int& width) const;
  UINT GetPaneStyle(int index) const;
  void SetPaneStyle(int index, UINT style);
  BOOL SetPaneText(int index, const char* text, BOOL update = TRUE);
  CString GetPaneText(int index) const;
  // The pane's well in the bar's client coordinates (empty for a bad index).
  void GetItemRect(int index, RECT* rect) const;
  CSize CalcFixedLayout(BOOL stretch, BOOL horizontal) override;

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;

  static constexpr int kPaneInset = 3;

 private:
  struct Pane {
    UINT id = 0;
    UINT style = SBPS_NORMAL;
    int width = 0;
    std::string text;
  };
  // The control's parts from the panes and the bar's width.
  void UpdateParts();
  void ShowPaneText(int index);
  std::vector<Pane> panes_;
};

class CProgressCtrl : public CWnd {
 public:
  BOOL Create(DWORD style, const RECT& rect, CWnd* parent, UINT id) {
    return CWnd::Create(PROGRESS_CLASS, nullptr, style, rect, parent, id);
  }
  void SetRange(short low, short high) {
    SendMessage(PBM_SETRANGE, 0, MAKELPARAM(static_cast<WORD>(low), static_cast<WORD>(high)));
  }
  void SetRange32(int low, int high) { SendMessage(PBM_SETRANGE32, static_cast<WPARAM>(low), high); }
  void GetRange(int& low, int& high) const {
    PBRANGE range;
    SendMessage(PBM_GETRANGE, TRUE, reinterpret_cast<LPARAM>(&range));
    low = range.iLow;
    high = range.iHigh;
  }
  // Each gives the previous position (the step for SetStep).
  int SetPos(int pos) { return static_cast<int>(SendMessage(PBM_SETPOS, static_cast<WPARAM>(pos))); }
  int GetPos() const { return static_cast<int>(SendMessage(PBM_GETPOS)); }
  int OffsetPos(int delta) { return static_cast<int>(SendMessage(PBM_DELTAPOS, static_cast<WPARAM>(delta))); }
  int SetStep(int step) { return static_cast<int>(SendMessage(PBM_SETSTEP, static_cast<WPARAM>(step))); }
  int StepIt() { return static_cast<int>(SendMessage(PBM_STEPIT)); }
};

}  // namespace plat

#endif  // PLAT_CTL_CONTROL_BARS_H_
