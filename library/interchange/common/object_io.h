// Byte access to objects for the file-layer codecs: a ByteSink that appends
// to an object's stream, and the entries of a palette's lookup table. (A
// reader's source is viewed through ObjectBytes, interchange/common/object_bytes.h.)
#ifndef PELRITH_INTERCHANGE_COMMON_OBJECT_IO_H_
#define PELRITH_INTERCHANGE_COMMON_OBJECT_IO_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/streams/stream.h"
#include "core/system/system.h"
#include "interchange/io/byte_sink.h"

// Appends to an object's stream from offset 0 through IpiWriteBytes. The
// stream layer reports a failure (8 past a memory object's end, -1 for the
// platform); status() returns that code.
class StreamSink final : public ByteSink {
 public:
  StreamSink(IpiSystem* sys, IpiStream* stream) : sys_(sys), stream_(stream) {}

  [[nodiscard]] bool Write(const uint8_t* data, size_t count) override;
  [[nodiscard]] bool WriteAt(uint64_t offset, const uint8_t* data, size_t count) override;
  uint64_t position() const override { return position_; }
  // 0, or the code the stream layer reported for the first failure.
  int status() const { return status_; }

 private:
  IpiSystem* sys_;
  IpiStream* stream_;
  uint64_t position_ = 0;
  int status_ = 0;
};

// Writes palette entries (R, G, B triples) into bands 0, 1, 2 of a lookup
// table from entry 0, as far as the table's entries and bands reach. 10 for
// a table whose elements are not stored in 8 bits; else 0 or the stream's error.
[[nodiscard]] int WriteLutEntries(IpiSystem* sys, IpiObject* lut, std::span<const uint8_t> rgb_triples);
// Reads up to `max_entries` entries of a three-band, 8-bit lookup table as
// R, G, B triples. 10 for another precision or fewer than 3 bands.
[[nodiscard]] int ReadLutEntries(IpiSystem* sys, IpiObject* lut, int64_t max_entries, std::vector<uint8_t>& rgb);

#endif  // PELRITH_INTERCHANGE_COMMON_OBJECT_IO_H_
