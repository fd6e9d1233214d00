#include "api/frame/packed_result.h"

#include <algorithm>
#include <cstring>

#include "interchange/bmp/bmp_header.h"

ResultBlock::~ResultBlock() {
  if (handle_ == 0) return;
  if (bytes_ != nullptr) (void)GlobalUnlock(handle_);
  (void)GlobalFree(handle_);
}

bool ResultBlock::Allocate(CmiCall& call, uint64_t size_bytes, unsigned flags) {
  handle_ = size_bytes != 0 ? GlobalAlloc(flags, size_bytes) : 0;
  if (handle_ != 0) bytes_ = static_cast<uint8_t*>(GlobalLock(handle_));
  if (bytes_ != nullptr) return true;
  call.Fail(kCmiStatusSystemFailure);
  return false;
}

HGLOBAL ResultBlock::Finish(CmiCall& call) {
  // The context goes first: objects laid over these bytes die with it.
  if (call.Close() != 0) return 0;
  (void)GlobalUnlock(handle_);
  bytes_ = nullptr;
  HGLOBAL out = handle_;
  handle_ = 0;
  return out;
}

uint8_t* PackedResult::Start(CmiCall& call, int64_t width_px, int64_t height_px, const PackedDibLayout& layout) {
  if (layout.total_bytes == 0) {
    call.Fail(kCmiStatusBadArgument);
    return nullptr;
  }
  if (!block_.Allocate(call, layout.total_bytes, GMEM_MOVEABLE)) return nullptr;
  uint8_t* table = FormatPackedBitmapHeader(width_px, height_px, layout, block_.bytes());
  rows_ = table + uint64_t{layout.palette_entries} * kBmpPaletteEntryBytes;
  height_px_ = height_px;
  row_bytes_ = layout.row_bytes;
  return table;
}

bool PackedResult::Create(CmiCall& call, const CmiSource& source, int64_t width_px, int64_t height_px) {
  const PackedBitmapInfo& info = source.info;
  const bool is_colour = info.bits_per_pixel == 24;
  const PackedDibLayout layout =
      PackedDibLayoutFor(width_px, height_px, is_colour ? 3 : 1, is_colour ? 8 : info.bits_per_pixel);
  uint8_t* table = Start(call, width_px, height_px, layout);
  if (table == nullptr) return false;

  // The colour table as the export builds it from the imported one: the
  // source's entries with a 0 fourth byte, then zeros.
  std::memset(table, 0, uint64_t{layout.palette_entries} * kBmpPaletteEntryBytes);
  const uint32_t copied = std::min(info.palette_entries, layout.palette_entries);
  const uint8_t* from = source.bytes + info.palette_offset;
  constexpr size_t kColourBytes = 3;  // blue, green, red; the fourth stays 0
  for (uint32_t i = 0; i < copied; ++i) {
    const uint64_t at = uint64_t{i} * kBmpPaletteEntryBytes;
    std::memcpy(table + at, from + at, kColourBytes);
  }
  return true;
}

bool PackedResult::CreateWithStandardTable(CmiCall& call, int64_t width_px, int64_t height_px,
                                           int32_t bits_per_pixel) {
  const bool is_colour = bits_per_pixel == 24;
  const PackedDibLayout layout =
      PackedDibLayoutFor(width_px, height_px, is_colour ? 3 : 1, is_colour ? 8 : bits_per_pixel);
  uint8_t* table = Start(call, width_px, height_px, layout);
  if (table == nullptr) return false;
  FormatStandardBmpPalette(layout.bits_per_pixel, layout.palette_entries, table);
  return true;
}
