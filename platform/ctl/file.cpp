// CFile over the kernel's files and atomic replacement, CMemFile over a
// buffer, and the mapping of system errors to CFileException causes.
#include "plat/ctl/file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace plat {
namespace {

const char* CauseText(int cause) {
  switch (cause) {
    case CFileException::none: return "No error";
    case CFileException::fileNotFound: return "File not found";
    case CFileException::badPath: return "Bad path";
    case CFileException::tooManyOpenFiles: return "Too many open files";
    case CFileException::accessDenied: return "Access denied";
    case CFileException::invalidFile: return "Invalid file";
    case CFileException::removeCurrentDir: return "Cannot remove the current folder";
    case CFileException::directoryFull: return "Folder full";
    case CFileException::badSeek: return "Bad seek";
    case CFileException::hardIO: return "Input/output error";
    case CFileException::sharingViolation: return "Sharing violation";
    case CFileException::lockViolation: return "Lock violation";
    case CFileException::diskFull: return "Disk full";
    case CFileException::endOfFile: return "End of file";
    default: return "File error";
  }
}

// The cause of a failed call; a failure without an error number is an I/O error.
int CauseOf(int os_error) {
  const int cause = CFileException::OsErrorToException(os_error);
  return cause == CFileException::none ? CFileException::hardIO : cause;
}

}  // namespace

CFileException::CFileException(int cause, LONG os_error, const char* file_name)
    : m_cause(cause), m_lOsError(os_error), m_strFileName(file_name) {
  message_ = GetErrorMessage();
}

int CFileException::OsErrorToException(LONG os_error) {
  switch (os_error) {
    case 0: return none;
    case ENOENT: return fileNotFound;
    case ENOTDIR:
    case ENAMETOOLONG:
    case ELOOP: return badPath;
    case EMFILE:
    case ENFILE: return tooManyOpenFiles;
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return accessDenied;
    case EBADF: return invalidFile;
    case EBUSY: return sharingViolation;
    case ESPIPE:
    case EINVAL: return badSeek;
    case ENOSPC:
    case EDQUOT:
    case EFBIG: return diskFull;
    case EIO: return hardIO;
    default: return genericException;
  }
}

void CFileException::ThrowOsError(LONG os_error, const char* file_name) {
  throw CFileException(OsErrorToException(os_error), os_error, file_name);
}

CString CFileException::GetErrorMessage() const {
  CString text(CauseText(m_cause));
  if (!m_strFileName.IsEmpty()) text += ": " + m_strFileName;
  return text;
}

// ---- CFile ------------------------------------------------------------------------

CFile::CFile(const char* file_name, UINT open_flags) {
  CFileException error;
  if (!Open(file_name, open_flags, &error)) throw error;
}

CFile::~CFile() {
  if (!IsOpen()) return;
  if (is_created_ && std::uncaught_exceptions() > exceptions_at_open_) {
    Abort();
    return;
  }
  try {
    Close();
  } catch (const CFileException&) {
    // A destructor cannot report; the created file was not committed.
  }
}

BOOL CFile::IsOpen() const { return is_created_ ? created_.is_open() : file_.is_open(); }

File* CFile::Target() { return is_created_ ? &created_.file() : &file_; }
const File* CFile::Target() const { return is_created_ ? &const_cast<AtomicFile&>(created_).file() : &file_; }

BOOL CFile::Open(const char* file_name, UINT open_flags, CFileException* error) {
  if (IsOpen()) Abort();
  path_ = file_name ? file_name : "";
  position_ = 0;
  is_created_ = false;
  const UINT access = open_flags & 0x3;
  can_read_ = access != modeWrite;
  can_write_ = access != modeRead;
  exceptions_at_open_ = std::uncaught_exceptions();
  auto fail = [&](OpenStatus status) {
    const int os_error = errno;
    if (error) {
      const int cause = status == OpenStatus::kNotFound && os_error == 0 ? CFileException::fileNotFound
                                                                         : CauseOf(os_error);
      *error = CFileException(cause, os_error, path_.c_str());
    }
    return FALSE;
  };
  if (path_.empty()) {
    errno = ENOENT;
    return fail(OpenStatus::kNotFound);
  }
  errno = 0;
  if ((open_flags & modeCreate) && !(open_flags & modeNoTruncate)) {
    const OpenStatus status = AtomicFile::Create(path_, created_);
    if (status != OpenStatus::kOk) return fail(status);
    is_created_ = true;
    return TRUE;
  }
  FileMode mode = can_write_ ? FileMode::kReadWriteExisting : FileMode::kReadExisting;
  OpenStatus status = File::Open(path_, mode, file_);
  if (status == OpenStatus::kNotFound && (open_flags & modeCreate)) {
    errno = 0;
    status = File::Open(path_, FileMode::kWriteCreate, file_);
  }
  if (status != OpenStatus::kOk) return fail(status);
  return TRUE;
}

void CFile::Fail(int cause, LONG os_error) const { throw CFileException(cause, os_error, path_.c_str()); }

UINT CFile::Read(void* buffer, UINT count) {
  if (!IsOpen() || !can_read_) Fail(CFileException::invalidFile, EBADF);
  if (count == 0) return 0;
  errno = 0;
  const int64_t got = Target()->ReadAt(position_, buffer, count);
  if (got < 0) Fail(CauseOf(errno), errno);
  position_ += static_cast<ULONGLONG>(got);
  return static_cast<UINT>(got);
}

void CFile::Write(const void* buffer, UINT count) {
  if (!IsOpen() || !can_write_) Fail(CFileException::invalidFile, EBADF);
  if (count == 0) return;
  errno = 0;
  if (!Target()->WriteAt(position_, buffer, count)) {
    Fail(CauseOf(errno), errno);
  }
  position_ += count;
}

ULONGLONG CFile::Seek(LONGLONG offset, UINT from) {
  if (!IsOpen()) Fail(CFileException::invalidFile, EBADF);
  LONGLONG base = 0;
  if (from == current) base = static_cast<LONGLONG>(position_);
  else if (from == end) base = static_cast<LONGLONG>(GetLength());
  else if (from != begin) Fail(CFileException::badSeek, EINVAL);
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) Fail(CFileException::badSeek, EINVAL);
  position_ = static_cast<ULONGLONG>(target);
  return position_;
}

ULONGLONG CFile::GetLength() const {
  if (!IsOpen()) Fail(CFileException::invalidFile, EBADF);
  uint64_t size = 0;
  if (!Target()->Size(size)) Fail(CFileException::hardIO, errno);
  return size;
}

void CFile::SetLength(ULONGLONG length) {
  if (!IsOpen() || !can_write_) Fail(CFileException::invalidFile, EBADF);
  if (!Target()->Truncate(length)) Fail(CauseOf(errno), errno);
}

void CFile::Flush() {
  if (!IsOpen()) return;
  if (!Target()->Flush()) Fail(CFileException::hardIO, errno);
}

void CFile::Close() {
  if (!IsOpen()) return;
  if (is_created_) {
    is_created_ = false;
    if (!created_.Commit()) {
      is_created_ = false;
      Fail(CauseOf(errno), errno);
    }
    return;
  }
  if (!file_.Close()) Fail(CFileException::hardIO, errno);
}

void CFile::Abort() {
  if (is_created_) {
    created_.Discard();
    is_created_ = false;
    return;
  }
  if (file_.is_open()) (void)file_.Close();
}

CString CFile::GetFileName() const {
  const size_t slash = path_.rfind('/');
  return slash == std::string::npos ? path_ : CString(path_.substr(slash + 1));
}

void CFile::Remove(const char* file_name) {
  if (!file_name || std::remove(file_name) != 0) CFileException::ThrowOsError(errno, file_name);
}

void CFile::Rename(const char* old_name, const char* new_name) {
  if (!old_name || !new_name || std::rename(old_name, new_name) != 0) CFileException::ThrowOsError(errno, old_name);
}

// ---- CMemFile ---------------------------------------------------------------------------

CMemFile::CMemFile(UINT grow_bytes) : grow_bytes_(grow_bytes == 0 ? 1024 : grow_bytes) {}

CMemFile::CMemFile(BYTE* buffer, UINT size_bytes, UINT grow_bytes)
    : data_(buffer), capacity_(size_bytes), length_(size_bytes), grow_bytes_(0), is_attached_(true) {}

CMemFile::~CMemFile() { Close(); }

void CMemFile::Reserve(ULONGLONG size_bytes) {
  if (size_bytes <= capacity_) return;
  // An attached buffer never grows.
  if (is_attached_ || grow_bytes_ == 0) Fail(CFileException::diskFull);
  if (size_bytes > std::numeric_limits<UINT>::max()) Fail(CFileException::diskFull);
  ULONGLONG capacity = capacity_;
  while (capacity < size_bytes) capacity += grow_bytes_;
  void* grown = std::realloc(data_, static_cast<size_t>(capacity));
  if (!grown) Fail(CFileException::diskFull, ENOMEM);
  data_ = static_cast<BYTE*>(grown);
  capacity_ = capacity;
}

UINT CMemFile::Read(void* buffer, UINT count) {
  if (position_ >= length_ || count == 0) return 0;
  const ULONGLONG n = std::min<ULONGLONG>(count, length_ - position_);
  std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return static_cast<UINT>(n);
}

void CMemFile::Write(const void* buffer, UINT count) {
  if (count == 0) return;
  const ULONGLONG end_pos = position_ + count;
  Reserve(end_pos);
  if (position_ > length_) std::memset(data_ + length_, 0, static_cast<size_t>(position_ - length_));
  std::memcpy(data_ + position_, buffer, count);
  position_ = end_pos;
  length_ = std::max(length_, end_pos);
}

ULONGLONG CMemFile::Seek(LONGLONG offset, UINT from) {
  LONGLONG base = from == current ? static_cast<LONGLONG>(position_) : from == end ? static_cast<LONGLONG>(length_) : 0;
  if (from > end) Fail(CFileException::badSeek, EINVAL);
  LONGLONG target = 0;
  if (__builtin_add_overflow(base, offset, &target) || target < 0) Fail(CFileException::badSeek, EINVAL);
  position_ = static_cast<ULONGLONG>(target);
  return position_;
}

void CMemFile::SetLength(ULONGLONG length) {
  Reserve(length);
  if (length > length_) std::memset(data_ + length_, 0, static_cast<size_t>(length - length_));
  length_ = length;
  if (position_ > length_) position_ = length_;
}

void CMemFile::Close() {
  if (!is_attached_) std::free(data_);
  data_ = nullptr;
  capacity_ = length_ = position_ = 0;
  is_attached_ = false;
}

BYTE* CMemFile::Detach() {
  BYTE* out = data_;
  data_ = nullptr;
  capacity_ = length_ = position_ = 0;
  is_attached_ = false;
  return out;
}

}  // namespace plat
