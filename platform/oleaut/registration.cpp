// Self-registration under HKEY_CLASSES_ROOT. Registration writes every key
// of every class or, when one write fails, removes what it wrote; removal
// deletes exactly the keys registration writes, deepest first, and the shared
// parents (CLSID, TypeLib, the library's key) only when left empty.
#include "plat/oleaut/registration.h"

#include <string>
#include <vector>

#include "plat/modules.h"
#include "plat/registry.h"

namespace plat {
namespace {

struct KeyValue {
  std::string key;    // below HKEY_CLASSES_ROOT
  std::string name;   // "" is the key's default value
  std::string value;  // empty with `has_value` false: the key alone
  bool has_value = true;
};

std::string VersionText(WORD major, WORD minor) { return std::to_string(major) + "." + std::to_string(minor); }

// Every key and value registration writes, parents before children.
std::vector<KeyValue> RegistrationEntries(const std::string& module_path, const TypeLibInfo& typelib,
                                          std::span<const ControlRegistration> classes,
                                          std::span<const PropertyPageRegistration> pages) {
  const std::string libid = StringFromGUID(typelib.libid);
  const std::string version = VersionText(typelib.major_version, typelib.minor_version);
  std::vector<KeyValue> out;
  for (const ControlRegistration& c : classes) {
    const std::string clsid_key = "CLSID\\" + StringFromGUID(c.clsid);
    out.push_back({clsid_key, "", c.name});
    out.push_back({clsid_key + "\\InprocServer32", "", module_path});
    out.push_back({clsid_key + "\\InprocServer32", "ThreadingModel", "Apartment"});
    out.push_back({clsid_key + "\\ProgID", "", c.prog_id});
    out.push_back({clsid_key + "\\Control", "", "", false});
    out.push_back({clsid_key + "\\MiscStatus", "", "", false});
    out.push_back({clsid_key + "\\MiscStatus\\1", "", std::to_string(c.misc_status)});
    out.push_back({clsid_key + "\\TypeLib", "", libid});
    out.push_back({clsid_key + "\\Version", "", version});
    out.push_back({c.prog_id, "", c.name});
    out.push_back({std::string(c.prog_id) + "\\CLSID", "", StringFromGUID(c.clsid)});
  }
  for (const PropertyPageRegistration& page : pages) {
    const std::string clsid_key = "CLSID\\" + StringFromGUID(page.clsid);
    out.push_back({clsid_key, "", page.name});
    out.push_back({clsid_key + "\\InprocServer32", "", module_path});
    out.push_back({clsid_key + "\\InprocServer32", "ThreadingModel", "Apartment"});
    if (page.prog_id == nullptr) continue;
    out.push_back({clsid_key + "\\ProgID", "", page.prog_id});
    out.push_back({page.prog_id, "", page.name});
    out.push_back({std::string(page.prog_id) + "\\CLSID", "", StringFromGUID(page.clsid)});
  }
  out.push_back({"TypeLib\\" + libid + "\\" + version, "", typelib.help_text.empty() ? typelib.name : typelib.help_text});
  return out;
}

LONG WriteEntry(const KeyValue& entry) {
  HKEY key = nullptr;
  LONG rc = RegCreateKeyEx(HKEY_CLASSES_ROOT, entry.key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                           KEY_ALL_ACCESS, nullptr, &key, nullptr);
  if (rc != ERROR_SUCCESS) return rc;
  if (entry.has_value) {
    rc = RegSetValueEx(key, entry.name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(entry.value.c_str()),
                       static_cast<DWORD>(entry.value.size() + 1));
  }
  RegCloseKey(key);
  return rc;
}

bool IsEmptyKey(const std::string& path) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  DWORD sub_keys = 0, values = 0;
  const LONG rc = RegQueryInfoKey(key, &sub_keys, nullptr, &values, nullptr, nullptr, nullptr);
  RegCloseKey(key);
  return rc == ERROR_SUCCESS && sub_keys == 0 && values == 0;
}

void RemoveEntries(const std::vector<KeyValue>& entries, const TypeLibInfo& typelib) {
  // Children were listed after their parents: delete from the end. A key
  // that still has keys of someone else's stays.
  std::vector<std::string> seen;
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    bool is_repeat = false;
    for (const std::string& key : seen) is_repeat = is_repeat || key == it->key;
    if (is_repeat) continue;
    seen.push_back(it->key);
    RegDeleteKey(HKEY_CLASSES_ROOT, it->key.c_str());
  }
  for (const std::string& parent : {"TypeLib\\" + StringFromGUID(typelib.libid), std::string("TypeLib"),
                                    std::string("CLSID")}) {
    if (IsEmptyKey(parent)) RegDeleteKey(HKEY_CLASSES_ROOT, parent.c_str());
  }
}

}  // namespace

HRESULT RegisterServerClasses(HMODULE module, const TypeLibInfo& typelib,
                              std::span<const ControlRegistration> classes,
                              std::span<const PropertyPageRegistration> pages) {
  std::string path;
  if (GetModuleFileName(module, path) == 0 || path.empty()) return SELFREG_E_CLASS;
  const std::vector<KeyValue> entries = RegistrationEntries(path, typelib, classes, pages);
  for (const KeyValue& entry : entries) {
    if (WriteEntry(entry) != ERROR_SUCCESS) {
      RemoveEntries(entries, typelib);
      return SELFREG_E_CLASS;
    }
  }
  return S_OK;
}

HRESULT UnregisterServerClasses(HMODULE module, const TypeLibInfo& typelib,
                                std::span<const ControlRegistration> classes,
                                std::span<const PropertyPageRegistration> pages) {
  RemoveEntries(RegistrationEntries(std::string(), typelib, classes, pages), typelib);
  return S_OK;
}

}  // namespace plat
