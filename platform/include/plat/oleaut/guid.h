// Globally unique identifiers of classes, interfaces and type libraries, and
// their registry text form "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#ifndef PLAT_OLEAUT_GUID_H_
#define PLAT_OLEAUT_GUID_H_

#include <cstddef>
#include <string>
#include <string_view>

#include "plat/types.h"

namespace plat {

struct GUID {
  uint32_t Data1 = 0;
  uint16_t Data2 = 0;
  uint16_t Data3 = 0;
  uint8_t Data4[8] = {};

  friend constexpr bool operator==(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i) {
      if (a.Data4[i] != b.Data4[i]) return false;
    }
    return true;
  }
};
using CLSID = GUID;
using IID = GUID;

constexpr GUID GUID_NULL{};

// Upper-case braced text, as the registry stores it.
std::string StringFromGUID(const GUID& guid);
// Parses the braced text (either case); false, leaving `out` alone, when the
// text is not exactly one braced identifier.
bool GUIDFromString(std::string_view text, GUID* out);

struct GuidHash {
  size_t operator()(const GUID& guid) const noexcept;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_GUID_H_
