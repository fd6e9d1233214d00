// The registry store; see registry.h. Each hive is cached by its file path and
// reloaded when the file's identity (inode, size, modification time) changes,
// so a value committed by another process is seen by the next call. Keys
// handed out are paths, looked up again on every call: a key deleted meanwhile
// answers ERROR_KEY_DELETED instead of reaching freed memory.
#include "plat/registry.h"

#include <stdlib.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

#include "file_lock.h"
#include "plat/atomic_file.h"
#include "plat/files.h"
#include "plat/handle_table.h"
#include "plat/user_folder.h"
#include "registry_hive.h"

namespace plat {
namespace {

using internal::HiveKey;
using internal::HiveValue;

enum class Root { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };
constexpr const char* kHiveFileNames[] = {"HKCR.reg", "HKCU.reg", "HKLM.reg", "HKU.reg"};
constexpr uint32_t kFirstRootId = 0x80000000u;

struct OpenKey {
  Root root;
  std::vector<std::string> path;
  REGSAM access;
};
using KeyHandles = Handles<OpenKey, HandleKind::kRegistryKey>;

struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  int64_t mtime_ns = 0;
  bool operator==(const FileIdentity&) const = default;
};

struct CachedHive {
  bool is_loaded = false;
  FileIdentity identity;
  bool is_bad = false;
  std::unique_ptr<HiveKey> root;
};

std::mutex g_mutex;  // guards everything below and serialises this process's writes
std::map<std::string, CachedHive> g_hives;
std::optional<std::string> g_root_override;

bool IsWritable(REGSAM access) { return (access & (KEY_SET_VALUE | KEY_CREATE_SUB_KEY)) != 0; }

FileIdentity IdentityOf(const std::string& path) {
  struct stat info;
  FileIdentity identity;
  if (::stat(path.c_str(), &info) != 0) return identity;
  identity.exists = true;
  identity.device = info.st_dev;
  identity.inode = info.st_ino;
  identity.size = info.st_size;
  identity.mtime_ns = static_cast<int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec;
  return identity;
}

std::string FolderLocked() {
  if (g_root_override) return *g_root_override;
  const char* folder = ::getenv("PLAT_REGISTRY_DIR");
  if (folder != nullptr && folder[0] != '\0') return folder;
  return UserFolder() + "/registry";
}

std::string HivePath(Root root) { return FolderLocked() + "/" + kHiveFileNames[static_cast<int>(root)]; }

// The hive as its file now stands; null with ERROR_BADDB (or the read error)
// when the file cannot be read or does not parse.
HiveKey* LoadHive(Root root, LONG& error) {
  const std::string path = HivePath(root);
  CachedHive& cached = g_hives[path];
  const FileIdentity identity = IdentityOf(path);
  if (!cached.is_loaded || !(cached.identity == identity)) {
    cached.is_loaded = true;
    cached.identity = identity;
    cached.is_bad = false;
    cached.root = std::make_unique<HiveKey>(std::string());
    if (identity.exists) {
      std::vector<uint8_t> bytes;
      if (identity.size > static_cast<off_t>(internal::kMaxHiveBytes) ||
          ReadWholeFile(path, bytes) != OpenStatus::kOk ||
          !internal::ParseHive(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()),
                               *cached.root, nullptr)) {
        cached.is_bad = true;
        cached.root = std::make_unique<HiveKey>(std::string());
      }
    }
  }
  if (cached.is_bad) {
    error = ERROR_BADDB;
    return nullptr;
  }
  return cached.root.get();
}

// Writes the cached hive of `root` back; on failure the cache is dropped, so
// the next call reads the file as it stayed.
LONG StoreHive(Root root) {
  const std::string path = HivePath(root);
  CachedHive& cached = g_hives[path];
  if (!ReplaceFileContents(path, internal::SerializeHive(*cached.root))) {
    const LONG error = static_cast<LONG>(ErrorFromErrno(errno));
    cached.is_loaded = false;
    return error;
  }
  cached.identity = IdentityOf(path);
  return ERROR_SUCCESS;
}

// Splits a key path at backslashes, dropping empty components; false for a
// name the store cannot hold.
bool SplitKeyPath(const char* sub_key, std::vector<std::string>& out) {
  if (sub_key == nullptr) return true;
  std::string_view path(sub_key);
  while (!path.empty()) {
    const size_t separator = path.find('\\');
    const std::string_view component = path.substr(0, separator);
    path.remove_prefix(separator == std::string_view::npos ? path.size() : separator + 1);
    if (component.empty()) continue;
    if (!internal::IsValidKeyName(component)) return false;
    out.emplace_back(component);
  }
  return out.size() <= internal::kMaxKeyDepth;
}

// The root, path and access behind a handle.
bool Resolve(HKEY key, OpenKey& out) {
  const uint32_t id = HandleId(key);
  if (id >= kFirstRootId && id < kFirstRootId + 4) {
    out = OpenKey{static_cast<Root>(id - kFirstRootId), {}, KEY_ALL_ACCESS};
    return true;
  }
  const std::shared_ptr<OpenKey> open = KeyHandles::Find(id);
  if (!open) return false;
  out = *open;
  return true;
}

HiveKey* Walk(HiveKey* key, const std::vector<std::string>& path) {
  for (const std::string& name : path) {
    if (key == nullptr) return nullptr;
    key = key->FindSubkey(name);
  }
  return key;
}

// The hive key a handle names, loaded fresh. `error` is set when null.
HiveKey* KeyOf(const OpenKey& open, LONG& error) {
  HiveKey* root = LoadHive(open.root, error);
  if (root == nullptr) return nullptr;
  HiveKey* key = Walk(root, open.path);
  if (key == nullptr) error = open.path.empty() ? ERROR_BADDB : ERROR_KEY_DELETED;
  return key;
}

// Runs a change of one hive under the process mutex and the folder's lock
// file; `change` returns an error code and sets `is_changed` when the hive
// must be written.
template <class Change>
LONG ModifyHive(Root root, Change&& change) {
  const std::string folder = FolderLocked();
  if (!MakeFolders(folder)) return static_cast<LONG>(ErrorFromErrno(errno));
  internal::ExclusiveLock lock;
  if (!lock.LockFile(folder + "/.lock")) return static_cast<LONG>(ErrorFromErrno(errno));
  LONG error = ERROR_SUCCESS;
  HiveKey* hive = LoadHive(root, error);
  if (hive == nullptr) return error;
  bool is_changed = false;
  error = change(*hive, is_changed);
  if (error != ERROR_SUCCESS || !is_changed) return error;
  return StoreHive(root);
}

LONG OpenOrCreate(HKEY key, const char* sub_key, REGSAM access, bool may_create, HKEY* result, DWORD* disposition) {
  if (result == nullptr) return ERROR_INVALID_PARAMETER;
  *result = nullptr;
  std::lock_guard<std::mutex> guard(g_mutex);
  OpenKey open;
  if (!Resolve(key, open)) return ERROR_INVALID_HANDLE;
  std::vector<std::string> tail;
  if (!SplitKeyPath(sub_key, tail) || open.path.size() + tail.size() > internal::kMaxKeyDepth) {
    return ERROR_INVALID_PARAMETER;
  }
  auto opened = std::make_shared<OpenKey>(OpenKey{open.root, open.path, access});
  opened->path.insert(opened->path.end(), tail.begin(), tail.end());
  bool is_new = false;
  LONG error = ERROR_SUCCESS;
  HiveKey* existing = KeyOf(*opened, error);
  if (existing == nullptr && error != ERROR_KEY_DELETED) return error;
  if (existing == nullptr) {
    if (!may_create) {
      // The parent itself may be gone: that is the parent handle's fault.
      LONG parent_error = ERROR_SUCCESS;
      return KeyOf(open, parent_error) == nullptr ? parent_error : ERROR_FILE_NOT_FOUND;
    }
    if (!IsWritable(open.access)) return ERROR_ACCESS_DENIED;
    error = ModifyHive(open.root, [&](HiveKey& hive, bool& is_changed) -> LONG {
      HiveKey* at = Walk(&hive, open.path);
      if (at == nullptr) return ERROR_KEY_DELETED;
      for (const std::string& name : tail) {
        bool made = false;
        at = at->AddSubkey(name, &made);
        is_new = is_new || made;
      }
      is_changed = is_new;
      return ERROR_SUCCESS;
    });
    if (error != ERROR_SUCCESS) return error;
  }
  const uint32_t id = KeyHandles::Insert(std::move(opened));
  if (id == 0) return ERROR_NOT_ENOUGH_MEMORY;
  *result = HandleFromId<HKEY>(id);
  if (disposition != nullptr) *disposition = is_new ? REG_CREATED_NEW_KEY : REG_OPENED_EXISTING_KEY;
  return ERROR_SUCCESS;
}

const char* NameOrDefault(const char* name) { return name != nullptr ? name : ""; }

// Looks a value up for reading; sets `error` when null.
// The key a handle names, for reading; sets `error` when null.
HiveKey* KeyForReading(HKEY key, LONG& error) {
  OpenKey open;
  if (!Resolve(key, open)) {
    error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return KeyOf(open, error);
}

const HiveValue* FindValue(HKEY key, const char* name, LONG& error) {
  HiveKey* at = KeyForReading(key, error);
  if (at == nullptr) return nullptr;
  const HiveValue* value = at->FindValue(NameOrDefault(name));
  if (value == nullptr) error = ERROR_FILE_NOT_FOUND;
  return value;
}

template <class Change>
LONG ChangeKey(HKEY key, Change&& change) {
  OpenKey open;
  if (!Resolve(key, open)) return ERROR_INVALID_HANDLE;
  if (!IsWritable(open.access)) return ERROR_ACCESS_DENIED;
  return ModifyHive(open.root, [&](HiveKey& hive, bool& is_changed) -> LONG {
    HiveKey* at = Walk(&hive, open.path);
    if (at == nullptr) return ERROR_KEY_DELETED;
    return change(*at, is_changed);
  });
}

}  // namespace

LONG RegCreateKeyEx(HKEY key, const char* sub_key, DWORD reserved, const char* class_name, DWORD options,
                    REGSAM access, const void* security, HKEY* result, DWORD* disposition) {
  return OpenOrCreate(key, sub_key, access, true, result, disposition);
}

LONG RegCreateKey(HKEY key, const char* sub_key, HKEY* result) {
  return OpenOrCreate(key, sub_key, KEY_ALL_ACCESS, true, result, nullptr);
}

LONG RegOpenKeyEx(HKEY key, const char* sub_key, DWORD options, REGSAM access, HKEY* result) {
  return OpenOrCreate(key, sub_key, access, false, result, nullptr);
}

LONG RegOpenKey(HKEY key, const char* sub_key, HKEY* result) {
  return OpenOrCreate(key, sub_key, KEY_ALL_ACCESS, false, result, nullptr);
}

LONG RegCloseKey(HKEY key) {
  const uint32_t id = HandleId(key);
  if (id >= kFirstRootId && id < kFirstRootId + 4) return ERROR_SUCCESS;
  return KeyHandles::Remove(id) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;
}

LONG RegFlushKey(HKEY key) {
  OpenKey open;
  return Resolve(key, open) ? ERROR_SUCCESS : ERROR_INVALID_HANDLE;  // every write is already on disk
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::vector<BYTE>* data) {
  std::lock_guard<std::mutex> guard(g_mutex);
  LONG error = ERROR_SUCCESS;
  const HiveValue* value = FindValue(key, name, error);
  if (value == nullptr) return error;
  if (type != nullptr) *type = value->type;
  if (data != nullptr) *data = value->data;
  return ERROR_SUCCESS;
}

LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size) {
  if (data != nullptr && size == nullptr) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_mutex);
  LONG error = ERROR_SUCCESS;
  const HiveValue* value = FindValue(key, name, error);
  if (value == nullptr) return error;
  if (type != nullptr) *type = value->type;
  if (size == nullptr) return ERROR_SUCCESS;
  const DWORD needed = static_cast<DWORD>(value->data.size());
  const DWORD room = *size;
  *size = needed;
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < needed) return ERROR_MORE_DATA;
  if (needed != 0) std::memcpy(data, value->data.data(), needed);
  return ERROR_SUCCESS;
}

LONG RegQueryStringValue(HKEY key, const char* name, std::string& out) {
  out.clear();
  std::lock_guard<std::mutex> guard(g_mutex);
  LONG error = ERROR_SUCCESS;
  const HiveValue* value = FindValue(key, name, error);
  if (value == nullptr) return error;
  if (value->type != REG_SZ && value->type != REG_EXPAND_SZ) return ERROR_INVALID_DATA;
  const auto* bytes = reinterpret_cast<const char*>(value->data.data());
  out.assign(bytes, ::strnlen(bytes, value->data.size()));
  return ERROR_SUCCESS;
}

LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size) {
  if ((data == nullptr && size != 0) || !internal::IsValidValueName(NameOrDefault(name))) {
    return ERROR_INVALID_PARAMETER;
  }
  std::vector<uint8_t> bytes(data, data + size);
  std::lock_guard<std::mutex> guard(g_mutex);
  return ChangeKey(key, [&](HiveKey& at, bool& is_changed) -> LONG {
    const HiveValue* existing = at.FindValue(NameOrDefault(name));
    is_changed = existing == nullptr || existing->type != type || existing->data != bytes;
    if (is_changed) at.SetValue(NameOrDefault(name), type, std::move(bytes));
    return ERROR_SUCCESS;
  });
}

LONG RegDeleteValue(HKEY key, const char* name) {
  std::lock_guard<std::mutex> guard(g_mutex);
  return ChangeKey(key, [&](HiveKey& at, bool& is_changed) -> LONG {
    is_changed = at.RemoveValue(NameOrDefault(name));
    return is_changed ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND;
  });
}

LONG RegDeleteKey(HKEY key, const char* sub_key) {
  std::vector<std::string> path;
  if (!SplitKeyPath(sub_key, path) || path.empty()) return ERROR_INVALID_PARAMETER;
  std::lock_guard<std::mutex> guard(g_mutex);
  return ChangeKey(key, [&](HiveKey& at, bool& is_changed) -> LONG {
    std::vector<std::string> parent_path(path.begin(), path.end() - 1);
    HiveKey* parent = Walk(&at, parent_path);
    HiveKey* target = parent != nullptr ? parent->FindSubkey(path.back()) : nullptr;
    if (target == nullptr) return ERROR_FILE_NOT_FOUND;
    if (!target->subkeys().empty()) return ERROR_ACCESS_DENIED;
    is_changed = parent->RemoveSubkey(path.back());
    return ERROR_SUCCESS;
  });
}

LONG RegEnumKeyEx(HKEY key, DWORD index, std::string& name) {
  name.clear();
  std::lock_guard<std::mutex> guard(g_mutex);
  LONG error = ERROR_SUCCESS;
  HiveKey* at = KeyForReading(key, error);
  if (at == nullptr) return error;
  if (index >= at->subkeys().size()) return ERROR_NO_MORE_ITEMS;
  name = at->subkeys()[index]->name();
  return ERROR_SUCCESS;
}

LONG RegEnumValue(HKEY key, DWORD index, std::string& name, DWORD* type, std::vector<BYTE>* data) {
  name.clear();
  std::lock_guard<std::mutex> guard(g_mutex);
  LONG error = ERROR_SUCCESS;
  HiveKey* at = KeyForReading(key, error);
  if (at == nullptr) return error;
  if (index >= at->values().size()) return ERROR_NO_MORE_ITEMS;
  const HiveValue& value = at->values()[index];
  name = value.name;
  if (type != nullptr) *type = value.type;
  if (data != nullptr) *data = value.data;
  return ERROR_SUCCESS;
}

LONG RegQueryInfoKey(HKEY key, DWORD* sub_keys, DWORD* max_sub_key_len, DWORD* values, DWORD* max_value_name_len,
                     DWORD* max_value_len, FILETIME* last_write_time) {
  std::lock_guard<std::mutex> guard(g_mutex);
  OpenKey open;
  if (!Resolve(key, open)) return ERROR_INVALID_HANDLE;
  LONG error = ERROR_SUCCESS;
  HiveKey* at = KeyOf(open, error);
  if (at == nullptr) return error;
  size_t longest_key = 0, longest_name = 0, longest_data = 0;
  for (const auto& subkey : at->subkeys()) longest_key = std::max(longest_key, subkey->name().size());
  for (const HiveValue& value : at->values()) {
    longest_name = std::max(longest_name, value.name.size());
    longest_data = std::max(longest_data, value.data.size());
  }
  if (sub_keys != nullptr) *sub_keys = static_cast<DWORD>(at->subkeys().size());
  if (max_sub_key_len != nullptr) *max_sub_key_len = static_cast<DWORD>(longest_key);
  if (values != nullptr) *values = static_cast<DWORD>(at->values().size());
  if (max_value_name_len != nullptr) *max_value_name_len = static_cast<DWORD>(longest_name);
  if (max_value_len != nullptr) *max_value_len = static_cast<DWORD>(longest_data);
  if (last_write_time != nullptr) {
    const FileIdentity identity = g_hives[HivePath(open.root)].identity;
    *last_write_time = FileTimeFromUnix(identity.mtime_ns / 1'000'000'000, identity.mtime_ns % 1'000'000'000);
  }
  return ERROR_SUCCESS;
}

void SetRegistryRoot(const char* folder) {
  std::lock_guard<std::mutex> guard(g_mutex);
  if (folder == nullptr) {
    g_root_override.reset();
  } else {
    g_root_override = folder;
  }
}

std::string RegistryFolder() {
  std::lock_guard<std::mutex> guard(g_mutex);
  return FolderLocked();
}

}  // namespace plat
