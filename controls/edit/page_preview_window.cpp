// The page window: its bars and list, the done and cancelled flags, the
// progress while pages are added, and centred creation.
#include "page_preview_window.h"

#include <cstdio>

#include "module_resources.h"
#include "plat/resources.h"

namespace ondavel {

using namespace plat;

namespace {

constexpr UINT kProgressId = 1;
constexpr UINT kIndicators[] = {ID_SEPARATOR, kPanePages, kPaneCount};
// The frame the window is centred for: a caption, system menu, sizing
// frame, minimise and maximise boxes, a menu and the client edge.
constexpr DWORD kCentredStyle = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX;

std::string Number(const char* format, int value) {
  char text[32];
  std::snprintf(text, sizeof(text), format, value);
  return text;
}

int HeightOf(const CWnd& wnd) {
  RECT rect{};
  wnd.GetWindowRect(&rect);
  return rect.bottom - rect.top;
}

}  // namespace

const char* PageWindowClass() {
  static const char* const name =
      CWnd::RegisterWindowClass(CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS, LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW)),
                                GetSysColorBrush(COLOR_BTNFACE), LoadIcon(OndavelResources(), MAKEINTRESOURCE(kPageIconId)));
  return name;
}

CQRVNTiffAcqWnd::~CQRVNTiffAcqWnd() {
  if (m_hWnd != nullptr) DestroyWindow();
}

void CQRVNTiffAcqWnd::SetSelectionMode(int count) {
  if (count == 1) {
    list_.SetSelectionMode(0);
    list_.SetSelectionLimit(1);
  } else {
    list_.SetSelectionMode(1);
    list_.SetSelectionLimit(count);
  }
}

CRect CQRVNTiffAcqWnd::CalcListWindowSize(int rows, int columns, BOOL with_scroll_bar) const {
  // The list's own client edge is added, so rows x columns whole cells show.
  const CSize size = list_.CalcListWindowSize(rows, columns, with_scroll_bar);
  RECT frame{0, 0, size.cx, size.cy};
  AdjustWindowRectEx(&frame, WS_CHILD | WS_VISIBLE, FALSE, WS_EX_CLIENTEDGE);
  return CRect(0, 0, frame.right - frame.left, frame.bottom - frame.top);
}

BOOL CQRVNTiffAcqWnd::CreatePreview(const char* class_name, const char* title, DWORD style, const RECT& rect,
                                    CWnd* parent, UINT menu_id, BOOL centre) {
  is_centred_ = centre != FALSE;
  requested_ = rect;
  shows_after_creation_ = is_centred_ && (style & WS_VISIBLE) != 0;
  if (shows_after_creation_) style &= ~WS_VISIBLE;
  if (!Create(class_name != nullptr ? class_name : PageWindowClass(), title, style, rect, parent,
              MAKEINTRESOURCE(static_cast<int>(menu_id)), WS_EX_CLIENTEDGE, OndavelResources())) {
    return FALSE;
  }
  RecalcLayout();
  toolbar_height_ = HeightOf(toolbar_);
  status_height_ = HeightOf(status_);
  if (is_centred_) {
    RECT frame{0, 0, rect.right - rect.left, rect.bottom - rect.top + toolbar_height_ + status_height_};
    AdjustWindowRectEx(&frame, kCentredStyle, TRUE, WS_EX_CLIENTEDGE);
    const int width = frame.right - frame.left;
    const int height = frame.bottom - frame.top;
    SetWindowPos(nullptr, (GetSystemMetrics(SM_CXSCREEN) - width) / 2, (GetSystemMetrics(SM_CYSCREEN) - height) / 2,
                 width, height, SWP_NOZORDER | SWP_NOACTIVATE);
  }
  if (shows_after_creation_) {
    ShowWindow(SW_SHOW);
    toolbar_.UpdateWindow();
    status_.UpdateWindow();
  }
  return TRUE;
}

int CQRVNTiffAcqWnd::OnCreate(CREATESTRUCT* create) {
  if (CFrameWnd::OnCreate(create) == -1) return -1;
  const HINSTANCE resources = OndavelResources();
  if (!toolbar_.Create(this, WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_TOOLTIPS | CBRS_FLYBY, AFX_IDW_TOOLBAR) ||
      !toolbar_.LoadToolBar(resources, kPageToolbarId)) {
    return -1;
  }
  if (!status_.Create(this, WS_CHILD | WS_VISIBLE | CBRS_BOTTOM, AFX_IDW_STATUS_BAR) ||
      !status_.SetIndicators(kIndicators, 3, resources)) {
    return -1;
  }
  status_.SetPaneInfo(1, kPanePages, SBPS_NORMAL, kPanePagesWidth);
  status_.SetPaneInfo(2, kPaneCount, SBPS_NORMAL, kPaneCountWidth);
  return list_.Create(this, AFX_IDW_PANE_FIRST) ? 0 : -1;
}

void CQRVNTiffAcqWnd::OnDestroy() {
  list_.RemoveAllThumbnails();
  if (list_.GetSafeHwnd() != nullptr) list_.DestroyWindow();
  CFrameWnd::OnDestroy();
}

void CQRVNTiffAcqWnd::OnClose() {
  // Reported to the page choice; the window stays until it is destroyed there.
  is_done_ = true;
  is_cancelled_ = true;
}

void CQRVNTiffAcqWnd::OnSize(UINT type, int cx, int cy) {
  if (list_.GetSafeHwnd() != nullptr) list_.SetWindowPos(nullptr, 0, 0, cx, cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  CFrameWnd::OnSize(type, cx, cy);
}

void CQRVNTiffAcqWnd::OnSetFocus(CWnd* old_focus) {
  CFrameWnd::OnSetFocus(old_focus);
  if (list_.GetSafeHwnd() != nullptr) list_.SetFocus();
}

BOOL CQRVNTiffAcqWnd::OnCommand(WPARAM wparam, LPARAM lparam) {
  switch (LOWORD(wparam)) {
    case kCommandExit:
      is_done_ = true;
      is_cancelled_ = true;
      return TRUE;
    case kCommandTake:
      is_done_ = true;
      is_cancelled_ = false;
      return TRUE;
    default: return CFrameWnd::OnCommand(wparam, lparam);
  }
}

void CQRVNTiffAcqWnd::OnPaletteChanged(CWnd* focus_wnd) {
  CFrameWnd::OnPaletteChanged(focus_wnd);
  const HWND cause = focus_wnd != nullptr ? focus_wnd->m_hWnd : nullptr;
  if (cause != m_hWnd && !::plat::IsChild(m_hWnd, cause) && list_.GetSafeHwnd() != nullptr) {
    list_.SendMessage(WM_PALETTECHANGED, reinterpret_cast<WPARAM>(cause));
  }
}

BOOL CQRVNTiffAcqWnd::OnQueryNewPalette() {
  if (list_.GetSafeHwnd() != nullptr) list_.SendMessage(WM_QUERYNEWPALETTE);
  return CFrameWnd::OnQueryNewPalette();
}

LRESULT CQRVNTiffAcqWnd::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == ThumbItemDblclkMessage()) {
    is_done_ = true;
    is_cancelled_ = false;
    return 0;
  }
  return CFrameWnd::WindowProc(message, wparam, lparam);
}

void CQRVNTiffAcqWnd::SetPageCount(int count) {
  page_count_ = count;
  status_.SetPaneText(2, Number("%d", count).c_str());
  if (progress_.GetSafeHwnd() == nullptr) {
    RECT pane{};
    status_.GetItemRect(1, &pane);
    progress_.Create(WS_CHILD | WS_VISIBLE, pane, &status_, kProgressId);
  }
  progress_.SetRange32(0, count);
  progress_.SetPos(0);
  pages_added_ = 0;
}

void CQRVNTiffAcqWnd::AddPreviewPage(HGLOBAL bitmap) {
  list_.AddThumbnail(bitmap, nullptr);
  list_.UpdateWindow();
  if (progress_.GetSafeHwnd() != nullptr) {
    progress_.OffsetPos(1);
    progress_.UpdateWindow();
  }
  ++pages_added_;
  status_.SetPaneText(2, Number(" %d ", pages_added_).c_str());
}

void CQRVNTiffAcqWnd::FinishAdding() {
  if (progress_.GetSafeHwnd() != nullptr) progress_.DestroyWindow();
  status_.SetPaneInfo(1, kPanePages, SBPS_NOBORDERS, kPanePagesWidth);
  pages_added_ = 0;
  status_.SetPaneText(2, Number(" %d ", page_count_).c_str());
}

}  // namespace ondavel
