// Self-registration of a control module's classes under HKEY_CLASSES_ROOT:
// CLSID\{clsid} (name, InprocServer32 with ThreadingModel, ProgID, Control,
// MiscStatus\1, TypeLib, Version), <ProgID>\CLSID and
// TypeLib\{libid}\<major.minor>. Unregistration removes exactly these keys
// (and CLSID, TypeLib and the library's key once they are left empty).
#ifndef PLAT_OLEAUT_REGISTRATION_H_
#define PLAT_OLEAUT_REGISTRATION_H_

#include <span>

#include "plat/oleaut/typelib.h"

namespace plat {

// One creatable control class of a module.
struct ControlRegistration {
  CLSID clsid;
  const char* prog_id;
  const char* name;      // the class's user-visible name
  DWORD misc_status;     // OLEMISC_* bits for MiscStatus\1
  // Makes a new object and returns its interface `iid`.
  HRESULT (*create)(const IID& iid, void** out);
};

// One property-page class of a module: registered as CLSID\{clsid} with
// its name, InprocServer32 and, when given, its ProgID.
struct PropertyPageRegistration {
  CLSID clsid;
  const char* prog_id;  // may be null
  const char* name;
  HRESULT (*create)(const IID& iid, void** out);
};

constexpr DWORD OLEMISC_RECOMPOSEONRESIZE = 0x1;
constexpr DWORD OLEMISC_CANTLINKINSIDE = 0x10;
constexpr DWORD OLEMISC_INSIDEOUT = 0x80;
constexpr DWORD OLEMISC_ACTIVATEWHENVISIBLE = 0x100;
constexpr DWORD OLEMISC_SETCLIENTSITEFIRST = 0x20000;

HRESULT RegisterServerClasses(HMODULE module, const TypeLibInfo& typelib,
                              std::span<const ControlRegistration> classes,
                              std::span<const PropertyPageRegistration> pages = {});
HRESULT UnregisterServerClasses(HMODULE module, const TypeLibInfo& typelib,
                                std::span<const ControlRegistration> classes,
                                std::span<const PropertyPageRegistration> pages = {});

}  // namespace plat

#endif  // PLAT_OLEAUT_REGISTRATION_H_
