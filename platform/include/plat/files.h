// Files of the platform layer: opening with the distinctions callers report
// (missing file apart from a file that cannot be opened), positioned reads and
// writes with 64-bit offsets, and removal. Every write passes the fault switch.
#ifndef PLAT_FILES_H_
#define PLAT_FILES_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace plat {

enum class OpenStatus {
  kOk,
  kNotFound,    // the file (or a folder on its path) does not exist
  kCannotOpen,  // it exists, or should be created, but cannot be opened
};

enum class FileMode {
  kReadExisting,       // read only; the file must exist
  kReadWriteExisting,  // read and write; the file must exist
  kWriteCreate,        // read and write; created, or truncated when it exists
};

class File {
 public:
  File() = default;
  ~File();
  File(File&& other) noexcept;
  File& operator=(File&& other) noexcept;
  File(const File&) = delete;
  File& operator=(const File&) = delete;

  [[nodiscard]] static OpenStatus Open(const std::string& path, FileMode mode, File& out);
  // Takes ownership of an open descriptor.
  static File FromDescriptor(int fd);

  bool is_open() const { return fd_ >= 0; }
  int descriptor() const { return fd_; }

  // Reads up to `count` bytes at `offset`; returns the bytes read, or -1.
  [[nodiscard]] int64_t ReadAt(uint64_t offset, void* buffer, size_t count);
  // Reads exactly `count` bytes at `offset`; false on a short read or an error.
  [[nodiscard]] bool ReadExactAt(uint64_t offset, void* buffer, size_t count);
  // Writes all `count` bytes at `offset`; false on any failure.
  [[nodiscard]] bool WriteAt(uint64_t offset, const void* buffer, size_t count);
  [[nodiscard]] bool Size(uint64_t& out) const;
  [[nodiscard]] bool Truncate(uint64_t size_bytes);
  // Pushes the file's data to the disk.
  [[nodiscard]] bool Flush();
  // Closes the descriptor; false when the close reports an error.
  [[nodiscard]] bool Close();

 private:
  int fd_ = -1;
};

// Opens and reads a whole file; kCannotOpen also covers read errors.
[[nodiscard]] OpenStatus ReadWholeFile(const std::string& path, std::vector<uint8_t>& out);

// How a capped whole-file read ended.
enum class ReadStatus {
  kOk,
  kNotFound,    // as OpenStatus::kNotFound
  kCannotOpen,  // as OpenStatus::kCannotOpen, or its size cannot be taken
  kTooLarge,    // above the cap; nothing was read
  kReadFailed,  // a read error, a short read (the file shrank: EIO) or no memory (ENOMEM)
};
// Reads a whole file of at most `max_bytes` bytes into `out`, which is left
// as it was unless the read succeeds. errno tells the reason of a failure.
[[nodiscard]] ReadStatus ReadWholeFile(const std::string& path, uint64_t max_bytes, std::vector<uint8_t>& out);
[[nodiscard]] bool FileExists(const std::string& path);
[[nodiscard]] bool RemoveFile(const std::string& path);

}  // namespace plat

#endif  // PLAT_FILES_H_
