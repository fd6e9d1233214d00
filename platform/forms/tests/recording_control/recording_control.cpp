// The recording control module. Every automation call is logged before the
// control's table answers it, so the log shows what the host really sent.
#include "recording_control.h"

#include <cstdio>
#include <string>
#include <vector>

#include "plat/ctl/control.h"
#include "plat/ctl/module.h"

namespace plat::recording {
namespace {

std::vector<std::string>& Log() {
  static auto* log = new std::vector<std::string>;
  return *log;
}

void Record(std::string line) { Log().push_back(std::move(line)); }

std::string TypeName(VARTYPE vt) {
  static constexpr struct {
    VARTYPE vt;
    const char* name;
  } kNames[] = {{VT_EMPTY, "VT_EMPTY"}, {VT_NULL, "VT_NULL"},       {VT_I2, "VT_I2"},
                {VT_I4, "VT_I4"},       {VT_R4, "VT_R4"},           {VT_R8, "VT_R8"},
                {VT_BSTR, "VT_BSTR"},   {VT_DISPATCH, "VT_DISPATCH"}, {VT_ERROR, "VT_ERROR"},
                {VT_BOOL, "VT_BOOL"},   {VT_VARIANT, "VT_VARIANT"}, {VT_UNKNOWN, "VT_UNKNOWN"},
                {VT_UI1, "VT_UI1"}};
  std::string name = "VT_" + std::to_string(vt & ~VT_BYREF);
  for (const auto& entry : kNames) {
    if (entry.vt == (vt & ~VT_BYREF)) name = entry.name;
  }
  return (vt & VT_BYREF) != 0 ? name + "|VT_BYREF" : name;
}

std::string ValueText(const Variant& value) {
  const Variant v = value.Dereferenced();
  char number[64];
  switch (v.vt()) {
    case VT_I2: return std::to_string(v.iVal());
    case VT_I4: return std::to_string(v.lVal());
    case VT_BOOL: return std::to_string(v.boolVal());
    case VT_UI1: return std::to_string(v.bVal());
    case VT_ERROR: return std::to_string(v.scode());
    case VT_R4: std::snprintf(number, sizeof(number), "%g", static_cast<double>(v.fltVal())); return number;
    case VT_R8: std::snprintf(number, sizeof(number), "%g", v.dblVal()); return number;
    case VT_BSTR: return "\"" + v.bstrVal() + "\"";
    default: return "-";
  }
}

const char* KindName(InvokeKind kind) {
  switch (kind) {
    case InvokeKind::kMethod: return "call";
    case InvokeKind::kPropertyGet: return "get";
    case InvokeKind::kPropertyPut: return "put";
    case InvokeKind::kPropertyPutRef: return "putref";
  }
  return "?";
}

const InterfaceInfo& EventTable() {
  static const InterfaceInfo events{
      "_DRecorderEvents",
      kEventsIid,
      {
          Event(kPingedEvent, "Pinged", {{VT_I4, "DataNo"}, {VT_BSTR, "Name"}, {VT_BOOL, "Success"}}),
          StockClick(),
          StockKeyDown(),
          StockKeyUp(),
          StockKeyPress(),
      }};
  return events;
}

class CRecorderCtl;
const TypeLibInfo& TypeLib();
const ControlRegistration& Registration();

class CRecorderCtl : public COleControl {
 public:
  CRecorderCtl() {
    SetInitialSize(64, 40);
    Record("made");
  }
  ~CRecorderCtl() override { Record("released"); }

  static const DispatchMap<CRecorderCtl>& Map() {
    static const DispatchMap<CRecorderCtl> map{
        "_DRecorder",
        kDispatchIid,
        {
            Member(kFlag, "Flag", VT_BOOL, &CRecorderCtl::flag_),
            Member(kCount, "Count", VT_I4, &CRecorderCtl::count_),
            Member(kSmall, "Small", VT_I2, &CRecorderCtl::small_),
            Member(kText, "Text", VT_BSTR, &CRecorderCtl::text_),
            Member(kRatio, "Ratio", VT_R8, &CRecorderCtl::ratio_),
            Property(kGuarded, "Guarded", VT_I2, &CRecorderCtl::GetGuarded, &CRecorderCtl::SetGuarded),
            Member(kTint, "Tint", VT_I4, &CRecorderCtl::tint_),
            Method(kPing, "Ping", VT_BOOL, {{VT_I4, "DataNo"}}, &CRecorderCtl::Ping),
            Method(kBump, "Bump", VT_EMPTY, {{VT_I4 | VT_BYREF, "Value"}}, &CRecorderCtl::Bump),
            Method(kAmbients, "Ambients", VT_BSTR, {}, &CRecorderCtl::Ambients),
        }};
    return map;
  }
  DispatchBinding GetDispatchBinding() override { return {Map(), this}; }
  const ControlRegistration& GetControlRegistration() const override { return Registration(); }
  const TypeLibInfo& GetTypeLib() const override { return TypeLib(); }

  HRESULT Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                 UINT* arg_err) override {
    std::string line = std::string(KindName(kind)) + " " + std::to_string(id);
    for (const Variant& arg : args) line += " " + TypeName(arg.vt()) + " " + ValueText(arg);
    Record(std::move(line));
    return COleControl::Invoke(id, kind, args, result, excep, arg_err);
  }
  HRESULT SetSite(IControlSite* site) override {
    Record(site != nullptr ? "site" : "site null");
    return COleControl::SetSite(site);
  }
  HRESULT InitNew() override {
    Record("init new");
    return COleControl::InitNew();
  }
  HRESULT Load(IPropertyBag* bag) override {
    Record("load");
    return COleControl::Load(bag);
  }
  void OnAmbientPropertyChange(DISPID id) override { Record("ambient " + std::to_string(id)); }
  void DoPropExchange(CPropExchange* px) override {
    ExchangeVersion(px, MakeVersion(1, 0));
    PX_Bool(px, "Flag", flag_, FALSE);
    PX_Long(px, "Count", count_, 0);
    PX_String(px, "Text", text_, "");
  }
  int OnCreate(CREATESTRUCT* create) override {
    Record("window");
    return COleControl::OnCreate(create);
  }
  void OnDestroy() override {
    Record("window gone");
    COleControl::OnDestroy();
  }
  void OnSetFocus(CWnd* old_focus) override {
    Record("focus");
    COleControl::OnSetFocus(old_focus);
  }

 private:
  short GetGuarded() const { return guarded_; }
  void SetGuarded(short value) {
    if (value < 1 || value > 10) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
    guarded_ = value;
  }
  BOOL Ping(int32_t data_no) {
    FireEvent(kPingedEvent, data_no, CString("page" + std::to_string(data_no)), TRUE);
    Record("pinged " + std::to_string(data_no));
    return TRUE;
  }
  void Bump(int32_t* value) { ++*value; }
  CString Ambients() {
    Variant font;
    std::string font_name = "-";
    if (GetAmbientProperty(DISPID_AMBIENT_FONT, VT_DISPATCH, &font) && font.pdispVal() != nullptr) {
      Variant name;
      if (font.pdispVal()->Invoke(DISPID_FONT_NAME, InvokeKind::kPropertyGet, {}, &name, nullptr, nullptr) == S_OK) {
        font_name = name.bstrVal();
      }
    }
    Variant locale;
    char text[256];
    std::snprintf(text, sizeof(text), "UserMode=%d BackColor=%08X ForeColor=%08X Font=%s Locale=%04X Name=%s",
                  AmbientUserMode() ? 1 : 0, static_cast<unsigned>(AmbientBackColor()),
                  static_cast<unsigned>(AmbientForeColor()), font_name.c_str(),
                  GetAmbientProperty(DISPID_AMBIENT_LOCALEID, VT_I4, &locale) ? static_cast<unsigned>(locale.lVal()) : 0u,
                  AmbientDisplayName().c_str());
    return CString(text);
  }

  BOOL flag_ = FALSE;
  int32_t count_ = 0;
  short small_ = 0;
  CString text_;
  double ratio_ = 0.0;
  short guarded_ = 1;
  OLE_COLOR tint_ = 0;
};

const TypeLibInfo& TypeLib() {
  static const TypeLibInfo lib{"RecorderLib",
                               kLibId,
                               1,
                               0,
                               "Recording control library",
                               {CoClassInfo{"Recorder", kClsid, &CRecorderCtl::Map().Info(), &EventTable()}},
                               {}};
  return lib;
}

const ControlRegistration& Registration() {
  static const ControlRegistration registration{kClsid, kProgId, "Recording Control", 0x20181,
                                                &CreateControl<CRecorderCtl>};
  return registration;
}

class CRecorderModule : public COleControlModule {
 public:
  const TypeLibInfo& GetTypeLib() const override { return TypeLib(); }
  std::span<const ControlRegistration> GetControls() const override { return {&Registration(), 1}; }
};

CRecorderModule g_module;

}  // namespace
}  // namespace plat::recording

PLAT_CONTROL_MODULE_EXPORTS(plat::recording::g_module)

// The log since the last call, one entry a line; the text lives until the next call.
extern "C" __attribute__((visibility("default"))) const char* RecordingControlTakeLog() {
  static std::string text;
  text.clear();
  for (const std::string& line : plat::recording::Log()) text += line + "\n";
  plat::recording::Log().clear();
  return text.c_str();
}
