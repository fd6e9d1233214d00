// Thread-local last error and the errno translation shared by the kernel.
#include "plat/last_error.h"

#include <cerrno>

namespace plat {
namespace {

thread_local DWORD t_last_error = ERROR_SUCCESS;

}  // namespace

DWORD GetLastError() { return t_last_error; }

void SetLastError(DWORD code) { t_last_error = code; }

DWORD ErrorFromErrno(int errno_value) {
  switch (errno_value) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EBADF: return ERROR_INVALID_HANDLE;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG:
    case ELOOP: return ERROR_INVALID_NAME;
    case EISDIR: return ERROR_DIRECTORY;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case EIO: return ERROR_WRITE_FAULT;
    default: return ERROR_INVALID_FUNCTION;
  }
}

}  // namespace plat
