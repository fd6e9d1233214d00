// Atomic replacement of a file: the data goes to a temporary file in the
// target's folder, which is flushed and renamed over the target only by
// Commit(). An uncommitted file removes its temporary and leaves the target
// exactly as it was.
#ifndef PLAT_ATOMIC_FILE_H_
#define PLAT_ATOMIC_FILE_H_

#include <string>
#include <string_view>

#include "plat/files.h"

namespace plat {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile();
  AtomicFile(AtomicFile&& other) noexcept;
  AtomicFile& operator=(AtomicFile&& other) noexcept;
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Makes the temporary file beside `target`. kNotFound when the folder does
  // not exist, kCannotOpen when it cannot hold a new file.
  [[nodiscard]] static OpenStatus Create(const std::string& target, AtomicFile& out);

  bool is_open() const { return file_.is_open(); }
  const std::string& target() const { return target_; }
  const std::string& temp_path() const { return temp_path_; }
  File& file() { return file_; }

  // Flushes, closes and renames the temporary over the target. On failure the
  // temporary is removed and the target is untouched.
  [[nodiscard]] bool Commit();
  // Removes the temporary now; the target is untouched.
  void Discard();

 private:
  File file_;
  std::string target_;
  std::string temp_path_;
};

// Replaces the whole of `target` with `bytes` through an AtomicFile; false
// (with errno) when any step fails, the earlier file then as it was.
[[nodiscard]] bool ReplaceFileContents(const std::string& target, std::string_view bytes);

}  // namespace plat

#endif  // PLAT_ATOMIC_FILE_H_
