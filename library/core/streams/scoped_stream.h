// An open stream owned for one scope, as ScopedAccessor owns an accessor:
// closed on every path, so an early return cannot leave it open. Close()
// hands back the close's status for the caller to merge with its own.
#ifndef PELRITH_CORE_STREAMS_SCOPED_STREAM_H_
#define PELRITH_CORE_STREAMS_SCOPED_STREAM_H_

#include <utility>

#include "core/status.h"
#include "core/streams/stream.h"
#include "core/system/system.h"

class ScopedStream {
 public:
  ScopedStream() = default;
  ScopedStream(IpiSystem* sys, IpiStream* stream) : sys_(sys), stream_(stream) {}
  ~ScopedStream() { (void)Close(); }
  ScopedStream(ScopedStream&& other) noexcept : sys_(other.sys_), stream_(std::exchange(other.stream_, nullptr)) {}
  ScopedStream& operator=(ScopedStream&& other) noexcept {
    if (this != &other) {
      (void)Close();
      sys_ = other.sys_;
      stream_ = std::exchange(other.stream_, nullptr);
    }
    return *this;
  }
  ScopedStream(const ScopedStream&) = delete;
  ScopedStream& operator=(const ScopedStream&) = delete;

  IpiStream* get() const { return stream_; }
  IpiStream* operator->() const { return stream_; }
  explicit operator bool() const { return stream_ != nullptr; }

  // Closes the stream: 0, or the close's error (reported by the stream
  // layer). 0 when no stream is open.
  [[nodiscard]] int Close() {
    return stream_ != nullptr ? IpiCloseStream(sys_, std::exchange(stream_, nullptr)) : kIpiNoError;
  }
  // Closes the stream and merges the statuses: the caller's `status` when it
  // is an error (the first failure wins), else the close's.
  [[nodiscard]] int CloseAfter(int status) {
    const int closed = Close();
    return status != kIpiNoError ? status : closed;
  }

 private:
  IpiSystem* sys_ = nullptr;
  IpiStream* stream_ = nullptr;
};

#endif  // PELRITH_CORE_STREAMS_SCOPED_STREAM_H_
