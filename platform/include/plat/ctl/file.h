// CFile, CMemFile and CFileException: the class library's files. Failures
// raise CFileException with a cause and the system's error number. A file
// opened with modeCreate (and without modeNoTruncate) is written beside its
// target and replaces it only when closed without an exception in flight;
// Abort, or an unwinding exception, leaves the earlier file as it was.
#ifndef PLAT_CTL_FILE_H_
#define PLAT_CTL_FILE_H_

#include <exception>
#include <memory>
#include <vector>

#include "plat/atomic_file.h"
#include "plat/ctl/cstring.h"

namespace plat {

class CFileException : public std::exception {
 public:
  enum {
    none = 0,
    genericException,
    fileNotFound,
    badPath,
    tooManyOpenFiles,
    accessDenied,
    invalidFile,
    removeCurrentDir,
    directoryFull,
    badSeek,
    hardIO,
    sharingViolation,
    lockViolation,
    diskFull,
    endOfFile,
  };
  CFileException(int cause = none, LONG os_error = -1, const char* file_name = nullptr);

  // The cause for a system error number (errno).
  static int OsErrorToException(LONG os_error);
  [[noreturn]] static void ThrowOsError(LONG os_error, const char* file_name = nullptr);
  // A short English text naming the cause and the file.
  CString GetErrorMessage() const;
  const char* what() const noexcept override { return message_.c_str(); }

  int m_cause;
  LONG m_lOsError;
  CString m_strFileName;

 private:
  CString message_;
};

class CFile {
 public:
  enum OpenFlags : UINT {
    modeRead = 0x0000,
    modeWrite = 0x0001,
    modeReadWrite = 0x0002,
    shareCompat = 0x0000,
    shareExclusive = 0x0010,
    shareDenyWrite = 0x0020,
    shareDenyRead = 0x0030,
    shareDenyNone = 0x0040,
    modeNoInherit = 0x0080,
    modeCreate = 0x1000,
    modeNoTruncate = 0x2000,
    typeText = 0x4000,
    typeBinary = 0x8000,
  };
  enum SeekPosition : UINT { begin = 0, current = 1, end = 2 };

  CFile() = default;
  // Opens or raises CFileException.
  CFile(const char* file_name, UINT open_flags);
  virtual ~CFile();
  CFile(const CFile&) = delete;
  CFile& operator=(const CFile&) = delete;

  // FALSE on failure, with the reason in *error when given. Share modes are
  // accepted and not enforced.
  virtual BOOL Open(const char* file_name, UINT open_flags, CFileException* error = nullptr);
  virtual UINT Read(void* buffer, UINT count);
  virtual void Write(const void* buffer, UINT count);
  virtual ULONGLONG Seek(LONGLONG offset, UINT from);
  void SeekToBegin() { Seek(0, begin); }
  ULONGLONG SeekToEnd() { return Seek(0, end); }
  virtual ULONGLONG GetLength() const;
  virtual void SetLength(ULONGLONG length);
  virtual ULONGLONG GetPosition() const { return position_; }
  virtual void Flush();
  // Commits a created file; raises on failure.
  virtual void Close();
  // Closes without raising; a created file is discarded.
  virtual void Abort();

  BOOL IsOpen() const;
  const CString& GetFilePath() const { return path_; }
  CString GetFileName() const;

  static void Remove(const char* file_name);
  static void Rename(const char* old_name, const char* new_name);

 protected:
  [[noreturn]] void Fail(int cause, LONG os_error = -1) const;
  ULONGLONG position_ = 0;
  CString path_;

 private:
  File* Target();
  const File* Target() const;
  File file_;
  AtomicFile created_;
  bool is_created_ = false;
  bool can_read_ = false;
  bool can_write_ = false;
  int exceptions_at_open_ = 0;
};

// A file in memory: either its own buffer that grows by `grow_bytes`, or a
// caller's buffer of fixed size (writing past its end raises diskFull).
class CMemFile : public CFile {
 public:
  explicit CMemFile(UINT grow_bytes = 1024);
  CMemFile(BYTE* buffer, UINT size_bytes, UINT grow_bytes = 0);
  ~CMemFile() override;

  BOOL Open(const char*, UINT, CFileException* error = nullptr) override { return FALSE; }
  UINT Read(void* buffer, UINT count) override;
  void Write(const void* buffer, UINT count) override;
  ULONGLONG Seek(LONGLONG offset, UINT from) override;
  ULONGLONG GetLength() const override { return length_; }
  void SetLength(ULONGLONG length) override;
  void Flush() override {}
  void Close() override;
  void Abort() override { Close(); }
  // Hands the buffer out (a grown buffer is the caller's to free() then) and
  // leaves the file empty and closed.
  BYTE* Detach();

 private:
  void Reserve(ULONGLONG size_bytes);
  BYTE* data_ = nullptr;
  ULONGLONG capacity_ = 0;
  ULONGLONG length_ = 0;
  UINT grow_bytes_;
  bool is_attached_ = false;
};

}  // namespace plat

#endif  // PLAT_CTL_FILE_H_
