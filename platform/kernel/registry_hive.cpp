// The text form of a registry hive; see registry_hive.h. Every line either
// parses or fails the whole hive, so a damaged hive is never half read.
#include "registry_hive.h"

#include <cstdio>

#include "ascii.h"

namespace plat::internal {
namespace {

constexpr uint32_t kTypeString = 1;  // REG_SZ
constexpr uint32_t kTypeBinary = 3;  // REG_BINARY
constexpr uint32_t kTypeDword = 4;   // REG_DWORD
constexpr std::string_view kBom = "\xEF\xBB\xBF";


// A quoted text with \\ and \" escapes at the start of `text`; consumes it.
bool ReadQuoted(std::string_view& text, std::string& out) {
  if (text.empty() || text.front() != '"') return false;
  out.clear();
  for (size_t i = 1; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      text.remove_prefix(i + 1);
      return true;
    }
    if (c == '\\') {
      if (i + 1 >= text.size() || (text[i + 1] != '\\' && text[i + 1] != '"')) return false;
      out += text[++i];
      continue;
    }
    if (static_cast<unsigned char>(c) < 0x20) return false;
    out += c;
  }
  return false;  // no closing quote
}

void WriteQuoted(std::string_view text, std::string& out) {
  out += '"';
  for (char c : text) {
    if (c == '\\' || c == '"') out += '\\';
    out += c;
  }
  out += '"';
}

// "01,02,ff": bytes of two (or one) hex digits separated by commas and blanks.
bool ReadHexList(std::string_view text, std::vector<uint8_t>& out) {
  out.clear();
  text = TrimBlanks(text);
  if (text.empty()) return true;
  while (true) {
    text = TrimBlanks(text);
    size_t digits = 0;
    int value = 0;
    while (digits < text.size() && digits < 3 && HexDigitValue(text[digits]) >= 0) value = value * 16 + HexDigitValue(text[digits++]);
    if (digits == 0 || digits > 2) return false;
    out.push_back(static_cast<uint8_t>(value));
    text = TrimBlanks(text.substr(digits));
    if (text.empty()) return true;
    if (text.front() != ',') return false;
    text.remove_prefix(1);
  }
}

bool ReadValueData(std::string_view text, uint32_t& type, std::vector<uint8_t>& data) {
  if (!text.empty() && text.front() == '"') {
    std::string value;
    if (!ReadQuoted(text, value) || !TrimBlanks(text).empty()) return false;
    type = kTypeString;
    data.assign(value.begin(), value.end());
    data.push_back(0);
    return true;
  }
  if (text.substr(0, 6) == "dword:") {
    const std::string_view digits = text.substr(6);
    if (digits.empty() || digits.size() > 8) return false;
    uint32_t value = 0;
    for (char c : digits) {
      if (HexDigitValue(c) < 0) return false;
      value = value * 16 + static_cast<uint32_t>(HexDigitValue(c));
    }
    type = kTypeDword;
    data = {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8), static_cast<uint8_t>(value >> 16),
            static_cast<uint8_t>(value >> 24)};
    return true;
  }
  if (text.substr(0, 4) == "hex:") {
    type = kTypeBinary;
    return ReadHexList(text.substr(4), data);
  }
  if (text.substr(0, 4) == "hex(") {
    const size_t close = text.find("):");
    if (close == std::string_view::npos || close == 4 || close > 12) return false;
    uint32_t value = 0;
    for (char c : text.substr(4, close - 4)) {
      if (HexDigitValue(c) < 0) return false;
      value = value * 16 + static_cast<uint32_t>(HexDigitValue(c));
    }
    type = value;
    return ReadHexList(text.substr(close + 2), data);
  }
  return false;
}

// A string value is written as text when it reads back the same: its data
// ends in the one NUL and holds no other byte below 0x20.
bool IsPlainString(const HiveValue& value) {
  if (value.type != kTypeString || value.data.empty() || value.data.back() != 0) return false;
  for (size_t i = 0; i + 1 < value.data.size(); ++i) {
    if (value.data[i] < 0x20) return false;
  }
  return true;
}

void WriteValue(const HiveValue& value, std::string& out) {
  if (value.name.empty()) {
    out += '@';
  } else {
    WriteQuoted(value.name, out);
  }
  out += '=';
  char digits[16];
  if (IsPlainString(value)) {
    WriteQuoted(std::string_view(reinterpret_cast<const char*>(value.data.data()), value.data.size() - 1), out);
  } else if (value.type == kTypeDword && value.data.size() == 4) {
    const uint32_t number = value.data[0] | (uint32_t{value.data[1]} << 8) | (uint32_t{value.data[2]} << 16) |
                            (uint32_t{value.data[3]} << 24);
    std::snprintf(digits, sizeof digits, "%08x", number);
    out += "dword:";
    out += digits;
  } else {
    if (value.type == kTypeBinary) {
      out += "hex:";
    } else {
      std::snprintf(digits, sizeof digits, "hex(%x):", value.type);
      out += digits;
    }
    for (size_t i = 0; i < value.data.size(); ++i) {
      std::snprintf(digits, sizeof digits, i == 0 ? "%02x" : ",%02x", value.data[i]);
      out += digits;
    }
  }
  out += '\n';
}

void WriteKey(const HiveKey& key, const std::string& path, std::string& out) {
  if (!path.empty() || !key.values().empty()) out += "[" + path + "]\n";
  for (const HiveValue& value : key.values()) WriteValue(value, out);
  for (const auto& subkey : key.subkeys()) {
    if (!path.empty() || !key.values().empty()) out += '\n';
    WriteKey(*subkey, path.empty() ? subkey->name() : path + "\\" + subkey->name(), out);
  }
}

}  // namespace

bool IsValidValueName(std::string_view name) {
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

bool IsValidKeyName(std::string_view name) {
  return !name.empty() && name.find('\\') == std::string_view::npos && IsValidValueName(name);
}

HiveKey* HiveKey::FindSubkey(std::string_view name) const {
  const auto found = subkey_index_.find(LowerAscii(name));
  return found == subkey_index_.end() ? nullptr : found->second;
}

HiveKey* HiveKey::AddSubkey(std::string_view name, bool* is_new) {
  if (HiveKey* existing = FindSubkey(name)) {
    if (is_new != nullptr) *is_new = false;
    return existing;
  }
  subkeys_.push_back(std::make_unique<HiveKey>(std::string(name)));
  subkey_index_.emplace(LowerAscii(name), subkeys_.back().get());
  if (is_new != nullptr) *is_new = true;
  return subkeys_.back().get();
}

bool HiveKey::RemoveSubkey(std::string_view name) {
  const auto found = subkey_index_.find(LowerAscii(name));
  if (found == subkey_index_.end()) return false;
  for (auto it = subkeys_.begin(); it != subkeys_.end(); ++it) {
    if (it->get() == found->second) {
      subkeys_.erase(it);
      break;
    }
  }
  subkey_index_.erase(found);
  return true;
}

const HiveValue* HiveKey::FindValue(std::string_view name) const {
  const auto found = value_index_.find(LowerAscii(name));
  return found == value_index_.end() ? nullptr : &values_[found->second];
}

void HiveKey::SetValue(std::string_view name, uint32_t type, std::vector<uint8_t> data) {
  const std::string lower = LowerAscii(name);
  const auto found = value_index_.find(lower);
  if (found != value_index_.end()) {
    values_[found->second].type = type;
    values_[found->second].data = std::move(data);
    return;
  }
  values_.push_back(HiveValue{std::string(name), type, std::move(data)});
  value_index_.emplace(lower, values_.size() - 1);
}

bool HiveKey::RemoveValue(std::string_view name) {
  const auto found = value_index_.find(LowerAscii(name));
  if (found == value_index_.end()) return false;
  values_.erase(values_.begin() + static_cast<ptrdiff_t>(found->second));
  value_index_.clear();
  for (size_t i = 0; i < values_.size(); ++i) value_index_.emplace(LowerAscii(values_[i].name), i);
  return true;
}

bool ParseHive(std::string_view text, HiveKey& root, size_t* bad_line) {
  size_t line_number = 0;
  auto fail = [&] {
    if (bad_line != nullptr) *bad_line = line_number;
    return false;
  };
  if (text.size() > kMaxHiveBytes) return fail();
  if (text.substr(0, kBom.size()) == kBom) text.remove_prefix(kBom.size());
  HiveKey* current = nullptr;  // values before the first section have no key
  while (!text.empty()) {
    ++line_number;
    const size_t newline = text.find('\n');
    std::string_view line = text.substr(0, newline);
    text.remove_prefix(newline == std::string_view::npos ? text.size() : newline + 1);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    line = TrimBlanks(line);
    if (line.empty() || line.front() == ';') continue;
    if (line.front() == '[') {
      if (line.back() != ']') return fail();
      std::string_view path = line.substr(1, line.size() - 2);
      current = &root;
      size_t depth = 0;
      while (!path.empty()) {
        const size_t separator = path.find('\\');
        const std::string_view component = path.substr(0, separator);
        path.remove_prefix(separator == std::string_view::npos ? path.size() : separator + 1);
        if (component.empty()) continue;
        if (!IsValidKeyName(component) || ++depth > kMaxKeyDepth) return fail();
        current = current->AddSubkey(component, nullptr);
      }
      continue;
    }
    if (current == nullptr) return fail();
    std::string name;
    if (line.front() == '@') {
      line.remove_prefix(1);
    } else if (!ReadQuoted(line, name)) {
      return fail();
    }
    line = TrimBlanks(line);
    if (line.empty() || line.front() != '=') return fail();
    uint32_t type = 0;
    std::vector<uint8_t> data;
    if (!ReadValueData(TrimBlanks(line.substr(1)), type, data)) return fail();
    current->SetValue(name, type, std::move(data));
  }
  return true;
}

std::string SerializeHive(const HiveKey& root) {
  std::string out;
  WriteKey(root, std::string(), out);
  return out;
}

}  // namespace plat::internal
