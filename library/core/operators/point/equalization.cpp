// Equalization. The powers and logarithms are evaluated 256 times to build the
// table, never per pixel.
#include "core/operators/point/equalization.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "core/codes.h"
#include "core/objects/address_space.h"
#include "core/objects/scoped_object.h"
#include "core/operators/point/histogram.h"
#include "core/operators/point/lookup_table.h"
#include "core/operators/point/point_common.h"
#include "core/status.h"

namespace {

constexpr double kOneThird = 1.0 / 3.0;
constexpr double kRoundingHalf = 0.5;

bool IsKnownRule(int32_t rule) {
  return rule == kEqualizeUniform || rule == kEqualizeCubeRoot || rule == kEqualizeLogarithmic ||
         rule == kEqualizeExponential || rule == kEqualizeRayleigh;
}

}  // namespace

int IpiHistogramToArray(IpiSystem* sys, IpiObject* source, uint32_t counts[256]) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (counts == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  ScopedObject histogram(sys, IpiCreateObject(sys, nullptr, &kHistogramClass, nullptr, nullptr, 0));
  if (!histogram) return IpiGetLastError(sys);
  IPI_RETURN_IF_ERROR(IpiComputeHistogram(sys, source, histogram.get()));
  const IpiAttribute bound[] = {{"size", static_cast<intptr_t>(sizeof(uint32_t) * kMaxHistogramBins)}};
  return IpiExportToAddressSpace(sys, histogram.get(), counts, bound, 1);
}

int IpiBuildEqualizeTable(IpiSystem* sys, const uint32_t counts[256], uint8_t table[256], int32_t rule,
                          IpiTypedValue lower, IpiTypedValue upper, double parameter) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (counts == nullptr || table == nullptr || !IsKnownRule(rule)) return IpiRefuse(sys, kIpiOutOfRange);
  const double l = IpiTypedValueToDouble(lower);
  const double u = IpiTypedValueToDouble(upper);
  if (rule == kEqualizeLogarithmic && !(l > 0.0)) return IpiRefuse(sys, kIpiOutOfRange);

  uint64_t total = 0;
  for (int k = 0; k < kTableEntries; ++k) total += counts[k];
  const double l_root = std::pow(l, kOneThird);
  const double u_root = std::pow(u, kOneThird);
  uint64_t running = 0;
  for (int k = 0; k < kTableEntries; ++k) {
    running += counts[k];
    // An empty histogram has no distribution: every share is 0, not 0 / 0.
    const double c = total == 0 ? 0.0 : static_cast<double>(running) / static_cast<double>(total);
    double entry = 0.0;
    switch (rule) {
      case kEqualizeUniform:
        entry = (u - l) * c + l + kRoundingHalf;
        break;
      case kEqualizeCubeRoot:
        entry = std::pow((u_root - l_root) * c + l_root, 3.0) + kRoundingHalf;
        break;
      case kEqualizeLogarithmic:
        entry = l * std::pow(u / l, c) + kRoundingHalf;
        break;
      case kEqualizeExponential:
        entry = 1.0 - c == 0.0 ? u : l - std::log(1.0 - c) / parameter;
        break;
      case kEqualizeRayleigh:
        entry = 1.0 - c == 0.0 ? u : l + std::sqrt(2.0 * parameter * parameter * std::log(1.0 / (1.0 - c)));
        break;
    }
    table[k] = SaturateToByte(entry);
  }
  return kIpiNoError;
}

int IpiApplyTableArray(IpiSystem* sys, IpiObject* source, IpiObject* destination, const uint8_t table[256]) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (table == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, source));
  IPI_RETURN_IF_ERROR(RequireByteImage(sys, destination));
  ByteTable entries;
  std::memcpy(entries.data(), table, entries.size());
  return MapThroughTable(sys, source, destination, entries);
}

int IpiEqualize(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t rule, IpiTypedValue lower,
                IpiTypedValue upper, double parameter) {
  uint32_t counts[kMaxHistogramBins] = {};
  IPI_RETURN_IF_ERROR(IpiHistogramToArray(sys, source, counts));
  uint8_t table[kTableEntries] = {};
  IPI_RETURN_IF_ERROR(IpiBuildEqualizeTable(sys, counts, table, rule, lower, upper, parameter));
  return IpiApplyTableArray(sys, source, destination, table);
}
