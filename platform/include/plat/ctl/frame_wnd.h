// CFrameWnd: a top-level window with a menu from a resource, control bars
// along its edges and one client window (child id AFX_IDW_PANE_FIRST) in
// what they leave. RecalcLayout runs on every size; the status bar (child id
// AFX_IDW_STATUS_BAR) shows command prompts from string resources ("prompt\n
// tip"): for fly-by bars and highlighted menu items, and the tips of
// toolbar buttons.
#ifndef PLAT_CTL_FRAME_WND_H_
#define PLAT_CTL_FRAME_WND_H_

#include <string>

#include "plat/ctl/control_bars.h"
#include "plat/ctl/wnd.h"

namespace plat {

class CFrameWnd : public CWnd {
 public:
  // The frame with the menu resource `menu_name` of `resources` (none when
  // null); string prompts come from `resources` too. A null class is a
  // framework class with double clicks, the arrow cursor and the window
  // colour. The frame clips its children. FALSE when the menu cannot be
  // loaded or the window not made (no menu is left behind).
  virtual BOOL Create(const char* class_name, const char* title, DWORD style, const RECT& rect, CWnd* parent = nullptr,
                      const char* menu_name = nullptr, DWORD ex_style = 0, HINSTANCE resources = nullptr);
  HINSTANCE GetResourceInstance() const { return resources_; }

  // Bars top-down along the top, bottom-up along the bottom (in child order),
  // then the client window in the rest.
  virtual void RecalcLayout(BOOL notify = TRUE);
  // The area the bars leave, in client coordinates.
  CRect GetPaneRect() const;

  // The status bar's first pane: a text, the prompt of a command, or the
  // idle message (id 0).
  void SetMessageText(const char* text);
  void SetMessageText(UINT id);
  void SetIdleMessage(const char* text) { idle_message_ = text != nullptr ? text : ""; }
  CWnd* GetMessageBar() const;
  // The prompt (index 0) or tip (index 1) part of a command's string; the
  // whole string serves as both when it has no "\n".
  CString LoadCommandText(UINT id, int part) const;

  LRESULT WindowProc(UINT message, WPARAM wparam, LPARAM lparam) override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnSetFocus(CWnd* old_focus) override;

 private:
  HINSTANCE resources_ = nullptr;
  std::string idle_message_;
  std::string tip_text_;
  bool is_in_layout_ = false;
};

}  // namespace plat

#endif  // PLAT_CTL_FRAME_WND_H_
