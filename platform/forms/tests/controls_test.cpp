// The control tree: CM_MOUSEENTER/CM_MOUSELEAVE along pointer paths over a
// form, a windowed panel and a graphic button inside it; the parent colour,
// font and hint following their parents until a child sets its own; window
// procedure hooks removed in any order; exceptions stopped at the dispatch
// boundary; and a control freed inside its own event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/stdctrls.h"

namespace plat::test {
namespace {

using ControlsTest = FormsTest;

std::vector<std::string>* g_log = nullptr;

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
         std::to_string(r.bottom);
}

void LogEnterLeave(const TControl* control, const TMessage& msg) {
  if (g_log == nullptr) return;
  if (msg.Msg == CM_MOUSEENTER) g_log->push_back("+" + control->Name());
  if (msg.Msg == CM_MOUSELEAVE) g_log->push_back("-" + control->Name());
  if (msg.Msg == CM_BUTTONPRESSED) g_log->push_back("pressed " + control->Name() + " " + std::to_string(msg.WParam));
}

class LoggingForm : public TForm {
 public:
  using TForm::TForm;
  void WndProc(TMessage& msg) override {
    LogEnterLeave(this, msg);
    TForm::WndProc(msg);
  }
};

class LoggingPanel : public TCustomControl {
 public:
  explicit LoggingPanel(TComponent* owner) : TCustomControl(owner) {
    SetControlStyle(ControlStyle() + TControlStyle{csAcceptsControls});
  }
  void WndProc(TMessage& msg) override {
    LogEnterLeave(this, msg);
    TCustomControl::WndProc(msg);
  }
};

class LoggingGraphic : public TGraphicControl {
 public:
  using TGraphicControl::TGraphicControl;
  void WndProc(TMessage& msg) override {
    LogEnterLeave(this, msg);
    TGraphicControl::WndProc(msg);
  }
  int paints = 0;

 protected:
  void Paint() override {
    ++paints;
    Canvas()->Brush()->SetColor(clRed);
    Canvas()->FillRect(ClientRect());
  }
};

// form 300x200 at (100, 100): panel at (20, 20) 150x100 holding the graphic
// button at (10, 10) 40x20; a second graphic button at (200, 20) on the form.
struct Scene {
  LoggingForm* form;
  LoggingPanel* panel;
  LoggingGraphic* inner;
  LoggingGraphic* outer;
};

Scene MakeScene() {
  Scene scene;
  scene.form = new LoggingForm(Application);
  scene.form->SetName("form");
  scene.form->SetBorderStyle(bsNone);
  scene.form->SetBounds(100, 100, 300, 200);
  scene.panel = new LoggingPanel(scene.form);
  scene.panel->SetName("panel");
  scene.panel->SetBounds(20, 20, 150, 100);
  scene.panel->SetParent(scene.form);
  scene.inner = new LoggingGraphic(scene.form);
  scene.inner->SetName("inner");
  scene.inner->SetBounds(10, 10, 40, 20);
  scene.inner->SetParent(scene.panel);
  scene.outer = new LoggingGraphic(scene.form);
  scene.outer->SetName("outer");
  scene.outer->SetBounds(200, 20, 40, 20);
  scene.outer->SetParent(scene.form);
  scene.form->Show();
  Pump();
  return scene;
}

TEST_F(ControlsTest, MouseEnterAndLeaveFollowTheControlUnderThePointer) {
  Scene scene = MakeScene();
  HWND form = scene.form->Handle();
  struct Step {
    const char* name;
    POINT form_point;
    std::vector<std::string> expected;
  };
  const Step steps[] = {
      {"onto the form", {5, 5}, {"+form"}},
      {"within the form", {8, 8}, {}},
      {"onto the panel", {25, 25}, {"-form", "+panel"}},
      {"onto the graphic button in the panel", {35, 35}, {"-panel", "+inner"}},
      {"within the button", {40, 38}, {}},
      {"back to the panel", {100, 100}, {"-inner", "+panel"}},
      {"onto the graphic button on the form", {210, 25}, {"-panel", "+outer"}},
      {"back to the form", {280, 180}, {"-outer", "+form"}},
  };
  std::vector<std::string> log;
  g_log = &log;
  for (const Step& step : steps) {
    SCOPED_TRACE(step.name);
    log.clear();
    MoveMouse(form, step.form_point);
    EXPECT_EQ(log, step.expected);
  }
  // Off every window of the application (screen coordinates): the last control is left.
  log.clear();
  MoveMouse(nullptr, POINT{900, 700});
  Pump();  // the leave is posted while the move is routed
  EXPECT_EQ(log, std::vector<std::string>{"-form"});
  EXPECT_EQ(Application->MouseControl(), nullptr);
  g_log = nullptr;
}

TEST_F(ControlsTest, FreedControlIsForgottenAsTheOneUnderThePointer) {
  Scene scene = MakeScene();
  std::vector<std::string> log;
  g_log = &log;
  MoveMouse(scene.form->Handle(), POINT{35, 35});
  ASSERT_EQ(Application->MouseControl(), scene.inner);
  delete scene.inner;
  EXPECT_EQ(Application->MouseControl(), nullptr);
  log.clear();
  MoveMouse(scene.form->Handle(), POINT{100, 100});
  EXPECT_EQ(log, std::vector<std::string>{"+panel"});
  g_log = nullptr;
}

TEST_F(ControlsTest, ButtonPressedReachesEverySibling) {
  Scene scene = MakeScene();
  auto* sibling = new LoggingGraphic(scene.form);
  sibling->SetName("sibling");
  sibling->SetParent(scene.panel);
  std::vector<std::string> log;
  g_log = &log;
  TMessage msg{CM_BUTTONPRESSED, 3, reinterpret_cast<LPARAM>(scene.inner), 0};
  scene.panel->Broadcast(msg);
  EXPECT_EQ(log, (std::vector<std::string>{"pressed inner 3", "pressed sibling 3"}));
  g_log = nullptr;
}

TEST_F(ControlsTest, GraphicControlsArePaintedByTheirParent) {
  Scene scene = MakeScene();
  scene.inner->Repaint();
  EXPECT_GT(scene.inner->paints, 0);
  const Image shot = Snapshot(scene.form->Handle());
  // inner sits at (30, 30) of the form: red; the panel's own colour around it.
  EXPECT_EQ(shot.At(35, 35), 0xFF0000u);
  EXPECT_NE(shot.At(25, 25), 0xFF0000u);
}

TEST_F(ControlsTest, ParentColourFontAndHintFollowUntilTheChildSetsItsOwn) {
  Scene scene = MakeScene();
  scene.form->SetColor(clRed);
  scene.form->Font()->SetSize(14);
  scene.form->SetShowHint(true);
  for (TControl* control : {static_cast<TControl*>(scene.panel), static_cast<TControl*>(scene.inner)}) {
    SCOPED_TRACE(control->Name());
    EXPECT_EQ(control->Color(), clRed);
    EXPECT_EQ(control->Font()->Size(), 14);
    EXPECT_TRUE(control->ShowHint());
    EXPECT_TRUE(control->ParentColor());
    EXPECT_TRUE(control->ParentFont());
  }
  // The panel's own colour and font stop what comes from the form, for it and below.
  scene.panel->SetColor(clBlue);
  scene.panel->Font()->SetSize(9);
  EXPECT_FALSE(scene.panel->ParentColor());
  EXPECT_FALSE(scene.panel->ParentFont());
  scene.form->SetColor(clGreen);
  scene.form->Font()->SetSize(20);
  EXPECT_EQ(scene.panel->Color(), clBlue);
  EXPECT_EQ(scene.inner->Color(), clBlue);
  EXPECT_EQ(scene.panel->Font()->Size(), 9);
  EXPECT_EQ(scene.inner->Font()->Size(), 9);
  EXPECT_EQ(scene.outer->Color(), clGreen);
  EXPECT_EQ(scene.outer->Font()->Size(), 20);
  // Switching ParentColor back on takes the parent's colour again.
  scene.panel->SetParentColor(true);
  EXPECT_EQ(scene.panel->Color(), clGreen);
  EXPECT_EQ(scene.inner->Color(), clGreen);
}

TEST_F(ControlsTest, WindowProcHooksComeOffInEitherOrder) {
  for (bool remove_newest_first : {true, false}) {
    SCOPED_TRACE(remove_newest_first ? "newest first" : "oldest first");
    auto* form = new TForm(Application);
    form->Show();
    constexpr UINT kProbe = WM_USER + 7;
    std::vector<std::string> seen;
    const UINT_PTR first = form->AddWindowProcHook([&](TMessage& msg) {
      if (msg.Msg == kProbe) seen.push_back("first");
      return false;
    });
    const UINT_PTR second = form->AddWindowProcHook([&](TMessage& msg) {
      if (msg.Msg == kProbe) seen.push_back("second");
      return false;
    });
    SendMessage(form->Handle(), kProbe, 0, 0);
    EXPECT_EQ(seen, (std::vector<std::string>{"second", "first"}));
    seen.clear();
    EXPECT_TRUE(form->RemoveWindowProcHook(remove_newest_first ? second : first));
    SendMessage(form->Handle(), kProbe, 0, 0);
    EXPECT_EQ(seen, std::vector<std::string>{remove_newest_first ? "first" : "second"});
    seen.clear();
    EXPECT_TRUE(form->RemoveWindowProcHook(remove_newest_first ? first : second));
    EXPECT_FALSE(form->RemoveWindowProcHook(first));
    SendMessage(form->Handle(), kProbe, 0, 0);
    EXPECT_TRUE(seen.empty());
    delete form;
  }
}

TEST_F(ControlsTest, HookAnswersAndSurvivesRecreatingTheWindow) {
  auto* form = new TForm(Application);
  form->Show();
  constexpr UINT kProbe = WM_USER + 9;
  UINT_PTR token = 0;
  token = form->AddWindowProcHook([&](TMessage& msg) {
    if (msg.Msg != kProbe) return false;
    msg.Result = 42;
    return true;
  });
  EXPECT_EQ(SendMessage(form->Handle(), kProbe, 0, 0), 42);
  form->SetBorderStyle(bsDialog);  // a new window
  EXPECT_EQ(SendMessage(form->Handle(), kProbe, 0, 0), 42);
  // A hook may take itself off while it runs.
  form->AddWindowProcHook([&](TMessage& msg) {
    if (msg.Msg == kProbe) form->RemoveWindowProcHook(token);
    return false;
  });
  EXPECT_EQ(SendMessage(form->Handle(), kProbe, 0, 0), 0);
  delete form;
}

TEST_F(ControlsTest, ExceptionInAHandlerEndsAtTheDispatchBoundary) {
  auto* form = new TForm(Application);
  form->Show();
  form->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { throw EConvertError("bad value"); };
  std::vector<std::string> caught;
  Application->OnException = [&](TObject* sender, const std::exception& e) {
    caught.push_back(std::string(e.what()) + (sender == form ? " from the form" : ""));
  };
  Click(form->Handle(), POINT{10, 10});
  EXPECT_EQ(caught, std::vector<std::string>{"bad value from the form"});
  // EAbort is silent.
  form->OnMouseDown = [](TObject*, TMouseButton, TShiftState, int, int) { Abort(); };
  Click(form->Handle(), POINT{10, 10});
  EXPECT_EQ(caught.size(), 1u);
  Application->OnException = nullptr;
  delete form;
}

TEST_F(ControlsTest, ControlFreedInItsOwnEventIsNotTouchedAgain) {
  auto* form = new TForm(Application);
  form->SetBounds(10, 10, 200, 100);
  auto* button = new TButton(form);
  button->SetParent(form);
  bool destroyed = false;
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->DoCreate();
  button->OnClick = [&](TObject*) { delete form; };
  form->Show();
  Click(button->Handle(), POINT{5, 5});
  EXPECT_TRUE(destroyed);
}

TEST_F(ControlsTest, ChildWindowsFollowTheirParentsHandle) {
  auto* form = new TForm(Application);
  auto* panel = new LoggingPanel(form);
  panel->SetParent(form);
  auto* edit = new TEdit(form);
  edit->SetParent(panel);
  edit->SetText("kept");
  EXPECT_FALSE(edit->HandleAllocated());
  form->Show();
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(GetParent(edit->Handle()), panel->Handle());
  EXPECT_EQ(FindControl(edit->Handle()), edit);
  // A new form window takes its children along; the edit keeps its text.
  form->SetBorderStyle(bsSingle);
  ASSERT_TRUE(edit->HandleAllocated());
  EXPECT_EQ(GetParent(panel->Handle()), form->Handle());
  EXPECT_EQ(edit->Text(), "kept");
  delete form;
}

TEST_F(ControlsTest, AlignedChildrenFillTheClientArea) {
  auto* form = new TForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(0, 0, 200, 100);
  auto* top = new LoggingPanel(form);
  top->SetHeight(20);
  top->SetAlign(alTop);
  top->SetParent(form);
  auto* left = new LoggingPanel(form);
  left->SetWidth(30);
  left->SetAlign(alLeft);
  left->SetParent(form);
  auto* client = new LoggingPanel(form);
  client->SetAlign(alClient);
  client->SetParent(form);
  form->Show();
  EXPECT_EQ(RectText(top->BoundsRect()), "0,0,200,20");
  EXPECT_EQ(RectText(left->BoundsRect()), "0,20,30,100");
  EXPECT_EQ(RectText(client->BoundsRect()), "30,20,200,100");
  form->SetBounds(0, 0, 300, 150);
  EXPECT_EQ(RectText(client->BoundsRect()), "30,20,300,150");
  delete form;
}

}  // namespace
}  // namespace plat::test
