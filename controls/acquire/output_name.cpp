// Output file names: the token language of the host's pattern, the unique
// fallback names and the exclusive reservation of the name finally used.
// Paths use "/" only; a backslash is an ordinary character of a name.
#include "output_name.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <string_view>

#include "plat/acquire/acquire_constants.h"
#include "save_rules.h"

namespace mirrask {
namespace {

constexpr size_t kMaxTokenChars = 10;
constexpr int kMaxVariant = 9999;
constexpr int kMaxTickNames = 1 << 16;
constexpr int kMaxFallbackTries = 64;

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i];
    char y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

std::string Digits(int64_t value, int width) {
  char text[32];
  std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
  return text;
}

// One token: its name and the number after its colon (leading digits; none 0).
void AppendToken(std::string_view token, const char* ext, int64_t number, const plat::SYSTEMTIME& now, std::string& out) {
  std::string_view name = token;
  int width = 0;
  bool has_colon = false;
  if (const size_t colon = token.find(':'); colon != std::string_view::npos) {
    has_colon = true;
    name = token.substr(0, colon);
    for (size_t i = colon + 1; i < token.size() && token[i] >= '0' && token[i] <= '9'; ++i) {
      width = width * 10 + (token[i] - '0');
    }
  }
  if (EqualsIgnoringCase(name, "year")) {
    out += has_colon && width == 2 ? Digits(now.wYear % 100, 2) : Digits(now.wYear, 4);
  } else if (EqualsIgnoringCase(name, "month")) {
    out += Digits(now.wMonth, 2);
  } else if (EqualsIgnoringCase(name, "day")) {
    out += Digits(now.wDay, 2);
  } else if (EqualsIgnoringCase(name, "hour")) {
    out += Digits(now.wHour, 2);
  } else if (EqualsIgnoringCase(name, "minute")) {
    out += Digits(now.wMinute, 2);
  } else if (EqualsIgnoringCase(name, "second")) {
    out += Digits(now.wSecond, 2);
  } else if (EqualsIgnoringCase(name, "number")) {
    if (has_colon && width >= 1 && width <= 10) {
      int64_t modulus = 1;
      for (int i = 0; i < width; ++i) modulus *= 10;
      out += Digits(number % modulus, width);
    } else {
      out += std::to_string(number);
    }
  } else if (EqualsIgnoringCase(name, "ext")) {
    out += ext;
  }
}

// Creates `path` empty and exclusively (never through a link): 0 on success,
// else the errno.
int CreateExclusive(const std::string& path) {
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) return errno;
  ::close(fd);
  return 0;
}

// The "<stem>_k<.ext>" variant of a path; the extension is what follows the
// last "." of the last path component.
std::string Variant(const std::string& path, int k) {
  const size_t slash = path.rfind('/');
  const size_t start = slash == std::string::npos ? 0 : slash + 1;
  const size_t dot = path.rfind('.');
  const std::string suffix = "_" + std::to_string(k);
  if (dot == std::string::npos || dot < start) return path + suffix;
  return path.substr(0, dot) + suffix + path.substr(dot);
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

std::string ExpandFileNamePattern(const std::string& pattern, const std::string& folder, const char* ext,
                                  int64_t number, const plat::SYSTEMTIME& now) {
  if (pattern.empty()) return {};
  std::string out = folder;
  for (size_t i = 0; i < pattern.size();) {
    const char c = pattern[i];
    if (c != '<') {
      out += c;
      ++i;
      continue;
    }
    if (i + 1 < pattern.size() && pattern[i + 1] == '<') {
      out += '<';
      i += 2;
      continue;
    }
    const size_t close = pattern.find('>', i + 1);
    if (close == std::string::npos) break;  // a pattern that ends inside a token
    std::string_view token(pattern.data() + i + 1, close - i - 1);
    if (token.size() > kMaxTokenChars) token = token.substr(0, kMaxTokenChars);
    if (!token.empty()) AppendToken(token, ext, number, now, out);
    i = close + 1;
  }
  return out;
}

bool NameExists(const std::string& path) {
  struct stat info;
  // Another error (a folder that cannot be searched) counts as taken.
  return ::lstat(path.c_str(), &info) == 0 || (errno != ENOENT && errno != ENOTDIR);
}

std::string MakeUniqueFileName(const std::string& folder, const char* ext, int32_t page, const plat::SYSTEMTIME& now) {
  char name[64];
  for (char letter = 'a'; letter <= 'z'; ++letter) {
    for (unsigned digit = 0; digit < 16; ++digit) {
      std::snprintf(name, sizeof name, "%c%.1x%.1x%.2u%.3u.", letter, digit, static_cast<unsigned>(now.wMonth),
                    static_cast<unsigned>(now.wDay), static_cast<unsigned>(page));
      std::string path = folder + name + ext;
      if (!NameExists(path)) return path;
    }
  }
  // Tick-count names; a clock that stands still moves on by one per name
  // taken, and a folder where every name counts as taken ends the search
  // with a name whose creation then fails.
  uint32_t tick = plat::GetTickCount();
  std::string path;
  for (int tries = 0; tries < kMaxTickNames; ++tries, ++tick) {
    std::snprintf(name, sizeof name, "%.8x.", tick);
    path = folder + name + ext;
    if (!NameExists(path)) break;
  }
  return path;
}

std::string MakeOutputFileName(const std::string& pattern, const std::string& folder, short media_format,
                               int32_t page, int32_t initial_number) {
  const char* ext = GetFormatExtension(media_format);
  plat::SYSTEMTIME now;
  plat::GetLocalTime(&now);
  const int64_t number = int64_t{initial_number} + page - 1;
  std::string name = ExpandFileNamePattern(pattern, folder, ext, number, now);
  if (name.empty() || name == folder) name = MakeUniqueFileName(folder, ext, page, now);
  return name;
}

std::string ReserveOutputName(const std::string& wanted, const std::set<std::string>& written, const char* ext,
                              int32_t page) {
  auto try_name = [&written](const std::string& path, int* error) {
    if (written.count(path) != 0) {
      *error = EEXIST;
      return false;
    }
    *error = CreateExclusive(path);
    return *error == 0;
  };
  int error = 0;
  if (try_name(wanted, &error)) return wanted;
  if (error != EEXIST) return {};
  for (int k = 2; k <= kMaxVariant; ++k) {
    const std::string path = Variant(wanted, k);
    if (try_name(path, &error)) return path;
    if (error != EEXIST) return {};
  }
  plat::SYSTEMTIME now;
  plat::GetLocalTime(&now);
  for (int tries = 0; tries < kMaxFallbackTries; ++tries) {
    const std::string path = MakeUniqueFileName(FolderOf(wanted), ext, page, now);
    if (try_name(path, &error)) return path;
    if (error != EEXIST) return {};
  }
  return {};
}

}  // namespace mirrask
