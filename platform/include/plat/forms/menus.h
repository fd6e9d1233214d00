// Menus of the class library: TMenuItem (a tree of captions with check
// marks, enabled and visible states, shortcuts and OnClick), TPopupMenu,
// which shows its items through the window system's pop-up menu, and
// TMainMenu, a form's menu bar. A pop-up menu is built from the items each
// time it pops up; a menu bar is rebuilt whenever an item changes (after
// the menu loop when the user has it open), so both show what the items hold.
#ifndef PLAT_FORMS_MENUS_H_
#define PLAT_FORMS_MENUS_H_

#include <memory>
#include <string>
#include <vector>

#include "plat/forms/component.h"
#include "plat/forms/controls.h"
#include "plat/types.h"

namespace plat {

// A key with its modifiers: the virtual key in the low byte.
using TShortCut = uint16_t;
constexpr TShortCut scNone = 0;
constexpr TShortCut scShift = 0x2000;
constexpr TShortCut scCtrl = 0x4000;
constexpr TShortCut scAlt = 0x8000;

TShortCut ShortCut(WORD key, TShiftState shift);
void ShortCutToKey(TShortCut short_cut, WORD& key, TShiftState& shift);
// "Ctrl+Shift+S", "F5", "Del", ...; the empty text for scNone.
std::string ShortCutToText(TShortCut short_cut);
// The reverse, modifiers and key names in any case; scNone for a text that
// names no key.
TShortCut TextToShortCut(const std::string& text);

class TMenu;

class TMenuItem : public TComponent {
 public:
  explicit TMenuItem(TComponent* owner);
  // Leaves its parent item and frees its own items.
  ~TMenuItem() override;

  // "-" makes a separator; "&X" underlines X.
  const std::string& Caption() const { return caption_; }
  void SetCaption(const std::string& caption);
  bool IsLine() const { return caption_ == "-"; }
  bool Checked() const { return is_checked_; }
  // Checking an item with RadioItem set unchecks the radio items of its
  // group index among its siblings.
  void SetChecked(bool is_checked);
  bool RadioItem() const { return is_radio_item_; }
  void SetRadioItem(bool is_radio_item) { is_radio_item_ = is_radio_item; }
  int GroupIndex() const { return group_index_; }
  void SetGroupIndex(int index) { group_index_ = index; }
  bool Enabled() const { return is_enabled_; }
  void SetEnabled(bool is_enabled);
  bool Visible() const { return is_visible_; }
  void SetVisible(bool is_visible);
  bool Default() const { return is_default_; }
  void SetDefault(bool is_default);
  bool AutoCheck() const { return is_auto_check_; }
  void SetAutoCheck(bool is_auto_check) { is_auto_check_ = is_auto_check; }
  const std::string& Hint() const { return hint_; }
  void SetHint(const std::string& hint) { hint_ = hint; }
  // The key that clicks the item while its form (or the control whose
  // pop-up menu holds it) has the focus.
  TShortCut ShortCut() const { return short_cut_; }
  void SetShortCut(TShortCut short_cut);
  // The item's id in its menu bar's WM_COMMAND, unique in the process.
  WORD Command() const { return command_; }

  // The sub-items. Items(i) and Delete(i) raise EListError outside
  // 0..Count()-1 and change nothing.
  int Count() const { return static_cast<int>(items_.size()); }
  TMenuItem* Items(int index) const;
  int IndexOf(const TMenuItem* item) const;
  // Appends / inserts `item`, taking it from its former parent; an item
  // cannot hold itself or one of its own parents (EInvalidOperation).
  void Add(TMenuItem* item) { Insert(Count(), item); }
  void Insert(int index, TMenuItem* item);
  // Takes the item out without freeing it.
  void Remove(TMenuItem* item);
  // Frees the item at `index`.
  void Delete(int index);
  // Frees every sub-item.
  void Clear();
  // The sub-item with that caption ("&" ignored), null when none.
  TMenuItem* Find(const std::string& caption) const;
  TMenuItem* Parent() const { return parent_; }
  // The menu whose tree holds this item; null when none.
  TMenu* GetParentMenu() const;

  // AutoCheck toggles Checked, then OnClick fires.
  virtual void Click();

  TNotifyEvent OnClick;
  std::weak_ptr<void> AliveToken() const { return alive_; }

 private:
  friend class TMenu;
  void Detach();
  // Tells the menu holding the item that what it shows has changed.
  void Changed();
  std::string caption_;
  TShortCut short_cut_ = scNone;
  WORD command_ = 0;
  bool is_checked_ = false;
  bool is_radio_item_ = false;
  int group_index_ = 0;
  bool is_enabled_ = true;
  bool is_visible_ = true;
  bool is_default_ = false;
  bool is_auto_check_ = false;
  std::string hint_;
  TMenuItem* parent_ = nullptr;
  TMenu* menu_ = nullptr;  // set on a menu's root item only
  std::vector<TMenuItem*> items_;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

class TMenu : public TComponent {
 public:
  explicit TMenu(TComponent* owner);
  ~TMenu() override;
  // The root item; its sub-items are the menu's items.
  TMenuItem* Items() const { return items_.get(); }
  // The item of a menu-bar command id; null when none.
  TMenuItem* FindItem(UINT command) const;
  // Clicks the item of `command`; false when no enabled item has it.
  bool DispatchCommand(UINT command);
  // A WM_KEYDOWN (or WM_SYSKEYDOWN) that is the shortcut of a visible,
  // enabled item (under visible, enabled parents) clicks that item: true.
  bool IsShortCut(const TMessage& msg);

 protected:
  friend class TMenuItem;
  // An item of the tree changed.
  virtual void MenuChanged() {}
  // Builds a window-system pop-up menu of `item`'s visible sub-items;
  // `commands` gets the item of each command id (id - 1 is the index), or
  // with null each item's Command is its id.
  static HMENU BuildMenu(const TMenuItem* item, std::vector<TMenuItem*>* commands);
  static void FillMenu(HMENU menu, const TMenuItem* item, std::vector<TMenuItem*>* commands);

 private:
  std::unique_ptr<TMenuItem> items_;
};

class TControl;

class TPopupMenu : public TMenu {
 public:
  explicit TPopupMenu(TComponent* owner);
  // Shows the menu at screen (x, y) and waits until an item is chosen (its
  // Click runs before Popup returns) or the menu is dismissed.
  virtual void Popup(int x, int y);
  // The control whose right-click popped the menu up last.
  TComponent* PopupComponent() const { return popup_component_; }
  void SetPopupComponent(TComponent* component);
  // Whether a right-click on a control with this menu pops it up.
  bool AutoPopup() const { return is_auto_popup_; }
  void SetAutoPopup(bool is_auto_popup) { is_auto_popup_ = is_auto_popup; }

  // Before the menu shows: the handler may change the items.
  TNotifyEvent OnPopup;

 protected:
  void Notification(TComponent* component, TOperation operation) override;

 private:
  TComponent* popup_component_ = nullptr;
  bool is_auto_popup_ = true;
};

class TCustomForm;

// A form's menu bar (TCustomForm::SetMenu). Its window-system menu uses
// each item's Command as the id, so a WM_COMMAND still finds its item after
// a rebuild, and never an item that was freed.
class TMainMenu : public TMenu {
 public:
  explicit TMainMenu(TComponent* owner);
  ~TMainMenu() override;
  // The menu bar, made on first use.
  HMENU Handle();
  bool HandleAllocated() const { return handle_ != nullptr; }

 protected:
  void MenuChanged() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  friend class TCustomForm;
  void Rebuild();
  // The form whose window shows the bar; the form sets and clears it.
  TCustomForm* form_ = nullptr;
  HMENU handle_ = nullptr;
  bool is_in_menu_loop_ = false;
  bool is_rebuild_pending_ = false;
};

}  // namespace plat

#endif  // PLAT_FORMS_MENUS_H_
