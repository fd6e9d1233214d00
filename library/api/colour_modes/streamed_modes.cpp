// Colour-mode conversions over the caller's rows; see streamed_modes.h.
// Rows are independent, so each stored row maps to the result's stored row
// of the same place. Every byte of a result row is written, padding as zeros.
#include "api/colour_modes/streamed_modes.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

#include "api/conversion/colour_conversion_blocks.h"
#include "api/frame/packed_result.h"
#include "core/operators/colour/colour_conversion.h"
#include "core/operators/point/threshold.h"
#include "interchange/bmp/bmp_header.h"

namespace {

constexpr int32_t kColourBits = 24;
constexpr int32_t kByteBits = 8;
constexpr int32_t kBitmapBits = 1;
constexpr int kPixelBytes = 3;  // blue, green, red
// Stored order of a pixel and of a colour-table entry.
constexpr int kBlueAt = 0;
constexpr int kGreenAt = 1;
constexpr int kRedAt = 2;

// The source's colour table as the import and the converters see it: its
// entries, black where it has none.
ColourRuns RunsOf(const CmiSource& source) {
  ColourRuns runs{};
  const uint32_t held = std::min<uint32_t>(source.info.palette_entries, 256);
  const uint8_t* entry = source.bytes + source.info.palette_offset;
  for (uint32_t i = 0; i < held; ++i, entry += kBmpPaletteEntryBytes) {
    runs[0][i] = entry[kRedAt];
    runs[1][i] = entry[kGreenAt];
    runs[2][i] = entry[kBlueAt];
  }
  return runs;
}

// Makes one row of grey samples from a stored source row: the luminance of
// 24-bit pixels, the luminance of each palette entry for palette indices, or
// the row itself for grey values. The weights are those of the colour space
// the converters give an RGB image.
class GreyRows {
 public:
  GreyRows(const CmiSource& source, int32_t source_mode) : width_px_(source.info.width_px) {
    (void)LuminanceWeightsOf(kColourSpaceEntryPointRgb, &weights_);
    is_colour_ = source.info.bits_per_pixel == kColourBits;
    if (is_colour_) products_ = LuminanceProductsOf(weights_);
    is_palette_ = source_mode == kCmiModeIndexed256;
    if (is_palette_) {
      const ColourRuns runs = RunsOf(source);
      LuminanceRow(weights_, runs[0].data(), runs[1].data(), runs[2].data(), 1, 256, grey_of_entry_.data());
    }
    if (is_colour_ || is_palette_) line_.resize(static_cast<size_t>(width_px_));
  }

  // The grey samples of `stored`, written to `out` when given (else to a
  // line of this object, or the row itself when it is already grey).
  const uint8_t* Row(const uint8_t* stored, uint8_t* out = nullptr) {
    uint8_t* to = out != nullptr ? out : line_.data();
    if (is_colour_) {
      LuminancePixelRow(products_, stored, width_px_, to);
      return to;
    }
    if (is_palette_) {
      for (int64_t i = 0; i < width_px_; ++i) to[i] = grey_of_entry_[stored[i]];
      return to;
    }
    if (out == nullptr) return stored;
    std::memcpy(out, stored, static_cast<size_t>(width_px_));
    return out;
  }

 private:
  int64_t width_px_;
  LuminanceQ15 weights_{};
  LuminanceProducts products_{};
  bool is_colour_ = false;
  bool is_palette_ = false;
  std::array<uint8_t, 256> grey_of_entry_{};
  std::vector<uint8_t> line_;
};

int32_t ResultBits(ModeTarget target) {
  switch (target) {
    case ModeTarget::kRgb: return kColourBits;
    case ModeTarget::kGrey: return kByteBits;
    case ModeTarget::kBitmap: return kBitmapBits;
  }
  return 0;
}

}  // namespace

bool CanStreamColourMode(const PackedBitmapInfo& info, const ModeRequest& request) {
  if (info.is_run_length) return false;
  const int32_t mode = request.source_mode;
  const bool is_bytes = info.bits_per_pixel == kByteBits && (mode == kCmiModeIndexed256 || mode == kCmiModeGrayscale);
  const bool is_colour = info.bits_per_pixel == kColourBits && mode == kCmiModeRgb;
  switch (request.target) {
    case ModeTarget::kRgb: return is_bytes;
    case ModeTarget::kGrey: return is_colour || (is_bytes && mode == kCmiModeIndexed256);
    case ModeTarget::kBitmap:
      return (is_bytes || is_colour) && request.method == kReductionThreshold && IsThresholdValue(request.threshold);
  }
  return false;
}

HGLOBAL StreamColourMode(CmiCall& call, const CmiSource& source, const ModeRequest& request) {
  const PackedBitmapInfo& info = source.info;
  const int64_t width = info.width_px;
  const int64_t height = info.height_px;
  PackedResult result;
  if (!result.CreateWithStandardTable(call, width, height, ResultBits(request.target))) return 0;
  const uint8_t* rows = source.bytes + info.pixel_offset;
  const auto stride = static_cast<uint64_t>(info.row_bytes);
  const uint64_t out_bytes = result.row_bytes();
  // Stored row s of the source is stored row s of the result.
  const auto stored_row = [&](int64_t s) { return result.Row(height - 1 - s); };

  if (request.target == ModeTarget::kRgb) {
    const ColourRuns runs = RunsOf(source);
    const auto filled = static_cast<size_t>(width * kPixelBytes);
    for (int64_t s = 0; s < height; ++s) {
      uint8_t* out = stored_row(s);
      ExpandIndicesRow(runs, rows + s * stride, width, out + kRedAt, out + kGreenAt, out + kBlueAt, kPixelBytes);
      std::memset(out + filled, 0, out_bytes - filled);
    }
    return result.Finish(call);
  }

  GreyRows grey(source, request.source_mode);
  if (request.target == ModeTarget::kGrey) {
    for (int64_t s = 0; s < height; ++s) {
      uint8_t* out = stored_row(s);
      (void)grey.Row(rows + s * stride, out);
      std::memset(out + width, 0, out_bytes - static_cast<uint64_t>(width));
    }
    return result.Finish(call);
  }

  // A bit is set where the grey is the threshold or more (0 below, 1 above).
  const ThresholdBitRule rule = ThresholdBitRuleFor(request.threshold, false, true);
  const auto filled = static_cast<size_t>((width + 7) / 8);
  for (int64_t s = 0; s < height; ++s) {
    uint8_t* out = stored_row(s);
    ThresholdRowToBits(grey.Row(rows + s * stride), width, rule, out);
    std::memset(out + filled, 0, out_bytes - filled);
  }
  return result.Finish(call);
}
