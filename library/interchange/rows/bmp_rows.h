// Row kernels between stored bitmap rows and image rows: nibble packing,
// interleaved blue-green-red pixels, 5-5-5 words and bit rows. Each works on
// one row whose length the caller has checked; none allocates.
#ifndef PELRITH_INTERCHANGE_ROWS_BMP_ROWS_H_
#define PELRITH_INTERCHANGE_ROWS_BMP_ROWS_H_

#include <cstdint>

#include "core/streams/accessor.h"

// 4 bits: stored pixel i is the high nibble of byte i / 2 when i is even.
void UnpackNibbles(const uint8_t* stored, int64_t count, uint8_t* pixels);
// Writes (count + 1) / 2 bytes; only the low 4 bits of each pixel are kept and
// the low nibble after an odd last pixel is 0.
void PackNibbles(const uint8_t* pixels, int64_t count, uint8_t* stored);

// Interleaved pixels of `pixel_bytes` bytes: byte `channel` of each pixel to or
// from one band row (blue is channel 0, green 1, red 2).
void ExtractChannel(const uint8_t* stored, int64_t count, int pixel_bytes, int channel, uint8_t* band);
void InsertChannel(const uint8_t* band, int64_t count, int pixel_bytes, int channel, uint8_t* stored);

// The same for all three colour bands in one pass (pixel_bytes 3 or 4): the
// fast path when the three band rows are at hand at once.
void SplitPixels(const uint8_t* stored, int64_t count, int pixel_bytes, uint8_t* red, uint8_t* green,
                 uint8_t* blue);
void MergePixels(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count, int pixel_bytes,
                 uint8_t* stored);
// Their plain loops, which the two above use where no byte shuffle is at
// hand and for the last pixels; a test holds both to the same output.
void SplitPixelsScalar(const uint8_t* stored, int64_t count, int pixel_bytes, uint8_t* red, uint8_t* green,
                       uint8_t* blue);
void MergePixelsScalar(const uint8_t* red, const uint8_t* green, const uint8_t* blue, int64_t count,
                       int pixel_bytes, uint8_t* stored);

// 3-byte pixels with their first and third bytes exchanged (red, green,
// blue to blue, green, red and back); `from` and `to` do not overlap.
void SwapRedAndBlue(const uint8_t* from, int64_t count, uint8_t* to);
// Its plain loop, used where no byte shuffle is at hand and for the last
// pixels; a test holds both to the same output.
void SwapRedAndBlueScalar(const uint8_t* from, int64_t count, uint8_t* to);

// 16 bits: little-endian words with 5-bit red (bits 14-10), green (9-5) and
// blue (4-0); each 5-bit value v becomes (v << 3) | (v >> 2). band 0 red,
// 1 green, 2 blue.
void Expand555Channel(const uint8_t* stored, int64_t count, int band, uint8_t* out);

// Stored 16- and 32-bit pixels as 3-byte blue, green, red pixels (the rows of
// a 24-bit packed bitmap); 3 x count bytes are written.
void Convert555ToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr);
void ConvertBgrxToBgr(const uint8_t* stored, int64_t count, uint8_t* bgr);

// 1 bit: stored rows are most significant bit first from bit 0 of their first
// byte. Image rows start at bit `bit_offset` of `row` in the accessor's bit
// order; only the `count` bits of the row are changed (its neighbours in a
// shared byte keep theirs).
void StoredBitsToRow(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                     int64_t bit_offset);
// The reverse, into (count + 7) / 8 bytes of `stored`; the bits after the
// last pixel of its last byte are 0.
void RowToStoredBits(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                     uint8_t* stored);
// The element-by-element twins of the two above, kept beside them so that a
// test can hold the fast paths to the same output.
void StoredBitsToRowByBit(const uint8_t* stored, int64_t count, const IpiAccessor& accessor, uint8_t* row,
                          int64_t bit_offset);
void RowToStoredBitsByBit(const uint8_t* row, int64_t bit_offset, int64_t count, const IpiAccessor& accessor,
                          uint8_t* stored);
// Byte elements to stored bits: bit i is the low bit of element i.
void LowBitsToStoredBits(const uint8_t* elements, int64_t count, uint8_t* stored);

#endif  // PELRITH_INTERCHANGE_ROWS_BMP_ROWS_H_
