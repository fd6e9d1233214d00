// Classes registered under HKEY_CLASSES_ROOT: ProgID lookups and the class
// objects of in-process servers. A server module is loaded once, attached
// once (DllMain) and never unloaded, so the class objects it hands out and
// the tables they point into stay valid for the life of the process.
#include "class_registry.h"

#include <mutex>
#include <set>

#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "plat/registry.h"

namespace plat::oleaut_internal {
namespace {

// The default value of HKCR\<path>; false when the key or value is missing.
bool ReadClassesRootText(const std::string& path, const char* value_name, std::string& out) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  const LONG rc = RegQueryStringValue(key, value_name, out);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS;
}

struct AttachedModules {
  std::mutex lock;
  std::set<HMODULE> attached;
};

AttachedModules& Attached() {
  static AttachedModules* modules = new AttachedModules;  // outlives every module
  return *modules;
}

// Runs the module's DllMain(attach) the first time the module is used.
bool AttachOnce(HMODULE module) {
  AttachedModules& modules = Attached();
  {
    std::lock_guard<std::mutex> guard(modules.lock);
    if (modules.attached.count(module)) return true;
  }
  if (auto main = reinterpret_cast<DllMainFunction>(GetProcAddress(module, "DllMain"))) {
    if (!main(module, DLL_PROCESS_ATTACH, nullptr)) return false;
  }
  std::lock_guard<std::mutex> guard(modules.lock);
  modules.attached.insert(module);
  return true;
}

}  // namespace

HRESULT GetRegisteredClassObject(const CLSID& clsid, const IID& iid, void** out) {
  std::string path;
  if (!ReadClassesRootText("CLSID\\" + StringFromGUID(clsid) + "\\InprocServer32", nullptr, path)) {
    return REGDB_E_CLASSNOTREG;
  }
  if (path.empty()) return CO_E_DLLNOTFOUND;
  HMODULE module = LoadLibrary(path.c_str());
  if (!module) return CO_E_DLLNOTFOUND;
  auto get_class_object = reinterpret_cast<DllGetClassObjectFunction>(GetProcAddress(module, "DllGetClassObject"));
  if (!get_class_object || !AttachOnce(module)) return CO_E_ERRORINDLL;
  return get_class_object(clsid, iid, out);
}

HRESULT LookupProgID(const char* prog_id, CLSID* clsid) {
  std::string text;
  if (!*prog_id || !ReadClassesRootText(std::string(prog_id) + "\\CLSID", nullptr, text)) return CO_E_CLASSSTRING;
  return GUIDFromString(text, clsid) ? S_OK : CO_E_CLASSSTRING;
}

HRESULT LookupClassProgID(const CLSID& clsid, std::string* prog_id) {
  std::string text;
  if (!ReadClassesRootText("CLSID\\" + StringFromGUID(clsid) + "\\ProgID", nullptr, text) || text.empty()) {
    return REGDB_E_CLASSNOTREG;
  }
  *prog_id = std::move(text);
  return S_OK;
}

}  // namespace plat::oleaut_internal
