// Folder search; see file_system.h. The folder is read whole when the search
// starts, so entries added or removed during it do not disturb the order.
#include <dirent.h>

#include <algorithm>
#include <cerrno>
#include <memory>
#include <vector>

#include "ascii.h"
#include "file_info.h"
#include "plat/file_system.h"
#include "plat/handle_table.h"
#include "plat/last_error.h"

namespace plat {
namespace {

struct Search {
  std::vector<WIN32_FIND_DATA> entries;
  size_t next = 0;
};
using SearchHandles = Handles<Search, HandleKind::kFindFile>;

// Bytes of the UTF-8 character that starts with `lead` (1 for a stray byte).
size_t CharacterBytes(unsigned char lead) {
  if (lead >= 0xF0 && lead <= 0xF4) return 4;
  if (lead >= 0xE0) return lead <= 0xEF ? 3 : 1;
  if (lead >= 0xC2) return 2;
  return 1;
}

}  // namespace

bool MatchesFilePattern(const char* name_text, const char* pattern_text) {
  const std::string_view name(name_text != nullptr ? name_text : "");
  const std::string_view pattern(pattern_text != nullptr ? pattern_text : "");
  // Greedy matching with one back-track point: the last '*' and where the
  // name stood when it was seen. Linear in practice, never recursive.
  size_t n = 0, p = 0;
  size_t star = std::string_view::npos, star_n = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      star_n = n;
    } else if (p < pattern.size() && pattern[p] == '?') {
      n += std::min(CharacterBytes(static_cast<unsigned char>(name[n])), name.size() - n);
      ++p;
    } else if (p < pattern.size() && internal::ToLowerAscii(pattern[p]) == internal::ToLowerAscii(name[n])) {
      ++n;
      ++p;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      star_n += CharacterBytes(static_cast<unsigned char>(name[star_n]));
      n = std::min(star_n, name.size());
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

HANDLE FindFirstFile(const char* pattern, WIN32_FIND_DATA* data) {
  if (pattern == nullptr || pattern[0] == '\0' || data == nullptr) {
    return FailWith(INVALID_HANDLE_VALUE, ERROR_INVALID_PARAMETER);
  }
  const std::string text(pattern);
  const size_t slash = text.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : (slash == 0 ? "/" : text.substr(0, slash));
  const std::string mask = slash == std::string::npos ? text : text.substr(slash + 1);
  const std::string prefix = slash == std::string::npos ? "" : text.substr(0, slash + 1);
  std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), &::closedir);
  if (!dir) {
    return FailWith(INVALID_HANDLE_VALUE,
                    errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(errno));
  }
  auto search = std::make_shared<Search>();
  while (const struct dirent* entry = ::readdir(dir.get())) {
    const std::string name = entry->d_name;
    if (name == "." || name == ".." || !MatchesFilePattern(name.c_str(), mask.c_str())) continue;
    WIN32_FIND_DATA found;
    // An entry removed between the listing and its description is skipped.
    if (internal::DescribePath(prefix + name, name, found)) search->entries.push_back(std::move(found));
  }
  if (search->entries.empty()) return FailWith(INVALID_HANDLE_VALUE, ERROR_FILE_NOT_FOUND);
  std::sort(search->entries.begin(), search->entries.end(),
            [](const WIN32_FIND_DATA& a, const WIN32_FIND_DATA& b) { return a.cFileName < b.cFileName; });
  *data = search->entries[0];
  search->next = 1;
  const uint32_t id = SearchHandles::Insert(std::move(search));
  if (id == 0) return FailWith(INVALID_HANDLE_VALUE, ERROR_NOT_ENOUGH_MEMORY);
  SetLastError(ERROR_SUCCESS);
  return HandleFromId<HANDLE>(id);
}

BOOL FindNextFile(HANDLE handle, WIN32_FIND_DATA* data) {
  const std::shared_ptr<Search> search = SearchHandles::Find(HandleId(handle));
  if (!search || data == nullptr) return FailWith(FALSE, search ? ERROR_INVALID_PARAMETER : ERROR_INVALID_HANDLE);
  if (search->next >= search->entries.size()) return FailWith(FALSE, ERROR_NO_MORE_FILES);
  *data = search->entries[search->next++];
  return TRUE;
}

BOOL FindClose(HANDLE handle) {
  return SearchHandles::Remove(HandleId(handle)) ? TRUE : FailWith(FALSE, ERROR_INVALID_HANDLE);
}

}  // namespace plat
