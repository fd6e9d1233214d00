// The page choice of a multi-page image: a page window with a thumbnail of
// every page, run in the platform's modal loop with the owner and frame
// windows disabled. One page choice at a time in the process; the control
// stays alive while it runs, and a quit message or the window's destruction
// from outside ends it (the quit is posted again for the host's loop).
#include <cmath>
#include <new>

#include "image_edit_ctrl.h"
#include "module_resources.h"
#include "page_preview_window.h"
#include "plat/gdi.h"
#include "plat/user.h"

namespace ondavel {

using namespace plat;

namespace {

bool g_is_choosing_page = false;

// Sets the process-wide flag for the life of one page choice.
class PageChoiceFlag {
 public:
  PageChoiceFlag() { g_is_choosing_page = true; }
  ~PageChoiceFlag() { g_is_choosing_page = false; }
  PageChoiceFlag(const PageChoiceFlag&) = delete;
  PageChoiceFlag& operator=(const PageChoiceFlag&) = delete;
};

// Enables a window again on every path when it was disabled here.
class DisabledWindow {
 public:
  explicit DisabledWindow(HWND hwnd) : hwnd_(hwnd) {
    if (hwnd_ != nullptr && ::plat::IsWindow(hwnd_)) was_enabled_ = ::plat::EnableWindow(hwnd_, FALSE) == FALSE;
  }
  ~DisabledWindow() {
    if (was_enabled_ && ::plat::IsWindow(hwnd_)) ::plat::EnableWindow(hwnd_, TRUE);
  }
  DisabledWindow(const DisabledWindow&) = delete;
  DisabledWindow& operator=(const DisabledWindow&) = delete;

 private:
  HWND hwnd_;
  bool was_enabled_ = false;
};

}  // namespace

// Rows fill half the screen's height and columns two thirds of its width,
// one cell per 100 pixels; at least one of each, so a small screen still
// gets a window.
PageGrid ComputePageGrid(int pages, int screen_width_px, int screen_height_px) {
  PageGrid grid;
  grid.rows = std::max(1, (screen_height_px / 2) / kPageCellSize);
  grid.columns = std::max(1, (2 * screen_width_px / 3) / kPageCellSize);
  grid.can_scroll = static_cast<int64_t>(grid.rows) * grid.columns <= pages;
  if (static_cast<int64_t>(grid.rows) * grid.columns > pages) {
    grid.rows = (pages + grid.columns - 1) / grid.columns;
    if (grid.rows <= 1) {
      grid.rows = 1;
      grid.columns = std::max(1, pages);
    }
  }
  return grid;
}

bool CQRVNImgEditCtrl::IsChoosingPage() { return g_is_choosing_page; }

int CQRVNImgEditCtrl::ChoosePage(const char* path, int16_t media_format, int page_count) {
  return RunPageChoice(path, page_count, true,
                       [&](int index) { return binding_->ReadFileToDib(path, media_format, index); });
}

int CQRVNImgEditCtrl::ChoosePageFromMemory(HGLOBAL block, int32_t length, int16_t media_format,
                                           const char* display_name, int page_count) {
  return RunPageChoice(display_name, page_count, false,
                       [&](int index) { return binding_->ReadMemoryToDib(block, length, media_format, index); });
}

int CQRVNImgEditCtrl::RunPageChoice(const char* title, int page_count, bool preselect_first,
                                    const std::function<HGLOBAL(int)>& read_page) {
  if (g_is_choosing_page) {
    SetError(qrvErrSequenceError);
    return -1;
  }
  PageChoiceFlag flag;
  ComPtr<IUnknown> hold = KeepAlive();
  CWaitCursor wait;
  const HWND window = GetCallbackWindow();
  const HWND owner = GetOwnerWindow();
  const HWND frame = GetFrameWindow();
  std::unique_ptr<CQRVNTiffAcqWnd> pages(window != nullptr ? new (std::nothrow) CQRVNTiffAcqWnd : nullptr);
  if (!pages) {
    SetError(qrvErrOutofMemory);
    return -1;
  }
  pages->SetThumbnailSize(kPageCellSize, kPageCellSize);
  pages->SetSelectionMode(1);
  const PageGrid grid = ComputePageGrid(page_count, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  const CRect size = pages->CalcListWindowSize(grid.rows, grid.columns, grid.can_scroll ? TRUE : FALSE);
  CWnd* parent = m_hWnd != nullptr ? this : nullptr;
  if (!pages->CreatePreview(nullptr, title, WS_OVERLAPPEDWINDOW | WS_VISIBLE, size, parent, kPageMenuId, TRUE)) {
    SetError(qrvErrOutofMemory);
    return -1;
  }
  const HWND page_window = pages->m_hWnd;
  DisabledWindow disabled_owner(owner);
  DisabledWindow disabled_frame(frame != owner ? frame : nullptr);

  int screen_depth = 0;
  if (HDC dc = GetDC(page_window); dc != nullptr) {
    screen_depth = GetDeviceCaps(dc, PLANES) * GetDeviceCaps(dc, BITSPIXEL);
    ReleaseDC(page_window, dc);
  }
  pages->SetPageCount(page_count);
  for (int i = 0; i < page_count && ::plat::IsWindow(page_window); ++i) {
    HGLOBAL bitmap = read_page(i);
    if (bitmap != 0) {
      if (const HGLOBAL thumbnail = MakeThumbnail(bitmap, kThumbnailSize, kThumbnailSize, screen_depth);
          thumbnail != 0) {
        (void)GlobalFree(bitmap);
        bitmap = thumbnail;
      }
    }
    pages->AddPreviewPage(bitmap);  // the list owns it, an empty cell when null
  }
  if (::plat::IsWindow(page_window)) {
    pages->FinishAdding();
    if (preselect_first) pages->SelectThumbnail(0);
    RunModalLoop(page_window, nullptr, [&] { return pages->IsDone() != FALSE; });
  }
  int chosen = 0;
  if (::plat::IsWindow(page_window) && !pages->is_cancelled() && pages->GetSelectedCount() == 1) {
    chosen = pages->GetSelectedIndex(0) + 1;
  }
  if (::plat::IsWindow(page_window)) pages->DestroyWindow();
  return chosen;
}

HGLOBAL CQRVNImgEditCtrl::MakeThumbnail(HGLOBAL image, int width, int height, int screen_depth) {
  int32_t image_width = 0;
  int32_t image_height = 0;
  if (!binding_->GetDibSize(image, &image_width, &image_height) || image_width <= 0 || image_height <= 0) return 0;
  const double scale = std::min(static_cast<double>(width) / image_width, static_cast<double>(height) / image_height);
  const auto thumb_width = static_cast<int32_t>(std::trunc(scale * image_width));
  const auto thumb_height = static_cast<int32_t>(std::trunc(scale * image_height));
  HGLOBAL thumbnail = binding_->ResizeDibImage(image, thumb_width, thumb_height, qrvInterNearest, qrvMorphologyNone);
  if (thumbnail == 0 || (screen_depth != 4 && screen_depth != 8)) return thumbnail;
  int16_t depth = qrvColorRGB;
  switch (binding_->GetDibBitDepthCode(image)) {
    case qrvColorBitmap: depth = qrvColorBitmap; break;
    case qrvColor16: depth = qrvColor16; break;
    case qrvColor256: depth = qrvColor256; break;
    default: break;
  }
  const auto target = static_cast<int16_t>(screen_depth == 4 ? qrvColor16 : qrvColor256);
  if (const HGLOBAL reduced = binding_->ChangeDibColorDepth(thumbnail, depth, target, qrvReductionDiffusion, 0);
      reduced != 0) {
    (void)GlobalFree(thumbnail);
    thumbnail = reduced;
  }
  return thumbnail;
}

}  // namespace ondavel
