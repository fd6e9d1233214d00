// TMenuItem trees, shortcuts, and TPopupMenu and TMainMenu over the window
// system's pop-up menus and menu bars.
#include "plat/forms/menus.h"

#include <algorithm>
#include <cctype>
#include <functional>
#include <set>

#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
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

// Menu-bar command ids in use. They start above the dialog ids (IDOK,
// IDCANCEL, ...) and stay below the ids forms give their buttons.
constexpr WORD kFirstCommand = 0x0100;
constexpr WORD kLastCommand = 0x7FFF;

std::set<WORD>& UsedCommands() {
  static auto* used = new std::set<WORD>;
  return *used;
}

WORD TakeCommand() {
  static WORD next = kFirstCommand;
  std::set<WORD>& used = UsedCommands();
  for (int tries = 0; tries <= kLastCommand - kFirstCommand; ++tries) {
    const WORD candidate = next;
    next = next == kLastCommand ? kFirstCommand : static_cast<WORD>(next + 1);
    if (used.insert(candidate).second) return candidate;
  }
  return 0;  // every id is taken: the item cannot be chosen from a menu bar
}

// Key names of shortcut texts (letters, digits and F-keys are built).
struct KeyName {
  WORD key;
  const char* name;
};
constexpr KeyName kKeyNames[] = {
    {VK_BACK, "BkSp"},  {VK_TAB, "Tab"},   {VK_ESCAPE, "Esc"},  {VK_RETURN, "Enter"}, {VK_SPACE, "Space"},
    {VK_PRIOR, "PgUp"}, {VK_NEXT, "PgDn"}, {VK_END, "End"},     {VK_HOME, "Home"},    {VK_LEFT, "Left"},
    {VK_UP, "Up"},      {VK_RIGHT, "Right"}, {VK_DOWN, "Down"}, {VK_INSERT, "Ins"},   {VK_DELETE, "Del"},
};
constexpr struct {
  TShortCut flag;
  const char* name;
} kModifierNames[] = {{scShift, "Shift+"}, {scCtrl, "Ctrl+"}, {scAlt, "Alt+"}};

std::string KeyToText(WORD key) {
  if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return std::string(1, static_cast<char>(key));
  if (key >= VK_F1 && key <= VK_F1 + 23) return "F" + std::to_string(key - VK_F1 + 1);
  for (const KeyName& entry : kKeyNames) {
    if (entry.key == key) return entry.name;
  }
  return {};
}

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

WORD TextToKey(const std::string& text) {
  if (text.size() == 1) {
    const auto c = static_cast<char>(std::toupper(static_cast<unsigned char>(text[0])));
    if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z')) return static_cast<WORD>(c);
  }
  for (WORD key = VK_F1; key <= VK_F1 + 23; ++key) {
    if (SameText(text, KeyToText(key))) return key;
  }
  for (const KeyName& entry : kKeyNames) {
    if (SameText(text, entry.name)) return entry.key;
  }
  return 0;
}

}  // namespace

TShortCut ShortCut(WORD key, TShiftState shift) {
  if ((key & 0xFF00) != 0) return scNone;
  TShortCut result = key;
  if (shift.Contains(ssShift)) result |= scShift;
  if (shift.Contains(ssCtrl)) result |= scCtrl;
  if (shift.Contains(ssAlt)) result |= scAlt;
  return result;
}

void ShortCutToKey(TShortCut short_cut, WORD& key, TShiftState& shift) {
  key = short_cut & 0xFF;
  shift = {};
  if ((short_cut & scShift) != 0) shift.Include(ssShift);
  if ((short_cut & scCtrl) != 0) shift.Include(ssCtrl);
  if ((short_cut & scAlt) != 0) shift.Include(ssAlt);
}

std::string ShortCutToText(TShortCut short_cut) {
  const std::string key = KeyToText(short_cut & 0xFF);
  if (key.empty()) return {};
  std::string text;
  for (const auto& modifier : kModifierNames) {
    if ((short_cut & modifier.flag) != 0) text += modifier.name;
  }
  return text + key;
}

TShortCut TextToShortCut(const std::string& text) {
  TShortCut modifiers = 0;
  size_t at = 0;
  for (bool found = true; found;) {
    found = false;
    for (const auto& modifier : kModifierNames) {
      const std::string name = modifier.name;
      if (text.size() - at > name.size() && SameText(text.substr(at, name.size()), name)) {
        modifiers |= modifier.flag;
        at += name.size();
        found = true;
      }
    }
  }
  const WORD key = TextToKey(text.substr(at));
  return key == 0 ? scNone : static_cast<TShortCut>(key | modifiers);
}

// ---- TMenuItem ------------------------------------------------------------------------------

TMenuItem::TMenuItem(TComponent* owner) : TComponent(owner), command_(TakeCommand()) {}

TMenuItem::~TMenuItem() {
  Detach();
  Clear();
  if (command_ != 0) UsedCommands().erase(command_);
}

void TMenuItem::Changed() {
  if (TMenu* menu = GetParentMenu(); menu != nullptr) menu->MenuChanged();
}

void TMenuItem::SetCaption(const std::string& caption) {
  if (caption == caption_) return;
  caption_ = caption;
  Changed();
}

void TMenuItem::SetEnabled(bool is_enabled) {
  if (is_enabled == is_enabled_) return;
  is_enabled_ = is_enabled;
  Changed();
}

void TMenuItem::SetVisible(bool is_visible) {
  if (is_visible == is_visible_) return;
  is_visible_ = is_visible;
  Changed();
}

void TMenuItem::SetDefault(bool is_default) {
  if (is_default == is_default_) return;
  is_default_ = is_default;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut short_cut) {
  if (short_cut == short_cut_) return;
  short_cut_ = short_cut;
  Changed();
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
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  const int index = IndexOf(item);
  if (index < 0) return;
  items_.erase(items_.begin() + index);
  item->parent_ = nullptr;
  Changed();
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
  if (!is_checked || !is_radio_item_ || parent_ == nullptr) {
    Changed();
    return;
  }
  for (TMenuItem* sibling : parent_->items_) {
    if (sibling != this && sibling->is_radio_item_ && sibling->group_index_ == group_index_) {
      sibling->is_checked_ = false;
    }
  }
  Changed();
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

TMenu::~TMenu() {
  // The items go after this menu's own part: they no longer tell it of changes.
  items_->menu_ = nullptr;
}

TMenuItem* TMenu::FindItem(UINT command) const {
  if (command == 0) return nullptr;
  std::vector<const TMenuItem*> pending{items_.get()};
  while (!pending.empty()) {
    const TMenuItem* item = pending.back();
    pending.pop_back();
    for (TMenuItem* child : item->items_) {
      if (child->command_ == command) return child;
      pending.push_back(child);
    }
  }
  return nullptr;
}

bool TMenu::DispatchCommand(UINT command) {
  TMenuItem* item = FindItem(command);
  if (item == nullptr || !item->Enabled()) return false;
  item->Click();
  return true;
}

bool TMenu::IsShortCut(const TMessage& msg) {
  if (msg.Msg != WM_KEYDOWN && msg.Msg != WM_SYSKEYDOWN) return false;
  const TShortCut wanted = ShortCut(static_cast<WORD>(msg.WParam), KeyboardStateToShiftState());
  if (wanted == scNone) return false;
  // The first match in menu order; hidden or disabled branches are skipped.
  std::function<TMenuItem*(const TMenuItem*)> find = [&](const TMenuItem* item) -> TMenuItem* {
    for (TMenuItem* child : item->items_) {
      if (!child->Visible() || !child->Enabled()) continue;
      if (child->Count() == 0 && child->short_cut_ == wanted) return child;
      if (TMenuItem* found = find(child); found != nullptr) return found;
    }
    return nullptr;
  };
  TMenuItem* item = find(items_.get());
  if (item == nullptr) return false;
  item->Click();
  return true;
}

HMENU TMenu::BuildMenu(const TMenuItem* item, std::vector<TMenuItem*>* commands) {
  HMENU menu = CreatePopupMenu();
  FillMenu(menu, item, commands);
  return menu;
}

void TMenu::FillMenu(HMENU menu, const TMenuItem* item, std::vector<TMenuItem*>* commands) {
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
    std::string text = child->Caption();
    if (child->ShortCut() != scNone && child->Count() == 0) text += "\t" + ShortCutToText(child->ShortCut());
    if (child->Count() > 0) {
      HMENU sub = BuildMenu(child, commands);
      AppendMenu(menu, flags | MF_POPUP, reinterpret_cast<UINT_PTR>(sub), text.c_str());
    } else if (commands != nullptr) {
      commands->push_back(child);
      AppendMenu(menu, flags, commands->size(), text.c_str());
    } else {
      AppendMenu(menu, flags, child->Command(), text.c_str());
    }
  }
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
  HMENU menu = BuildMenu(Items(), &commands);
  // Items freed while the menu is up (a timer's handler) are not clicked.
  std::vector<std::weak_ptr<void>> tokens;
  tokens.reserve(commands.size());
  for (const TMenuItem* item : commands) tokens.push_back(item->AliveToken());
  const auto chosen = static_cast<size_t>(TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, nullptr, nullptr));
  DestroyMenu(menu);
  if (chosen == 0 || chosen > commands.size() || tokens[chosen - 1].expired()) return;
  commands[chosen - 1]->Click();
}

// ---- TMainMenu ------------------------------------------------------------------------------

TMainMenu::TMainMenu(TComponent* owner) : TMenu(owner) {}

TMainMenu::~TMainMenu() {
  if (form_ != nullptr) form_->MenuGone(this);
  if (handle_ != nullptr) DestroyMenu(handle_);
}

HMENU TMainMenu::Handle() {
  if (handle_ == nullptr) {
    handle_ = CreateMenu();
    FillMenu(handle_, Items(), nullptr);
  }
  return handle_;
}

void TMainMenu::Notification(TComponent* component, TOperation operation) {
  TMenu::Notification(component, operation);
  // The form goes first (its window took the bar along).
  if (operation == opRemove && component == form_) form_ = nullptr;
}

void TMainMenu::MenuChanged() {
  if (handle_ == nullptr || ComponentState().Contains(csDestroying)) return;
  if (is_in_menu_loop_) {
    // The open menu is one of the bar's: it is rebuilt once the loop ends.
    is_rebuild_pending_ = true;
    return;
  }
  Rebuild();
}

void TMainMenu::Rebuild() {
  is_rebuild_pending_ = false;
  HMENU old = handle_;
  handle_ = nullptr;
  Handle();
  if (form_ != nullptr) form_->Perform(CM_MENUCHANGED, 0, 0);
  if (old != nullptr) DestroyMenu(old);
}

}  // namespace plat
