// Byte views of objects; see object_bytes.h.
#include "interchange/common/object_bytes.h"

#include "core/status.h"
#include "core/streams/scoped_stream.h"
#include "core/streams/stream.h"

int ObjectBytes::LoadData(IpiSystem* sys, IpiObject* obj, int64_t count) {
  if (count < 0) return IpiRefuse(sys, kIpiOutOfRange);
  ScopedStream stream(sys, IpiOpenStream(sys, obj, "r", 0));
  if (!stream) return IpiGetLastError(sys);
  int status = kIpiNoError;
  if (stream->data != nullptr) {
    // Memory: the object's bytes stay where they are after the stream closes.
    if (count > stream->limit) {
      status = IpiRefuse(sys, kIpiInsufficientSize);
    } else {
      view_ = std::span<const uint8_t>(stream->data, static_cast<size_t>(count));
    }
  } else {
    storage_.resize(static_cast<size_t>(count));
    if (IpiReadBytes(sys, stream.get(), 0, storage_.data(), count) != count) {
      status = IpiGetLastError(sys);
    } else {
      view_ = storage_;
    }
  }
  return stream.CloseAfter(status);
}
