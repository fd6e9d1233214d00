// The framework's side of a control module's exports: attach and detach,
// one class factory per control class, and self-registration.
#include "plat/ctl/module.h"

#include <atomic>

#include "plat/ctl/control.h"
#include "plat/modules.h"

namespace plat {
namespace {

std::atomic<long> g_server_locks{0};

// One factory for controls and pages alike: both are made by a function.
class ControlFactory : public ComObject<IClassFactory> {
 public:
  using Create = HRESULT (*)(const IID& iid, void** out);
  explicit ControlFactory(Create create) : create_(create) {}
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return create_(iid, out);
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock) ++g_server_locks;
    else --g_server_locks;
    return S_OK;
  }

 private:
  Create create_;
};

}  // namespace

BOOL COleControlModule::DllMain(HMODULE module, DWORD reason) {
  if (reason == DLL_PROCESS_ATTACH) {
    if (is_attached_) return TRUE;
    // The framework's part first: the module knows its handle before its
    // own start-up runs.
    m_hInstance = module;
    if (!InitInstance()) return FALSE;
    is_attached_ = true;
    return TRUE;
  }
  if (reason == DLL_PROCESS_DETACH && is_attached_) {
    is_attached_ = false;
    ExitInstance();
  }
  return TRUE;
}

HRESULT COleControlModule::DllGetClassObject(const CLSID& clsid, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  for (const ControlRegistration& registration : GetControls()) {
    if (registration.clsid == clsid) return MakeCom<ControlFactory>(registration.create)->QueryInterface(iid, out);
  }
  for (const PropertyPageRegistration& registration : GetPropertyPages()) {
    if (registration.clsid == clsid) return MakeCom<ControlFactory>(registration.create)->QueryInterface(iid, out);
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT COleControlModule::DllCanUnloadNow() const {
  return COleControl::LiveCount() == 0 && g_server_locks.load() == 0 ? S_OK : S_FALSE;
}

HRESULT COleControlModule::DllRegisterServer(const void* address_in_module) {
  HMODULE module = m_hInstance ? m_hInstance : GetModuleHandleFromAddress(address_in_module);
  if (!module) return SELFREG_E_CLASS;
  return RegisterServerClasses(module, GetTypeLib(), GetControls(), GetPropertyPages());
}

HRESULT COleControlModule::DllUnregisterServer(const void* address_in_module) {
  HMODULE module = m_hInstance ? m_hInstance : GetModuleHandleFromAddress(address_in_module);
  if (!module) return SELFREG_E_CLASS;
  return UnregisterServerClasses(module, GetTypeLib(), GetControls(), GetPropertyPages());
}

}  // namespace plat
