// The registry classes of the class library. TRegistry opens one key at a
// time below RootKey (HKEY_CURRENT_USER unless set) and reads and writes
// typed values there; a path starting with "\" counts from the root, any
// other from the open key. TRegIniFile puts the section/entry interface on
// a key (a section is a subkey; the empty section is the key itself), and
// TRegistryIniFile makes that a TCustomIniFile, so settings code can switch
// between a file and the registry. Failed writes and reads of missing or
// mistyped values raise ERegistryException; Open... and the Boolean
// operations answer false instead.
#ifndef PLAT_FORMS_REGISTRY_H_
#define PLAT_FORMS_REGISTRY_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plat/forms/dates.h"
#include "plat/forms/inifiles.h"
#include "plat/forms/object.h"
#include "plat/registry.h"

namespace plat {

class TStrings;

enum class TRegDataType { rdUnknown, rdString, rdExpandString, rdInteger, rdBinary };
using enum TRegDataType;

struct TRegDataInfo {
  TRegDataType reg_data = rdUnknown;
  int data_size = 0;
};

struct TRegKeyInfo {
  int num_sub_keys = 0;
  int max_sub_key_len = 0;
  int num_values = 0;
  int max_value_len = 0;
  int max_data_len = 0;
  FILETIME file_time;
};

class TRegistry : public TObject {
 public:
  explicit TRegistry(REGSAM access = KEY_ALL_ACCESS);
  ~TRegistry() override;

  HKEY RootKey() const { return root_key_; }
  // Closes the open key first.
  void SetRootKey(HKEY root);
  HKEY CurrentKey() const { return current_key_; }
  // The open key's path below the root, without a leading "\"; empty when none.
  const std::string& CurrentPath() const { return current_path_; }
  REGSAM Access() const { return access_; }
  void SetAccess(REGSAM access) { access_ = access; }
  // Writes reach the store at once either way; without lazy writing a
  // closed key is also flushed.
  bool LazyWrite() const { return lazy_write_; }
  void SetLazyWrite(bool lazy_write) { lazy_write_ = lazy_write; }

  // Makes `key` the open key (created first when `can_create`).
  bool OpenKey(const std::string& key, bool can_create);
  bool OpenKeyReadOnly(const std::string& key);
  void CloseKey();
  bool CreateKey(const std::string& key);
  // Deletes the key with everything below it.
  bool DeleteKey(const std::string& key);
  bool DeleteValue(const std::string& name);
  bool KeyExists(const std::string& key);
  bool ValueExists(const std::string& name);
  bool HasSubKeys();
  bool GetKeyInfo(TRegKeyInfo& info);
  void GetKeyNames(TStrings& strings);
  void GetValueNames(TStrings& strings);
  bool GetDataInfo(const std::string& name, TRegDataInfo& info);
  TRegDataType GetDataType(const std::string& name);
  // -1 when the value does not exist.
  int GetDataSize(const std::string& name);

  // A missing string value reads as ""; other missing values raise.
  std::string ReadString(const std::string& name);
  int ReadInteger(const std::string& name);
  bool ReadBool(const std::string& name);
  double ReadFloat(const std::string& name);  // eight bytes, binary
  TDateTime ReadDate(const std::string& name);
  TDateTime ReadTime(const std::string& name);
  TDateTime ReadDateTime(const std::string& name);
  std::vector<uint8_t> ReadBinaryData(const std::string& name);
  // Copies up to `size` bytes; the value's size. Raises when it does not fit.
  int ReadBinaryData(const std::string& name, void* buffer, int size);

  void WriteString(const std::string& name, const std::string& value);
  void WriteExpandString(const std::string& name, const std::string& value);
  void WriteInteger(const std::string& name, int value);
  void WriteBool(const std::string& name, bool value);
  void WriteFloat(const std::string& name, double value);
  void WriteDate(const std::string& name, TDateTime value);
  void WriteTime(const std::string& name, TDateTime value);
  void WriteDateTime(const std::string& name, TDateTime value);
  void WriteBinaryData(const std::string& name, const void* buffer, int size);

 protected:
  // The key a path starts from: the root for "\..." or when no key is open.
  HKEY BaseKey(const std::string& key) const;
  std::string FullPath(const std::string& key) const;
  void ChangeKey(HKEY key, const std::string& path);
  void PutData(const std::string& name, DWORD type, const void* data, size_t size);
  std::vector<uint8_t> GetData(const std::string& name, TRegDataType expected);

 private:
  HKEY root_key_;
  HKEY current_key_ = nullptr;
  std::string current_path_;
  REGSAM access_;
  bool lazy_write_ = true;
};

class TRegIniFile : public TRegistry {
 public:
  // Opens `file_name` below `root`: created when missing if `access` allows
  // writing, else opened read-only. Check CurrentKey() for success.
  explicit TRegIniFile(const std::string& file_name, REGSAM access = KEY_ALL_ACCESS,
                       HKEY root = HKEY_CURRENT_USER);
  const std::string& FileName() const { return file_name_; }

  std::string ReadString(const std::string& section, const std::string& ident, const std::string& default_value);
  // Integers are stored as REG_DWORD; a string holding a number reads too.
  int ReadInteger(const std::string& section, const std::string& ident, int default_value);
  bool ReadBool(const std::string& section, const std::string& ident, bool default_value);
  void WriteString(const std::string& section, const std::string& ident, const std::string& value);
  void WriteInteger(const std::string& section, const std::string& ident, int value);
  void WriteBool(const std::string& section, const std::string& ident, bool value);
  void ReadSection(const std::string& section, TStrings& strings);
  void ReadSections(TStrings& strings);
  void ReadSectionValues(const std::string& section, TStrings& strings);
  void EraseSection(const std::string& section);
  void DeleteKey(const std::string& section, const std::string& ident);

 private:
  // The section's key opened for reading (null when missing) or writing
  // (created); the open key itself for the empty section.
  HKEY OpenSection(const std::string& section, bool for_writing);
  void CloseSection(HKEY key);

  std::string file_name_;
};

// TCustomIniFile on a registry key, through a TRegIniFile.
class TRegistryIniFile : public TCustomIniFile {
 public:
  explicit TRegistryIniFile(const std::string& file_name, REGSAM access = KEY_ALL_ACCESS,
                            HKEY root = HKEY_CURRENT_USER);
  ~TRegistryIniFile() override;
  TRegIniFile& RegIniFile() { return *reg_ini_file_; }

  std::string ReadString(const std::string& section, const std::string& ident,
                         const std::string& default_value) override;
  void WriteString(const std::string& section, const std::string& ident, const std::string& value) override;
  int ReadInteger(const std::string& section, const std::string& ident, int default_value) override;
  void WriteInteger(const std::string& section, const std::string& ident, int value) override;
  bool ReadBool(const std::string& section, const std::string& ident, bool default_value) override;
  void WriteBool(const std::string& section, const std::string& ident, bool value) override;
  void ReadSection(const std::string& section, TStrings& strings) override;
  void ReadSections(TStrings& strings) override;
  void ReadSectionValues(const std::string& section, TStrings& strings) override;
  void EraseSection(const std::string& section) override;
  void DeleteKey(const std::string& section, const std::string& ident) override;

 private:
  std::unique_ptr<TRegIniFile> reg_ini_file_;
};

}  // namespace plat

#endif  // PLAT_FORMS_REGISTRY_H_
