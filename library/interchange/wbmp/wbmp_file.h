// WBMP files of type 0 (fileFormat 275): one-bit images, a header of two zero
// bytes and two multi-byte integers, then rows of whole bytes, the leftmost
// pixel in the most significant bit, 1 white and 0 black.
#ifndef PELRITH_INTERCHANGE_WBMP_WBMP_FILE_H_
#define PELRITH_INTERCHANGE_WBMP_WBMP_FILE_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/io/byte_reader.h"

// Writes the one plane of a boolean image. 12 unless the file object is a
// plain (compression 0) one-bit WBMP of a boolean image of one plane, with a
// width and height of at least 1; 3 beyond the library's limits.
[[nodiscard]] int WriteWbmpFile(IpiSystem* sys, IpiObject* image, IpiObject* file);
// Reads a WBMP file into a boolean image (read modes 172, 171, 0). 22 for a
// non-zero type or fixed header, a size of 0 or of more than four bytes, or
// rows cut off (the rows before the cut are kept); 3 beyond the limits; 11
// for an image that is not a MonochromeImage or GenericImage; 10 for a data
// pass into an image that is not boolean.
[[nodiscard]] int ReadWbmpFile(IpiSystem* sys, IpiObject* file, IpiObject* image, int read_mode);

// Multi-byte integers: 7 bits a byte, most significant group first, bit 7 set
// in every byte but the last.
void AppendWbmpInteger(std::vector<uint8_t>& out, uint32_t value);
// False when the integer is cut off or needs more than four bytes.
[[nodiscard]] bool ReadWbmpInteger(ByteReader& in, uint32_t& value);

#endif  // PELRITH_INTERCHANGE_WBMP_WBMP_FILE_H_
