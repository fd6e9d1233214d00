// COleControl: the base of every control. It answers automation through the
// derived class's dispatch table, fires the events of its event interface,
// keeps the stock properties, asks its site for ambient properties, persists
// through DoPropExchange, and tells hosts what is safe. Every automation call
// and every fire holds a reference to the control, so a host may release it
// from inside an event; the destructor runs after the outermost call returns.
#ifndef PLAT_CTL_CONTROL_H_
#define PLAT_CTL_CONTROL_H_

#include <string>
#include <vector>

#include "plat/ctl/cstring.h"
#include "plat/ctl/dc.h"
#include "plat/ctl/prop_exchange.h"
#include "plat/ctl/wnd.h"
#include "plat/oleaut/connection.h"
#include "plat/oleaut/embedding.h"
#include "plat/oleaut/registration.h"

namespace plat {

// Stock properties, methods and events.
constexpr DISPID DISPID_BACKCOLOR = -501;
constexpr DISPID DISPID_BORDERSTYLE = -504;
constexpr DISPID DISPID_FORECOLOR = -513;
constexpr DISPID DISPID_ENABLED = -514;
constexpr DISPID DISPID_APPEARANCE = -520;
constexpr DISPID DISPID_REFRESH = -550;
constexpr DISPID DISPID_ABOUTBOX = -552;
constexpr DISPID DISPID_CLICK = -600;
constexpr DISPID DISPID_DBLCLICK = -601;
constexpr DISPID DISPID_KEYDOWN = -602;
constexpr DISPID DISPID_KEYPRESS = -603;
constexpr DISPID DISPID_KEYUP = -604;
constexpr DISPID DISPID_MOUSEDOWN = -605;
constexpr DISPID DISPID_MOUSEMOVE = -606;
constexpr DISPID DISPID_MOUSEUP = -607;
constexpr DISPID DISPID_ERROREVENT = -608;
constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_CALLER = 0x1;
constexpr DWORD INTERFACESAFE_FOR_UNTRUSTED_DATA = 0x2;

// What an object tells a host about the safety of scripting it and of
// initialising it from data.
struct IObjectSafety : IUnknown {
  static constexpr IID kIid{0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
  using Base = IUnknown;
  virtual HRESULT GetInterfaceSafetyOptions(const IID& iid, DWORD* supported, DWORD* enabled) = 0;
  virtual HRESULT SetInterfaceSafetyOptions(const IID& iid, DWORD mask, DWORD enabled) = 0;
};

// Lists of named values a property browser offers for a property.
struct IPerPropertyBrowsing : IUnknown {
  static constexpr IID kIid{0x376BD3AA, 0x3845, 0x101B, {0x84, 0xED, 0x08, 0x00, 0x2B, 0x2E, 0xC7, 0x13}};
  using Base = IUnknown;
  // E_NOTIMPL when the property has no list.
  virtual HRESULT GetPredefinedStrings(DISPID id, std::vector<std::string>* strings, std::vector<DWORD>* cookies) = 0;
  virtual HRESULT GetPredefinedValue(DISPID id, DWORD cookie, Variant* value) = 0;
};

class COleControl : public ComObject<IDispatch, IConnectionPointContainer, IPersistPropertyBag, IProvideClassInfo,
                                     IObjectSafety, IEmbeddedControl, IPerPropertyBrowsing, IInPlaceControl>,
                    public CWnd {
 public:
  // Live controls of the process (a module may unload when none is left).
  static long LiveCount();

  // ---- What the derived class describes --------------------------------------
  // Its dispatch table bound to itself: `return {Map(), this};`.
  virtual DispatchBinding GetDispatchBinding() = 0;
  virtual const ControlRegistration& GetControlRegistration() const = 0;
  // The type library whose coclass of this CLSID names the event interface.
  virtual const TypeLibInfo& GetTypeLib() const = 0;

  // ---- Persistence ------------------------------------------------------------
  // Default: the version 1.0 and the stock properties.
  virtual void DoPropExchange(CPropExchange* px);
  // DoPropExchange from an empty bag: every property gets its default.
  virtual void OnResetState();
  void ExchangeVersion(CPropExchange* px, DWORD version, BOOL convert = TRUE);
  // Exchanges the stock properties the dispatch table lists.
  void ExchangeStockProps(CPropExchange* px);
  void SetModifiedFlag(BOOL modified = TRUE) { is_modified_ = modified != FALSE; }
  BOOL IsModified() const { return is_modified_ ? TRUE : FALSE; }

  // ---- Notification and errors --------------------------------------------------
  // Tells property-notify sinks that `id` changed (DISPID_UNKNOWN: several).
  void BoundPropertyChanged(DISPID id);
  // FALSE when a sink refuses the change.
  BOOL BoundPropertyRequestEdit(DISPID id);
  [[noreturn]] void ThrowError(SCODE scode, const char* description = nullptr);
  [[noreturn]] void GetNotSupported();
  [[noreturn]] void SetNotSupported();

  // ---- Events -------------------------------------------------------------------
  // Fires an event of the event interface synchronously; arguments take the
  // parameter types the event table gives (pointers become by-reference).
  template <class... Args>
  void FireEvent(DISPID id, Args&&... args);
  void FireEventV(DISPID id, std::span<Variant> args);
  void FireClick();
  void FireDblClick();
  void FireKeyDown(short* key_code, short shift);
  void FireKeyUp(short* key_code, short shift);
  void FireKeyPress(short* key_ascii);
  void FireMouseDown(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y);
  void FireMouseMove(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y);
  void FireMouseUp(short button, short shift, OLE_XPOS_PIXELS x, OLE_YPOS_PIXELS y);

  // ---- Ambients and the site ------------------------------------------------------
  // FALSE when there is no site or it does not know the ambient or its value
  // does not convert to vt.
  BOOL GetAmbientProperty(DISPID id, VARTYPE vt, Variant* value);
  // TRUE without a site: a control not embedded anywhere runs.
  BOOL AmbientUserMode();
  BOOL AmbientUIDead();
  OLE_COLOR AmbientBackColor();
  OLE_COLOR AmbientForeColor();
  CString AmbientDisplayName();
  short AmbientAppearance();
  // The container's palette; null without one.
  HPALETTE AmbientPalette();
  IControlSite* GetClientSite() const { return site_.get(); }
  virtual void OnAmbientPropertyChange(DISPID id) {}
  virtual void OnSetClientSite() {}
  // A counted reference that keeps the control alive across a long operation
  // entered from outside automation (a callback, a window message).
  ComPtr<IUnknown> KeepAlive() { return ComPtr<IUnknown>(GetUnknown()); }

  // ---- The control window -------------------------------------------------------------------
  // Makes the control's window: a visible child of `parent` at `rect` (the
  // control's extent becomes its size), of the window class "<ProgID>.Ctl".
  // Its mouse and key messages fire the stock events synchronously: MouseDown,
  // MouseMove and MouseUp with the button (1 left, 2 right, 4 middle), the
  // shift state (1 Shift, 2 Ctrl, 4 Alt) and the client point; Click after a
  // left button went down and up inside; DblClick; KeyDown, KeyUp and
  // KeyPress with the key by reference: a handler that sets it to 0 takes
  // the key, another value goes on in place of the key. FALSE when the
  // control has a window already or it could not be made.
  BOOL CreateControlWindow(HWND parent, const RECT& rect);
  // Draws the control; `bounds` is its client rectangle, `invalid` the part
  // to draw. The default fills the bounds with the back colour.
  virtual void OnDraw(CDC* dc, const CRect& bounds, const CRect& invalid);
  // Asks for a repaint of the control window (nothing without one).
  void InvalidateControl(const RECT* rect = nullptr, BOOL erase = TRUE);
  // The stock shift state of the keyboard now (1 Shift, 2 Ctrl, 4 Alt).
  static short ShiftState();

  // Handlers of the control window.
  void OnPaint() override;
  void OnSize(UINT type, int cx, int cy) override;
  void OnLButtonDown(UINT flags, CPoint point) override;
  void OnLButtonUp(UINT flags, CPoint point) override;
  void OnLButtonDblClk(UINT flags, CPoint point) override;
  void OnRButtonDown(UINT flags, CPoint point) override;
  void OnRButtonUp(UINT flags, CPoint point) override;
  void OnRButtonDblClk(UINT flags, CPoint point) override;
  void OnMButtonDown(UINT flags, CPoint point) override;
  void OnMButtonUp(UINT flags, CPoint point) override;
  void OnMButtonDblClk(UINT flags, CPoint point) override;
  void OnMouseMove(UINT flags, CPoint point) override;
  void OnKeyDown(UINT key, UINT repeat, UINT flags) override;
  void OnKeyUp(UINT key, UINT repeat, UINT flags) override;
  void OnSysKeyDown(UINT key, UINT repeat, UINT flags) override;
  void OnSysKeyUp(UINT key, UINT repeat, UINT flags) override;
  void OnChar(UINT ch, UINT repeat, UINT flags) override;

  // ---- Stock properties and methods ------------------------------------------------
  OLE_COLOR GetBackColor() const { return back_color_; }
  void SetBackColor(OLE_COLOR color);
  OLE_COLOR GetForeColor() const { return fore_color_; }
  void SetForeColor(OLE_COLOR color);
  BOOL GetEnabled() const { return is_enabled_ ? TRUE : FALSE; }
  void SetEnabled(BOOL enabled);
  short GetBorderStyle() const { return border_style_; }
  void SetBorderStyle(short style);  // 0 or 1, else 380
  short GetAppearance() const { return appearance_; }
  void SetAppearance(short appearance);  // 0 or 1, else 380
  // The drawing colour of an automation colour (system colours looked up);
  // black for a colour that does not translate.
  COLORREF TranslateColor(OLE_COLOR color, HPALETTE palette = nullptr) const;
  void Refresh() { OnRefresh(); }
  virtual void AboutBox() {}
  virtual void OnBackColorChanged() {}
  virtual void OnForeColorChanged() {}
  virtual void OnEnabledChanged() {}
  virtual void OnBorderStyleChanged() {}
  virtual void OnAppearanceChanged() {}
  // Default: repaints the control window at once.
  virtual void OnRefresh();

  // ---- Property pages, safety, size -------------------------------------------------
  // The classes of the control's property pages, in the order they show
  // (the stock colour page usually last); none by default.
  virtual std::vector<CLSID> GetPropPageIDs() const { return {}; }
  // The Properties verb: the property frame over `parent` with the control's
  // pages, captioned with the control's display name. FALSE without pages.
  virtual BOOL OnProperties(HWND parent);
  virtual BOOL OnGetPredefinedStrings(DISPID id, std::vector<CString>* strings, std::vector<DWORD>* cookies) {
    return FALSE;
  }
  virtual BOOL OnGetPredefinedValue(DISPID id, DWORD cookie, Variant* value) { return FALSE; }
  // The INTERFACESAFE_ bits this control supports; none by default.
  virtual DWORD GetSafetyOptions() const { return 0; }
  void SetInitialSize(int cx, int cy) { extent_ = SIZE{cx, cy}; }
  SIZE GetControlSize() const { return extent_; }

  // ---- Interfaces ---------------------------------------------------------------------
  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override;
  HRESULT Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                 UINT* arg_err) override;
  const InterfaceInfo* GetTypeInfo() override;
  HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** out) override;
  HRESULT GetClassID(CLSID* clsid) override;
  HRESULT InitNew() override;
  HRESULT Load(IPropertyBag* bag) override;
  HRESULT Save(IPropertyBag* bag, BOOL clear_dirty, BOOL save_all) override;
  HRESULT GetClassInfo(const CoClassInfo** out) override;
  HRESULT GetInterfaceSafetyOptions(const IID& iid, DWORD* supported, DWORD* enabled) override;
  HRESULT SetInterfaceSafetyOptions(const IID& iid, DWORD mask, DWORD enabled) override;
  HRESULT SetSite(IControlSite* site) override;
  HRESULT GetSite(IControlSite** site) override;
  HRESULT AmbientPropertyChanged(DISPID id) override;
  HRESULT GetExtent(SIZE* size_px) override;
  HRESULT SetExtent(const SIZE& size_px) override;
  HRESULT DoVerb(LONG verb, HWND parent) override;
  HRESULT GetPredefinedStrings(DISPID id, std::vector<std::string>* strings, std::vector<DWORD>* cookies) override;
  HRESULT GetPredefinedValue(DISPID id, DWORD cookie, Variant* value) override;
  // In place: the control window (CreateControlWindow) inside the host's window.
  HRESULT InPlaceActivate(HWND parent, const RECT& rect) override;
  HRESULT InPlaceDeactivate() override;
  HRESULT GetWindow(HWND* window) override;

 protected:
  COleControl();
  ~COleControl() override;
  void* QueryExtra(const IID& iid) override;
  // The event interface of this control, or null.
  const InterfaceInfo* EventInfo() const;
  std::shared_ptr<void> HoldForMessage() override;

 private:
  template <class A>
  static Variant EventArgument(A&& arg, const ParamInfo* param);
  const CoClassInfo* CoClass() const;
  void ButtonDown(short button, UINT flags, CPoint point);
  void ButtonUp(short button, UINT flags, CPoint point);
  // Fires a key event; FALSE when a handler took the key. `key` may change.
  bool FireKey(UINT message, UINT* key);

  ComPtr<IControlSite> site_;
  ConnectionPoint events_;
  ConnectionPoint notify_;
  bool is_modified_ = false;
  DWORD safety_enabled_ = 0;
  SIZE extent_{100, 50};
  OLE_COLOR back_color_;
  OLE_COLOR fore_color_;
  bool is_enabled_ = true;
  short border_style_ = 0;
  short appearance_ = 0;
  short buttons_down_ = 0;  // stock button bits pressed inside the control window
};

// Stock rows for a control's dispatch table.
TypedEntry<COleControl> StockBackColor();
TypedEntry<COleControl> StockForeColor();
TypedEntry<COleControl> StockEnabled();
TypedEntry<COleControl> StockBorderStyle();
TypedEntry<COleControl> StockAppearance();
TypedEntry<COleControl> StockRefresh();
TypedEntry<COleControl> StockAboutBox();
// Stock rows for its event table.
MemberInfo StockClick();
MemberInfo StockDblClick();
MemberInfo StockKeyDown();
MemberInfo StockKeyUp();
MemberInfo StockKeyPress();
MemberInfo StockMouseDown();
MemberInfo StockMouseMove();
MemberInfo StockMouseUp();

// The `create` function of a ControlRegistration for control class T.
template <class T>
HRESULT CreateControl(const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  try {
    ComPtr<T> control = MakeCom<T>();
    return control->QueryInterface(iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// ---- Template definitions ----------------------------------------------------------

template <class A>
Variant COleControl::EventArgument(A&& arg, const ParamInfo* param) {
  using D = std::remove_cv_t<std::remove_reference_t<A>>;
  if (param) return MakeVariant(static_cast<const D&>(arg), param->vt);
  // Not in the table: the argument's own type.
  if constexpr (std::is_same_v<D, bool>) {
    return Variant::Bool(arg);
  } else if constexpr (std::is_pointer_v<D> || std::is_same_v<D, Variant>) {
    return MakeVariant(static_cast<const D&>(arg), VT_VARIANT);
  } else if constexpr (std::is_integral_v<D> && sizeof(D) == 2) {
    return Variant(static_cast<int16_t>(arg));
  } else if constexpr (std::is_integral_v<D>) {
    return Variant(static_cast<int32_t>(arg));
  } else if constexpr (std::is_floating_point_v<D>) {
    return Variant(arg);
  } else {
    return Variant(std::string(arg));
  }
}

template <class... Args>
void COleControl::FireEvent(DISPID id, Args&&... args) {
  const InterfaceInfo* events = EventInfo();
  const MemberInfo* event = events ? events->Find(id) : nullptr;
  const bool is_typed = event && event->params.size() == sizeof...(Args);
  size_t index = 0;
  std::vector<Variant> variants;
  variants.reserve(sizeof...(Args));
  ((variants.push_back(EventArgument(std::forward<Args>(args), is_typed ? &event->params[index] : nullptr)),
    ++index),
   ...);
  FireEventV(id, variants);
}

}  // namespace plat

#endif  // PLAT_CTL_CONTROL_H_
