// File URLs; see url.h.
#include "plat/url.h"

#include <algorithm>
#include <vector>

#include "ascii.h"
#include "path_segments.h"
#include "plat/last_error.h"

namespace plat {
namespace {

using internal::HexDigitValue;


// Percent-decoding; nullopt for a malformed escape or an escaped NUL.
std::optional<std::string> Decode(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '%') {
      out += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return std::nullopt;
    const int high = HexDigitValue(text[i + 1]);
    const int low = HexDigitValue(text[i + 2]);
    if (high < 0 || low < 0 || (high == 0 && low == 0)) return std::nullopt;
    out += static_cast<char>(high * 16 + low);
    i += 2;
  }
  return out;
}

bool IsUnsafe(unsigned char c, bool spaces_only) {
  if (spaces_only) return c == ' ';
  return c <= 0x20 || c >= 0x7F || c == '"' || c == '<' || c == '>' || c == '\\' || c == '^' || c == '`' ||
         c == '{' || c == '|' || c == '}';
}

std::string Encode(std::string_view text, bool spaces_only) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnsafe(byte, spaces_only)) {
      out += '%';
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

// Removes "." and ".." segments of a path that starts with '/'; a path
// that ended in '/' or in a dot segment keeps its trailing '/'.
std::string ResolveDots(std::string_view path) {
  if (path.empty()) return "/";
  const std::string_view last = path.substr(path.rfind('/') + 1);
  const bool keeps_slash = path.back() == '/' || last == "." || last == "..";
  std::string out = internal::ResolveDotSegments(path);
  if (keeps_slash && out != "/") out += '/';
  return out;
}

}  // namespace

bool IsFileUrl(std::string_view url) { return url.size() >= 5 && internal::EqualsIgnoreCase(url.substr(0, 5), "file:"); }

std::optional<std::string> PathFromFileUrl(std::string_view url) {
  if (url.size() < 7 || !internal::EqualsIgnoreCase(url.substr(0, 7), "file://")) return std::nullopt;
  std::string_view rest = url.substr(7);
  if (rest.size() >= 10 && internal::EqualsIgnoreCase(rest.substr(0, 10), "localhost/")) rest.remove_prefix(9);
  std::optional<std::string> path = Decode(rest);
  if (!path || path->empty()) return std::nullopt;
  if (path->front() != '/') path->insert(path->begin(), '/');
  return path;
}

std::string FileUrlFromPath(std::string_view path) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out = "file://";
  if (path.empty() || path.front() != '/') out += '/';
  for (char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    // '%', '#' and '?' of a name would otherwise be read as URL syntax.
    if (IsUnsafe(byte, false) || c == '%' || c == '#' || c == '?') {
      out += '%';
      out += kDigits[byte >> 4];
      out += kDigits[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

BOOL InternetCanonicalizeUrl(const char* url, std::string& out, DWORD flags) {
  out.clear();
  if (url == nullptr) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
  std::string text(url);
  if (flags & ICU_DECODE) {
    std::optional<std::string> decoded = Decode(text);
    if (!decoded) return FailWith(FALSE, ERROR_INVALID_PARAMETER);
    text = std::move(*decoded);
  }
  if (!(flags & ICU_NO_META)) {
    // The path starts after "scheme://authority", or after "scheme:".
    size_t path_start = std::string::npos;
    const size_t colon = text.find(':');
    if (colon != std::string::npos && text.compare(colon, 3, "://") == 0) {
      path_start = text.find('/', colon + 3);
    } else if (colon != std::string::npos && colon + 1 < text.size() && text[colon + 1] == '/') {
      path_start = colon + 1;
    }
    if (path_start != std::string::npos) {
      const size_t query = text.find_first_of("?#", path_start);
      const std::string tail = query == std::string::npos ? std::string() : text.substr(query);
      const std::string path = text.substr(path_start, query == std::string::npos ? std::string::npos : query - path_start);
      text = text.substr(0, path_start) + ResolveDots(path) + tail;
    }
  }
  if (!(flags & ICU_NO_ENCODE) && !(flags & ICU_DECODE)) {
    text = Encode(text, (flags & ICU_ENCODE_SPACES_ONLY) != 0);
  }
  out = std::move(text);
  return TRUE;
}

}  // namespace plat

namespace plat::internal {

std::string ResolveDotSegments(std::string_view path) {
  std::vector<std::string_view> kept;
  size_t start = 0;
  while (start <= path.size()) {
    const size_t slash = std::min(path.find('/', start), path.size());
    const std::string_view segment = path.substr(start, slash - start);
    if (segment == "..") {
      if (!kept.empty()) kept.pop_back();
    } else if (!segment.empty() && segment != ".") {
      kept.push_back(segment);
    }
    start = slash + 1;
  }
  std::string out;
  for (std::string_view segment : kept) {
    out += '/';
    out += segment;
  }
  return out.empty() ? std::string("/") : out;
}

}  // namespace plat::internal
