// Affine and polynomial warps. The column-only parts of both polynomials are
// tabulated once per call, the row-only parts and the y factors of the mixed
// terms once per row; each source plane is read whole with one fetch. A
// position is tested against the source in doubles before it is converted,
// so huge or not-a-number positions are simply outside.
#include "core/operators/geometry/warps.h"

#include <cmath>
#include <vector>

#include "core/codes.h"
#include "core/operators/geometry/geometry_codes.h"
#include "core/operators/geometry/geometry_support.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/accessor.h"
#include "core/streams/stream.h"

namespace {

constexpr int32_t kWeightScale = 256;     // one axis's full weight
constexpr int32_t kHalfProduct = 32768;   // half of a full weight product
constexpr int kProductShift = 16;
constexpr double kSnapToZero = 1e-15;     // sine or cosine this close to 0 is 0

enum class Sampling { kNearest, kBilinear };

bool AnySet(const double a[kWarpTerms], const double b[kWarpTerms], int first, int last) {
  for (int i = first; i <= last; ++i) {
    if (a[i] != 0.0 || b[i] != 0.0) return true;
  }
  return false;
}

// One polynomial evaluated over a row: value = column[x] + row + x k1 + x^2 k2 + x^3 k3.
struct RowPolynomial {
  double row = 0.0;
  double k1 = 0.0, k2 = 0.0, k3 = 0.0;  // y factors of the mixed terms

  template <int kTerms>
  void Prepare(const double c[kWarpTerms], double y) {
    const double y2 = y * y;
    const double y3 = y2 * y;
    row = c[0] + c[2] * y;
    if constexpr (kTerms >= 10) {
      row += c[5] * y2 + c[9] * y3;
      k1 = c[4] * y + c[8] * y2;
      k2 = c[7] * y;
    }
    if constexpr (kTerms == 16) {
      k1 += c[12] * y3;
      k2 += c[11] * y2 + c[13] * y3;
      k3 = c[10] * y + c[14] * y2 + c[15] * y3;
    }
  }
  template <int kTerms>
  double At(double column_part, double x) const {
    if constexpr (kTerms == 3) {
      return column_part + row;
    } else {
      return column_part + row + x * (k1 + x * (k2 + x * k3));
    }
  }
};

template <Sampling S, int kTerms>
class WarpRun {
 public:
  WarpRun(IpiSystem* sys, const IpiAccessor& in, const IpiAccessor& out, const double* a, const double* b)
      : sys_(sys), in_(in), out_(out), a_(a), b_(b) {}

  int Run() {
    sx_ = in_.dimension[kDimX];
    sy_ = in_.dimension[kDimY];
    dx_ = out_.dimension[kDimX];
    dy_ = out_.dimension[kDimY];
    if (sx_ == 0 || sy_ == 0 || dx_ == 0) return kIpiNoError;
    is_bits_ = in_.data_type == kDataTypeBoolean;
    column_a_.resize(static_cast<size_t>(dx_));
    column_b_.resize(static_cast<size_t>(dx_));
    for (int64_t x = 0; x < dx_; ++x) {
      const double xd = static_cast<double>(x);
      double pa = xd * a_[1];
      double pb = xd * b_[1];
      if constexpr (kTerms >= 10) {
        pa += xd * xd * a_[3] + xd * xd * xd * a_[6];
        pb += xd * xd * b_[3] + xd * xd * xd * b_[6];
      }
      column_a_[static_cast<size_t>(x)] = pa;
      column_b_[static_cast<size_t>(x)] = pb;
    }
    if (in_.has_roi()) source_flags_.resize(static_cast<size_t>(sx_ * sy_));
    if (out_.has_roi()) destination_flags_.resize(static_cast<size_t>(dx_));
    return geometry::ForEachSharedPlane(in_, out_, [this](int64_t from, int64_t to) { return Plane(from, to); });
  }

 private:
  int Plane(int64_t from, int64_t to) {
    // The source stream spans a whole plane per row: one read.
    const uint8_t* plane = IpiGetInputRow(sys_, in_.stream, from);
    if (plane == nullptr) return IpiGetLastError(sys_);
    const int64_t plane_bit = is_bits_ ? geometry::BitInByte(from) : 0;
    if (in_.has_roi()) {
      for (int64_t r = 0; r < sy_; ++r) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys_, in_, from + r * sx_, sx_, source_flags_.data() + r * sx_));
      }
    }
    for (int64_t y = 0; y < dy_; ++y) {
      RowPolynomial pa, pb;
      pa.Prepare<kTerms>(a_, static_cast<double>(y));
      pb.Prepare<kTerms>(b_, static_cast<double>(y));
      const int64_t destination_element = to + y * dx_;
      uint8_t* d = IpiGetOutputRow(sys_, out_.stream, destination_element);
      if (d == nullptr) return IpiGetLastError(sys_);
      if (out_.has_roi()) {
        IPI_RETURN_IF_ERROR(ReadRegionFlags(sys_, out_, destination_element, dx_, destination_flags_.data()));
      }
      const int64_t d_bit = is_bits_ ? geometry::BitInByte(destination_element) : 0;
      const bool gated = in_.has_roi() || out_.has_roi();
      if (is_bits_) {
        gated ? SampleRow<true, true>(plane, plane_bit, d, d_bit, pa, pb)
              : SampleRow<true, false>(plane, plane_bit, d, d_bit, pa, pb);
      } else {
        gated ? SampleRow<false, true>(plane, 0, d, 0, pa, pb) : SampleRow<false, false>(plane, 0, d, 0, pa, pb);
      }
      IPI_RETURN_IF_ERROR(IpiPutOutputRow(sys_, out_.stream, destination_element));
    }
    return kIpiNoError;
  }

  // One destination row. Everything the loop reads is held in locals: the
  // row is written through a byte pointer, which may alias any member.
  template <bool kBits, bool kGated>
  void SampleRow(const uint8_t* plane, int64_t plane_bit, uint8_t* d, int64_t d_bit, const RowPolynomial& pa,
                 const RowPolynomial& pb) const {
    const IpiAccessor& in = in_;
    const IpiAccessor& out = out_;
    const int64_t sx = sx_;
    const int64_t dx = dx_;
    const int64_t last_column = sx_ - 1;
    const int64_t last_row = sy_ - 1;
    const double width = static_cast<double>(sx_);
    const double height = static_cast<double>(sy_);
    const double* column_a = column_a_.data();
    const double* column_b = column_b_.data();
    const uint8_t* source_flags = source_flags_.data();
    const uint8_t* destination_flags = destination_flags_.data();
    const bool source_gates = in_.has_roi();
    const bool destination_gates = out_.has_roi();
    for (int64_t x = 0; x < dx; ++x) {
      const double xd = static_cast<double>(x);
      const double c = pa.At<kTerms>(column_a[x], xd);
      const double r = pb.At<kTerms>(column_b[x], xd);
      // trunc lands inside 0..extent - 1 exactly when -1 < value < extent;
      // NaN fails both tests.
      if (!(c > -1.0 && c < width && r > -1.0 && r < height)) continue;
      const int64_t col0 = static_cast<int64_t>(c);
      const int64_t row0 = static_cast<int64_t>(r);
      if constexpr (kGated) {
        if (source_gates && source_flags[row0 * sx + col0] == 0) continue;
        if (destination_gates && destination_flags[x] == 0) continue;
      }
      if constexpr (S == Sampling::kNearest) {
        const int64_t e = row0 * sx + col0;
        if constexpr (kBits) {
          IpiSetBit(out, d, d_bit + x, IpiTestBit(in, plane, plane_bit + e));
        } else {
          d[x] = plane[e];
        }
      } else {
        // Weights in 1/256: w1 = round(f x 256), w0 = 256 - w1, so a flat
        // area stays flat.
        const int32_t wx1 = c > 0.0 ? static_cast<int32_t>((c - static_cast<double>(col0)) * kWeightScale + 0.5) : 0;
        const int32_t wy1 = r > 0.0 ? static_cast<int32_t>((r - static_cast<double>(row0)) * kWeightScale + 0.5) : 0;
        const int32_t wx0 = kWeightScale - wx1;
        const int32_t wy0 = kWeightScale - wy1;
        const int64_t e00 = row0 * sx + col0;
        const int64_t e01 = e00 + (col0 < last_column ? 1 : 0);
        const int64_t down = row0 < last_row ? sx : 0;
        const int64_t e10 = e00 + down, e11 = e01 + down;
        if constexpr (!kBits) {
          const int32_t top = plane[e00] * wx0 + plane[e01] * wx1;
          const int32_t bottom = plane[e10] * wx0 + plane[e11] * wx1;
          d[x] = static_cast<uint8_t>((top * wy0 + bottom * wy1 + kHalfProduct) >> kProductShift);
        } else {
          int32_t ones = 0;
          if (IpiTestBit(in, plane, plane_bit + e00)) ones += wx0 * wy0;
          if (IpiTestBit(in, plane, plane_bit + e10)) ones += wx0 * wy1;
          if (IpiTestBit(in, plane, plane_bit + e01)) ones += wx1 * wy0;
          if (IpiTestBit(in, plane, plane_bit + e11)) ones += wx1 * wy1;
          IpiSetBit(out, d, d_bit + x, ones >= kHalfProduct);
        }
      }
    }
  }

  IpiSystem* sys_;
  const IpiAccessor& in_;
  const IpiAccessor& out_;
  const double* a_;
  const double* b_;
  int64_t sx_ = 0, sy_ = 0, dx_ = 0, dy_ = 0;
  bool is_bits_ = false;
  std::vector<double> column_a_, column_b_;
  std::vector<uint8_t> source_flags_, destination_flags_;
};

template <Sampling S, int kTerms>
int RunWarp(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double* a, const double* b) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(geometry::RequireGeometryTypes(sys, source, destination));
  const int32_t sy = source->fields.dimension[kDimY];
  if (sy == 0) return kIpiNoError;  // no source row: nothing to take
  ScopedAccessor in;
  ScopedAccessor out;
  int status = OpenGeometryAccessor(sys, source, AccessMode::kRead, -sy, in);
  if (status == 0) status = OpenGeometryAccessor(sys, destination, AccessMode::kWrite, 1, out);
  if (status == 0) status = WarpRun<S, kTerms>(sys, *in, *out, a, b).Run();
  return geometry::CloseImages(sys, status, out, in);
}

}  // namespace

int IpiWarpNearestAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                         const double b[kWarpTerms]) {
  return RunWarp<Sampling::kNearest, 3>(sys, source, destination, a, b);
}
int IpiWarpNearestCubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                        const double b[kWarpTerms]) {
  return RunWarp<Sampling::kNearest, 10>(sys, source, destination, a, b);
}
int IpiWarpNearestBicubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                          const double b[kWarpTerms]) {
  return RunWarp<Sampling::kNearest, 16>(sys, source, destination, a, b);
}
int IpiWarpBilinearAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                          const double b[kWarpTerms]) {
  return RunWarp<Sampling::kBilinear, 3>(sys, source, destination, a, b);
}
int IpiWarpBilinearCubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                         const double b[kWarpTerms]) {
  return RunWarp<Sampling::kBilinear, 10>(sys, source, destination, a, b);
}
int IpiWarpBilinearBicubic(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                           const double b[kWarpTerms]) {
  return RunWarp<Sampling::kBilinear, 16>(sys, source, destination, a, b);
}

int IpiWarpNearest(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                   const double b[kWarpTerms]) {
  if (AnySet(a, b, 10, 15)) return IpiWarpNearestBicubic(sys, source, destination, a, b);
  // Terms 3-5 (x^2, xy, y^2) need the 10-term evaluation as much as 6-9.
  if (AnySet(a, b, 3, 9)) return IpiWarpNearestCubic(sys, source, destination, a, b);
  return IpiWarpNearestAffine(sys, source, destination, a, b);
}

int IpiWarpBilinear(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                    const double b[kWarpTerms]) {
  if (AnySet(a, b, 10, 15)) return IpiWarpBilinearBicubic(sys, source, destination, a, b);
  if (AnySet(a, b, 3, 9)) return IpiWarpBilinearCubic(sys, source, destination, a, b);
  return IpiWarpBilinearAffine(sys, source, destination, a, b);
}

int IpiWarpAffine(IpiSystem* sys, IpiObject* source, IpiObject* destination, const double a[kWarpTerms],
                  const double b[kWarpTerms]) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  if (a == nullptr || b == nullptr) return IpiRefuse(sys, kIpiOutOfRange);
  switch (IpiSystemValue(sys, IpiSystemAttribute::kInterpolation)) {
    case kInterpolationNearest: return IpiWarpNearest(sys, source, destination, a, b);
    case kInterpolationBilinear: return IpiWarpBilinear(sys, source, destination, a, b);
    default: return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
}

int IpiRotateByAngle(IpiSystem* sys, IpiObject* source, IpiObject* destination, int32_t cx, int32_t cy,
                     double angle) {
  double c = std::cos(angle);
  double s = std::sin(angle);
  // cos(pi / 2) comes out near 6e-17, not 0: left so, it would move columns
  // that land exactly on an element across its edge.
  if (std::fabs(c) < kSnapToZero) {
    c = 0.0;
    s = std::copysign(1.0, s);
  } else if (std::fabs(s) < kSnapToZero) {
    s = 0.0;
    c = std::copysign(1.0, c);
  }
  const double x0 = cx;
  const double y0 = cy;
  double a[kWarpTerms] = {};
  double b[kWarpTerms] = {};
  a[0] = x0 - x0 * c + y0 * s;
  a[1] = c;
  a[2] = -s;
  b[0] = y0 - x0 * s - y0 * c;
  b[1] = s;
  b[2] = c;
  return IpiWarpAffine(sys, source, destination, a, b);
}
