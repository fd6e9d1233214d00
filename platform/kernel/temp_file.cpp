// Temporary files of the suite; see temp_file.h.
#include "plat/temp_file.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <utility>
#include <vector>

namespace plat {

std::string TempFolder() {
  const char* folder = ::getenv("TMPDIR");
  if (folder != nullptr && folder[0] != '\0') return folder;
  return "/tmp";
}

TempFile::~TempFile() { Remove(); }

TempFile::TempFile(TempFile&& other) noexcept : path_(std::exchange(other.path_, std::string())) {}

TempFile& TempFile::operator=(TempFile&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::exchange(other.path_, std::string());
  }
  return *this;
}

bool TempFile::Create(TempFile& out) {
  std::string pattern = TempFolder();
  if (pattern.back() != '/') pattern += '/';
  pattern += "ipiXXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  int fd = ::mkostemp(name.data(), O_CLOEXEC);  // mkstemp creates with mode 0600
  if (fd < 0) return false;
  ::close(fd);
  TempFile created;
  created.path_ = name.data();
  out = std::move(created);
  return true;
}

std::string TempFile::Release() { return std::exchange(path_, std::string()); }

void TempFile::Remove() {
  if (path_.empty()) return;
  int saved = errno;
  ::unlink(path_.c_str());
  errno = saved;
  path_.clear();
}

}  // namespace plat
