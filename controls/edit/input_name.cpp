// Names given for reading: plain paths and file URLs; see input_name.h.
#include "input_name.h"

#include <cctype>

#include "edit_constants.h"
#include "plat/url.h"

namespace ondavel {
namespace {

// Schemes that are URLs even without "//" after the colon.
constexpr std::string_view kOpaqueSchemes[] = {"http", "https", "ftp", "gopher", "mailto", "news", "telnet", "file"};

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  }
  return true;
}

// The length of the scheme at the start of `name` (letter, then letters,
// digits, "+", "-", "."), 0 when there is none before a colon.
size_t SchemeLength(std::string_view name) {
  if (name.empty() || !std::isalpha(static_cast<unsigned char>(name[0]))) return 0;
  size_t i = 1;
  while (i < name.size()) {
    const auto c = static_cast<unsigned char>(name[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') break;
    ++i;
  }
  return i < name.size() && name[i] == ':' ? i : 0;
}

}  // namespace

bool IsUrl(std::string_view name) {
  const size_t scheme = SchemeLength(name);
  if (scheme < 2) return false;
  if (name.substr(scheme + 1, 2) == "//") return true;
  for (std::string_view known : kOpaqueSchemes) {
    if (EqualsIgnoreCase(name.substr(0, scheme), known)) return true;
  }
  return false;
}

int16_t ResolveInputName(std::string_view name, std::string* path) {
  if (plat::IsFileUrl(name)) {
    std::optional<std::string> decoded = plat::PathFromFileUrl(name);
    if (!decoded) return plat::qrvErrFileNotFound;
    *path = std::move(*decoded);
    return plat::qrvSuccess;
  }
  if (IsUrl(name)) return plat::qrvErrFileNotFound;
  *path = std::string(name);
  return plat::qrvSuccess;
}

}  // namespace ondavel
