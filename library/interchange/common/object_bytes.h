// A read-only byte view of the data an object holds (a coded body, samples),
// for the codecs that need it whole. Memory is viewed in place; other data is
// read once through the object's stream. A reader's source is SourceBytes.
#ifndef PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_
#define PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_

#include <cstdint>
#include <span>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

class ObjectBytes {
 public:
  // The first `count` bytes of an object's data, through its stream. 0, or
  // (reported) 8 when the data holds fewer bytes, or the stream's error.
  [[nodiscard]] int LoadData(IpiSystem* sys, IpiObject* obj, int64_t count);

  std::span<const uint8_t> bytes() const { return view_; }

 private:
  std::vector<uint8_t> storage_;
  std::span<const uint8_t> view_;
};

#endif  // PELRITH_INTERCHANGE_COMMON_OBJECT_BYTES_H_
