// PackBits run-length coding (compression 156; TIFF Compression 32773). A
// coded row is a sequence of packets, each a header byte n read as signed:
//   0 .. 127     the next n + 1 bytes are literal
//   -127 .. -1   the next byte is repeated 1 - n times
//   -128         no data; the packet is skipped
// Every row is coded by itself and no packet spans two rows. Two rules hold
// for the data of a compressed object: with "fileFormat" 241 every data byte
// (not the headers) is XORed with 255, and with "bitOrder" 135 every coded
// byte, headers included, is stored bit-reversed, as a TIFF file with
// FillOrder 2 stores it; the decoder undoes both.
#ifndef PELRITH_INTERCHANGE_PACKBITS_PACKBITS_H_
#define PELRITH_INTERCHANGE_PACKBITS_PACKBITS_H_

#include <cstddef>
#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/io/byte_reader.h"

inline constexpr uint8_t kPackBitsNoInversion = 0x00;
inline constexpr uint8_t kPackBitsInversion = 0xFF;  // data bytes of fileFormat 241

// The most bytes one coded row of `length` bytes can take: a packet costs at
// most one header byte per data byte.
[[nodiscard]] inline int64_t PackBitsMaxCodedBytes(int64_t length) { return 2 * length; }

// Codes one row of `length` >= 1 bytes into `out` (room for
// PackBitsMaxCodedBytes(length)); returns the coded length. Runs of two or
// more equal bytes become run packets; the rest becomes literals, and a
// literal that would reach the row's last byte leaves that byte to a
// one-byte literal of its own. Data bytes are XORed with `inversion`.
int64_t EncodePackBitsRow(const uint8_t* row, int64_t length, uint8_t inversion, uint8_t* out);

// Decodes packets from `in` until `length` row bytes are produced; bytes a
// packet yields past the row are dropped and the next row starts with the
// next header. False when the data ends before the row is complete; the
// bytes produced until then are in `row`.
[[nodiscard]] bool DecodePackBitsRow(ByteReader& in, uint8_t* row, int64_t length, uint8_t inversion);

// The coder of compression 156. Rows: a boolean row is (x + 7) / 8 bytes,
// most significant bit first, the bits past the width cleared; a 4-bit row
// holds two pixels a byte, the first in the high four bits; an 8-bit row is a
// byte a pixel. With planarConfiguration 248 (the default) the bands of an
// 8-bit pixel follow one another in the row; with 249 (taken only for TIFF
// objects, "fileFormat" 207) every band is coded as its own run of rows, one
// strip a band. Planes z and t follow one another; 1- and 4-bit images code
// every band's rows in turn.
//
// Encodes `image` into `coded` from byte 0 and sets the coded "size"; with
// 249 also "stripsPerImage" (the band count) and "stripByteCounts".
// 10 unless both objects are boolean or both non-negative (8-bit elements
// stored a byte each); 12 for a coded "fileFormat" other than 0, 207 or 241,
// a precision other than 1, 4 or 8, or a planarConfiguration outside 0, 248,
// 249; 18 for an empty image; 8 when a coded object in memory cannot hold
// the code.
[[nodiscard]] int EncodePackBits(IpiSystem* sys, IpiObject* image, IpiObject* coded);
// Decodes the "size" bytes of `coded` into `image` (the planar layout of a
// TIFF object is the image's planarConfiguration). Codes as the encoder; 22
// when the data ends before the image is complete (the rows decoded until
// then are kept); 3 for a coded size beyond the library's limits.
[[nodiscard]] int DecodePackBits(IpiSystem* sys, IpiObject* coded, IpiObject* image);

#endif  // PELRITH_INTERCHANGE_PACKBITS_PACKBITS_H_
