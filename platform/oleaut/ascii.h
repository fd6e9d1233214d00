// ASCII case folding for the names automation compares without case
// (member names, bag names, registry paths).
#ifndef PLAT_OLEAUT_ASCII_H_
#define PLAT_OLEAUT_ASCII_H_

#include <string_view>

namespace plat::oleaut_internal {

constexpr char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

constexpr bool EqualsNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
  }
  return true;
}

}  // namespace plat::oleaut_internal

#endif  // PLAT_OLEAUT_ASCII_H_
