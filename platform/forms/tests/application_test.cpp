// The application on the virtual clock: hint timing and OnShowHint, a
// replaced hint window class, ShowModal returning the ModalResult a button
// set, an exception of OnClick shown once while the loop goes on, and
// Release inside a form's own event.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fixture_form.h"
#include "forms_fixture.h"
#include "plat/forms/bitmap.h"
#include "plat/forms/clipbrd.h"
#include "plat/forms/strings.h"
#include "plat/forms/stdctrls.h"

namespace plat::test {
namespace {

using ApplicationTest = FormsTest;

struct HintScene {
  TForm* form;
  TButton* button;
};

HintScene MakeHintScene() {
  HintScene scene;
  scene.form = new TForm(Application);
  scene.form->SetBounds(100, 100, 300, 200);
  scene.form->SetShowHint(true);
  scene.button = new TButton(scene.form);
  scene.button->SetBounds(20, 20, 100, 30);
  scene.button->SetCaption("Go");
  scene.button->SetHint("Start|Starts the run");
  scene.button->SetParent(scene.form);
  scene.form->Show();
  Pump();
  return scene;
}

bool HintShowing() { return Application->HintWindow() != nullptr && Application->HintWindow()->IsShowing(); }

TEST_F(ApplicationTest, HintAppearsAfterThePauseAndGoesAfterTheHidePause) {
  HintScene scene = MakeHintScene();
  std::vector<std::string> long_hints;
  Application->OnHint = [&](TObject*) { long_hints.push_back(Application->Hint()); };
  MoveMouse(scene.button->Handle(), POINT{10, 10});
  EXPECT_EQ(long_hints, std::vector<std::string>{"Starts the run"});
  AdvanceTime(499);
  EXPECT_FALSE(HintShowing());
  AdvanceTime(1);
  ASSERT_TRUE(HintShowing());
  EXPECT_EQ(Application->HintWindow()->Caption(), "Start");
  RECT rect;
  GetWindowRect(Application->HintWindow()->Handle(), &rect);
  POINT cursor;
  GetCursorPos(&cursor);
  EXPECT_EQ(rect.left, cursor.x);
  EXPECT_GT(rect.top, cursor.y);
  AdvanceTime(2499);
  EXPECT_TRUE(HintShowing());
  AdvanceTime(1);
  EXPECT_FALSE(HintShowing());
  // A press takes a pending hint away.
  MoveMouse(scene.form->Handle(), POINT{200, 150});
  MoveMouse(scene.button->Handle(), POINT{12, 12});
  AdvanceTime(300);
  Click(scene.button->Handle(), POINT{12, 12});
  AdvanceTime(1000);
  EXPECT_FALSE(HintShowing());
}

TEST_F(ApplicationTest, OnShowHintChangesOrCancelsTheHint) {
  HintScene scene = MakeHintScene();
  struct Case {
    const char* name;
    bool can_show;
    bool expect_showing;
  };
  for (const Case& c : {Case{"changed", true, true}, Case{"cancelled", false, false}}) {
    SCOPED_TRACE(c.name);
    Application->OnShowHint = [&](std::string& text, bool& can_show, THintInfo& info) {
      EXPECT_EQ(info.HintControl, scene.button);
      text = "Changed";
      info.HintPos.x += 50;
      can_show = c.can_show;
    };
    MoveMouse(scene.form->Handle(), POINT{250, 150});
    MoveMouse(scene.button->Handle(), POINT{10, 10});
    AdvanceTime(500);
    EXPECT_EQ(HintShowing(), c.expect_showing);
    if (c.expect_showing) {
      EXPECT_EQ(Application->HintWindow()->Caption(), "Changed");
      POINT cursor;
      GetCursorPos(&cursor);
      EXPECT_EQ(Application->HintWindow()->Left(), cursor.x + 50);
    }
    Application->CancelHint();
  }
  Application->OnShowHint = nullptr;
}

class CountingHintWindow : public THintWindow {
 public:
  explicit CountingHintWindow(TComponent* owner) : THintWindow(owner) { ++made; }
  static int made;
};
int CountingHintWindow::made = 0;

TEST_F(ApplicationTest, HintWindowClassIsReplaceable) {
  HintScene scene = MakeHintScene();
  const THintWindowClass saved = HintWindowClass;
  HintWindowClass = &MakeHintWindow<CountingHintWindow>;
  Application->SetShowHint(false);
  Application->SetShowHint(true);
  CountingHintWindow::made = 0;
  MoveMouse(scene.button->Handle(), POINT{10, 10});
  AdvanceTime(500);
  EXPECT_TRUE(HintShowing());
  EXPECT_EQ(CountingHintWindow::made, 1);
  EXPECT_NE(dynamic_cast<CountingHintWindow*>(Application->HintWindow()), nullptr);
  HintWindowClass = saved;
}

TEST_F(ApplicationTest, ShowModalReturnsTheModalResultOfTheButton) {
  auto* dialog = new TForm(Application);
  dialog->SetBounds(50, 50, 200, 120);
  dialog->SetPosition(poScreenCenter);
  auto* ok = new TButton(dialog);
  ok->SetBounds(10, 10, 80, 25);
  ok->SetModalResult(mrOk);
  ok->SetParent(dialog);
  auto* cancel = new TButton(dialog);
  cancel->SetBounds(100, 10, 80, 25);
  cancel->SetModalResult(mrCancel);
  cancel->SetParent(dialog);
  int close_queries = 0;
  dialog->OnCloseQuery = [&](TObject*, bool& can_close) { can_close = ++close_queries > 1; };
  SetIdleScript({[&] { Click(cancel->Handle(), POINT{5, 5}); },  // refused by OnCloseQuery
                 [&] { Click(ok->Handle(), POINT{5, 5}); }});
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  EXPECT_EQ(close_queries, 2);
  EXPECT_FALSE(dialog->Visible());
  EXPECT_EQ(dialog->Left(), (Screen->Width() - 200) / 2);
  // Enter clicks the default button.
  ok->SetDefault(true);
  SetIdleScript({[&] { Key(VK_RETURN); }});
  EXPECT_EQ(dialog->ShowModal(), mrOk);
  delete dialog;
}

TEST_F(ApplicationTest, ExceptionInOnClickShowsOneMessageAndTheLoopGoesOn) {
  TForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_EQ(Application->MainForm(), form);
  form->SetBounds(100, 100, 300, 200);
  auto* failing = new TButton(form);
  failing->SetBounds(10, 10, 80, 25);
  failing->SetParent(form);
  failing->OnClick = [](TObject*) { throw EInvalidOperation("Nothing to scan"); };
  auto* counting = new TButton(form);
  counting->SetBounds(100, 10, 80, 25);
  counting->SetParent(form);
  int clicks = 0;
  counting->OnClick = [&](TObject*) { ++clicks; };
  ClearJournal();
  SetIdleScript({[&] { Click(failing->Handle(), POINT{5, 5}); },
                 [&] { Key(VK_RETURN); },  // the message box's OK
                 [&] { Click(counting->Handle(), POINT{5, 5}); },
                 [&] { Application->Terminate(); }});
  Application->Run();
  EXPECT_EQ(JournalOf("message-box"), std::vector<std::string>{Application->Title() + ": Nothing to scan."});
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(Application->Terminated());
}

TEST_F(ApplicationTest, ReleaseInsideTheFormsOwnEventFreesItAfterwards) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 200, 100);
  auto* button = new TButton(form);
  button->SetParent(form);
  bool destroyed = false;
  bool alive_after_release = false;
  form->OnDestroy = [&](TObject*) { destroyed = true; };
  form->DoCreate();
  button->OnClick = [&](TObject*) {
    form->Release();
    alive_after_release = !destroyed;
    form->SetCaption("still usable");  // the form lives until the handler is done
  };
  form->Show();
  Click(button->Handle(), POINT{5, 5});
  EXPECT_TRUE(alive_after_release);
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(ApplicationTest, ClosingTheMainFormEndsTheRun) {
  TForm* form = nullptr;
  Application->CreateForm(form);
  bool created = false;
  TCloseAction seen = caNone;
  form->OnClose = [&](TObject*, TCloseAction& action) { seen = action; };
  form->OnShow = [&](TObject*) { created = true; };
  SetIdleScript({[&] { PostMessage(form->Handle(), WM_CLOSE, 0, 0); }});
  Application->Run();
  EXPECT_TRUE(created);
  EXPECT_EQ(seen, caHide);
  EXPECT_TRUE(Application->Terminated());
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(FormsTest, FixtureFormRunsThroughTheApplicationLoop) {
  ASSERT_TRUE(RegisterFixtureControls());
  Application->Initialize();
  Application->SetTitle("Fixture");
  FixtureForm* form = nullptr;
  Application->CreateForm(form);
  bool hint_shown = false;
  std::string hint_text;
  SetIdleScript({
      [&] { MoveMouse(form->button->Handle(), POINT{20, 10}); },
      [&] { AdvanceTime(500); },  // the hint timer is due when the loop waits next
      [&] {
        hint_shown = Application->HintWindow() != nullptr && Application->HintWindow()->IsShowing();
        if (hint_shown) hint_text = Application->HintWindow()->Caption();
      },
      [&] { Click(form->button->Handle(), POINT{20, 10}); },
      [&] { Click(form->hosted->Handle(), POINT{10, 10}); },
      [&] {
        form->edit->SetFocus();
        Type("abc");
      },
      [&] {
        form->combo->SetFocus();
        Key(VK_DOWN);
      },
      [&] {
        form->track->SetFocus();
        Key(VK_RIGHT);
        Key(VK_NEXT);
      },
      [&] { Application->Terminate(); },
  });
  Application->Run();
  EXPECT_TRUE(hint_shown);
  EXPECT_EQ(hint_text, "Start");
  EXPECT_EQ(form->clicks, 1);
  EXPECT_EQ(form->hosted_clicks, 1) << "the hosted control's Click event";
  EXPECT_EQ(GetParent(form->hosted->Handle()), form->Handle());
  EXPECT_EQ(form->edit->Text(), "abc");
  EXPECT_EQ(form->combo->ItemIndex(), 1);
  EXPECT_EQ(form->combo->Text(), "B5");
  EXPECT_EQ(form->track->Position(), 1 + form->track->PageSize());
  EXPECT_EQ(form->label->Caption(), "日本語のラベル");
  // The ellipse child shows its colour in its middle and the form's in its corner.
  const Image shot = Snapshot(form->Handle());
  POINT middle{form->ellipse->Width() / 2, form->ellipse->Height() / 2};
  POINT corner{1, 1};
  ClientToScreen(form->ellipse->Handle(), &middle);
  ClientToScreen(form->ellipse->Handle(), &corner);
  RECT frame;
  GetWindowRect(form->Handle(), &frame);
  EXPECT_EQ(shot.At(middle.x - frame.left, middle.y - frame.top), 0x000080u);
  EXPECT_NE(shot.At(corner.x - frame.left, corner.y - frame.top), 0x000080u);
}

}  // namespace
}  // namespace plat::test

namespace plat::test {
namespace {

TEST_F(FormsTest, ClipboardCarriesTextAndPictures) {
  Clipboard()->SetAsText("日本語 text");
  EXPECT_TRUE(Clipboard()->HasFormat(CF_TEXT));
  EXPECT_EQ(Clipboard()->AsText(), "日本語 text");
  TBitmap picture;
  picture.SetPixelFormat(pf24bit);
  picture.SetSize(5, 3);
  picture.Canvas()->SetPixel(4, 2, clRed);
  Clipboard()->Assign(&picture);
  EXPECT_TRUE(Clipboard()->HasFormat(CF_DIB));
  EXPECT_FALSE(Clipboard()->HasFormat(CF_TEXT));
  TBitmap copy;
  copy.Assign(Clipboard());
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_EQ(copy.Height(), 3);
  EXPECT_EQ(copy.Canvas()->Pixel(4, 2), clRed);
  TStringList not_a_picture;
  EXPECT_THROW(Clipboard()->Assign(&not_a_picture), EConvertError);
  Clipboard()->Clear();
  EXPECT_FALSE(Clipboard()->HasFormat(CF_DIB));
}

}  // namespace
}  // namespace plat::test
