// Class objects registered in code, CoCreateInstance and task memory. The
// table is process-wide and guarded by one lock; a class object is called
// only after the lock is released, so it may register or revoke others.
#include <cstdlib>
#include <mutex>
#include <vector>

#include "class_registry.h"
#include "plat/oleaut/com.h"

namespace plat {
namespace {

struct ClassObjectEntry {
  DWORD cookie;
  CLSID clsid;
  ComPtr<IUnknown> object;
};

struct ClassObjectTable {
  std::mutex lock;
  std::vector<ClassObjectEntry> entries;
  DWORD next_cookie = 1;
};

ClassObjectTable& Table() {
  static ClassObjectTable* table = new ClassObjectTable;  // lives until exit, past every module
  return *table;
}

ComPtr<IUnknown> FindRegistered(const CLSID& clsid) {
  ClassObjectTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  for (const ClassObjectEntry& entry : table.entries) {
    if (entry.clsid == clsid) return entry.object;
  }
  return nullptr;
}

}  // namespace

HRESULT CoRegisterClassObject(const CLSID& clsid, IUnknown* class_object, DWORD context, DWORD flags,
                              DWORD* cookie) {
  if (!class_object || !cookie) return E_INVALIDARG;
  ClassObjectTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  *cookie = table.next_cookie++;
  table.entries.push_back(ClassObjectEntry{*cookie, clsid, ComPtr<IUnknown>(class_object)});
  return S_OK;
}

HRESULT CoRevokeClassObject(DWORD cookie) {
  ComPtr<IUnknown> released;  // released after the lock is dropped
  ClassObjectTable& table = Table();
  std::lock_guard<std::mutex> guard(table.lock);
  for (auto it = table.entries.begin(); it != table.entries.end(); ++it) {
    if (it->cookie == cookie) {
      released = std::move(it->object);
      table.entries.erase(it);
      return S_OK;
    }
  }
  return E_INVALIDARG;
}

HRESULT CoGetClassObject(const CLSID& clsid, DWORD context, void* reserved, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (ComPtr<IUnknown> object = FindRegistered(clsid)) return object->QueryInterface(iid, out);
  if (!(context & CLSCTX_INPROC_SERVER)) return REGDB_E_CLASSNOTREG;
  return oleaut_internal::GetRegisteredClassObject(clsid, iid, out);
}

HRESULT CoCreateInstance(const CLSID& clsid, IUnknown* outer, DWORD context, const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  ComPtr<IClassFactory> factory;
  if (HRESULT hr = CoGetClassObject(clsid, context, nullptr, IClassFactory::kIid, factory.put_void()); FAILED(hr)) {
    return hr;
  }
  return factory->CreateInstance(nullptr, iid, out);
}

HRESULT CLSIDFromProgID(const char* prog_id, CLSID* clsid) {
  if (!prog_id || !clsid) return E_INVALIDARG;
  return oleaut_internal::LookupProgID(prog_id, clsid);
}

HRESULT ProgIDFromCLSID(const CLSID& clsid, std::string* prog_id) {
  if (!prog_id) return E_INVALIDARG;
  return oleaut_internal::LookupClassProgID(clsid, prog_id);
}

HRESULT CLSIDFromString(const char* text, CLSID* clsid) {
  if (!text || !clsid) return E_INVALIDARG;
  if (GUIDFromString(text, clsid)) return S_OK;
  return CLSIDFromProgID(text, clsid);
}

void* CoTaskMemAlloc(size_t size_bytes) { return std::malloc(size_bytes == 0 ? 1 : size_bytes); }

void CoTaskMemFree(void* memory) { std::free(memory); }

}  // namespace plat
