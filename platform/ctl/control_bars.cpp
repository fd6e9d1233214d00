// The control bars over the toolbar and status-bar controls. The bars are
// made with CCS_NOPARENTALIGN, so they size their own height and the frame
// places them.
#include "plat/ctl/control_bars.h"

#include <algorithm>

#include "plat/gdi.h"
#include "plat/resources.h"
#include "plat/text.h"

namespace plat {

namespace {

constexpr int kToolbarMargins = 4;  // the toolbar control's 2 pixels above and below its buttons

// A WORD of a resource, little-endian.
WORD ReadWord(const uint8_t* bytes, size_t offset) {
  return static_cast<WORD>(bytes[offset] | (bytes[offset + 1] << 8));
}

int TextWidth(HWND hwnd, const std::string& text) {
  if (text.empty()) return 0;
  HDC dc = GetDC(hwnd);
  HFONT font = reinterpret_cast<HFONT>(::plat::SendMessage(hwnd, WM_GETFONT, 0, 0));
  HFONT previous = SelectObject(dc, font != nullptr ? font : reinterpret_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
  SIZE extent{};
  GetTextExtentPoint32(dc, text.data(), static_cast<int>(text.size()), &extent);
  SelectObject(dc, previous);
  ReleaseDC(hwnd, dc);
  return extent.cx;
}

}  // namespace

// ---- CControlBar ------------------------------------------------------------------------------

CSize CControlBar::CalcFixedLayout(BOOL /*stretch*/, BOOL /*horizontal*/) {
  RECT rect{};
  GetWindowRect(&rect);
  return CSize(rect.right - rect.left, rect.bottom - rect.top);
}

BOOL CControlBar::CreateBar(const char* class_name, DWORD control_style, DWORD style, CWnd* parent, UINT id) {
  if (parent == nullptr) return FALSE;
  SetBarStyle(style);
  const DWORD window_style = (style & ~CBRS_ALL) | control_style | WS_CHILD | CCS_NOPARENTALIGN;
  RECT client{};
  parent->GetClientRect(&client);
  return CWnd::Create(class_name, nullptr, window_style, RECT{0, 0, client.right, 0}, parent, id);
}

// ---- CToolBar ---------------------------------------------------------------------------------

BOOL CToolBar::Create(CWnd* parent, DWORD style, UINT id) {
  const DWORD control_style = TBSTYLE_FLAT | ((style & CBRS_TOOLTIPS) != 0 ? TBSTYLE_TOOLTIPS : 0);
  return CreateBar(TOOLBARCLASSNAME, control_style, style, parent, id);
}

BOOL CToolBar::LoadToolBar(HINSTANCE instance, UINT id) {
  if (m_hWnd == nullptr) return FALSE;
  HRSRC found = FindResource(instance, MAKEINTRESOURCE(static_cast<int>(id)), MAKEINTRESOURCE(RT_TOOLBAR));
  if (found == nullptr) return FALSE;
  const auto* bytes = static_cast<const uint8_t*>(LockResource(LoadResource(instance, found)));
  const size_t size = SizeofResource(instance, found);
  if (bytes == nullptr || size < 8 || ReadWord(bytes, 0) != 1) return FALSE;
  const WORD width = ReadWord(bytes, 2);
  const WORD height = ReadWord(bytes, 4);
  const WORD count = ReadWord(bytes, 6);
  if (width == 0 || height == 0 || size < 8 + size_t{2} * count) return FALSE;
  std::vector<UINT> ids(count);
  int images = 0;
  for (WORD i = 0; i < count; ++i) {
    ids[i] = ReadWord(bytes, 8 + size_t{2} * i);
    if (ids[i] != ID_SEPARATOR) ++images;
  }
  SendMessage(TB_SETBITMAPSIZE, 0, MAKELPARAM(width, height));
  TBADDBITMAP add;
  add.hInst = instance;
  add.nID = id;
  const LRESULT first = SendMessage(TB_ADDBITMAP, static_cast<WPARAM>(std::max(images, 1)), reinterpret_cast<LPARAM>(&add));
  if (first < 0) return FALSE;
  image_base_ = static_cast<int>(first);
  return SetButtons(ids.data(), count);
}

BOOL CToolBar::SetButtons(const UINT* ids, int count) {
  if (m_hWnd == nullptr || (ids == nullptr && count > 0) || count < 0) return FALSE;
  while (SendMessage(TB_BUTTONCOUNT) > 0) SendMessage(TB_DELETEBUTTON, 0);
  std::vector<TBBUTTON> buttons(static_cast<size_t>(count));
  int image = image_base_;
  for (int i = 0; i < count; ++i) {
    TBBUTTON& button = buttons[static_cast<size_t>(i)];
    if (ids[i] == ID_SEPARATOR) {
      button.fsStyle = TBSTYLE_SEP;
      continue;
    }
    button.idCommand = static_cast<int>(ids[i]);
    button.iBitmap = image++;
    button.fsState = TBSTATE_ENABLED;
  }
  return static_cast<BOOL>(SendMessage(TB_ADDBUTTONS, static_cast<WPARAM>(count), reinterpret_cast<LPARAM>(buttons.data())));
}

int CToolBar::GetCount() const { return static_cast<int>(SendMessage(TB_BUTTONCOUNT)); }

int CToolBar::CommandToIndex(UINT id) const { return static_cast<int>(SendMessage(TB_COMMANDTOINDEX, id)); }

UINT CToolBar::GetItemID(int index) const {
  TBBUTTON button;
  if (index < 0 || SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) == 0) {
    return ID_SEPARATOR;
  }
  return (button.fsStyle & TBSTYLE_SEP) != 0 ? ID_SEPARATOR : static_cast<UINT>(button.idCommand);
}

void CToolBar::GetItemRect(int index, RECT* rect) const {
  if (rect == nullptr) return;
  *rect = RECT{};
  if (index >= 0) SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

UINT CToolBar::GetButtonStyle(int index) const {
  TBBUTTON button;
  if (index < 0 || SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) == 0) return 0;
  return button.fsStyle;
}

CSize CToolBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  const CSize size = CControlBar::CalcFixedLayout(stretch, horizontal);
  const auto button = static_cast<DWORD>(SendMessage(TB_GETBUTTONSIZE));
  return CSize(size.cx, HIWORD(button) + kToolbarMargins);
}

LRESULT CToolBar::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if ((GetBarStyle() & CBRS_FLYBY) != 0) {
    if (message == WM_MOUSEMOVE) {
      POINT point{GET_X_LPARAM(lparam), GET_Y_LPARAM(lparam)};
      const int index = static_cast<int>(SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&point)));
      SetFlyBy(index >= 0 ? GetItemID(index) : 0);
    } else if (message == WM_MOUSELEAVE) {
      SetFlyBy(0);
    }
  }
  return CControlBar::WindowProc(message, wparam, lparam);
}

void CToolBar::SetFlyBy(UINT id) {
  if (id == flyby_id_) return;
  flyby_id_ = id;
  if (HWND parent = ::plat::GetParent(m_hWnd); parent != nullptr) ::plat::SendMessage(parent, WM_SETMESSAGESTRING, id, 0);
}

// ---- CStatusBar -------------------------------------------------------------------------------

BOOL CStatusBar::Create(CWnd* parent, DWORD style, UINT id) {
  return CreateBar(STATUSCLASSNAME, 0, style, parent, id);
}

BOOL CStatusBar::SetIndicators(const UINT* ids, int count, HINSTANCE strings) {
  if (m_hWnd == nullptr || count <= 0 || ids == nullptr) return FALSE;
  panes_.assign(static_cast<size_t>(count), Pane{});
  for (int i = 0; i < count; ++i) {
    Pane& pane = panes_[static_cast<size_t>(i)];
    pane.id = ids[i];
    if (pane.id == ID_SEPARATOR) {
      if (i == 0) pane.style = SBPS_STRETCH;
      continue;
    }
    char text[256] = {};
    if (strings != nullptr) LoadString(strings, pane.id, text, sizeof(text));
    pane.text = text;
    pane.width = TextWidth(m_hWnd, pane.text);
  }
  UpdateParts();
  return TRUE;
}

int CStatusBar::CommandToIndex(UINT id) const {
  for (size_t i = 0; i < panes_.size(); ++i) {
    if (panes_[i].id == id) return static_cast<int>(i);
  }
  return -1;
}

UINT CStatusBar::GetItemID(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<size_t>(index)].id : ID_SEPARATOR;
}

void CStatusBar::SetPaneInfo(int index, UINT id, UINT style, int width) {
  if (index < 0 || index >= GetCount()) return;
  Pane& pane = panes_[static_cast<size_t>(index)];
  pane.id = id;
  pane.style = style;
  pane.width = std::max(0, width);
  UpdateParts();
}

void CStatusBar::GetPaneInfo(int index, UINT& id, UINT& style, int& width) const {
  if (index < 0 || index >= GetCount()) {
    id = ID_SEPARATOR;
    style = 0;
    width = 0;
    return;
  }
  const Pane& pane = panes_[static_cast<size_t>(index)];
  id = pane.id;
  style = pane.style;
  width = pane.width;
}

UINT CStatusBar::GetPaneStyle(int index) const {
  return index >= 0 && index < GetCount() ? panes_[static_cast<size_t>(index)].style : 0;
}

void CStatusBar::SetPaneStyle(int index, UINT style) {
  if (index < 0 || index >= GetCount()) return;
  panes_[static_cast<size_t>(index)].style = style;
  UpdateParts();
}

BOOL CStatusBar::SetPaneText(int index, const char* text, BOOL update) {
  if (index < 0 || index >= GetCount()) return FALSE;
  panes_[static_cast<size_t>(index)].text = text != nullptr ? text : "";
  ShowPaneText(index);
  if (update) ::plat::UpdateWindow(m_hWnd);
  return TRUE;
}

void CStatusBar::ShowPaneText(int index) {
  const Pane& pane = panes_[static_cast<size_t>(index)];
  const WPARAM flags = pane.style & (SBPS_NOBORDERS | SBPS_POPOUT);
  SendMessage(SB_SETTEXT, static_cast<WPARAM>(index) | flags,
              reinterpret_cast<LPARAM>((pane.style & SBPS_DISABLED) != 0 ? "" : pane.text.c_str()));
}

CString CStatusBar::GetPaneText(int index) const {
  return index >= 0 && index < GetCount() ? CString(panes_[static_cast<size_t>(index)].text.c_str()) : CString();
}

void CStatusBar::GetItemRect(int index, RECT* rect) const {
  if (rect == nullptr) return;
  *rect = RECT{};
  if (index >= 0 && index < GetCount()) SendMessage(SB_GETRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(rect));
}

CSize CStatusBar::CalcFixedLayout(BOOL stretch, BOOL horizontal) {
  return CControlBar::CalcFixedLayout(stretch, horizontal);
}

void CStatusBar::UpdateParts() {
  if (m_hWnd == nullptr || panes_.empty()) return;
  RECT client{};
  GetClientRect(&client);
  int borders[3] = {0, 0, 0};
  SendMessage(SB_GETBORDERS, 0, reinterpret_cast<LPARAM>(borders));
  const int between = borders[2];
  // The stretching pane takes what the fixed wells and the gaps leave.
  int fixed = 0;
  for (const Pane& pane : panes_) {
    if ((pane.style & SBPS_STRETCH) == 0) fixed += pane.width + 2 * kPaneInset;
  }
  fixed += between * static_cast<int>(panes_.size() - 1);
  const int stretch = std::max(0, static_cast<int>(client.right) - fixed);
  std::vector<int> rights(panes_.size());
  int left = 0;
  for (size_t i = 0; i < panes_.size(); ++i) {
    const Pane& pane = panes_[i];
    const int well = (pane.style & SBPS_STRETCH) != 0 ? stretch : pane.width + 2 * kPaneInset;
    rights[i] = left + well;
    left = rights[i] + between;
  }
  SendMessage(SB_SETPARTS, rights.size(), reinterpret_cast<LPARAM>(rights.data()));
  for (size_t i = 0; i < panes_.size(); ++i) ShowPaneText(static_cast<int>(i));
}

LRESULT CStatusBar::WindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  const LRESULT result = CControlBar::WindowProc(message, wparam, lparam);
  if (message == WM_SIZE) UpdateParts();
  return result;
}

}  // namespace plat
