// The resampling front, nearest neighbour and area average. Source columns
// are tabulated once per call and trimmed to those inside the source;
// destination rows and planes whose source lies outside are skipped without
// being read or written.
#include "core/operators/geometry/resample.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/geometry_support.h"
#include "core/operators/geometry/interpolating_kernels.h"
#include "core/operators/geometry/resample_mapping.h"
#include "core/operators/geometry/resample_rows.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace {

using geometry::AxisMapping;
using geometry::MakeNearestColumns;
using geometry::NearestColumns;
using geometry::ResamplePlan;

// An area average within this much below a half level still rounds up: the
// coverage products are not exact in floating point, and a flat area must
// come out at its own level.
constexpr double kRoundingSlack = 1e-7;

// --- nearest neighbour ------------------------------------------------------------

int NearestPlanes(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, const IpiResampleWindows& w) {
  const ResamplePlan plan(w, in, out);
  const AxisMapping& my = plan.axis[kDimY];
  const NearestColumns columns = MakeNearestColumns(plan.axis[kDimX]);
  if (columns.source.empty() || my.empty()) return kIpiNoError;
  const int64_t sx = in.dimension[kDimX];
  const int64_t dx = out.dimension[kDimX];
  const bool is_bits = in.data_type == kDataTypeBoolean;
  const int32_t* source_column = columns.source.data();
  const int64_t count = static_cast<int64_t>(columns.source.size());

  // Enlarging, neighbouring destination rows repeat one source row: byte
  // rows are then copied from the last one made.
  const bool repeats_rows = !is_bits && my.ratio() < 1.0;
  std::vector<uint8_t> made(repeats_rows ? static_cast<size_t>(count) : 0);

  return geometry::ForEachMappedPlane(plan, in, out, [&](int64_t from, int64_t to) -> int {
    const uint8_t* s = nullptr;
    int64_t s_bit = 0;
    int64_t held_row = -1;  // the source row `s` holds; its buffer stays valid until the next source fetch
    int64_t made_row = -1;  // the source row `made` was made from, in this plane
    for (int64_t y = my.first(); y <= my.last(); ++y) {
      const int64_t sy = my.Nearest(y);
      if (!my.Inside(sy)) continue;
      if (sy == made_row) {
        const int64_t destination_element = to + y * dx;
        uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
        if (d == nullptr) return IpiGetLastError(sys);
        std::memcpy(d + columns.first, made.data(), static_cast<size_t>(count));
        IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
        continue;
      }
      if (sy != held_row) {
        const int64_t element = from + sy * sx;
        s = IpiGetInputRow(sys, in.stream, element);
        if (s == nullptr) return IpiGetLastError(sys);
        s_bit = is_bits ? geometry::BitInByte(element) : 0;
        held_row = sy;
      }
      const int64_t destination_element = to + y * dx;
      uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys);
      if (!is_bits) {
        uint8_t* target = d + columns.first;
        geometry::NearestRow(s, columns, 1, target);
        if (repeats_rows) {
          std::memcpy(made.data(), target, static_cast<size_t>(count));
          made_row = sy;
        }
      } else {
        // Only the window's bits change; the bits around it in the same
        // bytes (neighbouring rows included) keep their values.
        const int64_t d_bit = geometry::BitInByte(destination_element) + columns.first;
        for (int64_t k = 0; k < count; ++k) IpiSetBit(out, d, d_bit + k, IpiTestBit(in, s, s_bit + source_column[k]));
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
    }
    return kIpiNoError;
  });
}

// --- area average ------------------------------------------------------------------

// The source elements one destination element covers along one axis, with
// the length of the cover on each (elements past the last read the last).
struct Cover {
  int64_t first_entry = 0;  // into the shared entry arrays
  int64_t entries = 0;
};
struct AxisCovers {
  int64_t first = 0;  // destination index of covers[0]
  std::vector<Cover> covers;
  std::vector<int32_t> index;
  std::vector<double> weight;
};

// Edges e(d) = (d - o_d) r + o_s of the destination elements first..last + 1.
// Elements whose left edge lies below 0 or past the end of the source are
// dropped from the ends; an element that starts inside the last source
// element is kept (an enlargement's last rows and columns start there).
AxisCovers MakeCovers(const AxisMapping& m, int64_t destination_offset, int64_t source_offset) {
  AxisCovers axis;
  if (m.empty() || m.source_extent() == 0) return axis;
  const double r = m.ratio();
  const double last_source = static_cast<double>(m.source_extent() - 1);
  auto edge = [&](int64_t d) { return static_cast<double>(d - destination_offset) * r + static_cast<double>(source_offset); };
  int64_t d = m.first();
  while (d <= m.last() && edge(d) < 0.0) ++d;
  int64_t last = m.last();
  while (last >= d && !(edge(last) < static_cast<double>(m.source_extent()))) --last;
  axis.first = d;
  const int64_t final_source = m.source_extent() - 1;
  for (; d <= last; ++d) {
    const double left = edge(d);    // in [0, last source]: safe to truncate
    const double right = edge(d + 1);
    Cover cover;
    cover.first_entry = static_cast<int64_t>(axis.index.size());
    const int64_t g = static_cast<int64_t>(left);
    const int64_t h = right < last_source ? static_cast<int64_t>(right) : final_source;
    for (int64_t k = g; k <= h; ++k) {
      // The last element also stands for every element past it.
      const double length = (k < final_source ? std::min(right, static_cast<double>(k + 1)) : right) -
                            std::max(left, static_cast<double>(k));
      if (length <= 0.0) continue;
      axis.index.push_back(static_cast<int32_t>(k));
      axis.weight.push_back(length);
      ++cover.entries;
    }
    axis.covers.push_back(cover);
  }
  return axis;
}

int AreaAveragePlanes(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, const IpiResampleWindows& w) {
  const ResamplePlan plan(w, in, out);
  const AxisCovers cx = MakeCovers(plan.axis[kDimX], w.destination_offset[kDimX], w.source_offset[kDimX]);
  const AxisCovers cy = MakeCovers(plan.axis[kDimY], w.destination_offset[kDimY], w.source_offset[kDimY]);
  if (cx.covers.empty() || cy.covers.empty()) return kIpiNoError;
  const int64_t sx = in.dimension[kDimX];
  const int64_t dx = out.dimension[kDimX];
  const double scale = 1.0 / (plan.axis[kDimX].ratio() * plan.axis[kDimY].ratio());
  // Source columns any cover reads.
  const int64_t low = *std::min_element(cx.index.begin(), cx.index.end());
  const int64_t high = *std::max_element(cx.index.begin(), cx.index.end());
  // The weighted sum of the covered source rows, by source column.
  std::vector<double> row_sum(static_cast<size_t>(high - low + 1));
  const int64_t count = static_cast<int64_t>(cx.covers.size());

  return geometry::ForEachMappedPlane(plan, in, out, [&](int64_t from, int64_t to) -> int {
    for (size_t j = 0; j < cy.covers.size(); ++j) {
      const Cover& rows = cy.covers[j];
      std::fill(row_sum.begin(), row_sum.end(), 0.0);
      for (int64_t e = rows.first_entry; e < rows.first_entry + rows.entries; ++e) {
        const uint8_t* s = IpiGetInputRow(sys, in.stream, from + cy.index[static_cast<size_t>(e)] * sx);
        if (s == nullptr) return IpiGetLastError(sys);
        const double q = cy.weight[static_cast<size_t>(e)];
        for (int64_t k = low; k <= high; ++k) row_sum[static_cast<size_t>(k - low)] += s[k] * q;
      }
      const int64_t destination_element = to + (cy.first + static_cast<int64_t>(j)) * dx;
      uint8_t* d = IpiGetOutputRow(sys, out.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys);
      uint8_t* target = d + cx.first;
      for (int64_t i = 0; i < count; ++i) {
        const Cover& c = cx.covers[static_cast<size_t>(i)];
        double sum = 0.0;
        for (int64_t e = c.first_entry; e < c.first_entry + c.entries; ++e) {
          sum += row_sum[static_cast<size_t>(cx.index[static_cast<size_t>(e)] - low)] * cx.weight[static_cast<size_t>(e)];
        }
        const double level = std::floor(sum * scale + 0.5 + kRoundingSlack);
        target[i] = static_cast<uint8_t>(std::clamp(level, 0.0, 255.0));
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys, out.stream, destination_element));
    }
    return kIpiNoError;
  });
}

using ResampleKernel = int (*)(IpiSystem*, IpiObject*, IpiObject*, const IpiResampleWindows&);

ResampleKernel KernelFor(int32_t interpolation) {
  switch (interpolation) {
    case kInterpolationNearest: return IpiResampleNearest;
    case kInterpolationBilinear: return IpiResampleBilinear;
    case kInterpolationBSpline: return IpiResampleBSpline;
    case kInterpolationCubicConvolution: return IpiResampleCubicConvolution;
    case kInterpolationAreaAverage: return IpiResampleAreaAverage;
    default: return nullptr;
  }
}

}  // namespace

namespace geometry {

int CheckResampleWindows(IpiSystem* sys, const IpiResampleWindows& w) {
  for (int k = 0; k < 5; ++k) {
    if (w.source_size[k] < 1 || w.destination_size[k] < 1) return IpiRefuse(sys, kIpiOutOfRange);
  }
  return kIpiNoError;
}

int OpenResampleImages(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w,
                       const ResampleAcceptance& accepts, int source_rows, ScopedAccessor& in, ScopedAccessor& out) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(CheckResampleWindows(sys, w));
  IPI_RETURN_IF_ERROR(RequireGeometryTypes(sys, source, destination));
  const bool is_bits = source->fields.data_type == kDataTypeBoolean;
  const bool gated = RegionMode(sys, *source, *destination) != kRegionNone;
  const bool accepted = is_bits ? accepts.bits && (!gated || accepts.bits_gated) : !gated || accepts.bytes_gated;
  if (!accepted) return IpiRefuse(sys, kIpiMismatchDataType);
  IPI_RETURN_IF_ERROR(OpenGeometryAccessor(sys, source, AccessMode::kRead, source_rows, in));
  return OpenGeometryAccessor(sys, destination, AccessMode::kWrite, 1, out);
}

}  // namespace geometry

int IpiResample(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* source_offset,
                IpiObject* source_size, IpiObject* destination_offset, IpiObject* destination_size) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IpiResampleWindows w;
  IpiObject* tuples[4] = {source_offset, source_size, destination_offset, destination_size};
  int32_t* entries[4] = {w.source_offset, w.source_size, w.destination_offset, w.destination_size};
  for (int k = 0; k < 4; ++k) {
    if (tuples[k] != nullptr) IPI_RETURN_IF_ERROR(IpiGetTuple5(sys, tuples[k], entries[k]));
  }
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  for (int k = 0; k < 5; ++k) {
    if (w.source_size[k] == 0) w.source_size[k] = source->fields.dimension[k];
    if (w.destination_size[k] == 0) w.destination_size[k] = destination->fields.dimension[k];
  }
  IPI_RETURN_IF_ERROR(geometry::CheckResampleWindows(sys, w));
  const ResampleKernel kernel = KernelFor(IpiSystemValue(sys, IpiSystemAttribute::kInterpolation));
  if (kernel == nullptr) return IpiRefuse(sys, kIpiNonPermissibleOption);
  return kernel(sys, source, destination, w);
}

int IpiResampleWindow(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* source_offset,
                      IpiObject* source_size) {
  return IpiResample(sys, source, destination, source_offset, source_size, nullptr, nullptr);
}

int IpiResampleImage(IpiSystem* sys, IpiObject* source, IpiObject* destination) {
  return IpiResample(sys, source, destination, nullptr, nullptr, nullptr, nullptr);
}

int IpiResampleNearest(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w) {
  ScopedAccessor in;
  ScopedAccessor out;
  int status = geometry::OpenResampleImages(sys, source, destination, w, {.bits = true}, 1, in, out);
  if (status == 0) status = NearestPlanes(sys, *in, *out, w);
  return in || out ? geometry::CloseImages(sys, status, out, in) : status;
}

int IpiResampleAreaAverage(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w) {
  ScopedAccessor in;
  ScopedAccessor out;
  int status = geometry::OpenResampleImages(sys, source, destination, w, {.bits = false}, 1, in, out);
  if (status == 0) status = AreaAveragePlanes(sys, *in, *out, w);
  return in || out ? geometry::CloseImages(sys, status, out, in) : status;
}
