// TRegistry, TRegIniFile and TRegistryIniFile on the kernel's registry store.
#include "plat/forms/registry.h"

#include <cstring>

#include "plat/forms/exceptions.h"
#include "plat/forms/strings.h"
#include "plat/forms/sysutils.h"

namespace plat {
namespace {

constexpr LONG kSuccess = 0;
constexpr LONG kNoMoreItems = 259;
constexpr REGSAM kWriteBits = KEY_SET_VALUE | KEY_CREATE_SUB_KEY;

TRegDataType DataTypeOf(DWORD type) {
  switch (type) {
    case REG_SZ: return rdString;
    case REG_EXPAND_SZ: return rdExpandString;
    case REG_DWORD: return rdInteger;
    case REG_BINARY: return rdBinary;
    default: return rdUnknown;
  }
}

// "a\\b\" and "\a\b" are both "a\b".
std::string NormalisePath(const std::string& path) {
  std::string out;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string::npos) end = path.size();
    if (end > start) {
      if (!out.empty()) out += '\\';
      out.append(path, start, end - start);
    }
    start = end + 1;
  }
  return out;
}

std::vector<std::string> SubKeyNames(HKEY key) {
  std::vector<std::string> names;
  std::string name;
  for (DWORD i = 0; RegEnumKeyEx(key, i, name) == kSuccess; ++i) names.push_back(name);
  return names;
}

std::vector<std::string> ValueNames(HKEY key) {
  std::vector<std::string> names;
  std::string name;
  for (DWORD i = 0; RegEnumValue(key, i, name, nullptr, nullptr) == kSuccess; ++i) names.push_back(name);
  return names;
}

// Deletes `sub_key` of `base` with all its subkeys, deepest first.
bool DeleteTree(HKEY base, const std::string& sub_key) {
  HKEY key = nullptr;
  if (RegOpenKeyEx(base, sub_key.c_str(), 0, KEY_ALL_ACCESS, &key) != kSuccess) return false;
  bool ok = true;
  for (const std::string& child : SubKeyNames(key)) ok = DeleteTree(key, child) && ok;
  RegCloseKey(key);
  return ok && RegDeleteKey(base, sub_key.c_str()) == kSuccess;
}

std::string StringFromData(const std::vector<BYTE>& data) {
  size_t n = 0;
  while (n < data.size() && data[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(data.data()), n);
}

}  // namespace

// ---- TRegistry ----

TRegistry::TRegistry(REGSAM access) : root_key_(HKEY_CURRENT_USER), access_(access) {}

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY root) {
  if (root == root_key_) return;
  CloseKey();
  root_key_ = root;
}

HKEY TRegistry::BaseKey(const std::string& key) const {
  bool absolute = !key.empty() && key[0] == '\\';
  return absolute || current_key_ == nullptr ? root_key_ : current_key_;
}

std::string TRegistry::FullPath(const std::string& key) const {
  bool absolute = !key.empty() && key[0] == '\\';
  if (absolute || current_key_ == nullptr) return NormalisePath(key);
  return NormalisePath(current_path_ + "\\" + key);
}

void TRegistry::ChangeKey(HKEY key, const std::string& path) {
  CloseKey();
  current_key_ = key;
  current_path_ = path;
}

bool TRegistry::OpenKey(const std::string& key, bool can_create) {
  HKEY opened = nullptr;
  LONG status = can_create
                    ? RegCreateKeyEx(BaseKey(key), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access_, nullptr,
                                     &opened, nullptr)
                    : RegOpenKeyEx(BaseKey(key), key.c_str(), 0, access_, &opened);
  if (status != kSuccess) return false;
  ChangeKey(opened, FullPath(key));
  return true;
}

bool TRegistry::OpenKeyReadOnly(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyEx(BaseKey(key), key.c_str(), 0, KEY_READ, &opened) != kSuccess) return false;
  ChangeKey(opened, FullPath(key));
  access_ = KEY_READ;
  return true;
}

void TRegistry::CloseKey() {
  if (current_key_ == nullptr) return;
  if (!lazy_write_) RegFlushKey(current_key_);
  RegCloseKey(current_key_);
  current_key_ = nullptr;
  current_path_.clear();
}

bool TRegistry::CreateKey(const std::string& key) {
  HKEY created = nullptr;
  if (RegCreateKeyEx(BaseKey(key), key.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr,
                     &created, nullptr) != kSuccess) {
    return false;
  }
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const std::string& key) { return DeleteTree(BaseKey(key), key); }

bool TRegistry::DeleteValue(const std::string& name) {
  return RegDeleteValue(BaseKey(std::string()), name.c_str()) == kSuccess;
}

bool TRegistry::KeyExists(const std::string& key) {
  HKEY opened = nullptr;
  if (RegOpenKeyEx(BaseKey(key), key.c_str(), 0, KEY_READ, &opened) != kSuccess) return false;
  RegCloseKey(opened);
  return true;
}

bool TRegistry::ValueExists(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info);
}

bool TRegistry::HasSubKeys() {
  TRegKeyInfo info;
  return GetKeyInfo(info) && info.num_sub_keys > 0;
}

bool TRegistry::GetKeyInfo(TRegKeyInfo& info) {
  DWORD sub_keys = 0, max_sub_key = 0, values = 0, max_value_name = 0, max_value = 0;
  FILETIME time;
  if (RegQueryInfoKey(BaseKey(std::string()), &sub_keys, &max_sub_key, &values, &max_value_name, &max_value, &time) !=
      kSuccess) {
    info = TRegKeyInfo();
    return false;
  }
  info.num_sub_keys = static_cast<int>(sub_keys);
  info.max_sub_key_len = static_cast<int>(max_sub_key);
  info.num_values = static_cast<int>(values);
  info.max_value_len = static_cast<int>(max_value_name);
  info.max_data_len = static_cast<int>(max_value);
  info.file_time = time;
  return true;
}

void TRegistry::GetKeyNames(TStrings& strings) { strings.SetStrings(SubKeyNames(BaseKey(std::string()))); }

void TRegistry::GetValueNames(TStrings& strings) { strings.SetStrings(ValueNames(BaseKey(std::string()))); }

bool TRegistry::GetDataInfo(const std::string& name, TRegDataInfo& info) {
  DWORD type = 0;
  DWORD size = 0;
  if (RegQueryValueEx(BaseKey(std::string()), name.c_str(), nullptr, &type, nullptr, &size) != kSuccess) {
    info = TRegDataInfo();
    return false;
  }
  info.reg_data = DataTypeOf(type);
  info.data_size = static_cast<int>(size);
  return true;
}

TRegDataType TRegistry::GetDataType(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.reg_data : rdUnknown;
}

int TRegistry::GetDataSize(const std::string& name) {
  TRegDataInfo info;
  return GetDataInfo(name, info) ? info.data_size : -1;
}

std::vector<uint8_t> TRegistry::GetData(const std::string& name, TRegDataType expected) {
  DWORD type = 0;
  std::vector<BYTE> data;
  if (RegQueryValueEx(BaseKey(std::string()), name.c_str(), &type, &data) != kSuccess) {
    RaiseRes<ERegistryException>(SRegGetDataFailed, {name});
  }
  TRegDataType got = DataTypeOf(type);
  bool is_text = expected == rdString || expected == rdExpandString;
  bool fits = got == expected || (is_text && (got == rdString || got == rdExpandString));
  if (!fits) RaiseRes<ERegistryException>(SInvalidRegType, {name});
  return data;
}

void TRegistry::PutData(const std::string& name, DWORD type, const void* data, size_t size) {
  if (size > UINT32_MAX || RegSetValueEx(BaseKey(std::string()), name.c_str(), 0, type,
                                         static_cast<const BYTE*>(data), static_cast<DWORD>(size)) != kSuccess) {
    RaiseRes<ERegistryException>(SRegSetDataFailed, {name});
  }
}

std::string TRegistry::ReadString(const std::string& name) {
  if (!ValueExists(name)) return {};
  return StringFromData(GetData(name, rdString));
}

int TRegistry::ReadInteger(const std::string& name) {
  std::vector<uint8_t> data = GetData(name, rdInteger);
  if (data.size() != 4) RaiseRes<ERegistryException>(SRegGetDataFailed, {name});
  uint32_t value = static_cast<uint32_t>(data[0]) | static_cast<uint32_t>(data[1]) << 8 |
                   static_cast<uint32_t>(data[2]) << 16 | static_cast<uint32_t>(data[3]) << 24;
  return static_cast<int>(value);
}

bool TRegistry::ReadBool(const std::string& name) { return ReadInteger(name) != 0; }

double TRegistry::ReadFloat(const std::string& name) {
  std::vector<uint8_t> data = GetData(name, rdBinary);
  double value = 0;
  if (data.size() != sizeof value) RaiseRes<ERegistryException>(SRegGetDataFailed, {name});
  std::memcpy(&value, data.data(), sizeof value);
  return value;
}

TDateTime TRegistry::ReadDate(const std::string& name) { return ReadFloat(name); }
TDateTime TRegistry::ReadTime(const std::string& name) { return ReadFloat(name); }
TDateTime TRegistry::ReadDateTime(const std::string& name) { return ReadFloat(name); }

std::vector<uint8_t> TRegistry::ReadBinaryData(const std::string& name) { return GetData(name, rdBinary); }

int TRegistry::ReadBinaryData(const std::string& name, void* buffer, int size) {
  std::vector<uint8_t> data = GetData(name, rdBinary);
  if (size < 0 || data.size() > static_cast<size_t>(size)) RaiseRes<ERegistryException>(SRegGetDataFailed, {name});
  if (!data.empty()) std::memcpy(buffer, data.data(), data.size());
  return static_cast<int>(data.size());
}

void TRegistry::WriteString(const std::string& name, const std::string& value) {
  PutData(name, REG_SZ, value.c_str(), value.size() + 1);  // with its NUL
}

void TRegistry::WriteExpandString(const std::string& name, const std::string& value) {
  PutData(name, REG_EXPAND_SZ, value.c_str(), value.size() + 1);
}

void TRegistry::WriteInteger(const std::string& name, int value) {
  uint32_t bits = static_cast<uint32_t>(value);
  uint8_t data[4] = {static_cast<uint8_t>(bits), static_cast<uint8_t>(bits >> 8), static_cast<uint8_t>(bits >> 16),
                     static_cast<uint8_t>(bits >> 24)};
  PutData(name, REG_DWORD, data, sizeof data);
}

void TRegistry::WriteBool(const std::string& name, bool value) { WriteInteger(name, value ? 1 : 0); }

void TRegistry::WriteFloat(const std::string& name, double value) { PutData(name, REG_BINARY, &value, sizeof value); }

void TRegistry::WriteDate(const std::string& name, TDateTime value) { WriteFloat(name, value); }
void TRegistry::WriteTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }
void TRegistry::WriteDateTime(const std::string& name, TDateTime value) { WriteFloat(name, value); }

void TRegistry::WriteBinaryData(const std::string& name, const void* buffer, int size) {
  if (size < 0) RaiseRes<ERegistryException>(SRegSetDataFailed, {name});
  PutData(name, REG_BINARY, buffer, static_cast<size_t>(size));
}

// ---- TRegIniFile ----

TRegIniFile::TRegIniFile(const std::string& file_name, REGSAM access, HKEY root)
    : TRegistry(access), file_name_(file_name) {
  SetRootKey(root);
  if ((access & kWriteBits) != 0) {
    OpenKey(file_name, true);
  } else {
    OpenKeyReadOnly(file_name);
  }
}

HKEY TRegIniFile::OpenSection(const std::string& section, bool for_writing) {
  HKEY base = BaseKey(std::string());
  if (for_writing && (Access() & kWriteBits) == 0) RaiseRes<ERegistryException>(SRegSetDataFailed, {section});
  if (NormalisePath(section).empty()) return base;
  HKEY key = nullptr;
  if (for_writing) {
    if (RegCreateKeyEx(base, section.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, Access(), nullptr, &key,
                       nullptr) != kSuccess) {
      RaiseRes<ERegistryException>(SRegCreateFailed, {section});
    }
    return key;
  }
  return RegOpenKeyEx(base, section.c_str(), 0, KEY_READ, &key) == kSuccess ? key : nullptr;
}

void TRegIniFile::CloseSection(HKEY key) {
  if (key != nullptr && key != BaseKey(std::string())) RegCloseKey(key);
}

std::string TRegIniFile::ReadString(const std::string& section, const std::string& ident,
                                    const std::string& default_value) {
  HKEY key = OpenSection(section, false);
  if (key == nullptr) return default_value;
  DWORD type = 0;
  std::vector<BYTE> data;
  LONG status = RegQueryValueEx(key, ident.c_str(), &type, &data);
  CloseSection(key);
  if (status != kSuccess) return default_value;
  if (type == REG_SZ || type == REG_EXPAND_SZ) return StringFromData(data);
  if (type == REG_DWORD && data.size() == 4) {
    uint32_t v = data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24;
    return IntToStr(static_cast<int32_t>(v));
  }
  return default_value;
}

int TRegIniFile::ReadInteger(const std::string& section, const std::string& ident, int default_value) {
  return StrToIntDef(ReadString(section, ident, std::string()), default_value);
}

bool TRegIniFile::ReadBool(const std::string& section, const std::string& ident, bool default_value) {
  return ReadInteger(section, ident, default_value ? 1 : 0) != 0;
}

void TRegIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  HKEY key = OpenSection(section, true);
  LONG status = RegSetValueEx(key, ident.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                              static_cast<DWORD>(value.size() + 1));
  CloseSection(key);
  if (status != kSuccess) RaiseRes<ERegistryException>(SRegSetDataFailed, {ident});
}

void TRegIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  HKEY key = OpenSection(section, true);
  uint32_t bits = static_cast<uint32_t>(value);
  BYTE data[4] = {static_cast<BYTE>(bits), static_cast<BYTE>(bits >> 8), static_cast<BYTE>(bits >> 16),
                  static_cast<BYTE>(bits >> 24)};
  LONG status = RegSetValueEx(key, ident.c_str(), 0, REG_DWORD, data, sizeof data);
  CloseSection(key);
  if (status != kSuccess) RaiseRes<ERegistryException>(SRegSetDataFailed, {ident});
}

void TRegIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  WriteInteger(section, ident, value ? 1 : 0);
}

void TRegIniFile::ReadSection(const std::string& section, TStrings& strings) {
  HKEY key = OpenSection(section, false);
  std::vector<std::string> names;
  if (key != nullptr) names = ValueNames(key);
  CloseSection(key);
  strings.SetStrings(names);
}

void TRegIniFile::ReadSections(TStrings& strings) { GetKeyNames(strings); }

void TRegIniFile::ReadSectionValues(const std::string& section, TStrings& strings) {
  HKEY key = OpenSection(section, false);
  std::vector<std::string> names;
  if (key != nullptr) names = ValueNames(key);
  CloseSection(key);
  std::vector<std::string> lines;
  for (const std::string& name : names) lines.push_back(name + "=" + ReadString(section, name, std::string()));
  strings.SetStrings(lines);
}

void TRegIniFile::EraseSection(const std::string& section) {
  if (!NormalisePath(section).empty()) {
    TRegistry::DeleteKey(section);
    return;
  }
  // The key's own values form the empty section; its subkeys are other
  // sections and stay.
  HKEY key = BaseKey(std::string());
  for (const std::string& name : ValueNames(key)) RegDeleteValue(key, name.c_str());
}

void TRegIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  HKEY base = BaseKey(std::string());
  if (NormalisePath(section).empty()) {
    RegDeleteValue(base, ident.c_str());
    return;
  }
  HKEY key = nullptr;
  if (RegOpenKeyEx(base, section.c_str(), 0, KEY_ALL_ACCESS, &key) != kSuccess) return;
  RegDeleteValue(key, ident.c_str());
  RegCloseKey(key);
}

// ---- TRegistryIniFile ----

TRegistryIniFile::TRegistryIniFile(const std::string& file_name, REGSAM access, HKEY root)
    : TCustomIniFile(file_name), reg_ini_file_(std::make_unique<TRegIniFile>(file_name, access, root)) {}

TRegistryIniFile::~TRegistryIniFile() = default;

std::string TRegistryIniFile::ReadString(const std::string& section, const std::string& ident,
                                         const std::string& default_value) {
  return reg_ini_file_->ReadString(section, ident, default_value);
}

void TRegistryIniFile::WriteString(const std::string& section, const std::string& ident, const std::string& value) {
  reg_ini_file_->WriteString(section, ident, value);
}

int TRegistryIniFile::ReadInteger(const std::string& section, const std::string& ident, int default_value) {
  return reg_ini_file_->ReadInteger(section, ident, default_value);
}

void TRegistryIniFile::WriteInteger(const std::string& section, const std::string& ident, int value) {
  reg_ini_file_->WriteInteger(section, ident, value);
}

bool TRegistryIniFile::ReadBool(const std::string& section, const std::string& ident, bool default_value) {
  return reg_ini_file_->ReadBool(section, ident, default_value);
}

void TRegistryIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
  reg_ini_file_->WriteBool(section, ident, value);
}

void TRegistryIniFile::ReadSection(const std::string& section, TStrings& strings) {
  reg_ini_file_->ReadSection(section, strings);
}

void TRegistryIniFile::ReadSections(TStrings& strings) { reg_ini_file_->ReadSections(strings); }

void TRegistryIniFile::ReadSectionValues(const std::string& section, TStrings& strings) {
  reg_ini_file_->ReadSectionValues(section, strings);
}

void TRegistryIniFile::EraseSection(const std::string& section) { reg_ini_file_->EraseSection(section); }

void TRegistryIniFile::DeleteKey(const std::string& section, const std::string& ident) {
  reg_ini_file_->DeleteKey(section, ident);
}

}  // namespace plat
