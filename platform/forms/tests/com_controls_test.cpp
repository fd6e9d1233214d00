// TTrackBar: clamping of position and range as a table, OnChange from code
// and from the user's keys through the reflected scroll notification, and
// the settings surviving a new window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/comctrls.h"
#include "plat/forms/exceptions.h"
#include "plat/trackbar.h"

namespace plat::test {
namespace {

using TrackBarTest = FormsTest;

TEST_F(TrackBarTest, ClampsAndReportsChanges) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  auto* bar = new TTrackBar(form);
  bar->SetParent(form);
  form->Show();
  int changes = 0;
  bar->OnChange = [&](TObject* sender) {
    EXPECT_EQ(sender, bar);
    ++changes;
  };
  enum Op { kMin, kMax, kPos };
  struct Step {
    const char* name;
    Op op;
    int value;
    int min, max, pos;
    int changes;  // OnChange calls this step
  };
  const Step steps[] = {
      {"a position inside the range", kPos, 7, 0, 10, 7, 1},
      {"the same position again", kPos, 7, 0, 10, 7, 0},
      {"above the maximum", kPos, 99, 0, 10, 10, 1},
      {"below the minimum", kPos, -5, 0, 10, 0, 1},
      {"a minimum above the position drags it", kMin, 4, 4, 10, 4, 1},
      {"a maximum below the position drags it", kMax, 6, 4, 6, 4, 0},
      {"position to the top", kPos, 6, 4, 6, 6, 1},
      {"a maximum below drags it down", kMax, 5, 4, 5, 5, 1},
      {"a range far above the window's", kMax, 300, 4, 300, 5, 0},
      {"then its minimum", kMin, 200, 200, 300, 200, 1},
      {"negative ranges", kMin, -100, -100, 300, 200, 0},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    changes = 0;
    switch (step.op) {
      case kMin: bar->SetMin(step.value); break;
      case kMax: bar->SetMax(step.value); break;
      case kPos: bar->SetPosition(step.value); break;
    }
    EXPECT_EQ(bar->Min(), step.min);
    EXPECT_EQ(bar->Max(), step.max);
    EXPECT_EQ(bar->Position(), step.pos);
    EXPECT_EQ(changes, step.changes);
    // The window agrees with the control.
    EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETRANGEMIN, 0, 0), step.min);
    EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETRANGEMAX, 0, 0), step.max);
    EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETPOS, 0, 0), step.pos);
  }
  // A range turned round is refused and changes nothing.
  changes = 0;
  EXPECT_THROW(bar->SetMin(301), EInvalidOperation);
  EXPECT_THROW(bar->SetMax(-101), EInvalidOperation);
  EXPECT_EQ(bar->Min(), -100);
  EXPECT_EQ(bar->Max(), 300);
  EXPECT_EQ(bar->Position(), 200);
  EXPECT_EQ(changes, 0);
  delete form;
}

TEST_F(TrackBarTest, UserKeysFireOnChangeWithTheSteps) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  auto* bar = new TTrackBar(form);
  bar->SetMax(100);
  bar->SetLineSize(3);
  bar->SetPageSize(20);
  bar->SetFrequency(0);  // at least 1
  bar->SetPosition(50);
  bar->SetParent(form);
  form->Show();
  EXPECT_EQ(bar->Frequency(), 1);
  std::vector<int> seen;
  bar->OnChange = [&](TObject*) { seen.push_back(bar->Position()); };
  bar->SetFocus();
  Key(VK_RIGHT);
  Key(VK_NEXT);
  Key(VK_END);
  Key(VK_END);  // no move, no change
  Key(VK_HOME);
  EXPECT_EQ(seen, (std::vector<int>{53, 73, 100, 0}));
  // A vertical bar swaps its size and keeps its settings in the new window.
  const int width = bar->Width();
  const int height = bar->Height();
  bar->SetPosition(42);
  bar->SetOrientation(trVertical);
  EXPECT_EQ(bar->Width(), height);
  EXPECT_EQ(bar->Height(), width);
  EXPECT_NE(GetWindowLong(bar->Handle(), GWL_STYLE) & TBS_VERT, 0);
  EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETPOS, 0, 0), 42);
  EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETRANGEMAX, 0, 0), 100);
  EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETLINESIZE, 0, 0), 3);
  EXPECT_EQ(SendMessage(bar->Handle(), TBM_GETPAGESIZE, 0, 0), 20);
  seen.clear();
  bar->SetFocus();
  Key(VK_DOWN);
  EXPECT_EQ(seen, (std::vector<int>{45}));
  delete form;
}

}  // namespace
}  // namespace plat::test
