// Text form of identifiers: "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}".
#include "plat/oleaut/guid.h"

#include <cstdio>

#include "../kernel/ascii.h"

namespace plat {
namespace {

// Reads `digits` hex digits at `pos`; false on any other character.
bool ReadHex(std::string_view text, size_t pos, int digits, uint64_t* out) {
  uint64_t value = 0;
  for (int i = 0; i < digits; ++i) {
    const int v = internal::HexDigitValue(text[pos + i]);
    if (v < 0) return false;
    value = (value << 4) | static_cast<uint64_t>(v);
  }
  *out = value;
  return true;
}

}  // namespace

std::string StringFromGUID(const GUID& g) {
  char text[40];
  std::snprintf(text, sizeof(text), "{%08X-%04X-%04X-%02X%02X-%02X%02X%02X%02X%02X%02X}", g.Data1, g.Data2, g.Data3,
                g.Data4[0], g.Data4[1], g.Data4[2], g.Data4[3], g.Data4[4], g.Data4[5], g.Data4[6], g.Data4[7]);
  return text;
}

bool GUIDFromString(std::string_view text, GUID* out) {
  // 38 characters: braces, 32 digits and four dashes at fixed places.
  if (text.size() != 38 || text[0] != '{' || text[37] != '}' || text[9] != '-' || text[14] != '-' ||
      text[19] != '-' || text[24] != '-') {
    return false;
  }
  GUID g;
  uint64_t v = 0;
  if (!ReadHex(text, 1, 8, &v)) return false;
  g.Data1 = static_cast<uint32_t>(v);
  if (!ReadHex(text, 10, 4, &v)) return false;
  g.Data2 = static_cast<uint16_t>(v);
  if (!ReadHex(text, 15, 4, &v)) return false;
  g.Data3 = static_cast<uint16_t>(v);
  constexpr size_t kByteAt[8] = {20, 22, 25, 27, 29, 31, 33, 35};
  for (int i = 0; i < 8; ++i) {
    if (!ReadHex(text, kByteAt[i], 2, &v)) return false;
    g.Data4[i] = static_cast<uint8_t>(v);
  }
  *out = g;
  return true;
}

size_t GuidHash::operator()(const GUID& g) const noexcept {
  uint64_t h = g.Data1;
  h = h * 1000003u ^ g.Data2;
  h = h * 1000003u ^ g.Data3;
  for (uint8_t b : g.Data4) h = h * 1000003u ^ b;
  return static_cast<size_t>(h);
}

}  // namespace plat
