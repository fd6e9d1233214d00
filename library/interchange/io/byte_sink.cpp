// Memory and file sinks. The file sink buffers appends and sends patches of
// bytes already flushed straight to the file; it never renames a file unless
// asked to and every write before succeeded.
#include "interchange/io/byte_sink.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "core/status.h"

int SinkStatus(const ByteSink& sink) {
  switch (sink.failure()) {
    case SinkFailure::kNone: return kIpiNoError;
    case SinkFailure::kLimitReached: return kIpiInsufficientSize;
    case SinkFailure::kPlatform: return kIpiSystemFailure;
  }
  return kIpiSystemFailure;
}

bool MemorySink::Write(const uint8_t* data, size_t count) {
  if (has_failed()) return false;
  // bytes_.size() <= limit_bytes_ always holds, so the subtraction cannot wrap.
  if (count > limit_bytes_ - bytes_.size()) return Fail(SinkFailure::kLimitReached);
  if (count != 0) bytes_.insert(bytes_.end(), data, data + count);
  return true;
}

bool MemorySink::WriteAt(uint64_t offset, const uint8_t* data, size_t count) {
  assert(IsPatchInRange(offset, count, position()));
  if (has_failed()) return false;
  if (count != 0) std::memcpy(bytes_.data() + offset, data, count);
  return true;
}

FileSink::FileSink(plat::File& file) : file_(&file) { buffer_.reserve(kBufferBytes); }

FileSink::FileSink(plat::AtomicFile& file) : file_(&file.file()), atomic_(&file) {
  buffer_.reserve(kBufferBytes);
}

bool FileSink::Write(const uint8_t* data, size_t count) {
  if (has_failed()) return false;
  if (count > kBufferBytes - buffer_.size()) {
    if (!Flush()) return false;
    if (count >= kBufferBytes) {
      // Large pieces go to the file directly instead of through the buffer.
      if (!file_->WriteAt(flushed_bytes_, data, count)) return Fail(SinkFailure::kPlatform);
      flushed_bytes_ += count;
      return true;
    }
  }
  buffer_.insert(buffer_.end(), data, data + count);
  return true;
}

bool FileSink::WriteAt(uint64_t offset, const uint8_t* data, size_t count) {
  assert(IsPatchInRange(offset, count, position()));
  if (has_failed()) return false;
  // The part before flushed_bytes_ is already in the file; the rest is still
  // in the buffer.
  uint64_t in_file = offset < flushed_bytes_ ? std::min<uint64_t>(count, flushed_bytes_ - offset) : 0;
  if (in_file != 0 && !file_->WriteAt(offset, data, in_file)) return Fail(SinkFailure::kPlatform);
  if (in_file < count) {
    std::memcpy(buffer_.data() + (offset + in_file - flushed_bytes_), data + in_file, count - in_file);
  }
  return true;
}

bool FileSink::Flush() {
  if (has_failed()) return false;
  if (buffer_.empty()) return true;
  if (!file_->WriteAt(flushed_bytes_, buffer_.data(), buffer_.size())) {
    return Fail(SinkFailure::kPlatform);
  }
  flushed_bytes_ += buffer_.size();
  buffer_.clear();
  return true;
}

bool FileSink::Commit() {
  assert(atomic_ != nullptr);  // only a sink over an atomic file can commit
  if (atomic_ == nullptr) return false;
  if (!Flush()) {
    atomic_->Discard();
    return false;
  }
  if (!atomic_->Commit()) return Fail(SinkFailure::kPlatform);  // Commit discarded it
  return true;
}
