// The bytes of a reader's source, got one way for every reader and front:
// caller memory viewed in place with the size the caller gave (size 0 is an
// empty source), or a file copied whole, up to a cap. The view never reaches
// past the bytes that are there.
#ifndef PELRITH_INTERCHANGE_COMMON_SOURCE_BYTES_H_
#define PELRITH_INTERCHANGE_COMMON_SOURCE_BYTES_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/whole_file.h"

class SourceBytes {
 public:
  SourceBytes() = default;
  SourceBytes(const SourceBytes&) = delete;
  SourceBytes& operator=(const SourceBytes&) = delete;

  // Caller memory: `size_bytes` bytes at `address`, or nothing for size 0
  // whatever the address. 0, or 8 for a negative size or a positive size
  // without an address. Not reported.
  [[nodiscard]] int ViewMemory(const void* address, int64_t size_bytes);
  // The whole named file: 0, 25 when it is missing or cannot be opened, 3
  // above `max_bytes` (nothing is read), -1 when reading fails (errno says
  // why). Not reported.
  [[nodiscard]] int CopyFile(const char* file_name, uint64_t max_bytes = kMaxWholeFileBytes);
  // A reader's source object: its caller memory (repository 9) or its file
  // (83), as above; 12 for another repository. Refusals are reported.
  [[nodiscard]] int Load(IpiSystem* sys, const IpiObject& source);

  std::span<const uint8_t> bytes() const { return view_; }
  uint64_t size() const { return view_.size(); }
  bool empty() const { return view_.empty(); }

 private:
  std::vector<uint8_t> storage_;
  std::span<const uint8_t> view_;
};

#endif  // PELRITH_INTERCHANGE_COMMON_SOURCE_BYTES_H_
