// Positioned file access over POSIX descriptors. Reads and writes never move a
// shared file position, so callers keep their own offsets.
#include "plat/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <new>
#include <utility>

#include "fault_hook.h"

namespace plat {

File::~File() {
  if (fd_ >= 0) ::close(fd_);
}

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

File& File::operator=(File&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

OpenStatus File::Open(const std::string& path, FileMode mode, File& out) {
  int flags = O_CLOEXEC;
  switch (mode) {
    case FileMode::kReadExisting: flags |= O_RDONLY; break;
    case FileMode::kReadWriteExisting: flags |= O_RDWR; break;
    case FileMode::kWriteCreate: flags |= O_RDWR | O_CREAT | O_TRUNC; break;
  }
  if (path.empty()) {
    errno = ENOENT;
    return OpenStatus::kNotFound;
  }
  int fd = ::open(path.c_str(), flags, 0666);
  if (fd < 0) {
    return (errno == ENOENT || errno == ENOTDIR) ? OpenStatus::kNotFound : OpenStatus::kCannotOpen;
  }
  struct stat info;
  if (::fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
    ::close(fd);
    errno = EISDIR;
    return OpenStatus::kCannotOpen;
  }
  out = FromDescriptor(fd);
  return OpenStatus::kOk;
}

File File::FromDescriptor(int fd) {
  File file;
  file.fd_ = fd;
  return file;
}

int64_t File::ReadAt(uint64_t offset, void* buffer, size_t count) {
  auto* bytes = static_cast<unsigned char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t got = ::pread(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (got < 0) {
      if (errno == EINTR) continue;
      return -1;
    }
    if (got == 0) break;
    done += static_cast<size_t>(got);
  }
  return static_cast<int64_t>(done);
}

bool File::ReadExactAt(uint64_t offset, void* buffer, size_t count) {
  int64_t got = ReadAt(offset, buffer, count);
  if (got < 0) return false;
  if (static_cast<size_t>(got) != count) {
    errno = EIO;  // the file ends before the bytes asked for
    return false;
  }
  return true;
}

bool File::WriteAt(uint64_t offset, const void* buffer, size_t count) {
  if (internal::ShouldFailWrite()) {
    errno = ENOSPC;
    return false;
  }
  const auto* bytes = static_cast<const unsigned char*>(buffer);
  size_t done = 0;
  while (done < count) {
    ssize_t put = ::pwrite(fd_, bytes + done, count - done, static_cast<off_t>(offset + done));
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(put);
  }
  return true;
}

bool File::Size(uint64_t& out) const {
  struct stat info;
  if (::fstat(fd_, &info) != 0) return false;
  out = static_cast<uint64_t>(info.st_size);
  return true;
}

bool File::Truncate(uint64_t size_bytes) {
  return ::ftruncate(fd_, static_cast<off_t>(size_bytes)) == 0;
}

bool File::Flush() {
  if (internal::ShouldFailFlush()) {
    errno = EIO;
    return false;
  }
  return ::fsync(fd_) == 0;
}

bool File::Close() {
  if (fd_ < 0) return true;
  int result = ::close(std::exchange(fd_, -1));
  return result == 0;
}

OpenStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& out) {
  switch (ReadWholeFile(path, UINT64_MAX, out)) {
    case ReadStatus::kOk: return OpenStatus::kOk;
    case ReadStatus::kNotFound: return OpenStatus::kNotFound;
    default: return OpenStatus::kCannotOpen;
  }
}

ReadStatus ReadWholeFile(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out) {
  File file;
  switch (File::Open(path, FileMode::kReadExisting, file)) {
    case OpenStatus::kOk: break;
    case OpenStatus::kNotFound: return ReadStatus::kNotFound;
    case OpenStatus::kCannotOpen: return ReadStatus::kCannotOpen;
  }
  uint64_t size_bytes = 0;
  if (!file.Size(size_bytes)) return ReadStatus::kCannotOpen;
  if (size_bytes > max_bytes || size_bytes > SIZE_MAX) {
    errno = EFBIG;
    return ReadStatus::kTooLarge;
  }
  std::vector<uint8_t> bytes;
  try {
    bytes.resize(static_cast<size_t>(size_bytes));
  } catch (const std::bad_alloc&) {
    errno = ENOMEM;
    return ReadStatus::kReadFailed;
  }
  if (!file.ReadExactAt(0, bytes.data(), bytes.size())) return ReadStatus::kReadFailed;
  out = std::move(bytes);
  return ReadStatus::kOk;
}

bool FileExists(const std::string& path) {
  struct stat info;
  return !path.empty() && ::stat(path.c_str(), &info) == 0;
}

bool RemoveFile(const std::string& path) { return ::unlink(path.c_str()) == 0; }

}  // namespace plat
