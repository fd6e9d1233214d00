// TStream, TFileStream (fmCreate through the atomic replacement) and
// TMemoryStream.
#include "plat/forms/streams.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <exception>
#include <limits>
#include <new>

#include "plat/forms/exceptions.h"

namespace plat {
namespace {

// Reads and writes of one call are split so each fits a size_t and the
// kernel's limits.
constexpr int64_t kChunkBytes = int64_t{1} << 30;

int64_t SeekTarget(int64_t offset, TSeekOrigin origin, int64_t position, int64_t size) {
  int64_t base = origin == soBeginning ? 0 : origin == soCurrent ? position : size;
  int64_t target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) {
    RaiseRes<EStreamError>(SInvalidStreamOrigin);
  }
  return target;
}

}  // namespace

// ---- TStream ----

int64_t TStream::Size() {
  int64_t position = Seek(0, soCurrent);
  int64_t size = Seek(0, soEnd);
  Seek(position, soBeginning);
  return size;
}

void TStream::SetSize(int64_t size) {}

void TStream::ReadBuffer(void* buffer, int64_t count) {
  auto* bytes = static_cast<uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = Read(bytes + done, count - done);
    if (n <= 0) RaiseRes<EReadError>(SReadError);
    done += n;
  }
}

void TStream::WriteBuffer(const void* buffer, int64_t count) {
  auto* bytes = static_cast<const uint8_t*>(buffer);
  int64_t done = 0;
  while (done < count) {
    int64_t n = Write(bytes + done, count - done);
    if (n <= 0) RaiseRes<EWriteError>(SWriteError);
    done += n;
  }
}

int64_t TStream::CopyFrom(TStream& source, int64_t count) {
  if (count < 0) return 0;
  if (count == 0) {
    source.SetPosition(0);
    count = source.Size();
  }
  constexpr int64_t kBufferBytes = 64 * 1024;
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(count, kBufferBytes)));
  int64_t left = count;
  while (left > 0) {
    int64_t n = std::min(left, kBufferBytes);
    source.ReadBuffer(buffer.data(), n);
    WriteBuffer(buffer.data(), n);
    left -= n;
  }
  return count;
}

// ---- TFileStream ----

TFileStream::TFileStream(const std::string& file_name, uint16_t mode)
    : file_name_(file_name), uncaught_at_open_(std::uncaught_exceptions()) {
  if (mode == fmCreate) {
    // A folder or a file the user may not write is refused now, as a plain
    // create would be, rather than found out when the rename fails.
    struct stat info;
    bool exists = ::stat(file_name.c_str(), &info) == 0;
    if ((exists && (S_ISDIR(info.st_mode) || ::access(file_name.c_str(), W_OK) != 0)) ||
        AtomicFile::Create(file_name, atomic_) != OpenStatus::kOk) {
      RaiseRes<EFCreateError>(SFCreateError, {file_name});
    }
    is_create_ = true;
    is_writable_ = true;
    return;
  }
  uint16_t access = mode & 0x0003;
  FileMode file_mode = access == fmOpenRead ? FileMode::kReadExisting : FileMode::kReadWriteExisting;
  if (File::Open(file_name, file_mode, file_) != OpenStatus::kOk) {
    RaiseRes<EFOpenError>(SFOpenError, {file_name});
  }
  uint64_t size = 0;
  if (!file_.Size(size) || size > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
    RaiseRes<EFOpenError>(SFOpenError, {file_name});
  }
  size_ = static_cast<int64_t>(size);
  is_writable_ = access != fmOpenRead;
}

TFileStream::~TFileStream() {
  if (!is_create_ || is_closed_) return;
  if (std::uncaught_exceptions() > uncaught_at_open_) {
    atomic_.Discard();
  } else {
    // Nothing can be raised from here; a failed rename leaves the target.
    (void)atomic_.Commit();
  }
}

File& TFileStream::file() {
  if (is_closed_) RaiseRes<EStreamError>(SInvalidStreamOrigin);
  return is_create_ ? atomic_.file() : file_;
}

void TFileStream::Close() {
  if (is_closed_) return;
  is_closed_ = true;
  if (is_create_) {
    if (!atomic_.Commit()) RaiseRes<EWriteError>(SFCreateError, {file_name_});
  } else {
    (void)file_.Close();
  }
}

int64_t TFileStream::Read(void* buffer, int64_t count) {
  File& f = file();
  if (count <= 0 || position_ >= size_) return 0;
  int64_t n = std::min({count, size_ - position_, kChunkBytes});
  int64_t got = f.ReadAt(static_cast<uint64_t>(position_), buffer, static_cast<size_t>(n));
  if (got < 0) RaiseRes<EReadError>(SReadError);
  position_ += got;
  return got;
}

int64_t TFileStream::Write(const void* buffer, int64_t count) {
  File& f = file();
  if (count <= 0) return 0;
  if (!is_writable_) RaiseRes<EWriteError>(SWriteError);
  int64_t n = std::min(count, kChunkBytes);
  int64_t end = 0;
  if (__builtin_add_overflow(position_, n, &end)) RaiseRes<EWriteError>(SWriteError);
  if (!f.WriteAt(static_cast<uint64_t>(position_), buffer, static_cast<size_t>(n))) {
    RaiseRes<EWriteError>(SWriteError);
  }
  position_ = end;
  size_ = std::max(size_, end);
  return n;
}

int64_t TFileStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, size_);
  return position_;
}

void TFileStream::SetSize(int64_t size) {
  File& f = file();
  if (size < 0 || !is_writable_ || !f.Truncate(static_cast<uint64_t>(size))) {
    RaiseRes<EWriteError>(SWriteError);
  }
  size_ = size;
  position_ = std::min(position_, size_);
}

// ---- TMemoryStream ----

int64_t TMemoryStream::Read(void* buffer, int64_t count) {
  int64_t size = Size();
  if (count <= 0 || position_ >= size) return 0;
  int64_t n = std::min(count, size - position_);
  std::memcpy(buffer, data_.data() + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t TMemoryStream::Write(const void* buffer, int64_t count) {
  if (count <= 0) return 0;
  int64_t end = 0;
  if (__builtin_add_overflow(position_, count, &end)) RaiseRes<EWriteError>(SWriteError);
  if (end > Size()) SetSize(end);
  std::memcpy(data_.data() + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  return count;
}

int64_t TMemoryStream::Seek(int64_t offset, TSeekOrigin origin) {
  position_ = SeekTarget(offset, origin, position_, Size());
  return position_;
}

void TMemoryStream::SetSize(int64_t size) {
  if (size < 0) RaiseRes<EStreamError>(SInvalidStreamOrigin);
  try {
    data_.resize(static_cast<size_t>(size));
  } catch (const std::bad_alloc&) {
    RaiseRes<EOutOfMemory>(SOutOfMemory);
  } catch (const std::length_error&) {
    RaiseRes<EOutOfMemory>(SOutOfMemory);
  }
  position_ = std::min(position_, size);
}

void TMemoryStream::Clear() {
  data_.clear();
  data_.shrink_to_fit();
  position_ = 0;
}

void TMemoryStream::LoadFromStream(TStream& source) {
  source.SetPosition(0);
  int64_t size = source.Size();
  std::vector<uint8_t> loaded;
  try {
    loaded.resize(static_cast<size_t>(size));
  } catch (const std::exception&) {
    RaiseRes<EOutOfMemory>(SOutOfMemory);
  }
  if (size > 0) source.ReadBuffer(loaded.data(), size);
  data_ = std::move(loaded);
  position_ = 0;
}

void TMemoryStream::LoadFromFile(const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(stream);
}

void TMemoryStream::SaveToStream(TStream& dest) const {
  if (!data_.empty()) dest.WriteBuffer(data_.data(), static_cast<int64_t>(data_.size()));
}

void TMemoryStream::SaveToFile(const std::string& file_name) const {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
  stream.Close();
}

// ---- TStringStream ----

TStringStream::TStringStream(const std::string& text) {
  if (!text.empty()) WriteBuffer(text.data(), static_cast<int64_t>(text.size()));
  SetPosition(0);
}

std::string TStringStream::DataString() const {
  if (Length() == 0) return {};
  return std::string(reinterpret_cast<const char*>(Memory()), Length());
}

}  // namespace plat
