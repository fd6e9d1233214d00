// IpiSpherizeMap on the operator frame, with the image as the only
// (ungated) destination: every element is visited, and those outside the
// ellipse keep their value because the frame fetches each row before writing it.
#include "core/operators/neighbourhood/elliptic_mask.h"

#include "core/codes.h"
#include "core/objects/tuple.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"

namespace {

constexpr int32_t kByteBits = 8;
constexpr uint8_t kInside = 255;

}  // namespace

int IpiSpherizeMap(IpiSystem* sys, IpiObject* image, int32_t shape, IpiObject* centre, IpiObject* size) {
  IPI_RETURN_IF_ERROR(IpiCheckSystem(sys));
  IPI_RETURN_IF_ERROR(RequireDataType(sys, image, kDataTypeNonnegative));
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, image, kByteBits));
  if (shape != kSpherizeEllipse) return kIpiNoError;
  int32_t c[kTuple5Entries] = {};
  int32_t s[kTuple5Entries] = {};
  IPI_RETURN_IF_ERROR(IpiGetTuple5(sys, centre, c));
  IPI_RETURN_IF_ERROR(IpiGetTuple5(sys, size, s));
  if (s[0] == 0 || s[1] == 0) return IpiRefuse(sys, kIpiOutOfRange);
  const double cx = c[0];
  const double cy = c[1];
  const double width_squared = static_cast<double>(s[0]) * s[0];
  const double height_squared = static_cast<double>(s[1]) * s[1];

  FrameImage target{image};
  target.gates = false;
  return RunFrame(sys, BandWalk::kWalk, {}, {target}, [&](const FrameRow& row) {
    const RowRef& out = row.destination(0);
    const double dy = static_cast<double>(out.y) - cy;
    const double row_term = 4.0 * dy * dy / height_squared;
    for (int64_t i = 0; i < out.count; ++i) {
      const double dx = static_cast<double>(out.x + i) - cx;
      if (4.0 * dx * dx / width_squared + row_term <= 1.0) out.data[i] = kInside;
    }
  });
}
