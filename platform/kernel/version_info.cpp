// Version tables; see version_info.h. A block is a flat copy of one table:
// a magic, the fixed part, the translation pair and then NUL-terminated
// "\StringFileInfo\LLLLCCCC\name" and value texts, so queries need no lookup
// back into the process and a damaged block is refused by bounds checks.
#include "plat/version_info.h"

#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "ascii.h"
#include "file_info.h"
#include "plat/last_error.h"

namespace plat {
namespace {

constexpr char kMagic[8] = {'P', 'L', 'A', 'T', 'V', 'E', 'R', '1'};
constexpr size_t kFixedOffset = sizeof kMagic;
constexpr size_t kTranslationOffset = kFixedOffset + sizeof(VS_FIXEDFILEINFO);
constexpr size_t kStringsOffset = kTranslationOffset + 4;

std::mutex g_mutex;
std::map<std::string, VersionTable> g_tables;

const VersionTable* FindTable(const std::string& file_name) {
  const auto whole = g_tables.find(file_name);
  if (whole != g_tables.end()) return &whole->second;
  const auto base = g_tables.find(internal::BaseName(file_name));
  return base != g_tables.end() ? &base->second : nullptr;
}

std::vector<BYTE> BuildBlock(const VersionTable& table) {
  std::vector<BYTE> block(kStringsOffset);
  std::memcpy(block.data(), kMagic, sizeof kMagic);
  std::memcpy(block.data() + kFixedOffset, &table.fixed, sizeof table.fixed);
  const WORD translation[2] = {table.language, table.code_page};
  std::memcpy(block.data() + kTranslationOffset, translation, sizeof translation);
  char prefix[40];
  std::snprintf(prefix, sizeof prefix, "\\StringFileInfo\\%04X%04X\\", table.language, table.code_page);
  for (const auto& [name, value] : table.strings) {
    const std::string key = prefix + name;
    block.insert(block.end(), key.begin(), key.end());
    block.push_back(0);
    block.insert(block.end(), value.begin(), value.end());
    block.push_back(0);
  }
  return block;
}

}  // namespace

void RegisterVersionInfo(const char* file_name, const VersionTable& table) {
  if (file_name == nullptr) return;
  std::lock_guard<std::mutex> guard(g_mutex);
  g_tables[file_name] = table;
}

DWORD GetFileVersionInfoSize(const char* file_name, DWORD* handle) {
  if (handle != nullptr) *handle = 0;
  if (file_name == nullptr) return FailWith<DWORD>(0, ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> guard(g_mutex);
  const VersionTable* table = FindTable(file_name);
  if (table == nullptr) return FailWith<DWORD>(0, ERROR_RESOURCE_TYPE_NOT_FOUND);
  return static_cast<DWORD>(BuildBlock(*table).size());
}

BOOL GetFileVersionInfo(const char* file_name, DWORD, std::vector<BYTE>& block) {
  block.clear();
  if (file_name == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  std::lock_guard<std::mutex> guard(g_mutex);
  const VersionTable* table = FindTable(file_name);
  if (table == nullptr) return FailWith(FALSE, ERROR_RESOURCE_TYPE_NOT_FOUND);
  block = BuildBlock(*table);
  return TRUE;
}

BOOL VerQueryValue(const std::vector<BYTE>& block, const char* sub_block, const void** value, UINT* length) {
  if (sub_block == nullptr || value == nullptr || block.size() < kStringsOffset ||
      std::memcmp(block.data(), kMagic, sizeof kMagic) != 0) {
    return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  }
  const std::string_view wanted(sub_block);
  if (wanted == "\\" || wanted.empty()) {
    *value = block.data() + kFixedOffset;
    if (length != nullptr) *length = sizeof(VS_FIXEDFILEINFO);
    return TRUE;
  }
  if (internal::EqualsIgnoreCase(wanted, "\\VarFileInfo\\Translation")) {
    *value = block.data() + kTranslationOffset;
    if (length != nullptr) *length = 4;
    return TRUE;
  }
  // Pairs of NUL-terminated texts; a block cut inside a pair ends the walk.
  const char* text = reinterpret_cast<const char*>(block.data());
  size_t at = kStringsOffset;
  while (at < block.size()) {
    const size_t key_length = ::strnlen(text + at, block.size() - at);
    if (at + key_length >= block.size()) break;
    const size_t value_at = at + key_length + 1;
    const size_t value_length = ::strnlen(text + value_at, block.size() - value_at);
    if (value_at + value_length >= block.size()) break;
    if (internal::EqualsIgnoreCase(std::string_view(text + at, key_length), wanted)) {
      *value = text + value_at;
      if (length != nullptr) *length = static_cast<UINT>(value_length + 1);
      return TRUE;
    }
    at = value_at + value_length + 1;
  }
  return FailWith(FALSE, ERROR_RESOURCE_NAME_NOT_FOUND);
}

}  // namespace plat
