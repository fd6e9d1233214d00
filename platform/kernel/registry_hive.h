// One registry hive in memory and its text form: a "[Key\Path]" line per key,
// then its values ("name"="text", "n"=dword:0000000a, "b"=hex:01,02, typed
// hex(N): lists, @= for the default value); ';' starts a comment. Names match
// case-insensitively (ASCII) and keep the case they were created with.
#ifndef PLAT_KERNEL_REGISTRY_HIVE_H_
#define PLAT_KERNEL_REGISTRY_HIVE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace plat::internal {

// Deeper key paths are refused, so no walk over a hostile hive runs deep.
constexpr size_t kMaxKeyDepth = 512;
// Larger hive files are refused rather than read whole into memory.
constexpr uint64_t kMaxHiveBytes = uint64_t{64} << 20;

struct HiveValue {
  std::string name;  // "" is the key's default value
  uint32_t type = 0;
  std::vector<uint8_t> data;
};

class HiveKey {
 public:
  explicit HiveKey(std::string name) : name_(std::move(name)) {}

  const std::string& name() const { return name_; }
  const std::vector<std::unique_ptr<HiveKey>>& subkeys() const { return subkeys_; }
  const std::vector<HiveValue>& values() const { return values_; }

  HiveKey* FindSubkey(std::string_view name) const;
  // The subkey of that name, made at the end of the list when missing.
  HiveKey* AddSubkey(std::string_view name, bool* is_new);
  // False when there is no such subkey.
  bool RemoveSubkey(std::string_view name);

  const HiveValue* FindValue(std::string_view name) const;
  void SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data);
  bool RemoveValue(std::string_view name);

 private:
  std::string name_;
  std::vector<std::unique_ptr<HiveKey>> subkeys_;
  std::unordered_map<std::string, HiveKey*> subkey_index_;  // lower-cased name
  std::vector<HiveValue> values_;
  std::unordered_map<std::string, size_t> value_index_;  // lower-cased name to position
};

// Parses a hive's text into `root`. False on the first line that does not
// parse (its 1-based number in `bad_line`), on a key deeper than kMaxKeyDepth
// and on a text longer than kMaxHiveBytes.
[[nodiscard]] bool ParseHive(std::string_view text, HiveKey& root, size_t* bad_line);

// The text of a hive; ParseHive gives back the same keys and values.
std::string SerializeHive(const HiveKey& root);

// A name that the text form can hold: no byte below 0x20. Key names also may
// not hold '\' (the path separator) and may not be empty.
bool IsValidValueName(std::string_view name);
bool IsValidKeyName(std::string_view name);

}  // namespace plat::internal

#endif  // PLAT_KERNEL_REGISTRY_HIVE_H_
