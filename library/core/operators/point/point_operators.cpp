// Invert, solarize, blend, gamma and brightness/contrast. Those with a fixed
// mapping of 8-bit values go through a table of 256 entries; blend computes
// its two weights once and works in integers.
#include "core/operators/point/point_operators.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/scoped_object.h"
#include "core/operators/operator_frame.h"
#include "core/operators/point/lookup_table.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr int32_t kWeightOne = 256;  // blend weights are fractions of 256
constexpr int32_t kWeightHalf = 128;
constexpr int kWeightShift = 8;
constexpr int32_t kSolarizeFrom = 128;
constexpr double kOneOver255 = 1.0 / 255.0;
constexpr double kRoundingHalf = 0.5;
// Lifts a curve value that lands a rounding step below a whole number (the
// identity line computed as (N - 1) x i / (N - 1)) onto it before truncation.
constexpr double kTruncationLift = 1e-9;
constexpr double kPivotShift = 0.2;

int InvertBits(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  ScratchRow scratch;
  return RunRowOperator(sys, *source, *destination, [&scratch](RowIn in, RowOut out, const Gate& gate) {
    uint8_t* bits = scratch.Get(in.count);
    UnpackBits(in, bits);
    for (int64_t i = 0; i < in.count; ++i) bits[i] ^= 1;
    PackBits(out, bits, gate);
  });
}

}  // namespace

int IpiInvert(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, source, {kDataTypeBoolean, kDataTypeNonnegative}));
  const int32_t data_type = source->fields.data_type;
  IPI_RETURN_IF_ERROR(RequireDataType(sys, destination, data_type));
  if (data_type == kDataTypeBoolean) {
    IPI_RETURN_IF_ERROR(RequireBitmapImage(sys, source));
    IPI_RETURN_IF_ERROR(RequireBitmapImage(sys, destination));
    return InvertBits(sys, source, destination);
  }
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  ByteTable table;
  for (int v = 0; v < kTableEntries; ++v) table[v] = static_cast<uint8_t>(255 - v);
  return MapThroughTable(sys, source, destination, table);
}

int IpiSolarize(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  ByteTable table;
  for (int v = 0; v < kTableEntries; ++v) table[v] = static_cast<uint8_t>(v < kSolarizeFrom ? v : 255 - v);
  return MapThroughTable(sys, source, destination, table);
}

int IpiBlend(IpiSystem* sys, IpiObject* source1, IpiObject* source2, IpiObject* destination, double ratio) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source1));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source2));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  // Outside 0..1 a weight would leave the 8-bit range.
  if (!(ratio >= 0.0 && ratio <= 1.0)) return IpiRefuse(sys, kIpiOutOfRange);
  const uint32_t w1 = static_cast<uint32_t>(ratio * kWeightOne);
  const uint32_t w2 = kWeightOne - w1;
  return RunFrame(sys, BandWalk::kWalk, {FrameImage{source1}, FrameImage{source2}}, {FrameImage{destination}},
                  [w1, w2](const FrameRow& row) {
                    const uint8_t* a = row.source(0).data;
                    const uint8_t* b = row.source(1).data;
                    uint8_t* out = row.destination(0).data;
                    const int64_t count = row.count;
                    if (row.gate.none()) {
                      for (int64_t i = 0; i < count; ++i) {
                        out[i] = static_cast<uint8_t>((a[i] * w1 + b[i] * w2 + kWeightHalf) >> kWeightShift);
                      }
                      return;
                    }
                    for (int64_t i = 0; i < count; ++i) {
                      if (row.gate.open(i)) {
                        out[i] = static_cast<uint8_t>((a[i] * w1 + b[i] * w2 + kWeightHalf) >> kWeightShift);
                      }
                    }
                  });
}

int IpiGammaCorrect(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, double a, double b,
                    double c, double d, double e) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, source));
  IPI_RETURN_IF_ERROR(IpiRequireLive(sys, destination));
  // Gamma has no meaning for other types (a bitmap has two values): such an
  // image is left as it is and the call succeeds, so that a caller applying
  // gamma to whatever image it holds is not stopped by a bitmap.
  if (source->fields.data_type != kDataTypeNonnegative || destination->fields.data_type != kDataTypeNonnegative) {
    return kIpiNoError;
  }
  return IpiApplyGammaTable(sys, source, destination, rule, a, b, c, d, e);
}

int IpiApplyGammaTable(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, double a,
                       double b, double c, double d, double e) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (rule != kGammaForward && rule != kGammaInverse) return IpiRefuse(sys, kIpiOutOfRange);
  ByteTable table;
  for (int k = 0; k < kTableEntries; ++k) {
    const double x = k * kOneOver255;
    double f = 0.0;
    if (rule == kGammaForward) {
      f = x < e ? d * x : a * std::pow(x, b) + c;
    } else {
      f = x < d * e ? x / d : std::pow((x - c) / a, 1.0 / b);
    }
    table[k] = SaturateToByte(255.0 * f + kRoundingHalf);
  }
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  return MapThroughTable(sys, source, destination, table);
}

int IpiBuildBrightnessContrastTable(IpiSystem* sys, IpiObject* table, double brightness, double contrast) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, table));
  const int64_t entries = table->fields.dimension[kDimX];
  IPI_RETURN_IF_ERROR(RequireInRange(sys, entries, 2, kMaxDimension));
  // A table without a run would be left untouched: not reported as filled.
  IPI_RETURN_IF_ERROR(RequireInRange(sys, table->fields.dimension[kDimB], 1, kMaxDimension));

  const double p = 0.5 - kPivotShift * brightness;
  const double q = 0.5 + kPivotShift * brightness;
  const double k = contrast + 1.0;
  const double e1 = k * p / q;
  const double e2 = k * q / p;
  const double m1 = q * std::pow(p, -e1);
  const double m2 = -p * std::pow(q, -e2);
  const double last = static_cast<double>(entries - 1);
  auto lower_piece = [&](double x) { return last * m1 * std::pow(x, e1); };
  auto upper_piece = [&](double x) { return last * (1.0 + m2 * std::pow(1.0 - x, e2)); };

  std::vector<uint8_t> values(static_cast<size_t>(entries));
  values.front() = SaturateToByte(lower_piece(0.0) + kTruncationLift);
  values.back() = SaturateToByte(upper_piece(1.0) + kTruncationLift);
  for (int64_t i = 1; i < entries - 1; ++i) {
    const double x = static_cast<double>(i) / last;
    values[static_cast<size_t>(i)] = SaturateToByte((x < p ? lower_piece(x) : upper_piece(x)) + kTruncationLift);
  }

  ScopedAccessor accessor;
  IPI_RETURN_IF_ERROR(OpenAuxiliaryAccessor(sys, table, AccessMode::kWrite, 1, accessor));
  for (int64_t band = 0; band < table->fields.dimension[kDimB]; ++band) {
    uint8_t* row = IpiGetOutputRow(sys, accessor.stream(), band * entries);
    if (row == nullptr) return IpiGetLastError(sys);
    std::copy(values.begin(), values.end(), row);
    IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, accessor.stream(), band * entries));
  }
  return accessor.Close();
}

int IpiBrightnessContrast(IpiSystem* sys, IpiObject* source, IpiObject* destination, double brightness,
                          double contrast) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  const IpiAttribute shape[] = {{"dataType", kDataTypeNonnegative}, {"entries", kTableEntries}};
  ScopedObject table(sys, IpiCreateObject(sys, nullptr, &kLookupTableClass, nullptr, shape, 2));
  if (!table) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(IpiBuildBrightnessContrastTable(sys, table.get(), brightness, contrast));
  return IpiApplyLookupTable(sys, source, destination, table.get(), 0);
}
