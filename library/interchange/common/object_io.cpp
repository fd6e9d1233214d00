// Object byte access for the file-layer codecs; see object_io.h.
#include "interchange/common/object_io.h"

#include <algorithm>

#include "core/codes.h"
#include "core/operators/operator_frame.h"
#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/system/system.h"

bool StreamSink::Write(const uint8_t* data, size_t count) {
  if (!WriteAt(position_, data, count)) return false;
  position_ += count;
  return true;
}

bool StreamSink::WriteAt(uint64_t offset, const uint8_t* data, size_t count) {
  if (has_failed()) return false;
  if (count == 0) return true;
  if (IpiWriteBytes(sys_, stream_, static_cast<int64_t>(offset), data, static_cast<int64_t>(count)) < 0) {
    status_ = IpiGetLastError(sys_);
    return Fail(status_ == kIpiInsufficientSize ? SinkFailure::kLimitReached : SinkFailure::kPlatform);
  }
  return true;
}

int WriteLutEntries(IpiSystem* sys, IpiObject* lut, std::span<const uint8_t> rgb_triples) {
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, lut, 8));
  const int64_t entries = lut->fields.dimension[kDimX];
  const int64_t bands = std::min<int64_t>(3, lut->fields.dimension[kDimB]);
  const int64_t count = std::min<int64_t>(entries, static_cast<int64_t>(rgb_triples.size() / 3));
  ScopedStream stream(sys, IpiOpenStream(sys, lut, "w", 0));
  if (!stream) return IpiGetLastError(sys);
  std::vector<uint8_t> run(static_cast<size_t>(std::max<int64_t>(count, 0)));
  int status = kIpiNoError;
  for (int64_t band = 0; band < bands && count > 0 && status == 0; ++band) {
    for (int64_t i = 0; i < count; ++i) run[static_cast<size_t>(i)] = rgb_triples[static_cast<size_t>(3 * i + band)];
    if (IpiWriteBytes(sys, stream.get(), band * entries, run.data(), count) < 0) status = IpiGetLastError(sys);
  }
  return stream.CloseAfter(status);
}

int ReadLutEntries(IpiSystem* sys, IpiObject* lut, int64_t max_entries, std::vector<uint8_t>& rgb) {
  IPI_RETURN_IF_ERROR(RequireStoredBits(sys, lut, 8));
  if (lut->fields.dimension[kDimB] < 3) return IpiRefuse(sys, kIpiMismatchDataType);
  const int64_t entries = lut->fields.dimension[kDimX];
  const int64_t count = std::max<int64_t>(0, std::min(entries, max_entries));
  rgb.assign(static_cast<size_t>(3 * count), 0);
  if (count == 0) return kIpiNoError;
  ScopedStream stream(sys, IpiOpenStream(sys, lut, "r", 0));
  if (!stream) return IpiGetLastError(sys);
  std::vector<uint8_t> run(static_cast<size_t>(count));
  int status = kIpiNoError;
  for (int64_t band = 0; band < 3 && status == 0; ++band) {
    if (IpiReadBytes(sys, stream.get(), band * entries, run.data(), count) < 0) {
      status = IpiGetLastError(sys);
      break;
    }
    for (int64_t i = 0; i < count; ++i) rgb[static_cast<size_t>(3 * i + band)] = run[static_cast<size_t>(i)];
  }
  return stream.CloseAfter(status);
}
