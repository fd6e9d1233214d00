// TMenuItem trees and TPopupMenu over the window system's pop-up menus.
#include "plat/forms/menus.h"

#include <algorithm>

#include "plat/forms/exceptions.h"
#include "plat/menu.h"

namespace plat {

namespace {

// The caption without its accelerator marks ("&&" stays one "&").
std::string StripAccel(const std::string& caption) {
  std::string text;
  for (size_t i = 0; i < caption.size(); ++i) {
    if (caption[i] == '&' && ++i == caption.size()) break;  // a lone "&" marks the next character
    text += caption[i];
  }
  return text;
}

}  // namespace

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner) {}

TMenuItem::~TMenuItem() {
  Detach();
  Clear();
}

void TMenuItem::Detach() {
  if (parent_ != nullptr) parent_->Remove(this);
}

TMenuItem* TMenuItem::Items(int index) const {
  if (index < 0 || index >= Count()) RaiseRes<EListError>(SListIndexError, {index});
  return items_[static_cast<size_t>(index)];
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
  const auto found = std::find(items_.begin(), items_.end(), item);
  return found == items_.end() ? -1 : static_cast<int>(found - items_.begin());
}

void TMenuItem::Insert(int index, TMenuItem* item) {
  if (item == nullptr) RaiseRes<EInvalidOperation>(SInvalidPropertyValue);
  for (const TMenuItem* up = this; up != nullptr; up = up->parent_) {
    if (up == item) RaiseRes<EInvalidOperation>(SInvalidPropertyValue);
  }
  if (item->parent_ == this && index > IndexOf(item)) --index;  // the count drops by one first
  if (index < 0 || index > Count() - (item->parent_ == this ? 1 : 0)) {
    RaiseRes<EListError>(SListIndexError, {index});
  }
  item->Detach();
  items_.insert(items_.begin() + index, item);
  item->parent_ = this;
}

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index < 0) return;
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
}

void TMenuItem::Delete(int index) { delete Items(index); }

void TMenuItem::Clear() {
  while (!items_.empty()) delete items_.back();
}

TMenuItem* TMenuItem::Find(const std::string& caption) const {
  const std::string wanted = StripAccel(caption);
  for (TMenuItem* item : items_) {
    if (StripAccel(item->caption_) == wanted) return item;
  }
  return nullptr;
}

TMenu* TMenuItem::GetParentMenu() const {
  const TMenuItem* root = this;
  while (root->parent_ != nullptr) root = root->parent_;
  return root->menu_;
}

void TMenuItem::SetChecked(bool is_checked) {
  is_checked_ = is_checked;
  if (!is_checked || !is_radio_item_ || parent_ == nullptr) return;
  for (TMenuItem* sibling : parent_->items_) {
    if (sibling != this && sibling->is_radio_item_ && sibling->group_index_ == group_index_) {
      sibling->is_checked_ = false;
    }
  }
}

void TMenuItem::Click() {
  if (!is_enabled_) return;
  if (is_auto_check_) SetChecked(!is_checked_);
  if (OnClick) OnClick(this);
}

// ---- TMenu ----------------------------------------------------------------------------------

TMenu::TMenu(TComponent* owner) : TComponent(owner), items_(std::make_unique<TMenuItem>(nullptr)) {
  items_->menu_ = this;
}

TMenu::~TMenu() = default;

HMENU TMenu::BuildMenu(const TMenuItem* item, std::vector<TMenuItem*>& commands) {
  HMENU menu = CreatePopupMenu();
  for (TMenuItem* child : item->items_) {
    if (!child->Visible()) continue;
    if (child->IsLine()) {
      AppendMenu(menu, MF_SEPARATOR, 0, nullptr);
      continue;
    }
    UINT flags = MF_STRING;
    if (!child->Enabled()) flags |= MF_GRAYED;
    if (child->Checked()) flags |= MF_CHECKED;
    if (child->Default()) flags |= MF_DEFAULT;
    if (child->Count() > 0) {
      HMENU sub = BuildMenu(child, commands);
      AppendMenu(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), child->Caption().c_str());
    } else {
      commands.push_back(child);
      AppendMenu(menu, flags, commands.size(), child->Caption().c_str());
    }
  }
  return menu;
}

// ---- TPopupMenu -----------------------------------------------------------------------------

TPopupMenu::TPopupMenu(TComponent* owner) : TMenu(owner) {}

void TPopupMenu::SetPopupComponent(TComponent* component) {
  if (component == popup_component_) return;
  if (popup_component_ != nullptr) RemoveFreeNotification(popup_component_);
  popup_component_ = component;
  if (component != nullptr) FreeNotification(component);
}

void TPopupMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  if (operation == opRemove && component == popup_component_) popup_component_ = nullptr;
}

void TPopupMenu::Popup(int x, int y) {
  const std::weak_ptr<void> alive = Items()->AliveToken();
  if (OnPopup) {
    OnPopup(this);
    if (alive.expired()) return;
  }
  std::vector<TMenuItem*> commands;
  HMENU menu = BuildMenu(Items(), commands);
  // Items freed while the menu is up (a timer's handler) are not clicked.
  std::vector<std::weak_ptr<void>> tokens;
  tokens.reserve(commands.size());
  for (const TMenuItem* item : commands) tokens.push_back(item->AliveToken());
  const auto chosen = static_cast<size_t>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, nullptr, nullptr));
  DestroyMenu(menu);
  if (chosen == 0 || chosen > commands.size() || tokens[chosen - 1].expired()) return;
  commands[chosen - 1]->Click();
}

}  // namespace plat
