// The code tables of the facsimile codings (ITU-T T.4 and T.6), as bit
// strings, and the decode lookups built from them.
#ifndef PELRITH_INTERCHANGE_FAX_FAX_TABLES_H_
#define PELRITH_INTERCHANGE_FAX_FAX_TABLES_H_

#include <cstdint>

struct FaxCode {
  uint16_t bits = 0;  // the code, right-aligned
  uint8_t length = 0;
};

// Run codes of one colour: terminating codes 0..63, then makeup codes for
// 64..2560 by run / 64 (1..40; 28..40 are the extended codes shared by both
// colours).
struct FaxRunCodes {
  FaxCode terminating[64];
  FaxCode makeup[41];
};

const FaxRunCodes& FaxWhiteCodes();
const FaxRunCodes& FaxBlackCodes();

// Decode lookups over a fixed window of the next kFaxRunWindow bits.
inline constexpr int kFaxRunWindow = 13;
enum class FaxRunKind : uint8_t { kInvalid, kTerminating, kMakeup, kEol };
struct FaxRunEntry {
  uint16_t run = 0;
  uint8_t length = 0;  // bits of the code
  FaxRunKind kind = FaxRunKind::kInvalid;
};
// Entry of a 13-bit window; kEol for windows starting with eleven 0 bits.
const FaxRunEntry* FaxWhiteLookup();
const FaxRunEntry* FaxBlackLookup();

// Two-dimensional mode codes over a window of kFaxModeWindow bits.
inline constexpr int kFaxModeWindow = 7;
enum class FaxMode : uint8_t { kInvalid, kPass, kHorizontal, kVertical, kEol };
struct FaxModeEntry {
  FaxMode mode = FaxMode::kInvalid;
  int8_t offset = 0;  // vertical: a1 - b1
  uint8_t length = 0;
};
const FaxModeEntry* FaxModeLookup();

// Mode codes for the encoder.
inline constexpr FaxCode kFaxPassCode{0b0001, 4};
inline constexpr FaxCode kFaxHorizontalCode{0b001, 3};
// Vertical codes by a1 - b1 + 3.
inline constexpr FaxCode kFaxVerticalCodes[7] = {{0b0000010, 7}, {0b000010, 6}, {0b010, 3}, {0b1, 1},
                                                 {0b011, 3},     {0b000011, 6}, {0b0000011, 7}};
inline constexpr FaxCode kFaxEol{0b000000000001, 12};

#endif  // PELRITH_INTERCHANGE_FAX_FAX_TABLES_H_
