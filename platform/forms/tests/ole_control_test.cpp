// TOleControl against real control modules this program does not link: the
// recording control (every call with its exact types, embedding steps in
// order) and the test control (a refused value, its property page), both
// registered by their own DllRegisterServer in the test's private registry.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "forms_fixture.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/olectrls.h"
#include "plat/forms/stdctrls.h"
#include "plat/dialog.h"
#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "plat/system.h"
#include "recording_control.h"
#include "test_control.h"

namespace plat::test {
namespace {

namespace rec = recording;

using TakeLogFunction = const char* (*)();

// The edit of the test control's property page.
constexpr int kQualityEditId = 201;

HMODULE RegisterModule(const char* path) {
  HMODULE module = LoadLibrary(path);
  if (module == nullptr) return nullptr;
  auto register_server = reinterpret_cast<DllRegisterServerFunction>(GetProcAddress(module, "DllRegisterServer"));
  if (register_server == nullptr || register_server() != S_OK) return nullptr;
  return module;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

class OleControlTest : public FormsTest {
 protected:
  void SetUp() override {
    FormsTest::SetUp();
    recorder_module_ = RegisterModule(PLAT_RECORDER_PATH);
    ASSERT_NE(recorder_module_, nullptr);
    ASSERT_NE(RegisterModule(PLAT_TESTCTL_PATH), nullptr);
    take_log_ = reinterpret_cast<TakeLogFunction>(GetProcAddress(recorder_module_, "RecordingControlTakeLog"));
    ASSERT_NE(take_log_, nullptr);
    TakeLog();
    form_ = new TForm(Application);
    form_->SetName("Host");
    form_->SetBounds(100, 100, 320, 200);
  }
  void TearDown() override {
    delete form_;
    FormsTest::TearDown();
  }
  std::vector<std::string> TakeLog() { return Lines(take_log_()); }
  TOleControl* Place(const std::string& class_name, const std::string& name, IPropertyBag* stored = nullptr) {
    auto* control = new TOleControl(form_, class_name, stored);
    control->SetName(name);
    control->SetParent(form_);
    return control;
  }

  HMODULE recorder_module_ = nullptr;
  TakeLogFunction take_log_ = nullptr;
  TForm* form_ = nullptr;
};

TEST_F(OleControlTest, PutsArriveWithTheirExactTypesAndValuesComeBack) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  // The site before the defaults; placed on the form, the control hears of
  // the form's colour and font.
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"made", "site", "init new", "ambient -701", "ambient -703",
                                                 "ambient -704"}));
  struct Case {
    const char* name;
    std::function<void()> put;
    const char* logged;
  };
  int32_t bumped = 4;
  const Case cases[] = {
      {"bool true", [&] { ole->SetWordBoolProp(rec::kFlag, true); }, "put 1 VT_BOOL -1"},
      {"bool false", [&] { ole->SetWordBoolProp(rec::kFlag, false); }, "put 1 VT_BOOL 0"},
      {"long", [&] { ole->SetIntegerProp(rec::kCount, 70000); }, "put 2 VT_I4 70000"},
      {"short", [&] { ole->SetSmallintProp(rec::kSmall, -3); }, "put 3 VT_I2 -3"},
      {"string", [&] { ole->SetStringProp(rec::kText, "日本語"); }, "put 4 VT_BSTR \"日本語\""},
      {"double", [&] { ole->SetProperty(rec::kRatio, Variant(1.5)); }, "put 5 VT_R8 1.5"},
      {"colour", [&] { ole->SetColorProp(rec::kTint, clRed); }, "put 7 VT_I4 255"},
      {"by name", [&] { ole->SetPropertyByName("count", Variant(int32_t{9})); }, "put 2 VT_I4 9"},
      {"by reference", [&] { ole->InvokeMethod(rec::kBump, {Variant::ByRef(&bumped)}); }, "call 21 VT_I4|VT_BYREF 4"},
      {"get", [&] { EXPECT_EQ(ole->GetIntegerProp(rec::kCount), 9); }, "get 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    c.put();
    EXPECT_EQ(TakeLog(), std::vector<std::string>{c.logged});
  }
  EXPECT_EQ(bumped, 5);
  EXPECT_FALSE(ole->GetWordBoolProp(rec::kFlag));
  EXPECT_EQ(ole->GetSmallintProp(rec::kSmall), -3);
  EXPECT_EQ(ole->GetStringProp(rec::kText), "日本語");
  EXPECT_EQ(ole->GetColorProp(rec::kTint), clRed);
  EXPECT_EQ(ole->GetPropertyByName("Ratio").dblVal(), 1.5);
  EXPECT_EQ(ole->SourceName(), rec::kProgId);
}

TEST_F(OleControlTest, FailedCallsRaiseEOleExceptionAndChangeNothing) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  struct Case {
    const char* name;
    std::function<void()> call;
    SCODE scode;
  };
  const Case cases[] = {
      {"refused put", [&] { ole->SetSmallintProp(rec::kGuarded, 11); }, MakeResult(0x800A017C)},
      {"unknown name", [&] { ole->SetPropertyByName("NoSuch", Variant(int32_t{1})); }, DISP_E_UNKNOWNNAME},
      {"unknown id", [&] { ole->GetProperty(99); }, DISP_E_MEMBERNOTFOUND},
      {"no conversion", [&] { ole->GetIntegerProp(rec::kText); }, DISP_E_TYPEMISMATCH},
      {"wrong argument count", [&] { ole->InvokeMethod(rec::kPing, {}); }, DISP_E_BADPARAMCOUNT},
  };
  ole->SetStringProp(rec::kText, "not a number");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      c.call();
      ADD_FAILURE() << "no exception";
    } catch (const EOleException& e) {
      EXPECT_EQ(static_cast<uint32_t>(e.ErrorCode()), static_cast<uint32_t>(c.scode));
      EXPECT_EQ(e.Source(), rec::kProgId);
      EXPECT_FALSE(std::string(e.what()).empty());
    }
  }
  EXPECT_EQ(ole->GetSmallintProp(rec::kGuarded), 1);

  // The same refusal from the test control, with its own source.
  TOleControl* test_control = Place(testctl::kProgId, "Test1");
  try {
    test_control->SetSmallintProp(testctl::kQuality, 0);
    ADD_FAILURE() << "no exception";
  } catch (const EOleException& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.ErrorCode()), 0x800A017Cu);
    EXPECT_EQ(e.Source(), testctl::kProgId);
  }
  EXPECT_EQ(test_control->GetSmallintProp(testctl::kQuality), 2);

  // Classes that cannot be made leave nothing on the form.
  const int count = form_->ComponentCount();
  EXPECT_THROW(new TOleControl(form_, "No.Such.Control"), EOleException);
  EXPECT_THROW(new TOleControl(form_, CLSID{0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}}), EOleException);
  EXPECT_EQ(form_->ComponentCount(), count);
}

TEST_F(OleControlTest, EventsReachTheHandlerDuringTheCall) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  TakeLog();
  std::vector<std::string> log_in_handler;
  std::vector<Variant> seen;
  DISPID seen_id = 0;
  TObject* seen_sender = nullptr;
  ole->OnEvent = [&](TObject* sender, DISPID id, std::span<Variant> args) {
    seen_sender = sender;
    seen_id = id;
    seen.assign(args.begin(), args.end());
    log_in_handler = TakeLog();
  };
  EXPECT_EQ(ole->InvokeMethod(rec::kPing, {Variant(int32_t{5})}), Variant::Bool(true));
  EXPECT_EQ(log_in_handler, std::vector<std::string>{"call 20 VT_I4 5"}) << "the event came inside the call";
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"pinged 5"});
  EXPECT_EQ(seen_sender, ole);
  EXPECT_EQ(seen_id, rec::kPingedEvent);
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], Variant(int32_t{5}));
  EXPECT_EQ(seen[1], Variant("page5"));
  EXPECT_EQ(seen[2], Variant::Bool(true));
}

TEST_F(OleControlTest, AnExceptionInAHandlerIsShownOnceAndTheCallCompletes) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  ole->OnEvent = [](TObject*, DISPID, std::span<Variant>) { throw EInvalidOperation("Event failed"); };
  SetModalResponder([](ModalContext& context) { context.PressDefault(); });
  ClearJournal();
  EXPECT_EQ(ole->InvokeMethod(rec::kPing, {Variant(int32_t{1})}), Variant::Bool(true));
  EXPECT_EQ(JournalOf("message-box"), std::vector<std::string>{Application->Title() + ": Event failed."});
  EXPECT_EQ(ole->GetIntegerProp(rec::kCount), 0) << "the control still answers";
}

TEST_F(OleControlTest, TheFormFreedInsideAnEventGoesSafely) {
  enum class How { kDeleteDuringACall, kDeleteOnAClick, kReleaseDuringACall };
  struct Case {
    const char* name;
    How how;
  };
  for (const Case c : {Case{"deleted during a call", How::kDeleteDuringACall},
                       Case{"deleted on a click in the control's window", How::kDeleteOnAClick},
                       Case{"released during a call", How::kReleaseDuringACall}}) {
    SCOPED_TRACE(c.name);
    TOleControl* ole = Place(rec::kProgId, "Recorder1");
    form_->Show();
    TakeLog();
    bool freed = false;
    ole->OnEvent = [&](TObject*, DISPID id, std::span<Variant>) {
      if (id != rec::kPingedEvent && id != DISPID_CLICK) return;
      if (c.how == How::kReleaseDuringACall) {
        form_->Release();
        return;
      }
      delete form_;
      form_ = nullptr;
      freed = true;
    };
    if (c.how == How::kDeleteOnAClick) {
      Click(ole->Handle(), POINT{5, 5});
      Pump();
    } else {
      const std::weak_ptr<void> form_alive = form_->AliveToken();
      EXPECT_EQ(ole->InvokeMethod(rec::kPing, {Variant(int32_t{2})}), Variant::Bool(true));
      if (c.how == How::kReleaseDuringACall) {
        EXPECT_FALSE(form_alive.expired()) << "freed only after the event";
        Pump();
        freed = form_alive.expired();
        form_ = nullptr;
      }
    }
    EXPECT_TRUE(freed);
    const std::vector<std::string> log = TakeLog();
    const auto at = [&](const char* line) { return std::find(log.begin(), log.end(), line) - log.begin(); };
    ASSERT_LT(at("released"), static_cast<ptrdiff_t>(log.size())) << "the control was released";
    EXPECT_LT(at("window gone"), at("site null"));
    EXPECT_LT(at("site null"), at("released"));
    form_ = new TForm(Application);
    form_->SetBounds(100, 100, 320, 200);
  }
}

TEST_F(OleControlTest, TheSiteAnswersAmbientsFromTheForm) {
  form_->SetColor(0x123456);
  form_->Font()->SetName("Test Sans");
  form_->Font()->SetColor(0x00AA00);
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  char expected[200];
  std::snprintf(expected, sizeof(expected),
                "UserMode=1 BackColor=00123456 ForeColor=0000AA00 Font=Test Sans Locale=%04X Name=Recorder1",
                static_cast<unsigned>(GetUserDefaultLCID()));
  EXPECT_EQ(ole->InvokeMethod(rec::kAmbients, {}).bstrVal(), expected);
  TakeLog();
  form_->SetColor(clRed);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"ambient -701"});
  form_->Font()->SetName("Other Sans");
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"ambient -703", "ambient -704"}));
  // A colour of its own stops the parent's.
  ole->SetColor(clBlue);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"ambient -701"});
  form_->SetColor(clGreen);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{});
  ole->SetDesigning(true);
  EXPECT_EQ(TakeLog(), std::vector<std::string>{"ambient -709"});
  EXPECT_EQ(ole->InvokeMethod(rec::kAmbients, {}).bstrVal().substr(0, 10), "UserMode=0");
}

TEST_F(OleControlTest, TheControlsWindowIsTheComponentsAndFollowsItsBounds) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  EXPECT_EQ(ole->Width(), 64) << "the control's own extent";
  EXPECT_EQ(ole->Height(), 40);
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(ole->OleObject()).As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  ole->SetBounds(10, 20, 90, 30);
  SIZE extent{};
  ASSERT_EQ(embedded->GetExtent(&extent), S_OK);
  EXPECT_EQ(extent.cx, 90);
  EXPECT_EQ(extent.cy, 30);
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"made", "site", "init new", "ambient -701", "ambient -703",
                                                 "ambient -704"}))
      << "no window before one is needed";

  form_->Show();
  HWND window = ole->Handle();
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"window", "focus"})) << "the form's first control";
  char class_name[64] = {};
  GetClassName(window, class_name, sizeof(class_name));
  EXPECT_EQ(std::string(class_name), std::string(rec::kProgId) + ".Ctl");
  EXPECT_EQ(GetParent(window), form_->Handle());
  EXPECT_EQ(FindControl(window), ole);
  ole->SetBounds(30, 40, 120, 60);
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, form_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 30);
  EXPECT_EQ(rect.top, 40);
  EXPECT_EQ(rect.right - rect.left, 120);
  EXPECT_EQ(rect.bottom - rect.top, 60);
  ASSERT_EQ(embedded->GetExtent(&extent), S_OK);
  EXPECT_EQ(extent.cx, 120);
  ole->Hide();
  EXPECT_FALSE(IsWindowVisible(window));
  ole->Show();

  // Aligned to the form's client area, the window and the extent follow.
  ole->SetAlign(alClient);
  EXPECT_EQ(ole->Width(), form_->ClientWidth());
  ASSERT_EQ(embedded->GetExtent(&extent), S_OK);
  EXPECT_EQ(extent.cx, form_->ClientWidth());
  EXPECT_EQ(extent.cy, form_->ClientHeight());

  // A new form window (its border changed) takes the control's window with
  // the old one and makes a new one; the control itself stays.
  TakeLog();
  form_->SetBorderStyle(bsDialog);
  const std::vector<std::string> log = TakeLog();
  ASSERT_GE(log.size(), 2u);
  EXPECT_EQ(log[0], "window gone");
  EXPECT_EQ(log[1], "window");
  EXPECT_EQ(GetParent(ole->Handle()), form_->Handle());
  EXPECT_EQ(FindControl(ole->Handle()), ole);
  EXPECT_EQ(ole->GetIntegerProp(rec::kCount), 0);
  TakeLog();
  embedded = nullptr;
  delete ole;
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"window gone", "site null", "released"}));
}

TEST_F(OleControlTest, FocusAndKeysGoToTheControl) {
  auto* edit = new TEdit(form_);
  edit->SetBounds(10, 10, 100, 24);
  edit->SetParent(form_);
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  ole->SetBounds(10, 50, 100, 40);
  std::vector<std::pair<DISPID, int>> events;
  ole->OnEvent = [&](TObject*, DISPID id, std::span<Variant> args) {
    if (id == DISPID_KEYDOWN) events.emplace_back(id, args[0].Dereferenced().iVal());
  };
  std::vector<WORD> form_keys;
  ole->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { form_keys.push_back(key); };
  HWND focus_after_set = nullptr;
  HWND focus_after_tab = nullptr;
  form_->Show();
  SetIdleScript({
      [&] {
        ole->SetFocus();
        focus_after_set = GetFocus();
      },
      [&] { Key('A'); },
      [&] { Key(VK_TAB); },
      [&] { focus_after_tab = GetFocus(); },
      [&] { Application->Terminate(); },
  });
  Application->Run();
  EXPECT_EQ(focus_after_set, ole->Handle());
  EXPECT_EQ(form_keys, std::vector<WORD>{'A'});
  EXPECT_EQ(events, (std::vector<std::pair<DISPID, int>>{{DISPID_KEYDOWN, 'A'}}));
  EXPECT_EQ(focus_after_tab, edit->Handle());
  const std::vector<std::string> log = TakeLog();
  EXPECT_NE(std::find(log.begin(), log.end(), "focus"), log.end());
}

TEST_F(OleControlTest, ThePropertiesVerbOpensTheControlsPages) {
  TOleControl* ole = Place(testctl::kProgId, "Quality1");
  form_->Show();
  std::string title;
  SetModalResponder([&](ModalContext& context) {
    title = context.Title();
    HWND page = nullptr;
    for (HWND child = GetWindow(context.modal(), GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT)) {
      if (IsWindowVisible(child) && GetDlgItem(child, kQualityEditId) != nullptr) page = child;
    }
    ASSERT_NE(page, nullptr);
    SetDlgItemText(page, kQualityEditId, "7");  // EN_CHANGE reaches the page
    context.Press(IDOK);
  });
  ole->ShowPropertyPages();
  EXPECT_EQ(title, "Quality1 Properties");
  EXPECT_EQ(ole->GetSmallintProp(testctl::kQuality), 7);
  // A control without pages refuses the verb.
  TOleControl* recorder = Place(rec::kProgId, "Recorder1");
  EXPECT_THROW(recorder->ShowPropertyPages(), EOleException);
}

TEST_F(OleControlTest, PropertiesPersistThroughABag) {
  TOleControl* ole = Place(rec::kProgId, "Recorder1");
  ole->SetWordBoolProp(rec::kFlag, true);
  ole->SetIntegerProp(rec::kCount, 42);
  ole->SetStringProp(rec::kText, "kept");
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  ole->SaveProperties(bag.get());
  ASSERT_NE(bag->Find("Count"), nullptr);
  TakeLog();
  TOleControl* copy = Place(rec::kProgId, "Recorder2", bag.get());
  EXPECT_EQ(TakeLog(), (std::vector<std::string>{"made", "site", "load", "ambient -701", "ambient -703",
                                                 "ambient -704"}));
  EXPECT_TRUE(copy->GetWordBoolProp(rec::kFlag));
  EXPECT_EQ(copy->GetIntegerProp(rec::kCount), 42);
  EXPECT_EQ(copy->GetStringProp(rec::kText), "kept");
}

}  // namespace
}  // namespace plat::test
