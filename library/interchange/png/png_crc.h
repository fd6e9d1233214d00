// The CRC-32 of PNG chunks (reflected polynomial 0xEDB88320, register preset
// to all ones, result complemented), computed over a chunk's type and data.
// Computed by zlib, which the library links for inflating anyway.
#ifndef PELRITH_INTERCHANGE_PNG_PNG_CRC_H_
#define PELRITH_INTERCHANGE_PNG_PNG_CRC_H_

#include <cstddef>
#include <cstdint>
#include <span>

class PngCrc {
 public:
  void PngCrcReset() { register_ = 0xFFFFFFFFu; }
  void PngCrcUpdate(std::span<const uint8_t> bytes);
  // The CRC of everything added since the last reset.
  [[nodiscard]] uint32_t value() const { return register_ ^ 0xFFFFFFFFu; }

 private:
  uint32_t register_ = 0xFFFFFFFFu;
};

// The CRC of one run of bytes.
[[nodiscard]] uint32_t PngCrcOf(std::span<const uint8_t> bytes);

#endif  // PELRITH_INTERCHANGE_PNG_PNG_CRC_H_
