// The bytes behind a TIFF reader's source object: caller memory, viewed in
// place and bounded by its real "size", or a file, read range by range so
// that a large file is never copied whole. Every range is checked against
// the end before it is read.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_SOURCE_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_SOURCE_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/source_bytes.h"
#include "interchange/io/byte_reader.h"
#include "plat/files.h"

class TiffSource {
 public:
  // A reader's source: repository 83 (its "fileName"), opened as OpenFile
  // does, or any other as SourceBytes::Load takes it (caller memory viewed in
  // place, its refusals).
  [[nodiscard]] int Open(IpiSystem* sys, const IpiObject& source);
  // The same over bytes the caller keeps alive (tests, counting in memory).
  void OpenMemory(std::span<const uint8_t> bytes);
  // A file by name: 0, or (reported) 25 or -1 as above.
  [[nodiscard]] int OpenFile(IpiSystem* sys, const char* file_name);

  uint64_t size() const { return size_bytes_; }
  // True when [offset, offset + length) lies inside the source.
  bool Contains(uint64_t offset, uint64_t length) const {
    return offset <= size_bytes_ && length <= size_bytes_ - offset;
  }
  // The bytes were in place (caller memory) rather than read.
  bool is_memory() const { return !file_.is_open(); }

  // A reader over [offset, offset + length): memory is sliced in place, a
  // file is read into `storage`, which must outlive `out`. 0, or (reported)
  // `past_end_code` when the range passes the end, -1 when the read fails.
  [[nodiscard]] int Read(IpiSystem* sys, uint64_t offset, uint64_t length, std::vector<uint8_t>& storage,
                         ByteReader& out, int past_end_code);

 private:
  SourceBytes memory_;
  plat::File file_;
  uint64_t size_bytes_ = 0;
};

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_SOURCE_H_
