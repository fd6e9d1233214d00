// New handles that an entry point fills itself instead of exporting an image
// object: one allocation, the result's, and nothing in between.
#ifndef PELRITH_API_FRAME_PACKED_RESULT_H_
#define PELRITH_API_FRAME_PACKED_RESULT_H_

#include <cstdint>

#include "api/frame/call_frame.h"

// A new handle, locked while it is written and freed on every path unless
// handed out by Finish.
class ResultBlock {
 public:
  ResultBlock() = default;
  ~ResultBlock();
  ResultBlock(const ResultBlock&) = delete;
  ResultBlock& operator=(const ResultBlock&) = delete;

  // Allocates `size_bytes` with the global-memory `flags` (zeroed or not)
  // and locks them; false with status -1 when that fails.
  [[nodiscard]] bool Allocate(CmiCall& call, uint64_t size_bytes, unsigned flags);
  uint8_t* bytes() const { return bytes_; }

  // Closes the call; returns the handle, or 0 (the block freed) when the
  // call has failed, the close included.
  [[nodiscard]] HGLOBAL Finish(CmiCall& call);

 private:
  HGLOBAL handle_ = 0;
  uint8_t* bytes_ = nullptr;
};

// A packed bitmap of the caller's size and depth that the entry point writes
// row by row. Its header and colour table are the ones the export writes for
// an image of the same shape, so either road gives the same bytes.
class PackedResult {
 public:
  // Allocates and locks a bitmap of the source's size and depth (1, 4, 8 or
  // 24 bits) and writes its header; a result of 8 bits or fewer takes the
  // source's colour table (entries it lacks are 0, every fourth byte 0). The
  // block is not zeroed: the caller writes every row in full, padding
  // included. False with the status set when the block cannot be had.
  [[nodiscard]] bool Create(CmiCall& call, const CmiSource& source) {
    return Create(call, source, source.info.width_px, source.info.height_px);
  }
  // The same of another size (a turned page).
  [[nodiscard]] bool Create(CmiCall& call, const CmiSource& source, int64_t width_px, int64_t height_px);
  // A bitmap of another depth (1, 4, 8 or 24 bits) with the colour table the
  // export writes for an image that has none of its own: black and white, or
  // even grey steps.
  [[nodiscard]] bool CreateWithStandardTable(CmiCall& call, int64_t width_px, int64_t height_px,
                                             int32_t bits_per_pixel);

  // Row y of the picture (0 the top row), row_bytes() long.
  uint8_t* Row(int64_t y) const { return rows_ + static_cast<uint64_t>(height_px_ - 1 - y) * row_bytes_; }
  uint64_t row_bytes() const { return row_bytes_; }

  [[nodiscard]] HGLOBAL Finish(CmiCall& call) { return block_.Finish(call); }

 private:
  // Allocates the block and writes the header: the colour table's first byte,
  // or null with the status set.
  uint8_t* Start(CmiCall& call, int64_t width_px, int64_t height_px, const PackedDibLayout& layout);

  ResultBlock block_;
  uint8_t* rows_ = nullptr;
  int64_t height_px_ = 0;
  uint64_t row_bytes_ = 0;
};

#endif  // PELRITH_API_FRAME_PACKED_RESULT_H_
