// TScreen: the screen's size and work area, the forms that exist, the active
// form and control, and the cursor table that Cursor and each control's
// Cursor pick from.
#include <algorithm>

#include "plat/forms/forms.h"
#include "plat/user.h"

namespace plat {

TScreen* Screen = nullptr;

namespace {

struct SystemCursor {
  TCursor id;
  int idc;
};

constexpr SystemCursor kSystemCursors[] = {
    {crArrow, IDC_ARROW},       {crCross, IDC_CROSS},       {crIBeam, IDC_IBEAM},
    {crSizeNESW, IDC_SIZENESW}, {crSizeNS, IDC_SIZENS},     {crSizeNWSE, IDC_SIZENWSE},
    {crSizeWE, IDC_SIZEWE},     {crUpArrow, IDC_UPARROW},   {crHourGlass, IDC_WAIT},
    {crNo, IDC_NO},             {crAppStart, IDC_APPSTARTING}, {crHelp, IDC_HELP},
    {crHandPoint, IDC_HAND},    {crSizeAll, IDC_SIZEALL},   {crSQLWait, IDC_WAIT},
    {crDrag, IDC_ARROW},        {crNoDrop, IDC_NO},         {crHSplit, IDC_SIZEWE},
    {crVSplit, IDC_SIZENS},     {crMultiDrag, IDC_ARROW},
};

}  // namespace

TScreen::TScreen(TComponent* owner) : TComponent(owner) {
  cursors_[crDefault] = LoadCursor(nullptr, MAKEINTRESOURCE(IDC_ARROW));
  for (const SystemCursor& cursor : kSystemCursors) cursors_[cursor.id] = LoadCursor(nullptr, MAKEINTRESOURCE(cursor.idc));
}

TScreen::~TScreen() {
  for (auto& [index, cursor] : own_cursors_) DestroyCursor(cursor);
}

int TScreen::Width() const { return GetSystemMetrics(SM_CXSCREEN); }
int TScreen::Height() const { return GetSystemMetrics(SM_CYSCREEN); }

RECT TScreen::WorkAreaRect() const {
  RECT area{0, 0, Width(), Height()};
  SystemParametersInfo(SPI_GETWORKAREA, 0, &area, 0);
  return area;
}

TCustomForm* TScreen::Forms(int index) const {
  if (index < 0 || index >= FormCount()) RaiseRes<EListError>(SListIndexError, {index});
  return forms_[static_cast<size_t>(index)];
}

void TScreen::AddForm(TCustomForm* form) { forms_.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
  forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end());
  if (active_form_ == form) {
    active_form_ = nullptr;
    active_control_ = nullptr;
  }
}

void TScreen::SetActiveForm(TCustomForm* form) { active_form_ = form; }

void TScreen::SetCursor(TCursor cursor) {
  cursor_ = cursor;
  if (cursor != crDefault) {
    ::plat::SetCursor(Cursors(cursor));
    return;
  }
  // Back to the cursor of whatever is under the pointer.
  POINT point;
  GetCursorPos(&point);
  HWND hwnd = WindowFromPoint(point);
  if (hwnd != nullptr) {
    SendMessage(hwnd, WM_SETCURSOR, reinterpret_cast<WPARAM>(hwnd), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  } else {
    ::plat::SetCursor(Cursors(crDefault));
  }
}

HCURSOR TScreen::Cursors(int index) const {
  auto found = cursors_.find(index);
  if (found == cursors_.end() || found->second == nullptr) found = cursors_.find(crDefault);
  return found->second;
}

void TScreen::SetCursors(int index, HCURSOR cursor) {
  if (index == crDefault && cursor == nullptr) return;  // the default arrow stays
  if (auto own = own_cursors_.find(index); own != own_cursors_.end()) {
    if (own->second != cursor) DestroyCursor(own->second);
    own_cursors_.erase(own);
  }
  if (cursor == nullptr) {
    cursors_.erase(index);
    return;
  }
  cursors_[index] = cursor;
  own_cursors_[index] = cursor;
}

}  // namespace plat
