// COleControlModule: one per control module. It lists the module's control
// classes and type library and carries the framework's side of the five
// exports every control module has with C linkage (DllMain, DllGetClassObject,
// DllCanUnloadNow, DllRegisterServer, DllUnregisterServer), which
// PLAT_CONTROL_MODULE_EXPORTS writes out. On attach the framework starts
// first, then the module's InitInstance runs.
#ifndef PLAT_CTL_MODULE_H_
#define PLAT_CTL_MODULE_H_

#include <span>

#include "plat/oleaut/com.h"
#include "plat/oleaut/registration.h"

namespace plat {

class COleControlModule {
 public:
  COleControlModule() = default;
  virtual ~COleControlModule() = default;
  COleControlModule(const COleControlModule&) = delete;
  COleControlModule& operator=(const COleControlModule&) = delete;

  virtual const TypeLibInfo& GetTypeLib() const = 0;
  virtual std::span<const ControlRegistration> GetControls() const = 0;
  // The module's property-page classes (served and registered with the controls).
  virtual std::span<const PropertyPageRegistration> GetPropertyPages() const { return {}; }
  // The module's own start-up and shut-down; FALSE from InitInstance fails the attach.
  virtual BOOL InitInstance() { return TRUE; }
  virtual int ExitInstance() { return 0; }

  // The framework's side of the exports. `module` is the module's handle;
  // the registration functions find it from an address inside the module
  // when the host called them without loading through LoadLibrary.
  BOOL DllMain(HMODULE module, DWORD reason);
  HRESULT DllGetClassObject(const CLSID& clsid, const IID& iid, void** out);
  HRESULT DllCanUnloadNow() const;
  HRESULT DllRegisterServer(const void* address_in_module);
  HRESULT DllUnregisterServer(const void* address_in_module);

  HMODULE m_hInstance = nullptr;

 private:
  bool is_attached_ = false;
};

}  // namespace plat

// Writes the five exports for the module object `module_object` (an lvalue
// of a COleControlModule subclass, defined once in the module).
#define PLAT_CONTROL_MODULE_EXPORTS(module_object)                                                          \
  extern "C" __attribute__((visibility("default"))) plat::BOOL DllMain(plat::HMODULE module, plat::DWORD reason, \
                                                                       void*) {                            \
    return (module_object).DllMain(module, reason);                                                       \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) plat::HRESULT DllGetClassObject(                       \
      const plat::CLSID& clsid, const plat::IID& iid, void** out) {                                        \
    return (module_object).DllGetClassObject(clsid, iid, out);                                             \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) plat::HRESULT DllCanUnloadNow() {                       \
    return (module_object).DllCanUnloadNow();                                                              \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) plat::HRESULT DllRegisterServer() {                     \
    return (module_object).DllRegisterServer(reinterpret_cast<const void*>(&DllRegisterServer));          \
  }                                                                                                        \
  extern "C" __attribute__((visibility("default"))) plat::HRESULT DllUnregisterServer() {                   \
    return (module_object).DllUnregisterServer(reinterpret_cast<const void*>(&DllUnregisterServer));      \
  }

#endif  // PLAT_CTL_MODULE_H_
