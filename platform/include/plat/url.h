// File URLs. Only the "file:" scheme is understood: this platform has no
// network client, so other schemes give no path and callers report that URLs
// are not available.
#ifndef PLAT_URL_H_
#define PLAT_URL_H_

#include <optional>
#include <string>
#include <string_view>

#include "plat/types.h"

namespace plat {

constexpr DWORD ICU_NO_ENCODE = 0x20000000;
constexpr DWORD ICU_DECODE = 0x10000000;
constexpr DWORD ICU_NO_META = 0x08000000;
constexpr DWORD ICU_ENCODE_SPACES_ONLY = 0x04000000;
constexpr DWORD ICU_BROWSER_MODE = 0x02000000;

// True when the text starts with "file:" (any case).
bool IsFileUrl(std::string_view url);
// The path of "file:///p", "file://localhost/p" or "file://p" (read as "/p"),
// percent-decoded. nullopt for another scheme, a malformed escape ("%zz", a
// cut "%4") and an escaped NUL.
std::optional<std::string> PathFromFileUrl(std::string_view url);
// A "file:///" URL of an absolute path, with the bytes a URL cannot carry escaped.
std::string FileUrlFromPath(std::string_view path);
// The URL with unsafe bytes escaped (spaces only with ICU_ENCODE_SPACES_ONLY,
// none with ICU_NO_ENCODE), escapes decoded with ICU_DECODE, and "." and ".."
// segments of the path resolved unless ICU_NO_META. FALSE with
// ERROR_INVALID_PARAMETER for a NULL URL.
BOOL InternetCanonicalizeUrl(const char* url, std::string& out, DWORD flags);

}  // namespace plat

#endif  // PLAT_URL_H_
