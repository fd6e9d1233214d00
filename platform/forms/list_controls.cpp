// TListBox and TComboBox: Items() talks to the window's list while there is
// a window and to a saved list otherwise; every index is checked before the
// list is touched, so a bad one changes nothing.
#include "plat/forms/listctrls.h"

#include <algorithm>

#include "plat/controls.h"
#include "plat/forms/exceptions.h"

namespace plat {
namespace {

const TListMessages kListBoxMessages{LB_ADDSTRING,  LB_INSERTSTRING, LB_DELETESTRING, LB_RESETCONTENT,
                                     LB_GETCOUNT,   LB_GETTEXT,      LB_GETTEXTLEN,   LB_GETITEMDATA,
                                     LB_SETITEMDATA, LB_SETCURSEL,   LB_GETCURSEL};
const TListMessages kComboBoxMessages{CB_ADDSTRING,  CB_INSERTSTRING, CB_DELETESTRING, CB_RESETCONTENT,
                                      CB_GETCOUNT,   CB_GETLBTEXT,    CB_GETLBTEXTLEN, CB_GETITEMDATA,
                                      CB_SETITEMDATA, CB_SETCURSEL,   CB_GETCURSEL};

// The text of item `index` of a list window.
std::string ReadItemText(HWND hwnd, const TListMessages& messages, int index) {
  const LRESULT length = std::max<LRESULT>(SendMessage(hwnd, messages.get_text_length, static_cast<WPARAM>(index), 0), 0);
  std::string text(static_cast<size_t>(length) + 1, '\0');
  SendMessage(hwnd, messages.get_text, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
  text.resize(static_cast<size_t>(length));
  return text;
}

}  // namespace

// ---- TListControlItems ----------------------------------------------------------------------

void TListControlItems::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) Error(SListIndexError, index);
}

int TListControlItems::Count() const {
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) return c.saved_.Count();
  return static_cast<int>(SendMessage(c.WindowHandle(), c.messages_.count, 0, 0));
}

std::string TListControlItems::Get(int index) const {
  CheckIndex(index);
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) return c.saved_.Get(index);
  return ReadItemText(c.WindowHandle(), c.messages_, index);
}

void TListControlItems::Put(int index, const std::string& text) {
  CheckIndex(index);
  const int selected = control_->HandleAllocated() ? control_->ItemIndex() : control_->saved_index_;
  TObject* object = GetObject(index);
  Delete(index);
  InsertObject(index, text, object);
  if (selected == index) control_->SetItemIndex(index);
}

TObject* TListControlItems::GetObject(int index) const {
  CheckIndex(index);
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) return c.saved_.GetObject(index);
  return reinterpret_cast<TObject*>(SendMessage(c.WindowHandle(), c.messages_.get_item_data, static_cast<WPARAM>(index), 0));
}

void TListControlItems::PutObject(int index, TObject* object) {
  CheckIndex(index);
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) {
    c.saved_.PutObject(index, object);
    return;
  }
  SendMessage(c.WindowHandle(), c.messages_.set_item_data, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(object));
}

void TListControlItems::Insert(int index, const std::string& text) {
  if (index < 0 || index > Count()) Error(SListIndexError, index);
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) {
    if (c.saved_.Sorted()) {
      c.saved_.Add(text);
    } else {
      c.saved_.Insert(index, text);
    }
    return;
  }
  const LRESULT at = SendMessage(c.WindowHandle(), c.messages_.insert, static_cast<WPARAM>(index),
                                 reinterpret_cast<LPARAM>(text.c_str()));
  if (at < 0) throw EOutOfResources("Cannot insert a list item");
}

int TListControlItems::Add(const std::string& text) {
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) return c.saved_.Add(text);
  const LRESULT at = SendMessage(c.WindowHandle(), c.messages_.add, 0, reinterpret_cast<LPARAM>(text.c_str()));
  if (at < 0) throw EOutOfResources("Cannot add a list item");
  return static_cast<int>(at);
}

void TListControlItems::Delete(int index) {
  CheckIndex(index);
  TCustomListControl& c = *control_;
  if (!c.HandleAllocated()) {
    c.saved_.Delete(index);
    if (c.saved_index_ == index) c.saved_index_ = -1;
    else if (c.saved_index_ > index) --c.saved_index_;
    return;
  }
  SendMessage(c.WindowHandle(), c.messages_.remove, static_cast<WPARAM>(index), 0);
}

void TListControlItems::Clear() {
  TCustomListControl& c = *control_;
  c.saved_.Clear();
  c.saved_index_ = -1;
  if (c.HandleAllocated()) SendMessage(c.WindowHandle(), c.messages_.reset, 0, 0);
}

void TListControlItems::SetUpdateState(bool updating) {
  if (control_->HandleAllocated()) {
    SendMessage(control_->WindowHandle(), WM_SETREDRAW, updating ? FALSE : TRUE, 0);
    if (!updating) control_->Invalidate();
  }
}

// ---- TCustomListControl ---------------------------------------------------------------------

TCustomListControl::TCustomListControl(TComponent* owner, const TListMessages& messages)
    : TWinControl(owner), messages_(messages), items_(std::make_unique<TListControlItems>(this)) {
  // Clicks come from the list's selection notifications, not from the mouse.
  control_style_ = {csSetCaption, csDoubleClicks};
  SetTabStop(true);
  SetParentColor(false);
  SetColor(clWindow);
}

TCustomListControl::~TCustomListControl() {
  // The window goes while the saved list that takes its items still exists.
  DestroyHandle();
}

int TCustomListControl::ItemIndex() {
  if (!HandleAllocated()) return saved_index_;
  return static_cast<int>(SendMessage(WindowHandle(), messages_.get_current, 0, 0));
}

void TCustomListControl::SetItemIndex(int index) {
  if (index < -1 || index >= items_->Count()) RaiseRes<EListError>(SListIndexError, {index});
  if (!HandleAllocated()) {
    saved_index_ = index;
    return;
  }
  SendMessage(WindowHandle(), messages_.set_current, static_cast<WPARAM>(index), 0);
}

void TCustomListControl::SetSorted(bool is_sorted) {
  if (is_sorted == is_sorted_) return;
  is_sorted_ = is_sorted;
  if (!HandleAllocated()) {
    saved_.SetSorted(is_sorted);
    return;
  }
  RecreateWnd();
}

void TCustomListControl::CreateWnd() {
  TWinControl::CreateWnd();
  HWND hwnd = WindowHandle();
  for (int i = 0; i < saved_.Count(); ++i) {
    const LRESULT at = SendMessage(hwnd, messages_.add, 0, reinterpret_cast<LPARAM>(saved_.Get(i).c_str()));
    if (at >= 0 && saved_.GetObject(i) != nullptr) {
      SendMessage(hwnd, messages_.set_item_data, static_cast<WPARAM>(at), reinterpret_cast<LPARAM>(saved_.GetObject(i)));
    }
  }
  if (saved_index_ >= 0) SendMessage(hwnd, messages_.set_current, static_cast<WPARAM>(saved_index_), 0);
  saved_.Clear();
  saved_index_ = -1;
}

void TCustomListControl::SaveWindowState() {
  HWND hwnd = WindowHandle();
  saved_.Clear();
  saved_.SetSorted(false);
  const int count = static_cast<int>(SendMessage(hwnd, messages_.count, 0, 0));
  for (int i = 0; i < count; ++i) {
    const std::string text = ReadItemText(hwnd, messages_, i);
    auto* object = reinterpret_cast<TObject*>(SendMessage(hwnd, messages_.get_item_data, static_cast<WPARAM>(i), 0));
    saved_.AddObject(text, object);
  }
  saved_.SetSorted(is_sorted_);
  saved_index_ = static_cast<int>(SendMessage(hwnd, messages_.get_current, 0, 0));
}

// ---- TCustomListBox -------------------------------------------------------------------------

TCustomListBox::TCustomListBox(TComponent* owner) : TCustomListControl(owner, kListBoxMessages) {
  SetBounds(0, 0, 121, 97);
}

DWORD TCustomListBox::SortStyle() const { return LBS_SORT; }

void TCustomListBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "LISTBOX");
  params.Style |= WS_VSCROLL | LBS_NOTIFY | LBS_HASSTRINGS | LBS_NOINTEGRALHEIGHT;
  if (Sorted()) params.Style |= LBS_SORT;
  if (style_ == lbOwnerDrawFixed) params.Style |= LBS_OWNERDRAWFIXED;
  if (style_ == lbOwnerDrawVariable) params.Style |= LBS_OWNERDRAWVARIABLE;
  params.ExStyle |= WS_EX_CLIENTEDGE;
}

void TCustomListBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  if (style_ != lbStandard) SendMessage(WindowHandle(), LB_SETITEMHEIGHT, 0, item_height_);
}

void TCustomListBox::SetStyle(TListBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
}

void TCustomListBox::SetItemHeight(int height) {
  if (height <= 0 || height == item_height_) return;
  item_height_ = height;
  if (HandleAllocated() && style_ != lbStandard) SendMessage(WindowHandle(), LB_SETITEMHEIGHT, 0, height);
}

int TCustomListBox::TopIndex() { return static_cast<int>(SendMessage(Handle(), LB_GETTOPINDEX, 0, 0)); }

void TCustomListBox::SetTopIndex(int index) { SendMessage(Handle(), LB_SETTOPINDEX, static_cast<WPARAM>(index), 0); }

RECT TCustomListBox::ItemRect(int index) {
  RECT rect{};
  if (index < 0 || index >= Items()->Count()) RaiseRes<EListError>(SListIndexError, {index});
  SendMessage(Handle(), LB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect));
  return rect;
}

int TCustomListBox::ItemAtPos(POINT point, bool exists) {
  const int count = Items()->Count();
  for (int i = TopIndex(); i < count; ++i) {
    RECT rect = ItemRect(i);
    if (point.y >= rect.top && point.y < rect.bottom && point.x >= rect.left && point.x < rect.right) return i;
    if (rect.top > point.y) break;
  }
  return exists ? -1 : count;
}

void TCustomListBox::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CN_COMMAND:
      if (HIWORD(msg.WParam) == LBN_SELCHANGE) Click();
      else if (HIWORD(msg.WParam) == LBN_DBLCLK) DblClick();
      return;
    case CN_CTLCOLORLISTBOX:
      msg.Result = ControlColor(reinterpret_cast<HDC>(msg.WParam));
      return;
    default:
      break;
  }
  TCustomListControl::Dispatch(msg);
}

// ---- TCustomComboBox ------------------------------------------------------------------------

TCustomComboBox::TCustomComboBox(TComponent* owner) : TCustomListControl(owner, kComboBoxMessages) {
  SetBounds(0, 0, 145, 24);
}

DWORD TCustomComboBox::SortStyle() const { return CBS_SORT; }

void TCustomComboBox::CreateParams(TCreateParams& params) {
  TWinControl::CreateParams(params);
  CreateSubClass(params, "COMBOBOX");
  params.Style |= WS_VSCROLL | CBS_HASSTRINGS | CBS_AUTOHSCROLL;
  switch (style_) {
    case csDropDown: params.Style |= CBS_DROPDOWN; break;
    case csSimple: params.Style |= CBS_SIMPLE; break;
    case csDropDownList: params.Style |= CBS_DROPDOWNLIST; break;
    case csOwnerDrawFixed: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED; break;
    case csOwnerDrawVariable: params.Style |= CBS_DROPDOWNLIST | CBS_OWNERDRAWVARIABLE; break;
  }
  if (Sorted()) params.Style |= CBS_SORT;
  // The height of the window includes the dropped list.
  params.Height = Height() + item_height_ * std::max(drop_down_count_, 1) + 2;
}

void TCustomComboBox::CreateWnd() {
  TCustomListControl::CreateWnd();
  HWND hwnd = WindowHandle();
  if (max_length_ > 0) SendMessage(hwnd, CB_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
  if (dropped_width_ > 0) SendMessage(hwnd, CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dropped_width_), 0);
  if (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable) {
    SendMessage(hwnd, CB_SETITEMHEIGHT, 0, item_height_);
  }
}

void TCustomComboBox::SetStyle(TComboBoxStyle style) {
  if (style == style_) return;
  style_ = style;
  RecreateWnd();
}

bool TCustomComboBox::DroppedDown() {
  return HandleAllocated() && SendMessage(WindowHandle(), CB_GETDROPPEDSTATE, 0, 0) != 0;
}

void TCustomComboBox::SetDroppedDown(bool is_dropped) {
  SendMessage(Handle(), CB_SHOWDROPDOWN, is_dropped ? TRUE : FALSE, 0);
}

int TCustomComboBox::DroppedWidth() {
  if (!HandleAllocated()) return dropped_width_ > 0 ? dropped_width_ : Width();
  return static_cast<int>(SendMessage(WindowHandle(), CB_GETDROPPEDWIDTH, 0, 0));
}

void TCustomComboBox::SetDroppedWidth(int width) {
  dropped_width_ = std::max(width, 0);
  if (HandleAllocated()) SendMessage(WindowHandle(), CB_SETDROPPEDWIDTH, static_cast<WPARAM>(dropped_width_), 0);
}

void TCustomComboBox::SetItemHeight(int height) {
  if (height <= 0 || height == item_height_) return;
  item_height_ = height;
  if (HandleAllocated() && (style_ == csOwnerDrawFixed || style_ == csOwnerDrawVariable)) {
    SendMessage(WindowHandle(), CB_SETITEMHEIGHT, 0, height);
  }
}

void TCustomComboBox::SetMaxLength(int length) {
  max_length_ = std::max(length, 0);
  if (HandleAllocated()) SendMessage(WindowHandle(), CB_LIMITTEXT, static_cast<WPARAM>(max_length_), 0);
}

void TCustomComboBox::Change() {
  if (OnChange) OnChange(this);
}

void TCustomComboBox::DropDown() {
  if (OnDropDown) OnDropDown(this);
}

void TCustomComboBox::Select() {
  if (OnSelect) {
    OnSelect(this);
  } else {
    Change();
  }
}

void TCustomComboBox::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CN_COMMAND:
      switch (HIWORD(msg.WParam)) {
        case CBN_SELCHANGE: {
          const std::weak_ptr<void> alive = AliveToken();
          const int index = ItemIndex();
          if (index >= 0) SetWindowText(WindowHandle(), Items()->Get(index).c_str());
          Click();
          if (!alive.expired()) Select();
          return;
        }
        case CBN_EDITCHANGE:
          Change();
          return;
        case CBN_DROPDOWN:
          DropDown();
          return;
        case CBN_CLOSEUP:
          if (OnCloseUp) OnCloseUp(this);
          return;
        default:
          return;
      }
    case CN_CTLCOLOREDIT:
    case CN_CTLCOLORLISTBOX:
    case CN_CTLCOLORSTATIC:
      msg.Result = ControlColor(reinterpret_cast<HDC>(msg.WParam));
      return;
    default:
      break;
  }
  TCustomListControl::Dispatch(msg);
}

}  // namespace plat
