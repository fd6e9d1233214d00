// Colour to grey and indexed to colour, on the operator frame with bands held
// fixed: the grey kernel sees three source planes, the palette kernel three
// destination planes. Both check every argument before anything is opened, so
// a refusal leaves every object as it was.
#include "core/operators/colour/colour_conversion.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr int32_t kByteBits = 8;
constexpr int32_t kBooleanBits = 1;
constexpr int kColourBands = 3;
constexpr int32_t kQ15One = 32768;
constexpr uint32_t kQ15Half = 16384;
constexpr int kQ15Shift = 15;

struct LuminanceWeights {
  int32_t colour_space;
  double weights[3];  // red, green, blue
};

constexpr LuminanceWeights kLuminanceWeights[] = {
    {118, {0.21261719, 0.71520276, 0.07218005}},
    {119, {0.17701522, 0.81232418, 0.0106606}},
    {120, {0.23272304, 0.68867804, 0.07859892}},
    {121, {0.29889531, 0.58662247, 0.11448223}},
    {122, {0.21235295, 0.70109788, 0.08654917}},
};
static_assert(std::size(kLuminanceWeights) == kLastLuminanceColourSpace - kFirstLuminanceColourSpace + 1);

// Each weight times 32768, truncated toward zero. The sums stay below 32768
// (32767, or 32766 for 120), so white maps to 255 through the rounding half.
using Q15Weights = LuminanceQ15;
constexpr Q15Weights ToQ15(const LuminanceWeights& w) {
  return {static_cast<uint32_t>(w.weights[0] * kQ15One), static_cast<uint32_t>(w.weights[1] * kQ15One),
          static_cast<uint32_t>(w.weights[2] * kQ15One)};
}

inline uint8_t Luminance(const Q15Weights& q, uint32_t r, uint32_t g, uint32_t b) {
  // At most 255 x 32767 + 16384: no overflow in 32 bits, and the result is at most 255.
  return static_cast<uint8_t>((r * q.red + g * q.green + b * q.blue + kQ15Half) >> kQ15Shift);
}

// The three runs of a colour table are widened to 256 entries: an index at
// or past the table's "xDimension" takes entry 0 of its run, so no index can
// reach past the table.
static_assert(std::tuple_size_v<ColourRuns> == kColourBands);

// Fixed steps let the compiler lay out the loads of each case.
template <int kStep>
void LuminanceRowOf(const Q15Weights& q, const uint8_t* red, const uint8_t* green, const uint8_t* blue,
                    int64_t count, uint8_t* grey) {
  for (int64_t i = 0; i < count; ++i) grey[i] = Luminance(q, red[i * kStep], green[i * kStep], blue[i * kStep]);
}

template <int kStep>
void ExpandIndicesRowOf(const ColourRuns& runs, const uint8_t* index, int64_t count, uint8_t* red, uint8_t* green,
                        uint8_t* blue) {
  uint8_t* out[kColourBands] = {red, green, blue};
  for (int band = 0; band < kColourBands; ++band) {
    const uint8_t* run = runs[band].data();
    uint8_t* to = out[band];
    for (int64_t i = 0; i < count; ++i) to[i * kStep] = run[index[i]];
  }
}

// Pixels of three bytes (blue, green, red) copied four bytes at a time from
// one table of whole pixels: each copy's fourth byte is the next pixel's
// first, written again by it; the last pixel is copied in three bytes.
void ExpandIndicesToPixels(const ColourRuns& runs, const uint8_t* index, int64_t count, uint8_t* pixels) {
  if (count < 1) return;
  std::array<std::array<uint8_t, 4>, 256> whole;
  for (size_t i = 0; i < whole.size(); ++i) whole[i] = {runs[2][i], runs[1][i], runs[0][i], 0};
  for (int64_t i = 0; i + 1 < count; ++i) std::memcpy(pixels + i * kColourBands, whole[index[i]].data(), 4);
  std::memcpy(pixels + (count - 1) * kColourBands, whole[index[count - 1]].data(), kColourBands);
}

int ReadColourRuns(IpiSystem* sys, IpiObject* table, ColourRuns& runs) {
  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, table, AccessMode::kRead, 1, accessor));
  const int64_t entries = table->fields.dimension[kDimX];
  const int64_t used = std::min<int64_t>(entries, 256);
  for (int band = 0; band < kColourBands; ++band) {
    const uint8_t* run = IpiGetInputRow(sys, accessor.stream(), band * entries);
    if (run == nullptr) return IpiGetLastError(sys);
    std::memcpy(runs[band].data(), run, static_cast<size_t>(used));
    std::fill(runs[band].begin() + used, runs[band].end(), runs[band][0]);
  }
  return accessor.Close();
}

// Keeps the destination's "inited" flag across the precision change (setting
// a precision would otherwise mark it as holding no data).
int SetDestinationPrecision(IpiSystem* sys, IpiObject* destination) {
  const IpiAttribute list[] = {
      {"dataPrecision", IpiSystemValue(sys, IpiSystemAttribute::kNonnegativeIntegerPrecision)},
      {"inited", destination->is_inited() ? 1 : 0},
  };
  return IpiSetAttributes(sys, destination, list, 2);
}

}  // namespace

bool LuminanceWeightsOf(int32_t colour_space, LuminanceQ15* weights) {
  if (colour_space < kFirstLuminanceColourSpace || colour_space > kLastLuminanceColourSpace) return false;
  *weights = ToQ15(kLuminanceWeights[colour_space - kFirstLuminanceColourSpace]);
  return true;
}

void LuminanceRow(const LuminanceQ15& q, const uint8_t* red, const uint8_t* green, const uint8_t* blue, int step,
                  int64_t count, uint8_t* grey) {
  if (step == kColourBands) {
    LuminanceRowOf<kColourBands>(q, red, green, blue, count, grey);
  } else {
    LuminanceRowOf<1>(q, red, green, blue, count, grey);
  }
}

LuminanceProducts LuminanceProductsOf(const LuminanceQ15& q) {
  LuminanceProducts products;
  for (uint32_t v = 0; v < 256; ++v) {
    products.red[v] = v * q.red;
    products.green[v] = v * q.green;
    products.blue[v] = v * q.blue + kQ15Half;
  }
  return products;
}

void LuminancePixelRow(const LuminanceProducts& products, const uint8_t* pixels, int64_t count, uint8_t* grey) {
  for (int64_t i = 0; i < count; ++i, pixels += kColourBands) {
    grey[i] = static_cast<uint8_t>(
        (products.blue[pixels[0]] + products.green[pixels[1]] + products.red[pixels[2]]) >> kQ15Shift);
  }
}

void ExpandIndicesRow(const ColourRuns& runs, const uint8_t* index, int64_t count, uint8_t* red, uint8_t* green,
                      uint8_t* blue, int step) {
  if (step == kColourBands && green == blue + 1 && red == blue + 2) {
    ExpandIndicesToPixels(runs, index, count, blue);
  } else if (step == kColourBands) {
    ExpandIndicesRowOf<kColourBands>(runs, index, count, red, green, blue);
  } else {
    ExpandIndicesRowOf<1>(runs, index, count, red, green, blue);
  }
}

int IpiColourToMonochrome(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  Q15Weights q;
  if (!LuminanceWeightsOf(source->fields.colour_space, &q)) return IpiRefuse(sys, kIpiNonPermissibleOption);
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, kByteBits));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, kByteBits));

  // A source of fewer than three bands is refused by the frame with 8.
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source, kColourBands}}, {FrameImage{destination}},
                  [&q](const FrameRow& row) {
                    const uint8_t* red = row.source(0, 0).data;
                    const uint8_t* green = row.source(0, 1).data;
                    const uint8_t* blue = row.source(0, 2).data;
                    uint8_t* grey = row.destination(0).data;
                    const int64_t count = row.count;
                    if (row.gate.none()) {
                      LuminanceRowOf<1>(q, red, green, blue, count, grey);
                      return;
                    }
                    for (int64_t i = 0; i < count; ++i) {
                      if (row.gate.open(i)) grey[i] = Luminance(q, red[i], green[i], blue[i]);
                    }
                  });
}

int IpiConvertImageType(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* colour_table,
                        int32_t /*reserved*/) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (IpiCheckObject(sys, destination) == nullptr || IpiCheckObject(sys, source) == nullptr ||
      IpiCheckObject(sys, colour_table) == nullptr) {
    return IpiGetLastError(sys);
  }
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, {kDataTypeBoolean, kDataTypeNonnegative}));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, colour_table, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(SetDestinationPrecision(sys, destination));
  const bool is_bitmap = source->fields.data_type == kDataTypeBoolean;
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, source, is_bitmap ? kBooleanBits : kByteBits));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, destination, kByteBits));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, colour_table, kByteBits));

  // The table holds three runs and at least an entry for every index the
  // source's precision can express: 2 for a bitmap, 2^precision (at most 256)
  // for indices. A shorter table is refused with 8 rather than read past.
  const int32_t index_bits = is_bitmap ? 1 : std::clamp(source->fields.data_precision, 1, kByteBits);
  const int64_t entries_needed = int64_t{1} << index_bits;
  if (colour_table->fields.dimension[kDimB] < kColourBands ||
      colour_table->fields.dimension[kDimX] < entries_needed) {
    return IpiRefuse(sys, kIpiInsufficientSize);
  }
  ColourRuns runs;
  IPI_RETURN_IF_ERROR(ReadColourRuns(sys, colour_table, runs));

  // A destination of fewer than three bands is refused by the frame with 8.
  return RunFrame(sys, BandWalk::kFixed, {FrameImage{source}}, {FrameImage{destination, kColourBands}},
                  [&runs, is_bitmap](const FrameRow& row) {
                    const RowRef& in = row.source(0);
                    uint8_t* out[kColourBands] = {row.destination(0, 0).data, row.destination(0, 1).data,
                                                  row.destination(0, 2).data};
                    const int64_t count = row.count;
                    auto put = [&](int64_t i, uint8_t index) {
                      for (int band = 0; band < kColourBands; ++band) out[band][i] = runs[band][index];
                    };
                    if (is_bitmap) {
                      for (int64_t i = 0; i < count; ++i) {
                        if (row.gate.open(i)) put(i, in.Test(i) ? 1 : 0);
                      }
                      return;
                    }
                    const uint8_t* index = in.data;
                    if (row.gate.none()) {
                      ExpandIndicesRowOf<1>(runs, index, count, out[0], out[1], out[2]);
                      return;
                    }
                    for (int64_t i = 0; i < count; ++i) {
                      if (row.gate.open(i)) put(i, index[i]);
                    }
                  });
}
