// Property exchange with a bag. Loading never raises: a value that is missing
// or does not convert to the property's type or range gives the default.
#include "plat/ctl/prop_exchange.h"

#include <limits>

#include "plat/oleaut/dispatch.h"

namespace plat {
namespace {

constexpr const char* kVersionName = "_Version";

// The missing default of the PX_ forms without one.
template <class T>
const T* NoDefault(const T&) {
  return nullptr;
}

// A variant of type vt holding nothing yet.
Variant TypedZero(VARTYPE vt) {
  if (vt == VT_BSTR) return Variant(std::string());
  return MakeVariant(0, vt);
}

// The common frame of every PX_ function: the variable's value goes out as
// type vt, comes back as type vt, and `accept` says whether a loaded value is
// in the variable's range.
template <class T, class Accept>
BOOL Exchange(CPropExchange* px, const char* name, VARTYPE vt, T& value, const T* default_value, Accept accept) {
  Variant current = px->IsLoading() ? TypedZero(vt) : MakeVariant(value, vt);
  Variant fallback;
  if (default_value) fallback = MakeVariant(*default_value, vt);
  if (!px->IsLoading()) return px->ExchangeProp(name, vt, current, default_value ? &fallback : nullptr);
  if (px->ExchangeProp(name, vt, current, nullptr)) {
    const T loaded = FromVariant<T>(current);
    if (accept(loaded)) {
      value = loaded;
      return TRUE;
    }
  }
  if (default_value) value = *default_value;
  return FALSE;
}

template <class T>
BOOL Exchange(CPropExchange* px, const char* name, VARTYPE vt, T& value, const T* default_value) {
  return Exchange(px, name, vt, value, default_value, [](const T&) { return true; });
}

}  // namespace

CPropbagPropExchange::CPropbagPropExchange(IPropertyBag* bag, BOOL is_loading, BOOL save_all)
    : CPropExchange(is_loading != FALSE), bag_(bag), save_all_(save_all != FALSE) {}

BOOL CPropbagPropExchange::ExchangeVersion(DWORD& version_loaded, DWORD default_version, BOOL convert) {
  if (is_loading_) {
    Variant stored(int32_t{0});
    if (bag_ && SUCCEEDED(bag_->Read(kVersionName, &stored))) {
      version_loaded = static_cast<DWORD>(stored.lVal());
    } else {
      version_loaded = default_version;
    }
    version_ = version_loaded;
    return TRUE;
  }
  version_ = convert ? default_version : version_loaded;
  return bag_ && SUCCEEDED(bag_->Write(kVersionName, Variant(static_cast<int32_t>(version_)))) ? TRUE : FALSE;
}

BOOL CPropbagPropExchange::ExchangeProp(const char* name, VARTYPE vt, Variant& value, const Variant* default_value) {
  if (is_loading_) {
    Variant stored = TypedZero(vt);
    if (bag_ && SUCCEEDED(bag_->Read(name, &stored)) && stored.vt() == vt) {
      value = std::move(stored);
      return TRUE;
    }
    if (default_value) value = *default_value;
    return FALSE;
  }
  if (!bag_) return FALSE;
  if (!save_all_ && default_value && value == *default_value) return TRUE;
  return SUCCEEDED(bag_->Write(name, value)) ? TRUE : FALSE;
}

BOOL PX_Bool(CPropExchange* px, const char* name, BOOL& value) { return Exchange(px, name, VT_BOOL, value, NoDefault(value)); }
BOOL PX_Bool(CPropExchange* px, const char* name, BOOL& value, BOOL default_value) {
  return Exchange(px, name, VT_BOOL, value, &default_value);
}
BOOL PX_Short(CPropExchange* px, const char* name, short& value) { return Exchange(px, name, VT_I2, value, NoDefault(value)); }
BOOL PX_Short(CPropExchange* px, const char* name, short& value, short default_value) {
  return Exchange(px, name, VT_I2, value, &default_value);
}

namespace {

// Unsigned shorts travel as I4 so that every value fits; a stored value
// outside 0..65535 is out of range.
BOOL ExchangeUShort(CPropExchange* px, const char* name, USHORT& value, const USHORT* default_value) {
  int32_t wide = value;
  const int32_t wide_default = default_value ? *default_value : 0;
  const BOOL taken = Exchange(px, name, VT_I4, wide, default_value ? &wide_default : nullptr,
                              [](int32_t v) { return v >= 0 && v <= 0xFFFF; });
  if (taken || default_value) value = static_cast<USHORT>(wide);
  return taken;
}

}  // namespace

BOOL PX_UShort(CPropExchange* px, const char* name, USHORT& value) {
  return ExchangeUShort(px, name, value, nullptr);
}
BOOL PX_UShort(CPropExchange* px, const char* name, USHORT& value, USHORT default_value) {
  return ExchangeUShort(px, name, value, &default_value);
}

BOOL PX_Long(CPropExchange* px, const char* name, int32_t& value) { return Exchange(px, name, VT_I4, value, NoDefault(value)); }
BOOL PX_Long(CPropExchange* px, const char* name, int32_t& value, int32_t default_value) {
  return Exchange(px, name, VT_I4, value, &default_value);
}
// Unsigned longs and colours keep their 32 bits in an I4.
BOOL PX_ULong(CPropExchange* px, const char* name, ULONG& value) { return Exchange(px, name, VT_I4, value, NoDefault(value)); }
BOOL PX_ULong(CPropExchange* px, const char* name, ULONG& value, ULONG default_value) {
  return Exchange(px, name, VT_I4, value, &default_value);
}
BOOL PX_Color(CPropExchange* px, const char* name, OLE_COLOR& value) {
  return Exchange(px, name, VT_I4, value, NoDefault(value));
}
BOOL PX_Color(CPropExchange* px, const char* name, OLE_COLOR& value, OLE_COLOR default_value) {
  return Exchange(px, name, VT_I4, value, &default_value);
}
BOOL PX_String(CPropExchange* px, const char* name, std::string& value) {
  return Exchange(px, name, VT_BSTR, value, NoDefault(value));
}
BOOL PX_String(CPropExchange* px, const char* name, std::string& value, const std::string& default_value) {
  return Exchange(px, name, VT_BSTR, value, &default_value);
}
BOOL PX_Float(CPropExchange* px, const char* name, float& value) { return Exchange(px, name, VT_R4, value, NoDefault(value)); }
BOOL PX_Float(CPropExchange* px, const char* name, float& value, float default_value) {
  return Exchange(px, name, VT_R4, value, &default_value);
}
BOOL PX_Double(CPropExchange* px, const char* name, double& value) {
  return Exchange(px, name, VT_R8, value, NoDefault(value));
}
BOOL PX_Double(CPropExchange* px, const char* name, double& value, double default_value) {
  return Exchange(px, name, VT_R8, value, &default_value);
}

}  // namespace plat
