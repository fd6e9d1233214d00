// Ini files with profile semantics; see ini.h. A file is held as its lines,
// each with its own ending, so a write changes only the lines it must and
// every other byte (BOM, comments, blank lines, CRLF or LF) stays as it was.
#include "plat/ini.h"

#include <cerrno>
#include <climits>
#include <optional>
#include <string_view>

#include "ascii.h"
#include "file_lock.h"
#include "plat/atomic_file.h"
#include "plat/files.h"
#include "plat/last_error.h"
#include "plat/user_folder.h"

namespace plat {
namespace {

using internal::EqualsIgnoreCase;
using internal::TrimBlanks;

constexpr std::string_view kBom = "\xEF\xBB\xBF";
// Larger files are refused rather than read whole into memory.
constexpr uint64_t kMaxIniBytes = uint64_t{64} << 20;

enum class LineKind { kBlank, kComment, kSection, kKey, kOther };

struct Line {
  std::string text;    // without its ending
  std::string ending;  // "\r\n", "\n" or "" (the last line without one)
};

struct Block {  // a section header and the lines up to the next header
  std::string name;
  size_t header = 0;
  size_t end = 0;  // one past the last line of the block
};

LineKind Classify(std::string_view text, std::string_view* name, std::string_view* value) {
  const std::string_view trimmed = TrimBlanks(text);
  if (trimmed.empty()) return LineKind::kBlank;
  if (trimmed.front() == ';') return LineKind::kComment;
  if (trimmed.front() == '[') {
    const size_t close = trimmed.find(']');
    if (close != std::string_view::npos) {
      if (name != nullptr) *name = TrimBlanks(trimmed.substr(1, close - 1));
      return LineKind::kSection;
    }
  }
  const size_t equals = trimmed.find('=');
  if (equals == std::string_view::npos) return LineKind::kOther;
  if (name != nullptr) *name = TrimBlanks(trimmed.substr(0, equals));
  if (value != nullptr) *value = TrimBlanks(trimmed.substr(equals + 1));
  return LineKind::kKey;
}

std::string_view Unquote(std::string_view value) {
  if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
    return value.substr(1, value.size() - 2);
  }
  return value;
}

class IniText {
 public:
  void Parse(std::string_view bytes) {
    lines_.clear();
    has_bom_ = bytes.substr(0, kBom.size()) == kBom;
    if (has_bom_) bytes.remove_prefix(kBom.size());
    while (!bytes.empty()) {
      const size_t newline = bytes.find('\n');
      Line line;
      if (newline == std::string_view::npos) {
        line.text = std::string(bytes);
        bytes = {};
      } else {
        std::string_view text = bytes.substr(0, newline);
        line.ending = "\n";
        if (!text.empty() && text.back() == '\r') {
          text.remove_suffix(1);
          line.ending = "\r\n";
        }
        line.text = std::string(text);
        bytes.remove_prefix(newline + 1);
      }
      lines_.push_back(std::move(line));
    }
    Index();
  }

  std::string Serialize() const {
    std::string out = has_bom_ ? std::string(kBom) : std::string();
    for (const Line& line : lines_) out += line.text + line.ending;
    return out;
  }

  const std::vector<Block>& blocks() const { return blocks_; }

  const Block* FindSection(std::string_view section) const {
    for (const Block& block : blocks_) {
      if (EqualsIgnoreCase(block.name, section)) return &block;
    }
    return nullptr;
  }

  // The first line of the block holding `key`.
  std::optional<size_t> FindKey(const Block& block, std::string_view key) const {
    for (size_t i = block.header + 1; i < block.end; ++i) {
      std::string_view name;
      if (Classify(lines_[i].text, &name, nullptr) == LineKind::kKey && EqualsIgnoreCase(name, key)) return i;
    }
    return std::nullopt;
  }

  std::string_view ValueAt(size_t index) const {
    std::string_view name, value;
    (void)Classify(lines_[index].text, &name, &value);
    return value;
  }

  // Each key line of the block: (key, raw value).
  std::vector<std::pair<std::string_view, std::string_view>> Keys(const Block& block) const {
    std::vector<std::pair<std::string_view, std::string_view>> keys;
    for (size_t i = block.header + 1; i < block.end; ++i) {
      std::string_view name, value;
      if (Classify(lines_[i].text, &name, &value) == LineKind::kKey) keys.emplace_back(name, value);
    }
    return keys;
  }

  void SetKey(std::string_view section, std::string_view key, std::string_view value) {
    const Block* block = FindSection(section);
    if (block == nullptr) {
      Insert(lines_.size(), "[" + std::string(section) + "]");
      Insert(lines_.size(), std::string(key) + "=" + std::string(value));
      Index();
      return;
    }
    if (const std::optional<size_t> at = FindKey(*block, key)) {
      std::string_view name;
      (void)Classify(lines_[*at].text, &name, nullptr);
      lines_[*at].text = std::string(name) + "=" + std::string(value);
      return;
    }
    Insert(EndOfContent(*block), std::string(key) + "=" + std::string(value));
    Index();
  }

  // Removes every line of `key` in every block of the section, so no later
  // duplicate surfaces once the first is gone.
  void RemoveKey(std::string_view section, std::string_view key) {
    for (size_t b = blocks_.size(); b-- > 0;) {
      if (!EqualsIgnoreCase(blocks_[b].name, section)) continue;
      for (size_t i = blocks_[b].end; i-- > blocks_[b].header + 1;) {
        std::string_view name;
        if (Classify(lines_[i].text, &name, nullptr) == LineKind::kKey && EqualsIgnoreCase(name, key)) {
          lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(i));
        }
      }
    }
    Index();
  }

  void RemoveSection(std::string_view section) {
    for (size_t b = blocks_.size(); b-- > 0;) {
      if (!EqualsIgnoreCase(blocks_[b].name, section)) continue;
      lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(blocks_[b].header),
                   lines_.begin() + static_cast<ptrdiff_t>(blocks_[b].end));
    }
    Index();
  }

  // Replaces the body of the section's first block; a missing section is added.
  void ReplaceSection(std::string_view section, const std::vector<std::string>& key_values) {
    const Block* block = FindSection(section);
    size_t at;
    if (block == nullptr) {
      at = lines_.size();
      Insert(at++, "[" + std::string(section) + "]");
    } else {
      at = block->header + 1;
      const size_t end = EndOfContent(*block);
      lines_.erase(lines_.begin() + static_cast<ptrdiff_t>(at), lines_.begin() + static_cast<ptrdiff_t>(end));
    }
    for (const std::string& key_value : key_values) Insert(at++, key_value);
    Index();
  }

 private:
  // One past the last non-blank line of the block: new keys go there, so the
  // blank lines that separate sections stay in front of the next header.
  size_t EndOfContent(const Block& block) const {
    size_t end = block.end;
    while (end > block.header + 1 && TrimBlanks(lines_[end - 1].text).empty()) --end;
    return end;
  }

  // The ending of new lines: the file's own (CRLF when it has them), LF for a new file.
  std::string NewEnding() const {
    for (const Line& line : lines_) {
      if (!line.ending.empty()) return line.ending;
    }
    return "\n";
  }

  void Insert(size_t at, std::string text) {
    const std::string ending = NewEnding();
    if (at == lines_.size() && !lines_.empty() && lines_.back().ending.empty()) lines_.back().ending = ending;
    lines_.insert(lines_.begin() + static_cast<ptrdiff_t>(at), Line{std::move(text), ending});
  }

  void Index() {
    blocks_.clear();
    for (size_t i = 0; i < lines_.size(); ++i) {
      std::string_view name;
      if (Classify(lines_[i].text, &name, nullptr) != LineKind::kSection) continue;
      if (!blocks_.empty()) blocks_.back().end = i;
      blocks_.push_back(Block{std::string(name), i, lines_.size()});
    }
  }

  std::vector<Line> lines_;
  std::vector<Block> blocks_;
  bool has_bom_ = false;
};

// Reads the file; a missing file reads as empty. False (last error set) when
// it exists but cannot be read or is beyond the size limit.
bool LoadIni(const std::string& path, IniText& ini, std::string* bytes_out) {
  std::vector<uint8_t> bytes;
  const OpenStatus status = ReadWholeFile(path, bytes);
  if (status == OpenStatus::kNotFound) {
    ini.Parse({});
    if (bytes_out != nullptr) bytes_out->clear();
    return true;
  }
  if (status != OpenStatus::kOk) return FailWith(false, ErrorFromErrno(errno));
  if (bytes.size() > kMaxIniBytes) return FailWith(false, ERROR_INVALID_DATA);
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  ini.Parse(text);
  if (bytes_out != nullptr) bytes_out->assign(text);
  return true;
}

bool HasLineBreak(const char* text) {
  return text != nullptr && std::string_view(text).find_first_of("\r\n") != std::string_view::npos;
}

// Runs `change` on the file's lines under the folder lock and writes the
// result atomically when it differs from what was read.
template <class Change>
BOOL ModifyIni(const char* file, Change&& change) {
  const std::string path = ResolveIniPath(file);
  if (path.empty()) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  internal::ExclusiveLock lock;
  if (!lock.LockFolder(internal::FolderOf(path))) {
    return FailWith(FALSE, errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  }
  IniText ini;
  std::string before;
  if (!LoadIni(path, ini, &before)) return FALSE;
  change(ini);
  const std::string after = ini.Serialize();
  if (after == before) return TRUE;
  if (!ReplaceFileContents(path, after)) return FailWith(FALSE, ErrorFromErrno(errno));
  return TRUE;
}

DWORD JoinWithNuls(const std::vector<std::string>& items, std::string& out) {
  out.clear();
  for (const std::string& item : items) {
    out += item;
    out += '\0';
  }
  return static_cast<DWORD>(out.size());
}

}  // namespace

std::string ResolveIniPath(const char* file) {
  if (file == nullptr) return UserFolder() + "/win.ini";
  const std::string_view name(file);
  if (name.empty()) return {};
  if (name.find('/') != std::string_view::npos) return std::string(name);
  return UserFolder() + "/" + std::string(name);
}

DWORD GetPrivateProfileString(const char* section, const char* key, const char* default_value, std::string& out,
                              const char* file) {
  out.clear();
  IniText ini;
  const std::string path = ResolveIniPath(file);
  const bool loaded = !path.empty() && LoadIni(path, ini, nullptr);
  if (section == nullptr) {
    std::vector<std::string> names;
    if (loaded) (void)GetPrivateProfileSectionNames(names, file);
    return JoinWithNuls(names, out);
  }
  const Block* block = loaded ? ini.FindSection(section) : nullptr;
  if (key == nullptr) {
    std::vector<std::string> keys;
    if (block != nullptr) {
      for (const auto& [name, value] : ini.Keys(*block)) {
        bool seen = false;
        for (const std::string& k : keys) seen = seen || EqualsIgnoreCase(k, name);
        if (!seen) keys.emplace_back(name);
      }
    }
    return JoinWithNuls(keys, out);
  }
  std::optional<size_t> at;
  if (block != nullptr) at = ini.FindKey(*block, key);
  if (at) {
    out = std::string(Unquote(ini.ValueAt(*at)));
    SetLastError(ERROR_SUCCESS);
  } else {
    out = default_value != nullptr ? std::string(TrimBlanks(default_value)) : std::string();
    SetLastError(ERROR_FILE_NOT_FOUND);
  }
  return static_cast<DWORD>(out.size());
}

int GetPrivateProfileInt(const char* section, const char* key, int default_value, const char* file) {
  if (section == nullptr || key == nullptr) return default_value;
  std::string text;
  (void)GetPrivateProfileString(section, key, nullptr, text, file);
  if (GetLastError() == ERROR_FILE_NOT_FOUND) return default_value;
  size_t i = 0;
  bool is_negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) is_negative = text[i++] == '-';
  int64_t magnitude = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    magnitude = magnitude * 10 + (text[i] - '0');
    if (magnitude > int64_t{INT_MAX} + 1) magnitude = int64_t{INT_MAX} + 1;  // saturate, never overflow
  }
  const int64_t value = is_negative ? -magnitude : magnitude;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

DWORD GetPrivateProfileSection(const char* section, std::vector<std::string>& lines, const char* file) {
  lines.clear();
  IniText ini;
  const std::string path = ResolveIniPath(file);
  if (section == nullptr || path.empty() || !LoadIni(path, ini, nullptr)) return 0;
  const Block* block = ini.FindSection(section);
  if (block == nullptr) return 0;
  for (const auto& [name, value] : ini.Keys(*block)) lines.push_back(std::string(name) + "=" + std::string(value));
  return static_cast<DWORD>(lines.size());
}

DWORD GetPrivateProfileSection(const char* section, std::string& out, const char* file) {
  std::vector<std::string> lines;
  (void)GetPrivateProfileSection(section, lines, file);
  return JoinWithNuls(lines, out);
}

DWORD GetPrivateProfileSectionNames(std::vector<std::string>& names, const char* file) {
  names.clear();
  IniText ini;
  const std::string path = ResolveIniPath(file);
  if (path.empty() || !LoadIni(path, ini, nullptr)) return 0;
  for (const Block& block : ini.blocks()) {
    bool seen = false;
    for (const std::string& name : names) seen = seen || EqualsIgnoreCase(name, block.name);
    if (!seen) names.push_back(block.name);
  }
  return static_cast<DWORD>(names.size());
}

DWORD GetPrivateProfileSectionNames(std::string& out, const char* file) {
  std::vector<std::string> names;
  (void)GetPrivateProfileSectionNames(names, file);
  return JoinWithNuls(names, out);
}

BOOL WritePrivateProfileString(const char* section, const char* key, const char* value, const char* file) {
  if (section == nullptr) {
    // All NULL asks to flush a cache; writes here are never cached.
    return key == nullptr && value == nullptr ? TRUE : FailWith(FALSE, ERROR_INVALID_PARAMETER);
  }
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) ||
      std::string_view(section).find(']') != std::string_view::npos ||
      (key != nullptr && (std::string_view(key).find('=') != std::string_view::npos || TrimBlanks(key).empty()))) {
    return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  }
  const std::string section_name(TrimBlanks(section));
  const std::string key_name = key != nullptr ? std::string(TrimBlanks(key)) : std::string();
  return ModifyIni(file, [&](IniText& ini) {
    if (key == nullptr) {
      ini.RemoveSection(section_name);
    } else if (value == nullptr) {
      ini.RemoveKey(section_name, key_name);
    } else {
      ini.SetKey(section_name, key_name, value);
    }
  });
}

BOOL WritePrivateProfileSection(const char* section, const std::vector<std::string>& key_values, const char* file) {
  if (section == nullptr || HasLineBreak(section) || std::string_view(section).find(']') != std::string_view::npos) {
    return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  }
  for (const std::string& line : key_values) {
    if (line.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos) {
      return FailWith(FALSE, ERROR_INVALID_PARAMETER);
    }
  }
  const std::string section_name(TrimBlanks(section));
  return ModifyIni(file, [&](IniText& ini) { ini.ReplaceSection(section_name, key_values); });
}

BOOL WritePrivateProfileSection(const char* section, const char* key_values, const char* file) {
  if (key_values == nullptr) {
    if (section == nullptr || HasLineBreak(section)) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
    const std::string section_name(TrimBlanks(section));
    return ModifyIni(file, [&](IniText& ini) { ini.RemoveSection(section_name); });
  }
  std::vector<std::string> lines;
  for (const char* item = key_values; *item != '\0'; item += lines.back().size() + 1) lines.emplace_back(item);
  return WritePrivateProfileSection(section, lines, file);
}

}  // namespace plat
