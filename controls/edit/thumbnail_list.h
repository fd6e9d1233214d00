// ThumbnailList: a child window showing packed bitmaps as a grid of
// numbered cells that scrolls vertically, with single selection (mode 0) or
// toggled selection up to a limit (mode 1) by mouse and keyboard. It owns
// the bitmaps handed to it and frees each exactly once (on removal and on
// destroy). It tells its parent of changes with two registered messages,
// wparam its child id and lparam the item's index.
#ifndef CONTROLS_EDIT_THUMBNAIL_LIST_H_
#define CONTROLS_EDIT_THUMBNAIL_LIST_H_

#include <memory>
#include <string>
#include <vector>

#include "plat/ctl/wnd.h"
#include "plat/global_memory.h"

namespace ondavel {

inline constexpr const char* kThumbnailListClass = "ThumbnailList";
inline constexpr const char* kThumbnailListName = "ThumbnailWindow";

// "Qrvc_Thumb_SelChangeMsg" and "Qrvc_Thumb_ItemDblclkMsg", registered once.
plat::UINT ThumbSelChangeMessage();
plat::UINT ThumbItemDblclkMessage();

struct ThumbnailItem {
  std::string text;
  plat::BOOL is_selected = FALSE;
  HGLOBAL bitmap = 0;  // owned
  int width = 0;       // of the bitmap; 0 when it has none or the gate refused it
  int height = 0;
};

class ThumbnailList : public plat::CWnd {
 public:
  static constexpr int kDefaultPictureSize = 120;
  static constexpr int kCellPadding = 20;

  ThumbnailList();
  ~ThumbnailList() override;

  // The child "ThumbnailWindow" of its own class, size 0 (the parent sizes it).
  plat::BOOL Create(plat::CWnd* parent, plat::UINT id);

  // Takes `bitmap` (any handle; one the gate refuses shows an empty picture)
  // and gives the new item's index.
  int AddThumbnail(HGLOBAL bitmap, const char* text);
  void RemoveAllThumbnails();
  void SetThumbnailSize(int width, int height);
  // Clear the selection first (without notifying), then set.
  void SetSelectionMode(int mode);
  void SetSelectionLimit(int limit);
  plat::BOOL SelectThumbnail(int index, plat::BOOL select);
  // The n-th selected index in ascending order; -1 when n is out of range.
  int GetSelectedThumbnail(int n) const;
  plat::BOOL IsThumbnailSelected(int index) const;
  int GetSelectedCount() const { return static_cast<int>(selection_.size()); }
  int GetCount() const { return static_cast<int>(items_.size()); }
  const ThumbnailItem& item(int index) const { return *items_[static_cast<size_t>(index)]; }
  // The window size for rows x columns cells (plus a vertical bar).
  plat::CSize CalcListWindowSize(int rows, int columns, plat::BOOL with_scroll_bar) const;

  int cell_width() const { return picture_width_ + kCellPadding; }
  int cell_height() const { return picture_height_ + kCellPadding + caption_height_; }
  int rows() const { return rows_; }
  int columns() const { return columns_; }
  int focus_index() const { return focus_; }
  int selection_mode() const { return mode_; }
  // Vertical scroll position times columns; -1 when the list is empty.
  int FirstVisible() const;
  bool IsVisible(int index) const;
  // The cell of a visible item in client pixels (empty otherwise).
  plat::RECT CellRect(int index) const;
  // The picture and caption rectangles inside a cell.
  plat::RECT PictureRect(int index, const plat::RECT& cell) const;
  plat::RECT CaptionRect(const plat::RECT& cell) const;
  // The item under a client point (cells shrunk by 2), -1 when none.
  int HitTest(plat::POINT point) const;
  // Selects by a click, as the mouse does.
  void ClickThumbnail(int index);

  // ---- Handlers ----------------------------------------------------------------------------
  void OnPaint() override;
  plat::BOOL OnEraseBkgnd(plat::CDC* dc) override;
  void OnSize(plat::UINT type, int cx, int cy) override;
  void OnHScroll(plat::UINT code, plat::UINT pos, plat::CWnd* bar) override;
  void OnVScroll(plat::UINT code, plat::UINT pos, plat::CWnd* bar) override;
  void OnLButtonDown(plat::UINT flags, plat::CPoint point) override;
  void OnLButtonDblClk(plat::UINT flags, plat::CPoint point) override;
  void OnKeyDown(plat::UINT key, plat::UINT repeat, plat::UINT flags) override;
  int OnMouseActivate(plat::CWnd* top_level, plat::UINT hit_test, plat::UINT message) override;
  void OnPaletteChanged(plat::CWnd* focus_wnd) override;
  plat::BOOL OnQueryNewPalette() override;

 private:
  void Layout();
  void UpdateScrollBar();
  void InvalidateItem(int index, plat::BOOL erase);
  // Draws item `index` into `cell`: mask 1 frame and picture, 2 background and caption.
  void DrawItem(plat::HDC dc, int index, const plat::RECT& cell, int mask);
  void RepaintItem(int index, int mask);
  void DrawFocusFrame(bool is_shown);
  void MoveFocus(int index);
  void ScrollRows(int rows);
  void ClearSelection();
  void SetSelected(int index, bool is_selected);
  void Notify(plat::UINT message, int index);
  plat::UINT RealizeHalftone(plat::BOOL background);

  int picture_width_ = kDefaultPictureSize;
  int picture_height_ = kDefaultPictureSize;
  int mode_ = 0;
  int limit_ = -1;
  plat::COLORREF background_ = 0;
  std::vector<std::unique_ptr<ThumbnailItem>> items_;
  int rows_ = 0;
  int columns_ = 0;
  bool is_laying_out_ = false;
  int focus_ = 0;
  std::vector<int> selection_;  // ascending
  plat::HFONT font_ = nullptr;
  bool owns_font_ = false;
  int caption_height_ = 0;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_THUMBNAIL_LIST_H_
