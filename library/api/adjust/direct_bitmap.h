// The direct paths of the adjustment entry points: the result is a copy of
// the caller's whole handle in which only the colour table or only the pixel
// rows are rewritten, by operators run on objects laid over those bytes. Every
// offset and length comes from the checked bitmap (PackedBitmapInfo), never
// from the header fields themselves.
#ifndef PELRITH_API_ADJUST_DIRECT_BITMAP_H_
#define PELRITH_API_ADJUST_DIRECT_BITMAP_H_

#include <cstdint>

#include "api/frame/call_frame.h"
#include "api/frame/packed_result.h"

// A new handle holding a byte copy of a caller's bitmap. Freed on every path
// unless handed out by Finish.
class DirectBlock {
 public:
  // Allocates and locks a block of the source's handle size and copies the
  // source into it, except the `rewritten_bytes` from `rewritten_offset` on
  // that the operation writes in full (they start as 0); false with status -1
  // when that fails.
  [[nodiscard]] bool CopyFrom(CmiCall& call, const CmiSource& source, uint64_t rewritten_offset = 0,
                              uint64_t rewritten_bytes = 0);

  uint8_t* bytes() const { return block_.bytes(); }

  // Closes the call; returns the block, or 0 (the block freed) when the call
  // has failed, the close included.
  [[nodiscard]] HGLOBAL Finish(CmiCall& call) { return block_.Finish(call); }

 private:
  ResultBlock block_;
};

// An 8-bit image of x by y samples in `bands` planes over `bytes` (caller
// memory, never owned). `has_data` marks it as holding its samples already
// (a source); a destination has none yet. Null with the status set.
[[nodiscard]] IpiObject* CreateImageOverBytes(CmiCall& call, const char* name, uint8_t* bytes, int64_t x, int64_t y,
                                              int64_t bands, bool has_data);

// The caller's bitmap bytes for an object that only reads them. The operators
// never write to a source image, so the locked handle stays unchanged.
inline uint8_t* SourceBytesForReading(const CmiSource& source, uint64_t offset) {
  return const_cast<uint8_t*>(source.bytes) + offset;
}

// Sets the reserved (fourth) byte of each of `entries` colour-table entries
// at `table` to 0.
void ClearReservedBytes(uint8_t* table, uint32_t entries);

#endif  // PELRITH_API_ADJUST_DIRECT_BITMAP_H_
