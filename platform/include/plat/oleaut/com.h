// Creating objects by class identifier: class factories, the process's table
// of class objects registered in code, and CoCreateInstance, which asks that
// table first and then the class registration under HKEY_CLASSES_ROOT
// (InprocServer32 -> LoadLibrary -> DllMain(attach) -> DllGetClassObject).
// Modules loaded this way stay loaded for the life of the process.
#ifndef PLAT_OLEAUT_COM_H_
#define PLAT_OLEAUT_COM_H_

#include <cstddef>

#include "plat/oleaut/unknown.h"

namespace plat {

struct IClassFactory : IUnknown {
  static constexpr IID kIid{0x00000001, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  using Base = IUnknown;
  // CLASS_E_NOAGGREGATION when `outer` is not null.
  virtual HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) = 0;
  virtual HRESULT LockServer(BOOL lock) = 0;
};

constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_LOCAL_SERVER = 0x4;
constexpr DWORD CLSCTX_ALL = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER;
constexpr DWORD REGCLS_SINGLEUSE = 0;
constexpr DWORD REGCLS_MULTIPLEUSE = 1;

// The entry points every control module exports with C linkage.
constexpr DWORD DLL_PROCESS_DETACH = 0;
constexpr DWORD DLL_PROCESS_ATTACH = 1;
using DllMainFunction = BOOL (*)(HMODULE module, DWORD reason, void* reserved);
using DllGetClassObjectFunction = HRESULT (*)(const CLSID& clsid, const IID& iid, void** out);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();

// Class objects registered in code take precedence over the registry.
HRESULT CoRegisterClassObject(const CLSID& clsid, IUnknown* class_object, DWORD context, DWORD flags,
                              DWORD* cookie);
HRESULT CoRevokeClassObject(DWORD cookie);
HRESULT CoGetClassObject(const CLSID& clsid, DWORD context, void* reserved, const IID& iid, void** out);
// REGDB_E_CLASSNOTREG when neither the table nor the registry knows the
// class, CO_E_DLLNOTFOUND when its module cannot be loaded, CO_E_ERRORINDLL
// when the module lacks DllGetClassObject.
HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid, void** out);

// HKCR\<ProgID>\CLSID; CO_E_CLASSSTRING for an unknown ProgID.
HRESULT CLSIDFromProgID(const char* prog_id, CLSID* clsid);
// HKCR\CLSID\{clsid}\ProgID; REGDB_E_CLASSNOTREG when there is none.
HRESULT ProgIDFromCLSID(const CLSID& clsid, std::string* prog_id);
// Also accepts a ProgID, as the system's parser does.
HRESULT CLSIDFromString(const char* text, CLSID* clsid);

void* CoTaskMemAlloc(size_t size_bytes);
void CoTaskMemFree(void* memory);

}  // namespace plat

#endif  // PLAT_OLEAUT_COM_H_
