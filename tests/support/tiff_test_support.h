// Fixtures of the TIFF reader tests: TIFF files laid out in code, checked
// byte patches of them, PNM pictures for the oracle programs, and the
// pixels and palette of an image read back as plain bytes.
#ifndef TESTS_SUPPORT_TIFF_TEST_SUPPORT_H_
#define TESTS_SUPPORT_TIFF_TEST_SUPPORT_H_

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/io/byte_reader.h"
#include "tests/support/patch_byte.h"

namespace tiff_test {

using Bytes = std::vector<uint8_t>;

// One directory entry: SHORT and LONG values one each; RATIONAL values in
// pairs (numerator, denominator).
struct Entry {
  uint16_t tag = 0;
  uint16_t type = 0;
  std::vector<uint32_t> values;
};

// One page: its entries (any order; written in ascending tag order) and its
// strips, for which StripOffsets and StripByteCounts (LONG) are added.
struct Page {
  std::vector<Entry> entries;
  std::vector<Bytes> strips;
  void Set(uint16_t tag, uint16_t type, std::vector<uint32_t> values);
  void Remove(uint16_t tag);
};

// Where things landed in a built file.
struct BuiltTiff {
  Bytes bytes;
  std::vector<size_t> directories;  // position of each page's directory
  // Position of the entry (tag first) of each page and tag.
  std::map<std::pair<int, uint16_t>, size_t> entries;
  // Position of an entry's value field, and of its out-of-line values.
  size_t ValueField(int page, uint16_t tag) const { return entries.at({page, tag}) + 8; }
  size_t CountField(int page, uint16_t tag) const { return entries.at({page, tag}) + 4; }
  size_t LinkField(int page) const;  // the next-directory position behind page's entries
};

// Header, then for each page its strips, its out-of-line values and its
// directory (at an even position); the file ends with the last directory.
BuiltTiff BuildTiff(const std::vector<Page>& pages, ByteOrder order);

// A page of `width` x `height` 8-bit grey pixels (BlackIsZero) in strips of
// `rows_per_strip` rows.
Page GreyPage(int width, int height, int rows_per_strip, const Bytes& pixels);
// A page of red, green, blue pixels.
Page RgbPage(int width, int height, int rows_per_strip, const Bytes& rgb);

// Changes bytes after checking they held `expected` (in `order`), so that a
// fixture change cannot move a fault silently.
using testing_support::PatchByte;
void PatchU16(Bytes& bytes, size_t offset, ByteOrder order, uint16_t expected, uint16_t value);
void PatchU32(Bytes& bytes, size_t offset, ByteOrder order, uint32_t expected, uint32_t value);

// A picture: samples of `channels` bytes a pixel, top row first. PBM
// samples are 1 for black, 0 for white.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 1;
  char kind = '5';  // '4' PBM, '5' PGM, '6' PPM
  Bytes samples;
};
bool ParsePnm(const Bytes& bytes, Picture* out);
Bytes EncodePnm(const Picture& p);
// Reproducible pseudo-random bytes below `modulo` (0: any byte).
Bytes RandomBytes(size_t count, uint32_t seed, int modulo = 0);
// A picture with smooth and busy parts, so that run coders see both.
Picture MakePicture(char kind, int width, int height, uint32_t seed);

// What an image read by the library holds: band rows as bytes (bits as 0
// or 1), band after band, and its lookup table as red, green, blue runs.
Bytes ImageElements(IpiSystem* sys, IpiObject* image);
Bytes LookupTableEntries(IpiSystem* sys, IpiObject* image);
// The image as a picture of the kind a PNM twin would hold: bilevel and
// grey images through their photometric interpretation, palette images
// through their lookup table.
Picture ImageAsPicture(IpiSystem* sys, IpiObject* image, char kind);

}  // namespace tiff_test

#endif  // TESTS_SUPPORT_TIFF_TEST_SUPPORT_H_
