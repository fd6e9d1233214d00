// Log appends: O_APPEND keeps concurrent writers from overwriting each other.
#include "plat/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

#include "fault_hook.h"

namespace plat {

bool AppendLine(const std::string& path, std::string_view bytes) {
  if (path.empty()) {
    errno = ENOENT;
    return false;
  }
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0666);
  if (fd < 0) return false;
  bool ok = true;
  if (internal::ShouldFailWrite()) {
    errno = ENOSPC;
    ok = false;
  }
  size_t done = 0;
  while (ok && done < bytes.size()) {
    ssize_t put = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (put < 0) {
      if (errno == EINTR) continue;
      ok = false;
      break;
    }
    done += static_cast<size_t>(put);
  }
  int saved = errno;
  ok = (::close(fd) == 0) && ok;
  if (!ok && saved != 0) errno = saved;
  return ok;
}

}  // namespace plat
