// The control base: automation through the derived table, events, stock
// properties, ambients, persistence and safety.
#include "plat/ctl/control.h"

#include <atomic>

#include "plat/ctl/property_page.h"
#include "plat/oleaut/color.h"

namespace plat {
namespace {

std::atomic<long> g_live_controls{0};

// System-colour references: the window and window-text colours.
constexpr OLE_COLOR kSystemWindowColor = 0x80000005;
constexpr OLE_COLOR kSystemWindowTextColor = 0x80000008;

}  // namespace

long COleControl::LiveCount() { return g_live_controls.load(); }

COleControl::COleControl()
    // The event point learns its interface from the type library when a host
    // first looks for it: the derived class is not built yet here.
    : events_(GetUnknown(), GUID_NULL),
      notify_(GetUnknown(), IPropertyNotifySink::kIid),
      back_color_(kSystemWindowColor),
      fore_color_(kSystemWindowTextColor) {
  ++g_live_controls;
}

COleControl::~COleControl() { --g_live_controls; }

const CoClassInfo* COleControl::CoClass() const { return GetTypeLib().FindCoClass(GetControlRegistration().clsid); }

const InterfaceInfo* COleControl::EventInfo() const {
  const CoClassInfo* coclass = CoClass();
  return coclass ? coclass->events : nullptr;
}

void* COleControl::QueryExtra(const IID& iid) {
  // The dispatch interface is also answered under its own identifier.
  if (const CoClassInfo* coclass = CoClass(); coclass && coclass->dispatch && iid == coclass->dispatch->iid) {
    return static_cast<IDispatch*>(this);
  }
  return nullptr;
}

// ---- Automation -------------------------------------------------------------------

HRESULT COleControl::GetIDsOfNames(std::string_view name, DISPID* id) {
  return GetDispatchBinding().map().GetIDsOfNames(name, id);
}

HRESULT COleControl::Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                            UINT* arg_err) {
  ComPtr<IUnknown> hold = KeepAlive();
  const char* source = GetControlRegistration().prog_id;
  return GetDispatchBinding().Invoke(source ? source : "", id, kind, args, result, excep, arg_err);
}

const InterfaceInfo* COleControl::GetTypeInfo() { return &GetDispatchBinding().map().Info(); }

HRESULT COleControl::GetClassInfo(const CoClassInfo** out) {
  if (!out) return E_POINTER;
  *out = CoClass();
  return *out ? S_OK : E_FAIL;
}

void COleControl::ThrowError(SCODE scode, const char* description) {
  throw ControlError(scode, description ? description : "");
}

void COleControl::GetNotSupported() { ThrowError(CTL_E_GETNOTSUPPORTED); }

void COleControl::SetNotSupported() { ThrowError(CTL_E_SETNOTSUPPORTED); }

// ---- Events and notification --------------------------------------------------------------

HRESULT COleControl::FindConnectionPoint(const IID& iid, IConnectionPoint** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  ConnectionPoint* point = nullptr;
  if (iid == IPropertyNotifySink::kIid) {
    point = &notify_;
  } else if (const InterfaceInfo* events = EventInfo(); events && iid == events->iid) {
    events_.set_iid(events->iid);
    point = &events_;
  }
  if (!point) return CONNECT_E_NOCONNECTION;
  point->AddRef();
  *out = point;
  return S_OK;
}

void COleControl::FireEventV(DISPID id, std::span<Variant> args) {
  events_.Fire(id, args);
}

void COleControl::FireClick() { FireEventV(DISPID_CLICK, {}); }
void COleControl::FireDblClick() { FireEventV(DISPID_DBLCLICK, {}); }

void COleControl::FireKeyDown(short* key_code, short shift) {
  Variant args[] = {Variant::ByRef(key_code), Variant(shift)};
  FireEventV(DISPID_KEYDOWN, args);
}

void COleControl::FireKeyUp(short* key_code, short shift) {
  Variant args[] = {Variant::ByRef(key_code), Variant(shift)};
  FireEventV(DISPID_KEYUP, args);
}

void COleControl::FireKeyPress(short* key_ascii) {
  Variant args[] = {Variant::ByRef(key_ascii)};
  FireEventV(DISPID_KEYPRESS, args);
}

void COleControl::FireMouseDown(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y) {
  Variant args[] = {Variant(button), Variant(shift), Variant(x), Variant(y)};
  FireEventV(DISPID_MOUSEDOWN, args);
}

void COleControl::FireMouseMove(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y) {
  Variant args[] = {Variant(button), Variant(shift), Variant(x), Variant(y)};
  FireEventV(DISPID_MOUSEMOVE, args);
}

void COleControl::FireMouseUp(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y) {
  Variant args[] = {Variant(button), Variant(shift), Variant(x), Variant(y)};
  FireEventV(DISPID_MOUSEUP, args);
}

void COleControl::BoundPropertyChanged(DISPID id) { notify_.NotifyChanged(id); }

BOOL COleControl::BoundPropertyRequestEdit(DISPID id) { return notify_.RequestEdit(id) ? TRUE : FALSE; }

// ---- Ambients and the site ---------------------------------------------------------------

BOOL COleControl::GetAmbientProperty(DISPID id, VARTYPE vt, Variant* value) {
  if (!site_ || !value) return FALSE;
  ComPtr<IControlSite> site = site_;
  Variant raw;
  if (FAILED(site->GetAmbientProperty(id, &raw))) return FALSE;
  return SUCCEEDED(VariantChangeType(*value, raw, vt)) ? TRUE : FALSE;
}

BOOL COleControl::AmbientUserMode() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_USERMODE, VT_BOOL, &v) ? (v.boolVal() != 0 ? TRUE : FALSE) : TRUE;
}

BOOL COleControl::AmbientUIDead() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_UIDEAD, VT_BOOL, &v) && v.boolVal() != 0 ? TRUE : FALSE;
}

OLE_COLOR COleControl::AmbientBackColor() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_BACKCOLOR, VT_I4, &v) ? static_cast<OLE_COLOR>(v.lVal())
                                                                 : kSystemWindowColor;
}

OLE_COLOR COleControl::AmbientForeColor() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_FORECOLOR, VT_I4, &v) ? static_cast<OLE_COLOR>(v.lVal())
                                                                 : kSystemWindowTextColor;
}

CString COleControl::AmbientDisplayName() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_DISPLAYNAME, VT_BSTR, &v) ? CString(v.bstrVal()) : CString();
}

short COleControl::AmbientAppearance() {
  Variant v;
  return GetAmbientProperty(DISPID_AMBIENT_APPEARANCE, VT_I2, &v) ? v.iVal() : 0;
}

HPALETTE COleControl::AmbientPalette() {
  Variant v;
  if (!GetAmbientProperty(DISPID_AMBIENT_PALETTE, VT_I4, &v)) return nullptr;
  return HandleFromId<HPALETTE>(static_cast<uint32_t>(v.lVal()));
}

HRESULT COleControl::SetSite(IControlSite* site) {
  site_ = site;
  OnSetClientSite();
  return S_OK;
}

HRESULT COleControl::GetSite(IControlSite** site) {
  if (!site) return E_POINTER;
  *site = site_.get();
  if (*site) (*site)->AddRef();
  return S_OK;
}

HRESULT COleControl::AmbientPropertyChanged(DISPID id) {
  ComPtr<IUnknown> hold = KeepAlive();
  OnAmbientPropertyChange(id);
  return S_OK;
}

HRESULT COleControl::GetExtent(SIZE* size_px) {
  if (!size_px) return E_POINTER;
  *size_px = extent_;
  return S_OK;
}

HRESULT COleControl::SetExtent(const SIZE& size_px) {
  if (size_px.cx < 0 || size_px.cy < 0) return E_INVALIDARG;
  extent_ = size_px;
  if (m_hWnd != nullptr) SetWindowPos(nullptr, 0, 0, size_px.cx, size_px.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  return S_OK;
}

HRESULT COleControl::DoVerb(LONG verb, HWND parent) {
  if (verb != OLEIVERB_PROPERTIES) return E_NOTIMPL;
  return OnProperties(parent) ? S_OK : E_FAIL;
}

BOOL COleControl::OnProperties(HWND parent) {
  const std::vector<CLSID> pages = GetPropPageIDs();
  if (pages.empty()) return FALSE;
  // The frame is modal: the control stays alive until it closes.
  ComPtr<IUnknown> hold = KeepAlive();
  CString caption = AmbientDisplayName();
  if (caption.empty()) caption = GetControlRegistration().name;
  IDispatch* self = this;
  return SUCCEEDED(OleCreatePropertyFrame(parent, 0, 0, caption.c_str(), std::span<IDispatch* const>(&self, 1), pages,
                                          0, 0, nullptr))
             ? TRUE
             : FALSE;
}

// ---- Stock properties ----------------------------------------------------------------------

void COleControl::SetBackColor(OLE_COLOR color) {
  back_color_ = color;
  SetModifiedFlag();
  BoundPropertyChanged(DISPID_BACKCOLOR);
  OnBackColorChanged();
  InvalidateControl();
}

void COleControl::SetForeColor(OLE_COLOR color) {
  fore_color_ = color;
  SetModifiedFlag();
  BoundPropertyChanged(DISPID_FORECOLOR);
  OnForeColorChanged();
  InvalidateControl();
}

void COleControl::SetEnabled(BOOL enabled) {
  is_enabled_ = enabled != FALSE;
  SetModifiedFlag();
  BoundPropertyChanged(DISPID_ENABLED);
  if (m_hWnd != nullptr) EnableWindow(is_enabled_ ? TRUE : FALSE);
  OnEnabledChanged();
}

void COleControl::SetBorderStyle(short style) {
  if (style != 0 && style != 1) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
  border_style_ = style;
  SetModifiedFlag();
  BoundPropertyChanged(DISPID_BORDERSTYLE);
  OnBorderStyleChanged();
  InvalidateControl();
}

void COleControl::SetAppearance(short appearance) {
  if (appearance != 0 && appearance != 1) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
  appearance_ = appearance;
  SetModifiedFlag();
  BoundPropertyChanged(DISPID_APPEARANCE);
  OnAppearanceChanged();
  InvalidateControl();
}

void COleControl::OnRefresh() {
  if (m_hWnd == nullptr) return;
  InvalidateControl();
  UpdateWindow();
}

COLORREF COleControl::TranslateColor(OLE_COLOR color, HPALETTE palette) const {
  COLORREF out = RGB(0, 0, 0);
  if (FAILED(OleTranslateColor(color, palette, &out))) return RGB(0, 0, 0);
  return out;
}

TypedEntry<COleControl> StockBackColor() {
  return Property(DISPID_BACKCOLOR, "BackColor", VT_I4, &COleControl::GetBackColor, &COleControl::SetBackColor);
}
TypedEntry<COleControl> StockForeColor() {
  return Property(DISPID_FORECOLOR, "ForeColor", VT_I4, &COleControl::GetForeColor, &COleControl::SetForeColor);
}
TypedEntry<COleControl> StockEnabled() {
  return Property(DISPID_ENABLED, "Enabled", VT_BOOL, &COleControl::GetEnabled, &COleControl::SetEnabled);
}
TypedEntry<COleControl> StockBorderStyle() {
  return Property(DISPID_BORDERSTYLE, "BorderStyle", VT_I2, &COleControl::GetBorderStyle,
                  &COleControl::SetBorderStyle);
}
TypedEntry<COleControl> StockAppearance() {
  return Property(DISPID_APPEARANCE, "Appearance", VT_I2, &COleControl::GetAppearance, &COleControl::SetAppearance);
}
TypedEntry<COleControl> StockRefresh() { return Method(DISPID_REFRESH, "Refresh", VT_EMPTY, {}, &COleControl::Refresh); }
TypedEntry<COleControl> StockAboutBox() {
  return Method(DISPID_ABOUTBOX, "AboutBox", VT_EMPTY, {}, &COleControl::AboutBox);
}

MemberInfo StockClick() { return Event(DISPID_CLICK, "Click"); }
MemberInfo StockDblClick() { return Event(DISPID_DBLCLICK, "DblClick"); }
MemberInfo StockKeyDown() {
  return Event(DISPID_KEYDOWN, "KeyDown", {{VT_I2 | VT_BYREF, "KeyCode"}, {VT_I2, "Shift"}});
}
MemberInfo StockKeyUp() { return Event(DISPID_KEYUP, "KeyUp", {{VT_I2 | VT_BYREF, "KeyCode"}, {VT_I2, "Shift"}}); }
MemberInfo StockKeyPress() { return Event(DISPID_KEYPRESS, "KeyPress", {{VT_I2 | VT_BYREF, "KeyAscii"}}); }
MemberInfo StockMouseDown() {
  return Event(DISPID_MOUSEDOWN, "MouseDown", {{VT_I2, "Button"}, {VT_I2, "Shift"}, {VT_I4, "x"}, {VT_I4, "y"}});
}
MemberInfo StockMouseMove() {
  return Event(DISPID_MOUSEMOVE, "MouseMove", {{VT_I2, "Button"}, {VT_I2, "Shift"}, {VT_I4, "x"}, {VT_I4, "y"}});
}
MemberInfo StockMouseUp() {
  return Event(DISPID_MOUSEUP, "MouseUp", {{VT_I2, "Button"}, {VT_I2, "Shift"}, {VT_I4, "x"}, {VT_I4, "y"}});
}

// ---- Persistence ------------------------------------------------------------------------------

void COleControl::ExchangeVersion(CPropExchange* px, DWORD version, BOOL convert) {
  DWORD loaded = version;
  px->ExchangeVersion(loaded, version, convert);
}

void COleControl::ExchangeStockProps(CPropExchange* px) {
  const InterfaceInfo& info = GetDispatchBinding().map().Info();
  const bool is_loading = px->IsLoading() != FALSE;
  if (info.Find(DISPID_BACKCOLOR)) {
    OLE_COLOR color = back_color_;
    PX_Color(px, "BackColor", color, AmbientBackColor());
    if (is_loading) back_color_ = color;
  }
  if (info.Find(DISPID_FORECOLOR)) {
    OLE_COLOR color = fore_color_;
    PX_Color(px, "ForeColor", color, AmbientForeColor());
    if (is_loading) fore_color_ = color;
  }
  if (info.Find(DISPID_ENABLED)) {
    BOOL enabled = is_enabled_ ? TRUE : FALSE;
    PX_Bool(px, "Enabled", enabled, TRUE);
    if (is_loading) is_enabled_ = enabled != FALSE;
  }
  if (info.Find(DISPID_BORDERSTYLE)) {
    short style = border_style_;
    PX_Short(px, "BorderStyle", style, 0);
    if (is_loading) border_style_ = (style == 0 || style == 1) ? style : 0;
  }
  if (info.Find(DISPID_APPEARANCE)) {
    short appearance = appearance_;
    PX_Short(px, "Appearance", appearance, AmbientAppearance());
    if (is_loading) appearance_ = (appearance == 0 || appearance == 1) ? appearance : 0;
  }
}

void COleControl::DoPropExchange(CPropExchange* px) {
  ExchangeVersion(px, MakeVersion(1, 0));
  ExchangeStockProps(px);
}

void COleControl::OnResetState() {
  CPropbagPropExchange px(nullptr, TRUE);
  DoPropExchange(&px);
}

HRESULT COleControl::GetClassID(CLSID* clsid) {
  if (!clsid) return E_POINTER;
  *clsid = GetControlRegistration().clsid;
  return S_OK;
}

HRESULT COleControl::InitNew() {
  ComPtr<IUnknown> hold = KeepAlive();
  try {
    OnResetState();
  } catch (const std::exception&) {
    return E_FAIL;
  }
  SetModifiedFlag(FALSE);
  return S_OK;
}

HRESULT COleControl::Load(IPropertyBag* bag) {
  if (!bag) return E_POINTER;
  ComPtr<IUnknown> hold = KeepAlive();
  try {
    CPropbagPropExchange px(bag, TRUE);
    DoPropExchange(&px);
  } catch (const std::exception&) {
    return E_FAIL;
  }
  SetModifiedFlag(FALSE);
  BoundPropertyChanged(DISPID_UNKNOWN);
  return S_OK;
}

HRESULT COleControl::Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) {
  if (!bag) return E_POINTER;
  ComPtr<IUnknown> hold = KeepAlive();
  try {
    CPropbagPropExchange px(bag, FALSE, save_all);
    DoPropExchange(&px);
  } catch (const std::exception&) {
    return E_FAIL;
  }
  if (clear_dirty) SetModifiedFlag(FALSE);
  return S_OK;
}

// ---- Safety and property browsing ----------------------------------------------------------

HRESULT COleControl::GetInterfaceSafetyOptions(const IID& iid, DWORD* supported, DWORD* enabled) {
  if (!supported || !enabled) return E_POINTER;
  ComPtr<IUnknown> probe;
  if (FAILED(QueryInterface(iid, probe.put_void()))) {
    *supported = *enabled = 0;
    return E_NOINTERFACE;
  }
  *supported = GetSafetyOptions();
  *enabled = GetSafetyOptions();
  return S_OK;
}

HRESULT COleControl::SetInterfaceSafetyOptions(const IID& iid, DWORD mask, DWORD enabled) {
  ComPtr<IUnknown> probe;
  if (FAILED(QueryInterface(iid, probe.put_void()))) return E_NOINTERFACE;
  // Only supported bits may be asked for, and every asked bit must be set.
  if ((mask & ~GetSafetyOptions()) != 0 || (mask & ~enabled) != 0) return E_FAIL;
  safety_enabled_ = (safety_enabled_ & ~mask) | (enabled & mask);
  return S_OK;
}

HRESULT COleControl::GetPredefinedStrings(DISPID id, std::vector<std::string>* strings, std::vector<DWORD>* cookies) {
  if (!strings || !cookies) return E_POINTER;
  std::vector<CString> names;
  std::vector<DWORD> values;
  if (!OnGetPredefinedStrings(id, &names, &values) || names.size() != values.size()) return E_NOTIMPL;
  strings->assign(names.begin(), names.end());
  *cookies = std::move(values);
  return S_OK;
}

HRESULT COleControl::GetPredefinedValue(DISPID id, DWORD cookie, Variant* value) {
  if (!value) return E_POINTER;
  return OnGetPredefinedValue(id, cookie, value) ? S_OK : E_NOTIMPL;
}

}  // namespace plat
