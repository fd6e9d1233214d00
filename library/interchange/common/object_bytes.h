// A read-only byte view of what an object holds, for the parsers of the
// bitmap codec: the stored form behind a reader's source object, or the
// coded body kept in a compressed object. Memory is viewed in place; a file
// is read whole once. The view never reaches past the bytes that are there.
#ifndef PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_
#define PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

class ObjectBytes {
 public:
  // A reader's source: caller memory (repository 9) of exactly its "size"
  // bytes, or the whole file named by "fileName" (83). 0, or (reported) 8
  // for caller memory without an address or a size, 25 for a file that
  // cannot be opened, 3 for a file above the size read whole, -1 when reading
  // fails, 12 for another repository.
  [[nodiscard]] int LoadSource(IpiSystem* sys, IpiObject* source);
  // The first `count` bytes of an object's data, through its stream. 0, or
  // (reported) 8 when the data holds fewer bytes, or the stream's error.
  [[nodiscard]] int LoadData(IpiSystem* sys, IpiObject* obj, int64_t count);

  std::span<const uint8_t> bytes() const { return view_; }

 private:
  std::vector<uint8_t> storage_;
  std::span<const uint8_t> view_;
};

#endif  // PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_
