// Where writers and encoders put their bytes: appended in order, with earlier
// bytes patchable (offsets known only after the data, as in TIFF directories).
// A failure is sticky: every later call fails too, so a writer that checks
// only its last call still cannot report a damaged output as success.
#ifndef PELRITH_INTERCHANGE_IO_BYTE_SINK_H_
#define PELRITH_INTERCHANGE_IO_BYTE_SINK_H_

#include <cstddef>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "plat/atomic_file.h"
#include "plat/files.h"

enum class SinkFailure {
  kNone,
  kLimitReached,  // a memory target is too short: status 8
  kPlatform,      // the file layer failed (errno kept): status -1
};

class ByteSink {
 public:
  virtual ~ByteSink() = default;

  // Appends `count` bytes at position().
  [[nodiscard]] virtual bool Write(const uint8_t* data, size_t count) = 0;
  // Overwrites bytes already written. The range must lie inside the bytes
  // written so far; the writer computes it from its own positions, so a patch
  // outside them is a bug of the writer and asserts.
  [[nodiscard]] virtual bool WriteAt(uint64_t offset, const uint8_t* data, size_t count) = 0;
  // Bytes written so far (the end of the output).
  virtual uint64_t position() const = 0;

  SinkFailure failure() const { return failure_; }
  bool has_failed() const { return failure_ != SinkFailure::kNone; }

 protected:
  // Records the first failure and returns false.
  bool Fail(SinkFailure failure) {
    if (failure_ == SinkFailure::kNone) failure_ = failure;
    return false;
  }
  static bool IsPatchInRange(uint64_t offset, size_t count, uint64_t end) {
    return offset <= end && count <= end - offset;
  }

 private:
  SinkFailure failure_ = SinkFailure::kNone;
};

// The status a writer returns for its sink's failure: 8 for a full memory
// target, -1 otherwise; 0 when the sink has not failed.
[[nodiscard]] int SinkStatus(const ByteSink& sink);

// Output kept in memory, optionally refused past `limit_bytes` (a caller's
// block of fixed size). A write that would pass the limit writes nothing.
class MemorySink final : public ByteSink {
 public:
  explicit MemorySink(uint64_t limit_bytes = std::numeric_limits<uint64_t>::max())
      : limit_bytes_(limit_bytes) {}

  [[nodiscard]] bool Write(const uint8_t* data, size_t count) override;
  [[nodiscard]] bool WriteAt(uint64_t offset, const uint8_t* data, size_t count) override;
  uint64_t position() const override { return bytes_.size(); }

  const std::vector<uint8_t>& bytes() const { return bytes_; }
  std::vector<uint8_t> TakeBytes() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
  uint64_t limit_bytes_;
};

// Buffered output to a file from its offset 0. The sink never commits: bytes
// still buffered when it is destroyed are dropped, and an atomic file is
// renamed over its target only by Commit() after every write succeeded. The
// file (or atomic file) must outlive the sink and stay where it is.
class FileSink final : public ByteSink {
 public:
  static constexpr size_t kBufferBytes = 64 * 1024;

  explicit FileSink(plat::File& file);
  explicit FileSink(plat::AtomicFile& file);
  FileSink(const FileSink&) = delete;
  FileSink& operator=(const FileSink&) = delete;

  [[nodiscard]] bool Write(const uint8_t* data, size_t count) override;
  [[nodiscard]] bool WriteAt(uint64_t offset, const uint8_t* data, size_t count) override;
  uint64_t position() const override { return flushed_bytes_ + buffer_.size(); }

  // Writes the buffered bytes to the file.
  [[nodiscard]] bool Flush();
  // Atomic files only: flushes, syncs and renames over the target when no
  // write failed; otherwise, or when that fails, discards the temporary and
  // leaves the target as it was. False in every case but success.
  [[nodiscard]] bool Commit();

 private:
  plat::File* file_;
  plat::AtomicFile* atomic_ = nullptr;
  std::vector<uint8_t> buffer_;  // bytes from flushed_bytes_ on
  uint64_t flushed_bytes_ = 0;
};

#endif  // PELRITH_INTERCHANGE_IO_BYTE_SINK_H_
