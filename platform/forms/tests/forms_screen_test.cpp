// The fixture form on a real screen (the Qt backend under Xvfb, run by
// scripts/screen-tests.sh): a click given by xdotool on the form's button
// fires its OnClick, and after xdotool moves the pointer onto the button a
// hint window appears within 5 seconds. A timer on the form drives the steps
// while Application->Run() turns the real loop.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdlib>
#include <string>

#include "fixture_form.h"
#include "plat/forms/runtime.h"
#include "plat/testing/fixture.h"

namespace plat::test {
namespace {

using Clock = std::chrono::steady_clock;

constexpr UINT_PTR kStepTimer = 77;
constexpr auto kShowWait = std::chrono::milliseconds(800);
constexpr auto kEventWait = std::chrono::seconds(5);

int Shell(const std::string& command) {
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string MoveTo(POINT screen) { return "xdotool mousemove " + std::to_string(screen.x) + " " + std::to_string(screen.y); }

// Its own registry, so the test control it hosts is registered nowhere else.
class FormsOnScreen : public PlatformTest {};

TEST_F(FormsOnScreen, XdotoolClickFiresOnClickAndAHintAppears) {
  ASSERT_TRUE(RegisterFixtureControls());
  forms::Init();
  FixtureForm* form = nullptr;
  Application->CreateForm(form);
  enum class Stage { kWaitShown, kWaitClick, kLeave, kWaitHint, kDone };
  Stage stage = Stage::kWaitShown;
  Clock::time_point since = Clock::now();
  bool clicked = false;
  bool hint_appeared = false;
  int shell_failures = 0;
  std::string hint_text;
  form->AddWindowProcHook([&](TMessage& msg) {
    if (msg.Msg != WM_TIMER || msg.WParam != kStepTimer) return false;
    const auto now = Clock::now();
    const POINT on_button = form->button->ClientToScreen(POINT{50, 15});
    const POINT on_form = form->ClientToScreen(POINT{200, 170});
    switch (stage) {
      case Stage::kWaitShown:
        if (now - since < kShowWait) break;
        shell_failures += Shell(MoveTo(on_button) + " click 1") != 0;
        stage = Stage::kWaitClick;
        since = now;
        break;
      case Stage::kWaitClick:
        clicked = form->clicks > 0;
        if (clicked || now - since > kEventWait) {
          shell_failures += Shell(MoveTo(on_form)) != 0;
          stage = Stage::kLeave;
          since = now;
        }
        break;
      case Stage::kLeave:
        if (now - since < std::chrono::milliseconds(300)) break;
        shell_failures += Shell(MoveTo(on_button)) != 0;
        stage = Stage::kWaitHint;
        since = now;
        break;
      case Stage::kWaitHint:
        hint_appeared = Application->HintWindow() != nullptr && Application->HintWindow()->IsShowing();
        if (hint_appeared) hint_text = Application->HintWindow()->Caption();
        if (hint_appeared || now - since > kEventWait) {
          stage = Stage::kDone;
          Application->Terminate();
        }
        break;
      case Stage::kDone:
        break;
    }
    return true;
  });
  form->OnShow = [&](TObject*) { SetTimer(form->Handle(), kStepTimer, 50, nullptr); };
  Application->Run();
  EXPECT_EQ(shell_failures, 0);
  EXPECT_TRUE(clicked);
  EXPECT_TRUE(hint_appeared);
  EXPECT_EQ(hint_text, "Start");
  forms::Shutdown();
}

}  // namespace
}  // namespace plat::test
