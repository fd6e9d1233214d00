// Forms talking to the window system and to each other: image lists and
// their change links, shortcuts and the menu bar, the dialog protocol's
// default and cancel buttons, default placement, dragging by a caption hit
// test, the application window's hooks and the rarer control messages.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/controls.h"
#include "plat/forms/extctrls.h"
#include "plat/forms/imglist.h"
#include "plat/forms/menus.h"
#include "plat/forms/stdctrls.h"
#include "plat/gdi.h"
#include "plat/headless.h"
#include "plat/menu.h"

namespace plat::test {
namespace {

using FormProtocolsTest = FormsTest;

// A strip of `count` 4x3 images; image i is filled with colours[i] and has
// its top-left pixel in `key`.
TBitmap* MakeStrip(TBitmap& strip, const std::vector<TColor>& colours, TColor key) {
  strip.SetPixelFormat(pf24bit);
  strip.SetSize(4 * static_cast<int>(colours.size()), 3);
  for (size_t i = 0; i < colours.size(); ++i) {
    const int left = 4 * static_cast<int>(i);
    strip.Canvas()->Brush()->SetColor(colours[i]);
    strip.Canvas()->FillRect(RECT{left, 0, left + 4, 3});
    strip.Canvas()->SetPixel(left, 0, key);
  }
  return &strip;
}

// A graphic control drawing image 0 of a list it watches through a change link.
class ImageShow : public TGraphicControl {
 public:
  explicit ImageShow(TComponent* owner) : TGraphicControl(owner) {
    link_.OnChange = [this](TObject*) { ++changes; Invalidate(); };
  }
  void SetImages(TCustomImageList* images) {
    if (images_ != nullptr) images_->UnRegisterChanges(&link_);
    images_ = images;
    if (images != nullptr) {
      images->RegisterChanges(&link_);
      images->FreeNotification(this);
    }
  }
  TCustomImageList* Images() const { return images_; }
  int changes = 0;
  int paints = 0;

 protected:
  void Notification(TComponent* component, TOperation operation) override {
    TGraphicControl::Notification(component, operation);
    if (operation == opRemove && component == images_) images_ = nullptr;
  }
  void Paint() override {
    ++paints;
    if (images_ != nullptr) images_->Draw(Canvas(), 0, 0, 0);
  }

 private:
  TCustomImageList* images_ = nullptr;
  TChangeLink link_;
};

TEST_F(FormProtocolsTest, ImageListAddsDrawsAndRefusesBadImages) {
  TImageList list(nullptr, 4, 3);
  TBitmap strip;
  EXPECT_EQ(list.AddMasked(MakeStrip(strip, {clRed, clBlue}, clLime), clLime), 0);
  EXPECT_EQ(list.Add(MakeStrip(strip, {clYellow}, clYellow), nullptr), 2);
  ASSERT_EQ(list.Count(), 3);
  TBitmap out;
  list.GetBitmap(1, &out);
  EXPECT_EQ(out.Width(), 4);
  EXPECT_EQ(out.Height(), 3);
  EXPECT_EQ(out.Canvas()->Pixel(2, 2), clBlue);
  EXPECT_EQ(out.Canvas()->Pixel(0, 0), clWhite);  // the masked key pixel shows the background
  // Drawn disabled, the image is greyed, the masked pixel untouched.
  TBitmap target;
  target.SetPixelFormat(pf24bit);
  target.SetSize(4, 3);
  target.Canvas()->Brush()->SetColor(clBlack);
  target.Canvas()->FillRect(RECT{0, 0, 4, 3});
  list.Draw(target.Canvas(), 0, 0, 0, false);
  EXPECT_EQ(target.Canvas()->Pixel(0, 0), clBlack);
  EXPECT_NE(target.Canvas()->Pixel(2, 2), clRed);
  EXPECT_NE(target.Canvas()->Pixel(2, 2), clBlack);

  // Wrong sizes and indexes raise and change nothing.
  TBitmap tall;
  tall.SetSize(4, 5);
  TBitmap narrow;
  narrow.SetSize(3, 3);
  struct Case {
    const char* name;
    std::function<void()> call;
  };
  const Case cases[] = {
      {"tall strip", [&] { list.Add(&tall, nullptr); }},
      {"narrow strip", [&] { list.AddMasked(&narrow, clLime); }},
      {"mask of another size", [&] { list.Add(&strip, &tall); }},
      {"replace past the end", [&] { list.Replace(3, &strip, nullptr); }},
      {"delete -1", [&] { list.Delete(-1); }},
      {"bitmap of count", [&] { list.GetBitmap(3, &out); }},
      {"size 0", [&] { list.SetWidth(0); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_THROW(c.call(), EInvalidOperation);
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(list.Width(), 4);
  }
  list.Delete(0);
  list.GetBitmap(0, &out);
  EXPECT_EQ(out.Canvas()->Pixel(2, 2), clBlue);
  list.SetSize(8, 8);  // a new size drops the images
  EXPECT_EQ(list.Count(), 0);
}

TEST_F(FormProtocolsTest, ChangeLinksHearChangesAndAFreedListIsLetGo) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 200, 120);
  auto* show = new ImageShow(form);
  show->SetBounds(10, 10, 4, 3);
  show->SetParent(form);
  auto* list = new TImageList(form, 4, 3);
  show->SetImages(list);
  form->Show();
  Pump();
  TBitmap strip;
  list->Add(MakeStrip(strip, {clRed}, clRed), nullptr);
  EXPECT_EQ(show->changes, 1);
  list->BeginUpdate();
  list->Clear();
  list->Add(&strip, nullptr);
  list->Add(&strip, nullptr);
  EXPECT_EQ(show->changes, 1);
  list->EndUpdate();
  EXPECT_EQ(show->changes, 2);
  Pump();
  POINT at{10 + 1, 10 + 1};
  ClientToScreen(form->Handle(), &at);
  RECT frame;
  GetWindowRect(form->Handle(), &frame);
  EXPECT_EQ(Snapshot(form->Handle()).At(at.x - frame.left, at.y - frame.top), 0xFF0000u);
  // The list goes first: the control paints on without it.
  delete list;
  EXPECT_EQ(show->Images(), nullptr);
  const int paints = show->paints;
  show->Invalidate();
  Pump();
  EXPECT_GT(show->paints, paints);
}

TEST_F(FormProtocolsTest, ShortCutTextsRoundTrip) {
  struct Case {
    std::string text;
    TShortCut short_cut;
  };
  const Case cases[] = {
      {"Ctrl+S", static_cast<TShortCut>('S' | scCtrl)},
      {"Shift+Ctrl+F5", static_cast<TShortCut>(VK_F1 + 4 | scShift | scCtrl)},
      {"Alt+Enter", static_cast<TShortCut>(VK_RETURN | scAlt)},
      {"Del", static_cast<TShortCut>(VK_DELETE)},
      {"F12", static_cast<TShortCut>(VK_F12)},
      {"7", static_cast<TShortCut>('7')},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(TextToShortCut(c.text), c.short_cut);
    EXPECT_EQ(ShortCutToText(c.short_cut), c.text);
  }
  EXPECT_EQ(TextToShortCut("ctrl+shift+s"), static_cast<TShortCut>('S' | scCtrl | scShift));
  for (const char* bad : {"", "Ctrl+", "Ctrl+Banana", "Hyper+S", "SS"}) {
    SCOPED_TRACE(bad);
    EXPECT_EQ(TextToShortCut(bad), scNone);
  }
  WORD key = 0;
  TShiftState shift;
  ShortCutToKey(ShortCut('Q', TShiftState{ssAlt, ssShift}), key, shift);
  EXPECT_EQ(key, 'Q');
  EXPECT_EQ(shift, (TShiftState{ssAlt, ssShift}));
}

struct MenuScene {
  TForm* form;
  TEdit* edit;
  TMainMenu* menu;
  TMenuItem* file;
  TMenuItem* save;
  TMenuItem* quit;
  std::vector<std::string> clicked;
};

void MakeMenuScene(MenuScene& scene) {
  scene.form = new TForm(Application);
  scene.form->SetBounds(100, 100, 300, 200);
  scene.edit = new TEdit(scene.form);
  scene.edit->SetParent(scene.form);
  scene.menu = new TMainMenu(scene.form);
  scene.file = new TMenuItem(scene.menu);
  scene.file->SetCaption("&File");
  scene.menu->Items()->Add(scene.file);
  scene.save = new TMenuItem(scene.menu);
  scene.save->SetCaption("&Save");
  scene.save->SetShortCut(TextToShortCut("Ctrl+S"));
  scene.save->OnClick = [&scene](TObject*) { scene.clicked.push_back("save"); };
  scene.file->Add(scene.save);
  scene.quit = new TMenuItem(scene.menu);
  scene.quit->SetCaption("&Quit");
  scene.quit->SetShortCut(TextToShortCut("Ctrl+Q"));
  scene.quit->OnClick = [&scene](TObject*) { scene.clicked.push_back("quit"); };
  scene.file->Add(scene.quit);
  scene.form->SetMenu(scene.menu);
  scene.form->Show();
  scene.edit->SetFocus();
  Pump();
}

// Runs `steps` as the application's idle script, then ends the run.
void RunKeys(std::vector<IdleStep> steps) {
  steps.push_back([] { Application->Terminate(); });
  SetIdleScript(std::move(steps));
  Application->Run();
}

std::string BarText(HWND hwnd, int position) {
  char text[64] = {};
  GetMenuString(GetMenu(hwnd), static_cast<UINT>(position), text, sizeof(text), MF_BYPOSITION);
  return text;
}

TEST_F(FormProtocolsTest, MainMenuBarCommandsAndShortCutsClickTheirItems) {
  MenuScene scene;
  MakeMenuScene(scene);
  HWND hwnd = scene.form->Handle();
  ASSERT_NE(GetMenu(hwnd), nullptr);
  EXPECT_EQ(BarText(hwnd, 0), "&File");
  char text[64] = {};
  GetMenuString(GetSubMenu(GetMenu(hwnd), 0), 0, text, sizeof(text), MF_BYPOSITION);
  EXPECT_EQ(std::string(text), "&Save\tCtrl+S");

  // Chosen from the bar.
  const WORD save_command = scene.save->Command();
  SetModalResponder([&](ModalContext& context) { context.ChooseMenu(save_command); });
  Click(hwnd, POINT{5, -5});
  Pump();
  EXPECT_EQ(scene.clicked, std::vector<std::string>{"save"});
  // Shortcuts from the focused edit (keys go through the application's
  // loop); a disabled item's shortcut does nothing.
  RunKeys({[&] {
              KeyDown(VK_CONTROL);
              Key('Q');
            },
            [&] {
              scene.quit->SetEnabled(false);
              Key('Q');
              KeyUp(VK_CONTROL);
            }});
  EXPECT_EQ(scene.clicked, (std::vector<std::string>{"save", "quit"}));

  // A change rebuilds the bar; a freed item's command finds nothing.
  scene.file->SetCaption("&Datei");
  EXPECT_EQ(BarText(hwnd, 0), "&Datei");
  const WORD quit_command = scene.quit->Command();
  delete scene.quit;
  SendMessage(hwnd, WM_COMMAND, quit_command, 0);
  EXPECT_EQ(scene.clicked.size(), 2u);
  // The menu freed before its form takes the bar with it.
  delete scene.menu;
  EXPECT_EQ(scene.form->Menu(), nullptr);
  EXPECT_EQ(GetMenu(hwnd), nullptr);
}

TEST_F(FormProtocolsTest, PopupMenuShortCutsWorkWhileTheirControlHasTheFocus) {
  MenuScene scene;
  MakeMenuScene(scene);
  auto* popup = new TPopupMenu(scene.form);
  auto* copy = new TMenuItem(popup);
  copy->SetShortCut(TextToShortCut("Ctrl+K"));
  copy->OnClick = [&](TObject*) { scene.clicked.push_back("copy"); };
  popup->Items()->Add(copy);
  scene.form->SetPopupMenu(popup);  // a parent's menu counts too
  RunKeys({[&] {
    KeyDown(VK_CONTROL);
    Key('K');
    KeyUp(VK_CONTROL);
  }});
  EXPECT_EQ(scene.clicked, std::vector<std::string>{"copy"});
}

TEST_F(FormProtocolsTest, DialogProtocolFindsTheDefaultAndCancelButtons) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  auto* panel = new TPanel(form);  // the buttons need not be the form's direct children
  panel->SetBounds(0, 0, 300, 100);
  panel->SetParent(form);
  std::vector<std::string> clicked;
  auto make = [&](const char* name, int left) {
    auto* button = new TButton(form);
    button->SetBounds(left, 10, 80, 25);
    button->SetParent(panel);
    button->OnClick = [&clicked, name](TObject*) { clicked.push_back(name); };
    return button;
  };
  TButton* ok = make("ok", 10);
  TButton* cancel = make("cancel", 100);
  form->Show();
  Pump();
  EXPECT_EQ(SendMessage(form->Handle(), DM_GETDEFID, 0, 0), 0);
  ok->SetDefault(true);
  const LRESULT answer = SendMessage(form->Handle(), DM_GETDEFID, 0, 0);
  EXPECT_EQ(HIWORD(static_cast<uintptr_t>(answer)), DC_HASDEFID);
  headless::ModalContext context(form->Handle());
  context.PressDefault();
  Pump();
  EXPECT_EQ(clicked, std::vector<std::string>{"ok"});
  // IDCANCEL clicks the Cancel button; without one the form closes.
  cancel->SetCancel(true);
  context.Cancel();
  Pump();
  EXPECT_EQ(clicked, (std::vector<std::string>{"ok", "cancel"}));
  cancel->SetCancel(false);
  context.Cancel();
  Pump();
  EXPECT_FALSE(form->Visible());
  EXPECT_EQ(clicked.size(), 2u);
}

TEST_F(FormProtocolsTest, DefaultPositionsLetTheWindowSystemChoose) {
  struct Case {
    const char* name;
    TPosition position;
    TFormBorderStyle border;
    bool keeps_place;
    bool keeps_size;
  };
  const Case cases[] = {
      {"designed", poDesigned, bsSizeable, true, true},
      {"default", poDefault, bsSizeable, false, false},
      {"default, fixed border", poDefault, bsSingle, false, true},
      {"position only", poDefaultPosOnly, bsSizeable, false, true},
      {"size only", poDefaultSizeOnly, bsSizeable, true, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto* form = new TForm(Application);
    form->SetBorderStyle(c.border);
    form->SetBounds(333, 222, 150, 110);
    form->SetPosition(c.position);
    form->Show();
    Pump();
    EXPECT_EQ(form->Left() == 333 && form->Top() == 222, c.keeps_place);
    EXPECT_EQ(form->Width() == 150 && form->Height() == 110, c.keeps_size);
    EXPECT_GT(form->Width(), 0);
    // A new window keeps what was chosen.
    const RECT chosen = form->BoundsRect();
    form->SetBorderStyle(c.border == bsSizeable ? bsSizeToolWin : bsToolWindow);
    EXPECT_EQ(form->Left(), chosen.left);
    EXPECT_EQ(form->Top(), chosen.top);
    delete form;
  }
}

// A form that the pointer drags by any point outside its child windows.
class DraggedForm : public TForm {
 public:
  using TForm::TForm;

 protected:
  void Dispatch(TMessage& msg) override {
    TForm::Dispatch(msg);
    if (msg.Msg == WM_NCHITTEST && msg.Result == HTCLIENT) msg.Result = HTCAPTION;
  }
};

TEST_F(FormProtocolsTest, CaptionHitTestDragsTheFormByItsLabel) {
  auto* form = new DraggedForm(Application);
  form->SetBorderStyle(bsNone);
  form->SetBounds(100, 100, 200, 120);
  auto* label = new TLabel(form);
  label->SetCaption("drag me");
  label->SetBounds(10, 10, 80, 20);
  label->SetParent(form);
  int label_clicks = 0;
  label->OnClick = [&](TObject*) { ++label_clicks; };
  form->Show();
  Pump();
  const auto at = [&](backend::EventKind kind, POINT screen) {
    backend::InputEvent event;
    event.kind = kind;
    event.screen = screen;
    return event;
  };
  SetIdleScript({[&] { Inject(at(backend::EventKind::kMouseMove, POINT{145, 135})); },
                 [&] { Inject(at(backend::EventKind::kMouseUp, POINT{145, 135})); }});
  Inject(at(backend::EventKind::kMouseMove, POINT{115, 115}));
  Inject(at(backend::EventKind::kMouseDown, POINT{115, 115}));
  Pump();
  EXPECT_EQ(form->Left(), 130);
  EXPECT_EQ(form->Top(), 120);
  EXPECT_EQ(label_clicks, 0);
}

TEST_F(FormProtocolsTest, ApplicationWindowHooksComeAndGoInAnyOrder) {
  HWND app = Application->Handle();
  constexpr UINT kProbe = WM_USER + 77;
  for (bool first_goes_first : {true, false}) {
    SCOPED_TRACE(first_goes_first ? "first removed first" : "second removed first");
    std::vector<int> seen;
    const UINT_PTR one = Application->HookMainWindow([&](TMessage& msg) {
      if (msg.Msg == kProbe) seen.push_back(1);
      return false;
    });
    const UINT_PTR two = Application->HookMainWindow([&](TMessage& msg) {
      if (msg.Msg != kProbe) return false;
      seen.push_back(2);
      msg.Result = 42;
      return true;
    });
    EXPECT_EQ(SendMessage(app, kProbe, 0, 0), 42);
    EXPECT_EQ(seen, (std::vector<int>{1, 2}));
    EXPECT_TRUE(Application->UnhookMainWindow(first_goes_first ? one : two));
    SendMessage(app, kProbe, 0, 0);
    EXPECT_TRUE(Application->UnhookMainWindow(first_goes_first ? two : one));
    EXPECT_FALSE(Application->UnhookMainWindow(one));
    EXPECT_EQ(SendMessage(app, kProbe, 0, 0), 0);
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.back(), first_goes_first ? 2 : 1);
  }
  // A hook that takes itself out while it runs.
  UINT_PTR self = 0;
  int runs = 0;
  self = Application->HookMainWindow([&](TMessage&) {
    ++runs;
    Application->UnhookMainWindow(self);
    return false;
  });
  SendMessage(app, kProbe, 0, 0);
  SendMessage(app, kProbe, 0, 0);
  EXPECT_EQ(runs, 1);
}

// Records the control messages it is told.
class Listener : public TWinControl {
 public:
  using TWinControl::TWinControl;
  std::vector<std::pair<UINT, LPARAM>> heard;

 protected:
  void Dispatch(TMessage& msg) override {
    if (msg.Msg == CM_FOCUSCHANGED || msg.Msg == CM_SYSCOLORCHANGE) heard.emplace_back(msg.Msg, msg.LParam);
    TWinControl::Dispatch(msg);
  }
};

TEST_F(FormProtocolsTest, FocusActivationAndSystemColourChangesAreTold) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  std::vector<std::string> events;
  form->OnActivate = [&](TObject*) { events.push_back("activate"); };
  form->OnDeactivate = [&](TObject*) { events.push_back("deactivate"); };
  form->AddWindowProcHook([&](TMessage& msg) {
    if (msg.Msg == CM_ACTIVATE) events.push_back("hook");  // a control message, not a window message
    return false;
  });
  auto* listener = new Listener(form);
  listener->SetBounds(0, 0, 50, 50);
  listener->SetParent(form);
  auto* edit = new TEdit(form);
  edit->SetBounds(0, 60, 100, 24);
  edit->SetParent(form);
  form->Show();
  Pump();
  EXPECT_EQ(events, std::vector<std::string>{"activate"});
  listener->heard.clear();
  listener->SetFocus();
  ASSERT_EQ(listener->heard.size(), 1u);
  EXPECT_EQ(listener->heard[0], std::make_pair(CM_FOCUSCHANGED, reinterpret_cast<LPARAM>(static_cast<TWinControl*>(listener))));
  listener->SetFocus();  // no change, nothing told
  EXPECT_EQ(listener->heard.size(), 1u);
  SendMessage(Application->Handle(), WM_SYSCOLORCHANGE, 0, 0);
  ASSERT_EQ(listener->heard.size(), 2u);
  EXPECT_EQ(listener->heard[1].first, CM_SYSCOLORCHANGE);
  auto* other = new TForm(Application);
  other->SetBounds(400, 100, 100, 100);
  other->Show();
  Pump();
  EXPECT_EQ(events, (std::vector<std::string>{"activate", "deactivate"}));
  delete other;
  delete form;  // while the handlers' vector lives
}

// An edit whose text stays left of a strip kept for a button (a spin edit's layout).
class StripEdit : public TCustomEdit {
 public:
  using TCustomEdit::TCustomEdit;

 protected:
  void CreateParams(TCreateParams& params) override {
    TCustomEdit::CreateParams(params);
    params.Style |= ES_MULTILINE;
  }
};

TEST_F(FormProtocolsTest, EditTakesAFormattingRectangle) {
  auto* form = new TForm(Application);
  form->SetBounds(100, 100, 300, 200);
  auto* edit = new StripEdit(form);
  edit->SetBounds(10, 10, 120, 24);
  edit->SetParent(form);
  form->Show();
  Pump();
  const RECT strip{0, 0, edit->ClientWidth() - 22, edit->ClientHeight() + 1};
  edit->Perform(EM_SETRECTNP, 0, reinterpret_cast<LPARAM>(&strip));
  RECT read{};
  edit->Perform(EM_GETRECT, 0, reinterpret_cast<LPARAM>(&read));
  EXPECT_EQ(read.right, strip.right);
  EXPECT_EQ(read.bottom, strip.bottom);
  edit->SetText("12345");
  EXPECT_EQ(edit->Text(), "12345");
}

}  // namespace
}  // namespace plat::test
