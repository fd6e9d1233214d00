// The registry store: one text hive per root key (HKCU.reg, HKLM.reg,
// HKCR.reg, HKU.reg) in the registry folder, $PLAT_REGISTRY_DIR or the
// per-user folder's "registry/". Key paths are normalised at every entry
// point ("a\b\" and "\a\\b" are one key); names match case-insensitively.
// Writes are atomic replacements made under a lock on "registry/.lock";
// readers reload a hive whenever its file changed. A hive that does not
// parse gives ERROR_BADDB and is never rewritten.
#ifndef PLAT_REGISTRY_H_
#define PLAT_REGISTRY_H_

#include <string>
#include <vector>

#include "plat/clock.h"
#include "plat/last_error.h"
#include "plat/types.h"

namespace plat {

using REGSAM = DWORD;

inline const HKEY HKEY_CLASSES_ROOT = HandleFromId<HKEY>(0x80000000u);
inline const HKEY HKEY_CURRENT_USER = HandleFromId<HKEY>(0x80000001u);
inline const HKEY HKEY_LOCAL_MACHINE = HandleFromId<HKEY>(0x80000002u);
inline const HKEY HKEY_USERS = HandleFromId<HKEY>(0x80000003u);

constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;

constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// The registry functions return an error code (ERROR_SUCCESS, ...) and set
// nothing else; they never throw.
//
// Opens `sub_key` below `key`, making every missing key; `disposition` tells
// whether the last one was made. A key without KEY_CREATE_SUB_KEY access
// cannot make new keys (ERROR_ACCESS_DENIED).
LONG RegCreateKeyEx(HKEY key, const char* sub_key, DWORD reserved, const char* class_name, DWORD options,
                    REGSAM access, const void* security, HKEY* result, DWORD* disposition);
LONG RegCreateKey(HKEY key, const char* sub_key, HKEY* result);
// Opens an existing key; ERROR_FILE_NOT_FOUND when it is missing. Without
// KEY_SET_VALUE or KEY_CREATE_SUB_KEY in `access` the handle is read-only.
LONG RegOpenKeyEx(HKEY key, const char* sub_key, DWORD options, REGSAM access, HKEY* result);
LONG RegOpenKey(HKEY key, const char* sub_key, HKEY* result);
LONG RegCloseKey(HKEY key);
LONG RegFlushKey(HKEY key);

// A value's type and bytes; NULL or "" names the default value.
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* type, std::vector<BYTE>* data);
// The buffer form: with `data` NULL only the size is given; a buffer smaller
// than the value gives ERROR_MORE_DATA and the size needed in *size.
LONG RegQueryValueEx(HKEY key, const char* name, DWORD* reserved, DWORD* type, BYTE* data, DWORD* size);
// A REG_SZ or REG_EXPAND_SZ value up to its first NUL; ERROR_INVALID_DATA for
// a value of another type.
LONG RegQueryStringValue(HKEY key, const char* name, std::string& out);
LONG RegSetValueEx(HKEY key, const char* name, DWORD reserved, DWORD type, const BYTE* data, DWORD size);
LONG RegDeleteValue(HKEY key, const char* name);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKey(HKEY key, const char* sub_key);
// The name of the index-th subkey or value; ERROR_NO_MORE_ITEMS past the last.
LONG RegEnumKeyEx(HKEY key, DWORD index, std::string& name);
LONG RegEnumValue(HKEY key, DWORD index, std::string& name, DWORD* type, std::vector<BYTE>* data);
// Counts and longest lengths (in bytes) of the key's subkey names, value
// names and value data; the last write is the hive file's modification time.
LONG RegQueryInfoKey(HKEY key, DWORD* sub_keys, DWORD* max_sub_key_len, DWORD* values, DWORD* max_value_name_len,
                     DWORD* max_value_len, FILETIME* last_write_time);

// Makes `folder` the registry folder of the process; NULL goes back to
// $PLAT_REGISTRY_DIR, else the per-user folder's "registry/".
void SetRegistryRoot(const char* folder);
// The registry folder now in use (not made by this call).
std::string RegistryFolder();

}  // namespace plat

#endif  // PLAT_REGISTRY_H_
