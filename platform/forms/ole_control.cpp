// TOleControl: hosting a registered control. The control's window, once made
// in place, is this component's window (adopted like a standard control's),
// and every call and event holds the control, so a handler may free this
// component or its form inside an event: nothing here touches `this` after a
// call into the control unless the component's alive token says it lives.
#include "plat/forms/olectrls.h"

#include <utility>

#include "control_internal.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/oleaut/com.h"
#include "plat/oleaut/dispatch.h"
#include "plat/oleaut/typelib.h"
#include "plat/system.h"

namespace plat {
namespace {

// The ambient font: the properties of the host's font, read-only.
class AmbientFont : public DispatchObject<AmbientFont> {
 public:
  static constexpr const char* kSourceName = "Font";
  explicit AmbientFont(TFont& font)
      : name_(font.Name()),
        size_points_(font.Size()),
        weight_(static_cast<int16_t>(font.Logfont().lfWeight)),
        charset_(font.Charset()),
        is_bold_(font.Style().Contains(fsBold)),
        is_italic_(font.Style().Contains(fsItalic)),
        is_underline_(font.Style().Contains(fsUnderline)),
        is_strike_out_(font.Style().Contains(fsStrikeOut)) {}

  static const DispatchMap<AmbientFont>& GetDispatchMap() {
    static const DispatchMap<AmbientFont> map{
        "Font",
        GUID_NULL,
        {
            Property(DISPID_FONT_NAME, "Name", VT_BSTR, &AmbientFont::Name, nullptr),
            Property(DISPID_FONT_SIZE, "Size", VT_R8, &AmbientFont::Size, nullptr),
            Property(DISPID_FONT_BOLD, "Bold", VT_BOOL, &AmbientFont::Bold, nullptr),
            Property(DISPID_FONT_ITALIC, "Italic", VT_BOOL, &AmbientFont::Italic, nullptr),
            Property(DISPID_FONT_UNDER, "Underline", VT_BOOL, &AmbientFont::Underline, nullptr),
            Property(DISPID_FONT_STRIKE, "Strikethrough", VT_BOOL, &AmbientFont::Strikethrough, nullptr),
            Property(DISPID_FONT_WEIGHT, "Weight", VT_I2, &AmbientFont::Weight, nullptr),
            Property(DISPID_FONT_CHARSET, "Charset", VT_I2, &AmbientFont::Charset, nullptr),
        }};
    return map;
  }

 private:
  std::string Name() const { return name_; }
  double Size() const { return size_points_; }
  bool Bold() const { return is_bold_; }
  bool Italic() const { return is_italic_; }
  bool Underline() const { return is_underline_; }
  bool Strikethrough() const { return is_strike_out_; }
  int16_t Weight() const { return weight_; }
  int16_t Charset() const { return charset_; }

  std::string name_;
  double size_points_;
  int16_t weight_;
  int16_t charset_;
  bool is_bold_;
  bool is_italic_;
  bool is_underline_;
  bool is_strike_out_;
};

std::string DescriptionOf(HRESULT hr) { return StandardErrorDescription(hr); }

// The exception for a failed automation call.
[[noreturn]] void RaiseOleError(HRESULT hr, const EXCEPINFO* excep, const std::string& source,
                                const std::string& what) {
  if (hr == DISP_E_EXCEPTION && excep != nullptr) {
    const SCODE scode = excep->scode != 0 ? excep->scode : hr;
    std::string message = !excep->bstrDescription.empty() ? excep->bstrDescription : DescriptionOf(scode);
    throw EOleException(std::move(message), scode, !excep->bstrSource.empty() ? excep->bstrSource : source,
                        excep->bstrHelpFile, static_cast<int>(excep->dwHelpContext));
  }
  std::string message = DescriptionOf(hr);
  if (!what.empty()) message = what + ": " + message;
  throw EOleException(std::move(message), hr, source);
}

}  // namespace

// ---- The site and the event sink ------------------------------------------------------------

// Answers the control's questions for its host while the host lives.
class TOleControl::Site : public ComObject<IControlSite> {
 public:
  explicit Site(TOleControl* owner) : owner_(owner) {}
  void Detach() { owner_ = nullptr; }

  HRESULT GetAmbientProperty(DISPID id, Variant* value) override {
    if (value == nullptr) return E_POINTER;
    if (owner_ == nullptr) return DISP_E_MEMBERNOTFOUND;
    try {
      Variant answer;
      if (!owner_->GetAmbientProperty(id, answer)) return DISP_E_MEMBERNOTFOUND;
      *value = std::move(answer);
      return S_OK;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_FAIL;
    }
  }
  HRESULT OnControlInfoChanged() override { return S_OK; }

 private:
  TOleControl* owner_;
};

// The control's event interface on the host side: every event goes to the
// host's InvokeEvent; an exception of a handler ends here, in
// Application->HandleException, and never unwinds into the control.
class TOleControl::Sink : public ComObject<IDispatch> {
 public:
  Sink(TOleControl* owner, const IID& events_iid) : owner_(owner), iid_(events_iid) {}
  void Detach() { owner_ = nullptr; }

  HRESULT GetIDsOfNames(std::string_view, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, InvokeKind, std::span<Variant> args, Variant*, EXCEPINFO*, UINT*) override {
    if (owner_ == nullptr) return S_OK;
    ComPtr<IUnknown> hold_sink(GetUnknown());
    TOleControl* owner = owner_;
    const std::weak_ptr<void> alive = owner->AliveToken();
    ComPtr<IDispatch> hold_control = owner->dispatch_;
    try {
      owner->InvokeEvent(id, args);
    } catch (...) {
      forms::internal::HandleDispatchException(alive.expired() ? nullptr : owner);
    }
    return S_OK;
  }
  const InterfaceInfo* GetTypeInfo() override { return nullptr; }

 protected:
  void* QueryExtra(const IID& iid) override { return iid == iid_ ? static_cast<IDispatch*>(this) : nullptr; }

 private:
  TOleControl* owner_;
  IID iid_;
};

// ---- Creation and destruction ---------------------------------------------------------------

TOleControl::TOleControl(TComponent* owner, const CLSID& clsid, IPropertyBag* stored)
    : TWinControl(owner), clsid_(clsid) {
  CreateControl(stored);
}

TOleControl::TOleControl(TComponent* owner, const std::string& class_name, IPropertyBag* stored)
    : TWinControl(owner) {
  const HRESULT hr = CLSIDFromString(class_name.c_str(), &clsid_);
  if (FAILED(hr)) throw EOleException("Class '" + class_name + "' is not registered", hr, class_name);
  CreateControl(stored);
}

void TOleControl::CreateControl(IPropertyBag* stored) {
  SetTabStop(true);
  std::string prog_id;
  source_ = SUCCEEDED(ProgIDFromCLSID(clsid_, &prog_id)) && !prog_id.empty() ? prog_id : StringFromGUID(clsid_);
  ComPtr<IUnknown> unknown;
  HRESULT hr = CoCreateInstance(clsid_, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, unknown.put_void());
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "Cannot create the control " + source_);
  dispatch_ = unknown.As<IDispatch>();
  if (!dispatch_) RaiseOleError(E_NOINTERFACE, nullptr, source_, "The control " + source_ + " is not automatable");
  try {
    embedded_ = unknown.As<IEmbeddedControl>();
    in_place_ = unknown.As<IInPlaceControl>();
    // The site comes first: loading may already ask for ambients.
    site_ = MakeCom<Site>(this);
    if (embedded_) embedded_->SetSite(site_.get());
    if (ComPtr<IPersistPropertyBag> persist = unknown.As<IPersistPropertyBag>()) {
      hr = stored != nullptr ? persist->Load(stored) : persist->InitNew();
      if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "The control " + source_ + " refused its properties");
    }
    const CoClassInfo* coclass = nullptr;
    ComPtr<IProvideClassInfo> class_info = unknown.As<IProvideClassInfo>();
    ComPtr<IConnectionPointContainer> container = unknown.As<IConnectionPointContainer>();
    if (class_info && container && SUCCEEDED(class_info->GetClassInfo(&coclass)) && coclass != nullptr &&
        coclass->events != nullptr) {
      ComPtr<IConnectionPoint> point;
      if (SUCCEEDED(container->FindConnectionPoint(coclass->events->iid, point.put()))) {
        sink_ = MakeCom<Sink>(this, coclass->events->iid);
        hr = point->Advise(sink_->GetUnknown(), &event_cookie_);
        if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "Cannot connect to the events of " + source_);
        event_point_ = std::move(point);
      }
    }
    SIZE extent{};
    if (embedded_ && SUCCEEDED(embedded_->GetExtent(&extent)) && extent.cx > 0 && extent.cy > 0) {
      TWinControl::SetBounds(Left(), Top(), extent.cx, extent.cy);
    }
  } catch (...) {
    ReleaseControl();
    throw;
  }
}

TOleControl::~TOleControl() {
  // The window first (our hooks off it, the control's window gone), then
  // the events, then the site, then the control itself.
  DestroyHandle();
  ReleaseControl();
}

void TOleControl::ReleaseControl() {
  if (sink_) sink_->Detach();
  if (event_point_) {
    ComPtr<IConnectionPoint> point = std::move(event_point_);
    event_point_ = nullptr;
    point->Unadvise(std::exchange(event_cookie_, 0));
  }
  if (in_place_) in_place_->InPlaceDeactivate();
  if (embedded_) embedded_->SetSite(nullptr);
  if (site_) site_->Detach();
  sink_ = nullptr;
  site_ = nullptr;
  in_place_ = nullptr;
  embedded_ = nullptr;
  dispatch_ = nullptr;
}

// ---- The window -----------------------------------------------------------------------------

void TOleControl::CreateWnd() {
  // An object without a window of its own gets a plain one.
  if (!in_place_) return TWinControl::CreateWnd();
  TCreateParams params;
  CreateParams(params);
  if (params.WndParent == nullptr) throw EInvalidOperation("Control '" + Name() + "' has no parent window");
  const RECT rect{params.X, params.Y, params.X + params.Width, params.Y + params.Height};
  ComPtr<IInPlaceControl> control = in_place_;
  HRESULT hr = control->InPlaceActivate(params.WndParent, rect);
  HWND hwnd = nullptr;
  if (SUCCEEDED(hr)) hr = control->GetWindow(&hwnd);
  if (FAILED(hr) || hwnd == nullptr) {
    RaiseOleError(FAILED(hr) ? hr : E_FAIL, nullptr, source_, "The control " + source_ + " cannot make its window");
  }
  AdoptWindow(hwnd);
  LONG style = GetWindowLong(hwnd, GWL_STYLE);
  style = TabStop() ? (style | static_cast<LONG>(WS_TABSTOP)) : (style & ~static_cast<LONG>(WS_TABSTOP));
  SetWindowLong(hwnd, GWL_STYLE, style);
  if (!Enabled()) EnableWindow(hwnd, FALSE);
  if (!Visible()) ShowWindow(hwnd, SW_HIDE);
}

void TOleControl::DestroyWnd() {
  TWinControl::DestroyWnd();
  // The control learns that its window went (it destroys nothing more).
  if (in_place_) in_place_->InPlaceDeactivate();
}

void TOleControl::SetBounds(int left, int top, int width, int height) {
  TWinControl::SetBounds(left, top, width, height);
  // Without a window the control keeps the size it will be made at; its
  // window tells it the size itself.
  if (!HandleAllocated() && embedded_) embedded_->SetExtent(SIZE{Width(), Height()});
}

void TOleControl::Dispatch(TMessage& msg) {
  switch (msg.Msg) {
    case CM_COLORCHANGED: {
      const std::weak_ptr<void> alive = AliveToken();
      TWinControl::Dispatch(msg);
      if (!alive.expired()) AmbientChanged(DISPID_AMBIENT_BACKCOLOR);
      return;
    }
    case CM_FONTCHANGED: {
      const std::weak_ptr<void> alive = AliveToken();
      TWinControl::Dispatch(msg);
      if (!alive.expired()) AmbientChanged(DISPID_AMBIENT_FONT);
      if (!alive.expired()) AmbientChanged(DISPID_AMBIENT_FORECOLOR);
      return;
    }
    case CM_CTL3DCHANGED: {
      const std::weak_ptr<void> alive = AliveToken();
      TWinControl::Dispatch(msg);
      if (!alive.expired()) AmbientChanged(DISPID_AMBIENT_APPEARANCE);
      return;
    }
    default:
      break;
  }
  TWinControl::Dispatch(msg);
}

// ---- Ambients ---------------------------------------------------------------------------------

bool TOleControl::GetAmbientProperty(DISPID id, Variant& value) {
  const bool is_designing = ComponentState().Contains(csDesigning);
  switch (id) {
    case DISPID_AMBIENT_USERMODE: value = Variant::Bool(!is_designing); return true;
    case DISPID_AMBIENT_UIDEAD: value = Variant::Bool(is_designing); return true;
    case DISPID_AMBIENT_SHOWGRABHANDLES:
    case DISPID_AMBIENT_SHOWHATCHING: value = Variant::Bool(is_designing); return true;
    case DISPID_AMBIENT_MESSAGEREFLECT: value = Variant::Bool(false); return true;
    case DISPID_AMBIENT_SUPPORTSMNEMONICS: value = Variant::Bool(true); return true;
    // System colours keep their index: OLE_COLOR and TColor share the form.
    case DISPID_AMBIENT_BACKCOLOR: value = Variant(static_cast<int32_t>(Color())); return true;
    case DISPID_AMBIENT_FORECOLOR: value = Variant(static_cast<int32_t>(Font()->Color())); return true;
    case DISPID_AMBIENT_FONT: {
      ComPtr<AmbientFont> font = MakeCom<AmbientFont>(*Font());
      value = Variant(static_cast<IDispatch*>(font.get()));
      return true;
    }
    case DISPID_AMBIENT_LOCALEID: value = Variant(static_cast<int32_t>(GetUserDefaultLCID())); return true;
    case DISPID_AMBIENT_DISPLAYNAME: value = Variant(Name()); return true;
    case DISPID_AMBIENT_APPEARANCE: value = Variant(static_cast<int16_t>(Ctl3D() ? 1 : 0)); return true;
    default: return false;
  }
}

void TOleControl::AmbientChanged(DISPID id) {
  if (!embedded_) return;
  ComPtr<IEmbeddedControl> control = embedded_;
  control->AmbientPropertyChanged(id);
}

void TOleControl::SetDesigning(bool designing, bool include_owned) {
  const bool was_designing = ComponentState().Contains(csDesigning);
  TWinControl::SetDesigning(designing, include_owned);
  if (was_designing != designing) AmbientChanged(DISPID_AMBIENT_USERMODE);
}

// ---- Properties, methods and verbs ----------------------------------------------------------

Variant TOleControl::Call(DISPID id, InvokeKind kind, std::span<Variant> args, const char* what) {
  if (!dispatch_) throw EOleException("The control " + source_ + " is not available", E_UNEXPECTED, source_);
  // Held for the call: an event inside it may free this component.
  ComPtr<IDispatch> control = dispatch_;
  const std::string source = source_;
  EXCEPINFO excep;
  UINT arg_err = 0;
  Variant result;
  const HRESULT hr = control->Invoke(id, kind, args, &result, &excep, &arg_err);
  if (FAILED(hr)) RaiseOleError(hr, &excep, source, std::string(what) + " " + std::to_string(id));
  return result;
}

void TOleControl::SetProperty(DISPID id, const Variant& value) {
  Variant args[] = {value};
  Call(id, InvokeKind::kPropertyPut, args, "Setting property");
}

Variant TOleControl::GetProperty(DISPID id) { return Call(id, InvokeKind::kPropertyGet, {}, "Reading property"); }

namespace {

Variant Converted(const Variant& value, VARTYPE vt, const std::string& source) {
  Variant out;
  const HRESULT hr = VariantChangeType(out, value.Dereferenced(), vt);
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source, "");
  return out;
}

}  // namespace

int32_t TOleControl::GetIntegerProp(DISPID id) { return Converted(GetProperty(id), VT_I4, source_).lVal(); }
int16_t TOleControl::GetSmallintProp(DISPID id) { return Converted(GetProperty(id), VT_I2, source_).iVal(); }
bool TOleControl::GetWordBoolProp(DISPID id) { return Converted(GetProperty(id), VT_BOOL, source_).boolVal() != 0; }
std::string TOleControl::GetStringProp(DISPID id) { return Converted(GetProperty(id), VT_BSTR, source_).bstrVal(); }

DISPID TOleControl::DispIdOfName(const std::string& name) {
  if (!dispatch_) throw EOleException("The control " + source_ + " is not available", E_UNEXPECTED, source_);
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = dispatch_->GetIDsOfNames(name, &id);
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "'" + name + "'");
  return id;
}

Variant TOleControl::InvokeMethod(DISPID id, std::span<Variant> args) {
  return Call(id, InvokeKind::kMethod, args, "Calling method");
}

Variant TOleControl::InvokeMethod(DISPID id, std::initializer_list<Variant> args) {
  std::vector<Variant> list(args);
  return InvokeMethod(id, std::span<Variant>(list));
}

Variant TOleControl::InvokeMethodByName(const std::string& name, std::initializer_list<Variant> args) {
  return InvokeMethod(DispIdOfName(name), args);
}

void TOleControl::DoObjectVerb(LONG verb) {
  if (!embedded_) {
    RaiseOleError(E_NOINTERFACE, nullptr, source_, "The control " + source_ + " has no verbs");
  }
  TCustomForm* form = GetParentForm();
  HWND owner = form != nullptr ? form->Handle() : Parent() != nullptr ? Parent()->Handle() : ParentWindow();
  ComPtr<IEmbeddedControl> control = embedded_;
  const std::string source = source_;
  const HRESULT hr = control->DoVerb(verb, owner);
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source, "Verb " + std::to_string(verb));
}

void TOleControl::SaveProperties(IPropertyBag* bag, bool save_all) {
  ComPtr<IPersistPropertyBag> persist = dispatch_ ? ComPtr<IDispatch>(dispatch_).As<IPersistPropertyBag>() : nullptr;
  if (!persist) RaiseOleError(E_NOINTERFACE, nullptr, source_, "The control " + source_ + " keeps no properties");
  const HRESULT hr = persist->Save(bag, TRUE, save_all ? TRUE : FALSE);
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "Saving the properties of " + source_);
}

void TOleControl::LoadProperties(IPropertyBag* bag) {
  ComPtr<IPersistPropertyBag> persist = dispatch_ ? ComPtr<IDispatch>(dispatch_).As<IPersistPropertyBag>() : nullptr;
  if (!persist) RaiseOleError(E_NOINTERFACE, nullptr, source_, "The control " + source_ + " keeps no properties");
  const HRESULT hr = persist->Load(bag);
  if (FAILED(hr)) RaiseOleError(hr, nullptr, source_, "Loading the properties of " + source_);
}

// ---- Events -----------------------------------------------------------------------------------

void TOleControl::InvokeEvent(DISPID id, std::span<Variant> args) {
  if (!OnEvent) return;
  // A copy: the handler may free this component and with it OnEvent.
  const TOleEvent handler = OnEvent;
  handler(this, id, args);
}

}  // namespace plat
