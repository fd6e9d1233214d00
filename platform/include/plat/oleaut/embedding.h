// Embedding a control in a host: the host's site (ambient properties), the
// control's side (site, extent, verbs, ambient changes) and in-place
// activation, by which the control makes its window as a child of a host
// window. Controls implement these in the control framework; hosts (the
// class library's TOleControl) call them. Interfaces only: nothing to link.
#ifndef PLAT_OLEAUT_EMBEDDING_H_
#define PLAT_OLEAUT_EMBEDDING_H_

#include "plat/oleaut/variant.h"

namespace plat {

// Verbs of an embedded object.
constexpr LONG OLEIVERB_PRIMARY = 0;
constexpr LONG OLEIVERB_SHOW = -1;
constexpr LONG OLEIVERB_OPEN = -2;
constexpr LONG OLEIVERB_HIDE = -3;
constexpr LONG OLEIVERB_UIACTIVATE = -4;
constexpr LONG OLEIVERB_INPLACEACTIVATE = -5;
constexpr LONG OLEIVERB_DISCARDUNDOSTATE = -6;
constexpr LONG OLEIVERB_PROPERTIES = -7;

// Ambient properties a site answers.
constexpr DISPID DISPID_AMBIENT_BACKCOLOR = -701;
constexpr DISPID DISPID_AMBIENT_DISPLAYNAME = -702;
constexpr DISPID DISPID_AMBIENT_FONT = -703;
constexpr DISPID DISPID_AMBIENT_FORECOLOR = -704;
constexpr DISPID DISPID_AMBIENT_LOCALEID = -705;
constexpr DISPID DISPID_AMBIENT_MESSAGEREFLECT = -706;
constexpr DISPID DISPID_AMBIENT_USERMODE = -709;
constexpr DISPID DISPID_AMBIENT_UIDEAD = -710;
constexpr DISPID DISPID_AMBIENT_SHOWGRABHANDLES = -711;
constexpr DISPID DISPID_AMBIENT_SHOWHATCHING = -712;
constexpr DISPID DISPID_AMBIENT_SUPPORTSMNEMONICS = -714;
constexpr DISPID DISPID_AMBIENT_APPEARANCE = -716;
constexpr DISPID DISPID_AMBIENT_PALETTE = -726;

// Members of a font object (the ambient font).
constexpr DISPID DISPID_FONT_NAME = 0;
constexpr DISPID DISPID_FONT_SIZE = 2;
constexpr DISPID DISPID_FONT_BOLD = 3;
constexpr DISPID DISPID_FONT_ITALIC = 4;
constexpr DISPID DISPID_FONT_UNDER = 5;
constexpr DISPID DISPID_FONT_STRIKE = 6;
constexpr DISPID DISPID_FONT_WEIGHT = 7;
constexpr DISPID DISPID_FONT_CHARSET = 8;

// The host's side of an embedded control.
struct IControlSite : IUnknown {
  static constexpr IID kIid{0x7A1D0C01, 0x5E3B, 0x4C9A, {0x8E, 0x21, 0x3F, 0x50, 0x6B, 0x1C, 0x20, 0x01}};
  using Base = IUnknown;
  // DISP_E_MEMBERNOTFOUND for an ambient the host does not know.
  virtual HRESULT GetAmbientProperty(DISPID id, Variant* value) = 0;
  // The control's keyboard mnemonics or similar information changed.
  virtual HRESULT OnControlInfoChanged() = 0;
};

// The control's side, as a host sees it.
struct IEmbeddedControl : IUnknown {
  static constexpr IID kIid{0x7A1D0C02, 0x5E3B, 0x4C9A, {0x8E, 0x21, 0x3F, 0x50, 0x6B, 0x1C, 0x20, 0x02}};
  using Base = IUnknown;
  virtual HRESULT SetSite(IControlSite* site) = 0;
  virtual HRESULT GetSite(IControlSite** site) = 0;
  // DISPID_UNKNOWN: any number of ambients changed.
  virtual HRESULT AmbientPropertyChanged(DISPID id) = 0;
  virtual HRESULT GetExtent(SIZE* size_px) = 0;
  virtual HRESULT SetExtent(const SIZE& size_px) = 0;
  // Runs a verb; OLEIVERB_PROPERTIES (-7) opens the control's property pages
  // over `parent`. E_NOTIMPL for a verb the control does not have.
  virtual HRESULT DoVerb(LONG verb, HWND parent) = 0;
};

// In-place activation: the control's own window inside a host window.
struct IInPlaceControl : IUnknown {
  static constexpr IID kIid{0x7A1D0C03, 0x5E3B, 0x4C9A, {0x8E, 0x21, 0x3F, 0x50, 0x6B, 0x1C, 0x20, 0x03}};
  using Base = IUnknown;
  // Makes the control's window a child of `parent` at `rect` (the parent's
  // client coordinates); a window the control has already moves there.
  // E_FAIL when the window cannot be made.
  virtual HRESULT InPlaceActivate(HWND parent, const RECT& rect) = 0;
  // Destroys the control's window; S_OK also when it has none.
  virtual HRESULT InPlaceDeactivate() = 0;
  // E_FAIL (and null) while the control is not active in place.
  virtual HRESULT GetWindow(HWND* window) = 0;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_EMBEDDING_H_
