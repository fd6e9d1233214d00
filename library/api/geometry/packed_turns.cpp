// Flips and turns of packed bitmaps row by row; see packed_turns.h. Stored
// rows run bottom-up, so seen in the order of the stored rows the picture is
// upside down: its flips and half turn stay what they are, and its clockwise
// quarter turn is an anticlockwise one of the stored rows.
#include "api/geometry/packed_turns.h"

#include <cstring>

#include "api/frame/packed_result.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/pixel_moves.h"

namespace {

bool SwapsSides(int32_t code) { return code == kTurnQuarterLeft || code == kTurnQuarterRight; }

int32_t CodeOfStoredRows(int32_t code) {
  if (code == kTurnQuarterLeft) return kTurnQuarterRight;
  if (code == kTurnQuarterRight) return kTurnQuarterLeft;
  return code;
}

// Zeros after the last pixel of a row: the rest of its last byte, then the
// padding to the stride.
void ClearPadding(uint8_t* row, int64_t width_px, int32_t bits, int64_t row_bytes) {
  const int64_t pixel_bytes = (width_px * bits + 7) / 8;
  const auto used_bits = static_cast<int>(width_px * bits % 8);
  if (used_bits != 0) row[pixel_bytes - 1] &= static_cast<uint8_t>(0xFF << (8 - used_bits));
  std::memset(row + pixel_bytes, 0, static_cast<size_t>(row_bytes - pixel_bytes));
}

// The result's rows from the source's, both bottom-up.
void MoveRows(const PixelRows& source, int32_t code, int32_t bits, uint8_t* out, int64_t out_row_bytes,
              int64_t out_height) {
  const int64_t pixel_bytes = (source.width_px * bits + 7) / 8;
  if (SwapsSides(code)) {
    TurnPixels(source, code, bits, out, out_row_bytes, 0, out_height);
    return;
  }
  for (int64_t r = 0; r < out_height; ++r) {
    uint8_t* row = out + r * out_row_bytes;
    const int64_t from = code == kFlipLeftToRight ? r : source.height_px - 1 - r;
    const uint8_t* stored = source.data + from * source.stride_bytes;
    if (code == kFlipTopToBottom) {
      std::memcpy(row, stored, static_cast<size_t>(pixel_bytes));
    } else {
      ReversePixels(row, stored, source.width_px, bits);
    }
  }
}

}  // namespace

bool CanMovePackedRows(const CmiSource& source) {
  return !source.info.is_run_length && IsMovedPixelSize(source.info.bits_per_pixel);
}

HGLOBAL MovePackedRows(CmiCall& call, const CmiSource& source, int32_t code) {
  const PackedBitmapInfo& info = source.info;
  const int32_t bits = info.bits_per_pixel;
  const int64_t width = SwapsSides(code) ? info.height_px : info.width_px;
  const int64_t height = SwapsSides(code) ? info.width_px : info.height_px;
  PackedResult result;
  if (!result.Create(call, source, width, height)) return 0;
  const PixelRows rows{source.bytes + info.pixel_offset, info.row_bytes, info.width_px, info.height_px};
  // The stored rows run up the picture from its bottom row.
  uint8_t* out_rows = result.Row(height - 1);
  const auto out_row_bytes = static_cast<int64_t>(result.row_bytes());
  MoveRows(rows, CodeOfStoredRows(code), bits, out_rows, out_row_bytes, height);
  for (int64_t r = 0; r < height; ++r) ClearPadding(out_rows + r * out_row_bytes, width, bits, out_row_bytes);
  return result.Finish(call);
}
