// CQRVNTiffAcqWnd: the pop-up frame in which the user picks a page of a
// multi-page image: a menu, a toolbar with tips, the thumbnail list and a
// status bar whose pane 1 holds a progress bar while pages are added. It
// reports "done" on a double click, the take or exit command, or close, and
// is never destroyed by those itself: the page choice destroys it.
#ifndef CONTROLS_EDIT_PAGE_PREVIEW_WINDOW_H_
#define CONTROLS_EDIT_PAGE_PREVIEW_WINDOW_H_

#include "plat/ctl/control_bars.h"
#include "plat/ctl/frame_wnd.h"
#include "thumbnail_list.h"

namespace ondavel {

// Status-bar pane ids of the page count and pages read.
constexpr plat::UINT kPanePages = 2002;
constexpr plat::UINT kPaneCount = 2001;
constexpr int kPanePagesWidth = 80;
constexpr int kPaneCountWidth = 40;

// The page window's class (size redraws, double clicks, the arrow cursor,
// the button face and icon 213), registered on first use.
const char* PageWindowClass();

class CQRVNTiffAcqWnd : public plat::CFrameWnd {
 public:
  static constexpr const char* kRuntimeClassName = "CQRVNTiffAcqWnd";

  CQRVNTiffAcqWnd() = default;
  ~CQRVNTiffAcqWnd() override;

  void SetThumbnailSize(int width, int height) { list_.SetThumbnailSize(width, height); }
  // 1: single selection; more: that many by toggling.
  void SetSelectionMode(int count);
  // The list window's size (its client edge included) for rows x columns cells.
  plat::CRect CalcListWindowSize(int rows, int columns, plat::BOOL with_scroll_bar) const;
  // Creates the frame with menu `menu_id`; with `centre` sized from `rect`
  // plus the bars and centred on the screen (shown only then, when the
  // style asks for it). A null class is PageWindowClass().
  plat::BOOL CreatePreview(const char* class_name, const char* title, plat::DWORD style, const plat::RECT& rect,
                           plat::CWnd* parent, plat::UINT menu_id, plat::BOOL centre);
  void SetPageCount(int count);
  // The list takes `bitmap`; the progress and pane texts follow.
  void AddPreviewPage(HGLOBAL bitmap);
  void FinishAdding();
  void SelectThumbnail(int index) { list_.SelectThumbnail(index, TRUE); }
  plat::BOOL IsDone() const { return is_done_ ? TRUE : FALSE; }
  bool is_cancelled() const { return is_cancelled_; }
  // 0 when cancelled, else the list's selection count.
  int GetSelectedCount() const { return is_cancelled_ ? 0 : list_.GetSelectedCount(); }
  int GetSelectedIndex(int n) const { return list_.GetSelectedThumbnail(n); }

  ThumbnailList& list() { return list_; }
  plat::CToolBar& toolbar() { return toolbar_; }
  plat::CStatusBar& status_bar() { return status_; }
  // Null when no pages are being added.
  plat::CProgressCtrl* progress() { return progress_.GetSafeHwnd() != nullptr ? &progress_ : nullptr; }
  int page_count() const { return page_count_; }
  int pages_added() const { return pages_added_; }

  int OnCreate(plat::CREATESTRUCT* create) override;
  void OnDestroy() override;
  void OnClose() override;
  void OnSize(plat::UINT type, int cx, int cy) override;
  void OnSetFocus(plat::CWnd* old_focus) override;
  plat::BOOL OnCommand(plat::WPARAM wparam, plat::LPARAM lparam) override;
  void OnPaletteChanged(plat::CWnd* focus_wnd) override;
  plat::BOOL OnQueryNewPalette() override;
  plat::LRESULT WindowProc(plat::UINT message, plat::WPARAM wparam, plat::LPARAM lparam) override;

 private:
  ThumbnailList list_;
  bool is_done_ = false;
  bool is_cancelled_ = true;
  int page_count_ = 0;
  int pages_added_ = 0;
  bool shows_after_creation_ = false;
  bool is_centred_ = false;
  plat::RECT requested_{};
  plat::CStatusBar status_;
  plat::CToolBar toolbar_;
  plat::CProgressCtrl progress_;
  int toolbar_height_ = 0;
  int status_height_ = 0;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_PAGE_PREVIEW_WINDOW_H_
