// Property exchange: one DoPropExchange function per control both loads and
// saves its persisted properties. Each PX_ function names a property, its
// variable and its default; loading a value that is missing, of a type that
// does not convert, or out of the variable's range gives the default.
#ifndef PLAT_CTL_PROP_EXCHANGE_H_
#define PLAT_CTL_PROP_EXCHANGE_H_

#include <string>

#include "plat/oleaut/property_bag.h"

namespace plat {

// Versions are major << 16 | minor: 0x00020000 is 2.0.
constexpr DWORD MakeVersion(WORD major, WORD minor) { return static_cast<DWORD>(major) << 16 | minor; }

class CPropExchange {
 public:
  virtual ~CPropExchange() = default;
  BOOL IsLoading() const { return is_loading_ ? TRUE : FALSE; }
  // The version of the properties being loaded, or the version being saved.
  DWORD GetVersion() const { return version_; }
  // Loading: the stored "_Version" (the default when none is stored).
  // Saving: stores `default_version`, or `version_loaded` when !convert.
  virtual BOOL ExchangeVersion(DWORD& version_loaded, DWORD default_version, BOOL convert = TRUE) = 0;
  // Exchanges one value of type vt. Loading: `value` (already of type vt)
  // receives the stored value converted to vt, or *default_value, or keeps
  // its value when there is no default; TRUE when a stored value was taken.
  virtual BOOL ExchangeProp(const char* name, VARTYPE vt, Variant& value, const Variant* default_value) = 0;

 protected:
  explicit CPropExchange(bool is_loading) : is_loading_(is_loading) {}
  bool is_loading_;
  DWORD version_ = 0;
};

// Exchange with a property bag. Saving with save_all FALSE leaves out values
// equal to their defaults. A null bag loads every default.
class CPropbagPropExchange : public CPropExchange {
 public:
  CPropbagPropExchange(IPropertyBag* bag, BOOL is_loading, BOOL save_all = TRUE);
  BOOL ExchangeVersion(DWORD& version_loaded, DWORD default_version, BOOL convert = TRUE) override;
  BOOL ExchangeProp(const char* name, VARTYPE vt, Variant& value, const Variant* default_value) override;

 private:
  ComPtr<IPropertyBag> bag_;
  bool save_all_;
};

BOOL PX_Bool(CPropExchange* px, const char* name, BOOL& value);
BOOL PX_Bool(CPropExchange* px, const char* name, BOOL& value, BOOL default_value);
BOOL PX_Short(CPropExchange* px, const char* name, short& value);
BOOL PX_Short(CPropExchange* px, const char* name, short& value, short default_value);
BOOL PX_UShort(CPropExchange* px, const char* name, USHORT& value);
BOOL PX_UShort(CPropExchange* px, const char* name, USHORT& value, USHORT default_value);
BOOL PX_Long(CPropExchange* px, const char* name, int32_t& value);
BOOL PX_Long(CPropExchange* px, const char* name, int32_t& value, int32_t default_value);
BOOL PX_ULong(CPropExchange* px, const char* name, ULONG& value);
BOOL PX_ULong(CPropExchange* px, const char* name, ULONG& value, ULONG default_value);
BOOL PX_Color(CPropExchange* px, const char* name, OLE_COLOR& value);
BOOL PX_Color(CPropExchange* px, const char* name, OLE_COLOR& value, OLE_COLOR default_value);
BOOL PX_String(CPropExchange* px, const char* name, std::string& value);
BOOL PX_String(CPropExchange* px, const char* name, std::string& value, const std::string& default_value);
BOOL PX_Float(CPropExchange* px, const char* name, float& value);
BOOL PX_Float(CPropExchange* px, const char* name, float& value, float default_value);
BOOL PX_Double(CPropExchange* px, const char* name, double& value);
BOOL PX_Double(CPropExchange* px, const char* name, double& value, double default_value);

}  // namespace plat

#endif  // PLAT_CTL_PROP_EXCHANGE_H_
