// The point and colour adjustment drivers. Palette images (16 and 256
// colours, and the bitmap mode of inversion on the whole image) are changed
// through their colour table, so the pixel bytes come back as they were.
// On the whole image, point operations change grey and RGB rows byte by byte
// and colour operations change RGB rows strip by strip; everything else is
// imported and changed on its rectangle.
#include "api/adjust/adjust_drivers.h"

#include <algorithm>
#include <cassert>
#include <memory>
#include <vector>

#include "api/adjust/direct_bitmap.h"
#include "core/operators/colour/colour_balance.h"
#include "core/operators/colour/hue_saturation.h"
#include "core/operators/point/point_operators.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "interchange/rows/bmp_rows.h"

namespace {

constexpr double kPercent = 0.01;
constexpr int kColourPlanes = 3;
constexpr int kBgrPixelBytes = 3;
// Byte positions of red, green and blue in a colour-table entry.
constexpr uint32_t kRedByte = 2;
constexpr uint32_t kGreenByte = 1;
constexpr uint32_t kBlueByte = 0;
constexpr uint32_t kPlaneBytes[kColourPlanes] = {kRedByte, kGreenByte, kBlueByte};
// Pixels of one strip of the colour-row path: three planes of a quarter of a
// megabyte each.
constexpr int64_t kStripPixels = int64_t{1} << 18;

int RunPointOperator(IpiSystem* sys, const PointAdjustment& a, IpiObject* source, IpiObject* destination) {
  switch (a.operation) {
    case kAdjustBrightnessContrast:
      return IpiBrightnessContrast(sys, source, destination, a.brightness * kPercent, a.contrast * kPercent);
    case kAdjustInvert: return IpiInvert(sys, source, destination);
    case kAdjustGamma: return IpiGammaCorrect(sys, source, destination, kGammaForward, 1.0, 1.0 / a.gamma, 0, 0, 0);
    case kAdjustSolarize: return IpiSolarize(sys, source, destination);
    default: return kCmiStatusBadArgument;
  }
}

// `memo` holds the hue and saturation change of `a` (null for other operations).
int RunColourOperator(IpiSystem* sys, const ColourAdjustment& a, HueSaturationMemo* memo, IpiObject* source,
                      IpiObject* destination) {
  switch (a.operation) {
    case kAdjustColourBalance: return IpiColourBalance(sys, source, destination, a.red, a.green, a.blue);
    case kAdjustHueSaturation:
      assert(memo != nullptr);
      return IpiHueSaturation(sys, source, destination, *memo);
    default: return kCmiStatusBadArgument;
  }
}

// The bitmap's bytes from `offset` on, as `x` by `y` samples, through `op`
// into the same bytes of a copy of the handle.
HGLOBAL OperateOnBytes(CmiCall& call, const CmiSource& source, uint64_t offset, int64_t x, int64_t y,
                       const CmiWindowOperator& op, bool is_colour_table) {
  DirectBlock block;
  if (!block.CopyFrom(call, source, offset, static_cast<uint64_t>(x * y))) return 0;
  IpiObject* from = CreateImageOverBytes(call, "oImage", SourceBytesForReading(source, offset), x, y, 1, true);
  if (from == nullptr) return 0;
  IpiObject* to = CreateImageOverBytes(call, "oImage2", block.bytes() + offset, x, y, 1, false);
  if (to == nullptr || !call.Ok(op(call.sys(), from, to))) return 0;
  if (is_colour_table) ClearReservedBytes(block.bytes() + offset, source.info.palette_entries);
  return block.Finish(call);
}

// Every byte of the colour table (blue, green, red and reserved alike) as one
// row of samples; the reserved bytes end as 0.
HGLOBAL OperateOnColourTableBytes(CmiCall& call, const CmiSource& source, const CmiWindowOperator& op) {
  const int64_t table_bytes = int64_t{source.info.palette_entries} * kBmpPaletteEntryBytes;
  return OperateOnBytes(call, source, source.info.palette_offset, table_bytes, 1, op, true);
}

// Every byte of every row, padding included, as one sample.
HGLOBAL OperateOnRowBytes(CmiCall& call, const CmiSource& source, const CmiWindowOperator& op) {
  return OperateOnBytes(call, source, source.info.pixel_offset, source.info.row_bytes, source.info.height_px, op,
                        false);
}

// The colour table as three planes (red, green, blue) of one sample per entry.
HGLOBAL OperateOnColourTablePlanes(CmiCall& call, const CmiSource& source, const CmiWindowOperator& op) {
  const uint32_t entries = source.info.palette_entries;
  DirectBlock block;
  if (!block.CopyFrom(call, source)) return 0;
  uint8_t* table = block.bytes() + source.info.palette_offset;
  std::vector<uint8_t> planes(size_t{entries} * kColourPlanes);
  std::vector<uint8_t> changed(planes.size());
  for (int p = 0; p < kColourPlanes; ++p) {
    for (uint32_t i = 0; i < entries; ++i) planes[p * entries + i] = table[i * kBmpPaletteEntryBytes + kPlaneBytes[p]];
  }
  IpiObject* from = CreateImageOverBytes(call, "oImage", planes.data(), entries, 1, kColourPlanes, true);
  if (from == nullptr) return 0;
  IpiObject* to = CreateImageOverBytes(call, "oImage2", changed.data(), entries, 1, kColourPlanes, false);
  if (to == nullptr || !call.Ok(op(call.sys(), from, to))) return 0;
  for (int p = 0; p < kColourPlanes; ++p) {
    for (uint32_t i = 0; i < entries; ++i) table[i * kBmpPaletteEntryBytes + kPlaneBytes[p]] = changed[p * entries + i];
  }
  ClearReservedBytes(table, entries);
  // The planes outlive the context, which Finish closes first.
  return block.Finish(call);
}

// Two images over the planes of one strip of rows.
struct StripImages {
  IpiObject* from = nullptr;
  IpiObject* to = nullptr;
};

// The rows of a 24-bit bitmap through a colour operator, one strip of rows at
// a time: each strip is split into red, green and blue planes, changed, and
// merged into the result's rows. No image of the whole page is made, and the
// strips stay small enough to be reused from the cache. The operators change
// each pixel on its own, so strips are taken in stored order.
HGLOBAL OperateOnColourRows(CmiCall& call, const CmiSource& source, const CmiWindowOperator& op) {
  const PackedBitmapInfo& info = source.info;
  const int64_t width = info.width_px, height = info.height_px, row_bytes = info.row_bytes;
  DirectBlock block;
  if (!block.CopyFrom(call, source, info.pixel_offset, static_cast<uint64_t>(row_bytes * height))) return 0;
  const int64_t strip_rows = std::clamp<int64_t>(kStripPixels / width, 1, height);
  const size_t plane_capacity = static_cast<size_t>(width * strip_rows);
  std::vector<uint8_t> planes(kColourPlanes * plane_capacity), changed(planes.size());
  StripImages full, last;
  for (int64_t first = 0; first < height; first += strip_rows) {
    const int64_t rows = std::min(strip_rows, height - first);
    const size_t plane = static_cast<size_t>(width * rows);
    StripImages& images = rows == strip_rows ? full : last;
    if (images.from == nullptr) {
      images.from = CreateImageOverBytes(call, "oImage", planes.data(), width, rows, kColourPlanes, true);
      if (images.from == nullptr) return 0;
      images.to = CreateImageOverBytes(call, "oImage3", changed.data(), width, rows, kColourPlanes, false);
      if (images.to == nullptr) return 0;
    }
    const uint8_t* in_row = source.bytes + info.pixel_offset + first * row_bytes;
    for (int64_t r = 0; r < rows; ++r, in_row += row_bytes) {
      const size_t at = static_cast<size_t>(r * width);
      SplitPixels(in_row, width, kBgrPixelBytes, &planes[at], &planes[plane + at], &planes[2 * plane + at]);
    }
    if (!call.Ok(op(call.sys(), images.from, images.to))) return 0;
    uint8_t* out_row = block.bytes() + info.pixel_offset + first * row_bytes;
    for (int64_t r = 0; r < rows; ++r, out_row += row_bytes) {
      const size_t at = static_cast<size_t>(r * width);
      MergePixels(&changed[at], &changed[plane + at], &changed[2 * plane + at], width, kBgrPixelBytes, out_row);
    }
  }
  // The planes outlive the context, which Finish closes first.
  return block.Finish(call);
}

bool IsPaletteMode(int32_t mode) { return mode == kCmiModeIndexed16 || mode == kCmiModeIndexed256; }

// Where a point operation works: the bitmap's own bytes when the rectangle is
// whole or the mode names a palette (a rectangle then does not matter), else
// the imported rectangle. Of the bitmap's bytes, the pixel rows of 24-bit
// bitmaps and of 8-bit bitmaps named grey, the colour table of all others.
enum class PointRoad { kColourTable, kRowBytes, kImported };

PointRoad PointRoadFor(int32_t mode, const PackedBitmapInfo& info, const CmiRectangle& rect) {
  if (!rect.whole && !IsPaletteMode(mode)) return PointRoad::kImported;
  const bool pixel_bytes = info.bits_per_pixel == 24 || (info.bits_per_pixel == 8 && mode == kCmiModeGrayscale);
  if (!pixel_bytes) return PointRoad::kColourTable;
  // Run-length coded rows are no plain samples: they go through the import.
  return info.is_run_length ? PointRoad::kImported : PointRoad::kRowBytes;
}

// The colour table road is chosen by the bit count alone and takes any mode;
// the others need the mode to match the bitmap.
bool PointModeMatters(int32_t mode, const PackedBitmapInfo& info, const CmiRectangle& rect) {
  return PointRoadFor(mode, info, rect) != PointRoad::kColourTable;
}

// Palette modes change the colour table of any bitmap that has one; a 24-bit
// bitmap has none, and an empty table changed would be no change reported as
// one, so it still needs its own mode.
bool ColourModeMatters(int32_t mode, const PackedBitmapInfo& info, const CmiRectangle&) {
  return !IsPaletteMode(mode) || info.bits_per_pixel == 24;
}

}  // namespace

HGLOBAL OperateOnImportedRectangle(CmiCall& call, const CmiSource& source, const CmiRectangle& rect,
                                   const CmiWindowOperator& op) {
  IpiObject* image = call.ImportSource(source);
  if (image == nullptr) return 0;
  IpiObject* result = OperateOnRectangle(call, image, rect, [&](IpiObject* window) -> IpiObject* {
    IpiObject* changed = call.CreateImage("oImage3", window);
    if (changed == nullptr || !call.Ok(op(call.sys(), window, changed))) return nullptr;
    return changed;
  });
  // Fail keeps the failure already recorded; it only guards against none.
  if (result == nullptr) return call.Fail(kIpiSyntaxError);
  return call.Finish(result);
}

HGLOBAL ApplyPointOperation(HGLOBAL handle, int32_t mode, const PointAdjustment& adjustment, bool arguments_ok,
                            const IpiAttributePair* pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(arguments_ok)) return 0;
  CmiRectangle rect;
  const CmiSource* source = LockSourceInMode(call, handle, mode, &rect, PointModeMatters);
  if (source == nullptr) return 0;
  const CmiWindowOperator op = [&adjustment](IpiSystem* sys, IpiObject* from, IpiObject* to) {
    return RunPointOperator(sys, adjustment, from, to);
  };
  switch (PointRoadFor(mode, source->info, rect)) {
    case PointRoad::kColourTable: return OperateOnColourTableBytes(call, *source, op);
    case PointRoad::kRowBytes: return OperateOnRowBytes(call, *source, op);
    case PointRoad::kImported: break;
  }
  return OperateOnImportedRectangle(call, *source, rect, op);
}

HGLOBAL ApplyColourAdjust(HGLOBAL handle, int32_t mode, const ColourAdjustment& adjustment, bool arguments_ok,
                          const IpiAttributePair* pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  if (!call.Begin(arguments_ok)) return 0;
  CmiRectangle rect;
  const CmiSource* source = LockSourceInMode(call, handle, mode, &rect, ColourModeMatters);
  if (source == nullptr) return 0;
  // One change for every strip of the page, so each colour is worked out once per call.
  std::unique_ptr<HueSaturationMemo> memo;
  if (adjustment.operation == kAdjustHueSaturation) {
    memo = std::make_unique<HueSaturationMemo>(adjustment.hue, adjustment.saturation, adjustment.lightness);
  }
  const CmiWindowOperator op = [&adjustment, &memo](IpiSystem* sys, IpiObject* from, IpiObject* to) {
    return RunColourOperator(sys, adjustment, memo.get(), from, to);
  };
  if (IsPaletteMode(mode)) return OperateOnColourTablePlanes(call, *source, op);
  if (rect.whole) return OperateOnColourRows(call, *source, op);
  return OperateOnImportedRectangle(call, *source, rect, op);
}
