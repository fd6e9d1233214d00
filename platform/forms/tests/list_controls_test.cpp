// TListBox and TComboBox: indexes outside the list raise and change nothing,
// with and without a window; the items survive a new window of the control
// and of its parent.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/listctrls.h"

namespace plat::test {
namespace {

using ListControlsTest = FormsTest;

std::vector<std::string> Lines(TStrings* items) {
  std::vector<std::string> lines;
  for (int i = 0; i < items->Count(); ++i) lines.push_back(items->Get(i));
  return lines;
}

template <class T>
void CheckBadIndexes(T* control) {
  const std::vector<std::string> before = Lines(control->Items());
  const int selected = control->ItemIndex();
  const int count = control->Items()->Count();
  struct Operation {
    const char* name;
    std::function<void(int)> run;
    bool raises_list_error;  // EListError rather than EStringListError
  };
  const Operation operations[] = {
      {"Get", [&](int i) { control->Items()->Get(i); }, false},
      {"Put", [&](int i) { control->Items()->Put(i, "x"); }, false},
      {"Delete", [&](int i) { control->Items()->Delete(i); }, false},
      {"GetObject", [&](int i) { control->Items()->GetObject(i); }, false},
      {"PutObject", [&](int i) { control->Items()->PutObject(i, nullptr); }, false},
      {"SetItemIndex", [&](int i) { control->SetItemIndex(i); }, true},
  };
  for (const Operation& op : operations) {
    for (int index : {-1, count, count + 1, -2}) {
      if (op.raises_list_error && index == -1) continue;  // -1 clears the selection
      SCOPED_TRACE(std::string(op.name) + " " + std::to_string(index));
      try {
        op.run(index);
        ADD_FAILURE() << "no exception";
      } catch (const EListError& e) {
        EXPECT_TRUE(op.raises_list_error);
        EXPECT_NE(std::string(e.what()).find(std::to_string(index)), std::string::npos) << e.what();
      } catch (const EStringListError& e) {
        EXPECT_FALSE(op.raises_list_error);
        EXPECT_NE(std::string(e.what()).find(std::to_string(index)), std::string::npos) << e.what();
      }
      EXPECT_EQ(Lines(control->Items()), before);
      EXPECT_EQ(control->ItemIndex(), selected);
    }
  }
  // Inserting at Count appends; beyond it raises.
  EXPECT_THROW(control->Items()->Insert(count + 1, "late"), EStringListError);
  EXPECT_EQ(Lines(control->Items()), before);
}

TEST_F(ListControlsTest, IndexesOutsideTheListRaiseAndChangeNothing) {
  auto* form = new TForm(Application);
  auto* list = new TListBox(form);
  auto* combo = new TComboBox(form);
  for (TCustomListControl* control : {static_cast<TCustomListControl*>(list), static_cast<TCustomListControl*>(combo)}) {
    control->Items()->Add("one");
    control->Items()->Add("two");
    control->Items()->Add("three");
    control->SetItemIndex(1);
  }
  {
    SCOPED_TRACE("without a window");
    CheckBadIndexes(list);
    CheckBadIndexes(combo);
  }
  list->SetParent(form);
  combo->SetParent(form);
  form->Show();
  ASSERT_TRUE(list->HandleAllocated());
  {
    SCOPED_TRACE("with a window");
    EXPECT_EQ(Lines(list->Items()), (std::vector<std::string>{"one", "two", "three"}));
    EXPECT_EQ(combo->ItemIndex(), 1);
    CheckBadIndexes(list);
    CheckBadIndexes(combo);
  }
  delete form;
}

TEST_F(ListControlsTest, ItemsSurviveNewWindows) {
  auto* form = new TForm(Application);
  auto* combo = new TComboBox(form);
  combo->SetParent(form);
  form->Show();
  TObject tag;
  combo->Items()->AddObject("b", &tag);
  combo->Items()->Add("a");
  combo->SetItemIndex(0);
  combo->SetSorted(true);  // a new window of the control
  EXPECT_EQ(Lines(combo->Items()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(combo->Items()->GetObject(1), &tag);
  form->SetBorderStyle(bsDialog);  // a new window of the parent takes the child's along
  ASSERT_TRUE(combo->HandleAllocated());
  EXPECT_EQ(Lines(combo->Items()), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(combo->Items()->GetObject(1), &tag);
  delete form;
}

TEST_F(ListControlsTest, SelectingAnItemFiresTheEvents) {
  auto* form = new TForm(Application);
  auto* list = new TListBox(form);
  list->SetParent(form);
  list->SetBounds(10, 10, 100, 80);
  for (const char* line : {"red", "green", "blue"}) list->Items()->Add(line);
  int clicks = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  const RECT second = list->ItemRect(1);
  Click(list->Handle(), POINT{5, (second.top + second.bottom) / 2});
  EXPECT_EQ(list->ItemIndex(), 1) << second.top << " " << second.bottom;
  EXPECT_EQ(clicks, 1);
  delete form;
}

}  // namespace
}  // namespace plat::test
