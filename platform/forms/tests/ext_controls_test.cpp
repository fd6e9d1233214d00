// Speed button groups through CM_BUTTONPRESSED, TTimer on the virtual clock,
// a panel's bevels narrowing its aligned children, and a speed button's
// accelerator.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/extctrls.h"

namespace plat::test {
namespace {

using ExtControlsTest = FormsTest;

TEST_F(ExtControlsTest, SpeedButtonsOfOneGroupAreExclusive) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  auto* panel = new TPanel(form);
  panel->SetBounds(10, 10, 200, 60);
  panel->SetParent(form);
  TSpeedButton* buttons[3];
  for (int i = 0; i < 3; ++i) {
    buttons[i] = new TSpeedButton(form);
    buttons[i]->SetBounds(10 + 30 * i, 10, 25, 25);
    buttons[i]->SetGroupIndex(i < 2 ? 1 : 2);  // the third is in a group of its own
    buttons[i]->SetParent(panel);
  }
  form->Show();
  auto downs = [&] {
    std::string text;
    for (TSpeedButton* b : buttons) text += b->Down() ? '1' : '0';
    return text;
  };
  int clicks = 0;
  buttons[1]->OnClick = [&](TObject*) { ++clicks; };
  struct Step {
    const char* name;
    int button;
    const char* expected;
  };
  const Step steps[] = {
      {"press the first", 0, "100"},
      {"press the second: the first comes up", 1, "010"},
      {"press the second again: it stays down without AllowAllUp", 1, "010"},
      {"the other group is left alone", 2, "011"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    Click(panel->Handle(), POINT{buttons[step.button]->Left() + 5, buttons[step.button]->Top() + 5});
    EXPECT_EQ(downs(), step.expected);
  }
  EXPECT_EQ(clicks, 2);
  // AllowAllUp travels to the whole group with the press.
  buttons[0]->SetAllowAllUp(true);
  buttons[0]->SetDown(true);
  EXPECT_EQ(downs(), "101");
  EXPECT_TRUE(buttons[1]->AllowAllUp());
  buttons[0]->SetDown(false);
  EXPECT_EQ(downs(), "001");
  // Without a group a button never stays down.
  auto* plain = new TSpeedButton(form);
  plain->SetParent(panel);
  plain->SetDown(true);
  EXPECT_FALSE(plain->Down());
  delete form;
}

TEST_F(ExtControlsTest, SpeedButtonAcceleratorClicks) {
  auto* form = new TForm(Application);
  auto* button = new TSpeedButton(form);
  button->SetCaption("&Xmit");
  button->SetParent(form);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  form->Show();
  EXPECT_EQ(GetAccelChar("&Xmit"), U'X');
  EXPECT_EQ(GetAccelChar("a&&b"), 0u);
  EXPECT_NE(form->Perform(WM_SYSCHAR, 'x', 0), -1);
  EXPECT_EQ(clicks, 1);
  form->Perform(WM_SYSCHAR, 'y', 0);
  EXPECT_EQ(clicks, 1);
  delete form;
}

TEST_F(ExtControlsTest, TimerFiresOnTheProcessClockUntilDisabled) {
  auto* timer = new TTimer(Application);
  timer->SetInterval(100);
  int ticks = 0;
  timer->OnTimer = [&](TObject*) { ++ticks; };  // assigned after the timer started
  AdvanceTime(250);
  EXPECT_EQ(ticks, 2);
  timer->SetEnabled(false);
  AdvanceTime(300);
  EXPECT_EQ(ticks, 2);
  timer->SetEnabled(true);
  AdvanceTime(100);
  EXPECT_EQ(ticks, 3);
  // An exception of OnTimer goes to the application; the timer keeps running.
  std::vector<std::string> caught;
  Application->OnException = [&](TObject*, const std::exception& e) { caught.push_back(e.what()); };
  timer->OnTimer = [&](TObject*) {
    ++ticks;
    throw EInvalidOperation("tick failed");
  };
  AdvanceTime(200);
  EXPECT_EQ(ticks, 5);
  EXPECT_EQ(caught.size(), 2u);
  delete timer;
  AdvanceTime(200);
  EXPECT_EQ(ticks, 5);
  Application->OnException = nullptr;
}

TEST_F(ExtControlsTest, PanelBevelsNarrowItsAlignedChildren) {
  auto* form = new TForm(Application);
  auto* panel = new TPanel(form);
  panel->SetBounds(0, 0, 200, 100);
  panel->SetBevelInner(bvLowered);
  panel->SetBevelWidth(2);
  panel->SetBorderWidth(3);
  panel->SetParent(form);
  auto* child = new TPanel(form);
  child->SetAlign(alClient);
  child->SetParent(panel);
  form->Show();
  // outer bevel 2 + border 3 + inner bevel 2 on each side
  EXPECT_EQ(child->Left(), 7);
  EXPECT_EQ(child->Top(), 7);
  EXPECT_EQ(child->Width(), 186);
  EXPECT_EQ(child->Height(), 86);
  delete form;
}

}  // namespace
}  // namespace plat::test
