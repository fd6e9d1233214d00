// Pop-up menus through the headless harness: a chosen item's OnClick, item
// states reaching the window-system menu, a right-click on a control popping
// up its PopupMenu (or its parent's), and the item tree's index checks.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/extctrls.h"
#include "plat/forms/menus.h"
#include "plat/menu.h"

namespace plat::test {
namespace {

using MenusTest = FormsTest;

TMenuItem* AddItem(TMenuItem* parent, const std::string& caption) {
  auto* item = new TMenuItem(parent->GetParentMenu());
  item->SetCaption(caption);
  parent->Add(item);
  return item;
}

TEST_F(MenusTest, PopupClicksTheChosenItem) {
  auto* form = new TForm(Application);
  auto* menu = new TPopupMenu(form);
  TMenuItem* open = AddItem(menu->Items(), "&Open");
  AddItem(menu->Items(), "-");
  TMenuItem* hidden = AddItem(menu->Items(), "Hidden");
  hidden->SetVisible(false);
  TMenuItem* more = AddItem(menu->Items(), "More");
  TMenuItem* grid = AddItem(more, "&Grid");
  grid->SetAutoCheck(true);
  std::vector<std::string> clicks;
  for (TMenuItem* item : {open, grid}) {
    item->OnClick = [&clicks](TObject* sender) { clicks.push_back(static_cast<TMenuItem*>(sender)->Caption()); };
  }
  int popups = 0;
  menu->OnPopup = [&](TObject*) { ++popups; };
  struct Case {
    const char* name;
    std::string choose;  // the caption of the item to choose; empty dismisses
    std::vector<std::string> clicks;
  };
  const Case cases[] = {
      {"a top-level item", "&Open", {"&Open"}},
      {"an item of a sub-menu, checked by AutoCheck", "&Grid", {"&Grid"}},
      {"dismissed", "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clicks.clear();
    SetModalResponder([&](ModalContext& context) {
      // Ids follow the order of the clickable items: Open 1, Grid 2.
      if (c.choose.empty()) {
        context.Cancel();
      } else {
        context.ChooseMenu(c.choose == "&Open" ? 1 : 2);
      }
    });
    menu->Popup(50, 50);
    EXPECT_EQ(clicks, c.clicks);
  }
  SetModalResponder(nullptr);
  EXPECT_EQ(popups, 3);
  EXPECT_TRUE(grid->Checked());
  // A disabled item is greyed: choosing it does nothing.
  open->SetEnabled(false);
  clicks.clear();
  SetModalResponder([](ModalContext& context) {
    context.ChooseMenu(1);  // refused for a greyed item
    context.Cancel();
  });
  menu->Popup(50, 50);
  SetModalResponder(nullptr);
  EXPECT_TRUE(clicks.empty());
  delete form;
}

TEST_F(MenusTest, RightClickPopsUpTheControlsMenuOrItsParents) {
  auto* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 300, 200);
  auto* panel = new TPanel(form);
  panel->SetBounds(10, 10, 150, 100);
  panel->SetParent(form);
  auto* button = new TSpeedButton(form);  // a graphic control on the panel
  button->SetBounds(10, 10, 40, 20);
  button->SetParent(panel);
  auto* panel_menu = new TPopupMenu(form);
  auto* button_menu = new TPopupMenu(form);
  std::string clicked;
  for (TPopupMenu* menu : {panel_menu, button_menu}) {
    TMenuItem* item = AddItem(menu->Items(), menu == panel_menu ? "panel" : "button");
    item->OnClick = [&clicked, item](TObject*) { clicked = item->Caption(); };
  }
  panel->SetPopupMenu(panel_menu);
  form->Show();
  SetModalResponder([](ModalContext& context) { context.ChooseMenu(1); });
  struct Case {
    const char* name;
    TPopupMenu* button_menu;
    POINT at;  // on the panel
    const char* clicked;
    TControl* component;
  };
  const Case cases[] = {
      {"the panel's own", nullptr, {100, 50}, "panel", panel},
      {"a graphic child without a menu: its parent's", nullptr, {20, 15}, "panel", panel},
      {"a graphic child with a menu: its own", button_menu, {20, 15}, "button", button},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    clicked.clear();
    button->SetPopupMenu(c.button_menu);
    Click(panel->Handle(), c.at, backend::MouseButton::kRight);
    Pump();
    EXPECT_EQ(clicked, c.clicked);
    EXPECT_EQ((c.button_menu != nullptr ? button_menu : panel_menu)->PopupComponent(), c.component);
  }
  // AutoPopup off: the right-click shows nothing.
  button->SetPopupMenu(nullptr);
  panel_menu->SetAutoPopup(false);
  clicked.clear();
  ClearJournal();
  Click(panel->Handle(), POINT{100, 50}, backend::MouseButton::kRight);
  Pump();
  EXPECT_TRUE(clicked.empty());
  // A freed menu is forgotten by the control that showed it.
  delete panel_menu;
  EXPECT_EQ(panel->PopupMenu(), nullptr);
  SetModalResponder(nullptr);
  delete form;
}

TEST_F(MenusTest, ItemIndexesAreChecked) {
  TPopupMenu menu(nullptr);
  TMenuItem* root = menu.Items();
  TMenuItem* a = AddItem(root, "a");
  TMenuItem* b = AddItem(root, "b");
  EXPECT_EQ(root->Find("A"), nullptr);
  EXPECT_EQ(root->Find("&a"), a);
  for (int index : {-1, 2, 3}) {
    SCOPED_TRACE(index);
    EXPECT_THROW(root->Items(index), EListError);
    EXPECT_THROW(root->Delete(index), EListError);
    EXPECT_EQ(root->Count(), 2);
  }
  auto* c = new TMenuItem(nullptr);
  EXPECT_THROW(root->Insert(3, c), EListError);
  EXPECT_EQ(c->Parent(), nullptr);
  // An item cannot hold itself or a parent of its own.
  a->Add(c);
  EXPECT_THROW(c->Add(a), EInvalidOperation);
  EXPECT_THROW(c->Add(c), EInvalidOperation);
  EXPECT_EQ(a->Parent(), root);
  // Moving within a parent, and to another parent.
  root->Insert(0, b);
  EXPECT_EQ(root->Items(0), b);
  EXPECT_EQ(root->Items(1), a);
  b->Add(c);
  EXPECT_EQ(a->Count(), 0);
  EXPECT_EQ(c->GetParentMenu(), &menu);
  // Radio items of one group check one at a time.
  for (TMenuItem* item : {a, b}) {
    item->SetRadioItem(true);
    item->SetGroupIndex(1);
  }
  a->SetChecked(true);
  b->SetChecked(true);
  EXPECT_FALSE(a->Checked());
  // Freeing an item takes it and its own items out of the tree.
  delete b;
  EXPECT_EQ(root->Count(), 1);
}

}  // namespace
}  // namespace plat::test
