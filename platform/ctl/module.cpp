// The framework's side of a control module's exports: attach and detach,
// one class factory per control class, and self-registration.
#include "plat/ctl/module.h"

#include <atomic>

#include "plat/ctl/control.h"
#include "plat/modules.h"

namespace plat {
namespace {

std::atomic<long> g_server_locks{0};

class ControlFactory : public ComObject<IClassFactory> {
 public:
  explicit ControlFactory(const ControlRegistration& registration) : registration_(registration) {}
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (outer) return CLASS_E_NOAGGREGATION;
    return registration_.create(iid, out);
  }
  HRESULT LockServer(BOOL lock) override {
    if (lock) ++g_server_locks;
    else --g_server_locks;
    return S_OK;
  }

 private:
  const ControlRegistration& registration_;
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
    if (registration.clsid == clsid) {
      ComPtr<ControlFactory> factory = MakeCom<ControlFactory>(registration);
      return factory->QueryInterface(iid, out);
    }
  }
  return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT COleControlModule::DllCanUnloadNow() const {
  return COleControl::LiveCount() == 0 && g_server_locks.load() == 0 ? S_OK : S_FALSE;
}

HRESULT COleControlModule::DllRegisterServer(const void* address_in_module) {
  HMODULE module = m_hInstance ? m_hInstance : GetModuleHandleFromAddress(address_in_module);
  if (!module) return SELFREG_E_CLASS;
  return RegisterServerClasses(module, GetTypeLib(), GetControls());
}

HRESULT COleControlModule::DllUnregisterServer(const void* address_in_module) {
  HMODULE module = m_hInstance ? m_hInstance : GetModuleHandleFromAddress(address_in_module);
  if (!module) return SELFREG_E_CLASS;
  return UnregisterServerClasses(module, GetTypeLib(), GetControls());
}

}  // namespace plat
