// The write-side twin of ByteReader: 16- and 32-bit values stored into a
// buffer the caller has sized, or appended to a byte vector, in either byte
// order. Values are split by shifts; only the low 16 or 32 bits are stored.
#ifndef PELRITH_INTERCHANGE_IO_BYTE_STORE_H_
#define PELRITH_INTERCHANGE_IO_BYTE_STORE_H_

#include <cstdint>
#include <vector>

inline void StoreU16Le(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value);
  at[1] = static_cast<uint8_t>(value >> 8);
}
inline void StoreU16Be(uint8_t* at, uint32_t value) {
  at[0] = static_cast<uint8_t>(value >> 8);
  at[1] = static_cast<uint8_t>(value);
}
inline void StoreU32Le(uint8_t* at, uint32_t value) {
  StoreU16Le(at, value & 0xFFFF);
  StoreU16Le(at + 2, value >> 16);
}
inline void StoreU32Be(uint8_t* at, uint32_t value) {
  StoreU16Be(at, value >> 16);
  StoreU16Be(at + 2, value & 0xFFFF);
}

inline void AppendU16Le(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value));
  out.push_back(static_cast<uint8_t>(value >> 8));
}
inline void AppendU16Be(std::vector<uint8_t>& out, uint32_t value) {
  out.push_back(static_cast<uint8_t>(value >> 8));
  out.push_back(static_cast<uint8_t>(value));
}
inline void AppendU32Le(std::vector<uint8_t>& out, uint32_t value) {
  AppendU16Le(out, value & 0xFFFF);
  AppendU16Le(out, value >> 16);
}
inline void AppendU32Be(std::vector<uint8_t>& out, uint32_t value) {
  AppendU16Be(out, value >> 16);
  AppendU16Be(out, value & 0xFFFF);
}

#endif  // PELRITH_INTERCHANGE_IO_BYTE_STORE_H_
