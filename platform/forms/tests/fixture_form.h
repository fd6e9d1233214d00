// The fixture form of the end-to-end tests, built in code: a Japanese label,
// an edit, a button with a hint, a combo box, a track bar, an elliptic
// windowed child and the test control hosted through TOleControl (its
// module registered first with RegisterFixtureControls). The headless test
// and the screen test run the same form.
#ifndef PLATFORM_FORMS_TESTS_FIXTURE_FORM_H_
#define PLATFORM_FORMS_TESTS_FIXTURE_FORM_H_

#include <string>

#include "plat/forms/comctrls.h"
#include "plat/forms/forms.h"
#include "plat/forms/listctrls.h"
#include "plat/forms/olectrls.h"
#include "plat/forms/stdctrls.h"
#include "plat/gdi.h"
#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "test_control.h"

namespace plat::test {

// A windowed child cut to an ellipse, filled with its colour.
class EllipseControl : public TCustomControl {
 public:
  using TCustomControl::TCustomControl;

 protected:
  void CreateWnd() override {
    TCustomControl::CreateWnd();
    SetWindowRgn(Handle(), CreateEllipticRgn(0, 0, Width(), Height()), TRUE);
  }
  void Paint() override {
    Canvas()->Brush()->SetColor(Color());
    Canvas()->FillRect(ClientRect());
  }
};

// Registers the test control's module (PLAT_TESTCTL_PATH) in the current
// registry; false when it cannot be loaded or refuses.
inline bool RegisterFixtureControls() {
  HMODULE module = LoadLibrary(PLAT_TESTCTL_PATH);
  if (module == nullptr) return false;
  auto register_server = reinterpret_cast<DllRegisterServerFunction>(GetProcAddress(module, "DllRegisterServer"));
  return register_server != nullptr && register_server() == S_OK;
}

class FixtureForm : public TForm {
 public:
  explicit FixtureForm(TComponent* owner) : TForm(owner) {
    BeginLoading();
    SetName("FixtureForm");
    SetCaption("Forms fixture");
    SetBorderStyle(bsSingle);
    SetBounds(120, 90, 360, 220);
    SetShowHint(true);
    label = new TLabel(this);
    label->SetName("Label1");
    label->SetCaption("日本語のラベル");
    label->SetBounds(12, 12, 200, 20);
    label->SetParent(this);
    edit = new TEdit(this);
    edit->SetName("Edit1");
    edit->SetBounds(12, 40, 160, 24);
    edit->SetParent(this);
    button = new TButton(this);
    button->SetName("Button1");
    button->SetCaption("Go");
    button->SetHint("Start|Starts the run");
    button->SetBounds(12, 80, 100, 30);
    button->SetParent(this);
    button->OnClick = [this](TObject*) { ++clicks; };
    combo = new TComboBox(this);
    combo->SetName("ComboBox1");
    combo->SetStyle(csDropDownList);
    combo->SetBounds(12, 120, 160, 24);
    combo->SetParent(this);
    combo->Items()->Add("A4");
    combo->Items()->Add("B5");
    combo->Items()->Add("はがき");
    combo->SetItemIndex(0);
    track = new TTrackBar(this);
    track->SetName("TrackBar1");
    track->SetBounds(12, 150, 160, 30);
    track->SetMax(9);
    track->SetParent(this);
    ellipse = new EllipseControl(this);
    ellipse->SetName("Ellipse1");
    ellipse->SetBounds(220, 40, 120, 80);
    ellipse->SetColor(clNavy);
    ellipse->SetParent(this);
    hosted = new TOleControl(this, testctl::kProgId);
    hosted->SetName("TestCtl1");
    hosted->SetBounds(220, 130, 120, 40);
    hosted->SetParent(this);
    hosted->OnEvent = [this](TObject*, DISPID id, std::span<Variant>) {
      if (id == DISPID_CLICK) ++hosted_clicks;
    };
    EndLoading();
  }

  TLabel* label;
  TEdit* edit;
  TButton* button;
  TComboBox* combo;
  TTrackBar* track;
  EllipseControl* ellipse;
  TOleControl* hosted;
  int clicks = 0;
  int hosted_clicks = 0;
};

}  // namespace plat::test

#endif  // PLATFORM_FORMS_TESTS_FIXTURE_FORM_H_
