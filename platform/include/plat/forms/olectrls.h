// TOleControl: a registered control hosted on a form. The control is made by
// CoCreateInstance from its class (a CLSID, or a ProgID looked up in the
// registry), gets a site that answers its ambient properties from this
// component (UserMode, the parent's colour and font, the locale, the name),
// and makes its own window inside the parent's when this control's window is
// needed; that window then is this control's Handle, so sizing, focus, keys,
// hints and mouse events go through the class library as for any windowed
// control. Properties and methods are reached by DISPID or by name with
// values of exact automation types; the control's events reach InvokeEvent
// (and OnEvent) synchronously. A failed call raises EOleException(message,
// scode, source). The control is held across every call and event, so a
// handler may free this component, or its form, from inside an event.
#ifndef PLAT_FORMS_OLECTRLS_H_
#define PLAT_FORMS_OLECTRLS_H_

#include <functional>
#include <initializer_list>
#include <span>
#include <string>
#include <vector>

#include "plat/forms/controls.h"
#include "plat/oleaut/connection.h"
#include "plat/oleaut/embedding.h"
#include "plat/oleaut/property_bag.h"

namespace plat {

class TOleControl;

// An event of a hosted control: its DISPID and its arguments in natural
// order; a by-reference argument may be changed to answer the control.
using TOleEvent = std::function<void(TObject* sender, DISPID id, std::span<Variant> args)>;

class TOleControl : public TWinControl {
 public:
  // Makes the control of `clsid`; with `stored`, its persisted properties
  // are loaded from the bag, else it starts with its defaults. Raises
  // EOleException when the class is not registered, cannot be made or
  // refuses the stored properties.
  TOleControl(TComponent* owner, const CLSID& clsid, IPropertyBag* stored = nullptr);
  // `class_name` is a ProgID or a braced CLSID.
  TOleControl(TComponent* owner, const std::string& class_name, IPropertyBag* stored = nullptr);
  ~TOleControl() override;

  const CLSID& ClassID() const { return clsid_; }
  // The control's automation interface (counted by this component).
  IDispatch* OleObject() const { return dispatch_.get(); }
  // The control's name for messages: its ProgID, else its CLSID's text.
  const std::string& SourceName() const { return source_; }

  // ---- Properties and methods --------------------------------------------------------------
  // The value goes with its own VARTYPE (VT_BOOL for Boolean, TRUE as -1).
  void SetProperty(DISPID id, const Variant& value);
  Variant GetProperty(DISPID id);
  void SetIntegerProp(DISPID id, int32_t value) { SetProperty(id, Variant(value)); }
  void SetSmallintProp(DISPID id, int16_t value) { SetProperty(id, Variant(value)); }
  void SetWordBoolProp(DISPID id, bool value) { SetProperty(id, Variant::Bool(value)); }
  void SetStringProp(DISPID id, const std::string& value) { SetProperty(id, Variant(value)); }
  // A colour as an automation colour (system colours keep their index).
  void SetColorProp(DISPID id, TColor value) { SetProperty(id, Variant(static_cast<int32_t>(value))); }
  // The value converted to the type asked for; EOleException when it does not convert.
  int32_t GetIntegerProp(DISPID id);
  int16_t GetSmallintProp(DISPID id);
  bool GetWordBoolProp(DISPID id);
  std::string GetStringProp(DISPID id);
  TColor GetColorProp(DISPID id) { return static_cast<TColor>(GetIntegerProp(id)); }
  // By name (case-insensitive); EOleException for a name the control lacks.
  DISPID DispIdOfName(const std::string& name);
  void SetPropertyByName(const std::string& name, const Variant& value) { SetProperty(DispIdOfName(name), value); }
  Variant GetPropertyByName(const std::string& name) { return GetProperty(DispIdOfName(name)); }
  // Calls a method; `args` in natural order, by-reference ones for
  // arguments the method writes back. The result is empty for none.
  Variant InvokeMethod(DISPID id, std::span<Variant> args = {});
  Variant InvokeMethod(DISPID id, std::initializer_list<Variant> args);
  Variant InvokeMethodByName(const std::string& name, std::initializer_list<Variant> args = {});

  // ---- Verbs and persistence ---------------------------------------------------------------
  // Runs a verb of the control over this control's form window.
  void DoObjectVerb(LONG verb);
  // The control's property pages in the modal property frame.
  void ShowPropertyPages() { DoObjectVerb(OLEIVERB_PROPERTIES); }
  // The control's persisted properties into `bag` (all of them, or only
  // those that differ from their defaults) and back.
  void SaveProperties(IPropertyBag* bag, bool save_all = true);
  void LoadProperties(IPropertyBag* bag);

  // Every event of the control, after InvokeEvent's own handling.
  TOleEvent OnEvent;

  void SetBounds(int left, int top, int width, int height) override;
  void SetDesigning(bool designing, bool include_owned = true) override;

 protected:
  // Where the control's events arrive (a typed wrapper maps them to its
  // own events here); the default calls OnEvent.
  virtual void InvokeEvent(DISPID id, std::span<Variant> args);
  // The ambient `id` as this component answers it; false for one it does not know.
  virtual bool GetAmbientProperty(DISPID id, Variant& value);
  // Tells the control that an ambient property changed.
  void AmbientChanged(DISPID id);

  void CreateWnd() override;
  void DestroyWnd() override;
  void Dispatch(TMessage& msg) override;

 private:
  class Site;
  class Sink;

  void CreateControl(IPropertyBag* stored);
  Variant Call(DISPID id, InvokeKind kind, std::span<Variant> args, const char* what);
  void ReleaseControl();

  CLSID clsid_{};
  std::string source_;
  ComPtr<IDispatch> dispatch_;
  ComPtr<IEmbeddedControl> embedded_;
  ComPtr<IInPlaceControl> in_place_;
  ComPtr<Site> site_;
  ComPtr<Sink> sink_;
  ComPtr<IConnectionPoint> event_point_;
  DWORD event_cookie_ = 0;
};

}  // namespace plat

#endif  // PLAT_FORMS_OLECTRLS_H_
