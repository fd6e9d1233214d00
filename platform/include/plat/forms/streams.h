// Streams of the class library: TStream (positioned reads and writes with
// ReadBuffer/WriteBuffer raising on a short transfer), TFileStream and
// TMemoryStream. A file stream opened with fmCreate writes to a temporary
// file beside the target and renames it over the target when the stream is
// freed with no exception in flight (or by Close); freed while an exception
// unwinds, it removes the temporary and the earlier file stays as it was.
// fmOpenWrite and fmOpenReadWrite work in place. Share modes are ignored.
#ifndef PLAT_FORMS_STREAMS_H_
#define PLAT_FORMS_STREAMS_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "plat/atomic_file.h"
#include "plat/files.h"
#include "plat/forms/object.h"

namespace plat {

enum class TSeekOrigin { soBeginning, soCurrent, soEnd };
using enum TSeekOrigin;

class TStream : public TObject {
 public:
  // Up to `count` bytes; the number moved (0 at the end).
  virtual int64_t Read(void* buffer, int64_t count) = 0;
  virtual int64_t Write(const void* buffer, int64_t count) = 0;
  // The new position. Raises EStreamError for a position below 0.
  virtual int64_t Seek(int64_t offset, TSeekOrigin origin) = 0;

  int64_t Position() { return Seek(0, soCurrent); }
  void SetPosition(int64_t position) { Seek(position, soBeginning); }
  virtual int64_t Size();
  virtual void SetSize(int64_t size);

  // Exactly `count` bytes, else EReadError / EWriteError.
  void ReadBuffer(void* buffer, int64_t count);
  void WriteBuffer(const void* buffer, int64_t count);
  // Copies `count` bytes from the source's position; count 0 copies the
  // whole source from its start. Returns the bytes copied.
  int64_t CopyFrom(TStream& source, int64_t count);
};

// Open modes; a share flag may be or-ed in and is ignored.
constexpr uint16_t fmCreate = 0xFFFF;
constexpr uint16_t fmOpenRead = 0x0000;
constexpr uint16_t fmOpenWrite = 0x0001;
constexpr uint16_t fmOpenReadWrite = 0x0002;
constexpr uint16_t fmShareCompat = 0x0000;
constexpr uint16_t fmShareExclusive = 0x0010;
constexpr uint16_t fmShareDenyWrite = 0x0020;
constexpr uint16_t fmShareDenyRead = 0x0030;
constexpr uint16_t fmShareDenyNone = 0x0040;

class TFileStream : public TStream {
 public:
  // fmCreate: EFCreateError when the temporary cannot be made (missing
  // folder, no permission). Open modes: EFOpenError when the file cannot be
  // opened. Both texts name the file.
  TFileStream(const std::string& file_name, uint16_t mode);
  // Commits an fmCreate stream unless an exception is unwinding; a commit
  // that fails here cannot raise and leaves the earlier file as it was.
  ~TFileStream() override;

  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return size_; }
  void SetSize(int64_t size) override;

  // Commits an fmCreate stream now (EWriteError when the rename fails; the
  // earlier file is then unchanged) and closes the file. Later reads and
  // writes raise EStreamError.
  void Close();
  const std::string& FileName() const { return file_name_; }

 private:
  File& file();

  std::string file_name_;
  bool is_create_ = false;
  bool is_writable_ = false;
  bool is_closed_ = false;
  int uncaught_at_open_ = 0;
  AtomicFile atomic_;
  File file_;
  int64_t position_ = 0;
  int64_t size_ = 0;
};

class TMemoryStream : public TStream {
 public:
  int64_t Read(void* buffer, int64_t count) override;
  int64_t Write(const void* buffer, int64_t count) override;
  int64_t Seek(int64_t offset, TSeekOrigin origin) override;
  int64_t Size() override { return static_cast<int64_t>(data_.size()); }
  void SetSize(int64_t size) override;

  void Clear();
  size_t Length() const { return data_.size(); }
  uint8_t* Memory() { return data_.data(); }
  const uint8_t* Memory() const { return data_.data(); }
  // Replaces the content by the whole source / file; position 0 afterwards.
  void LoadFromStream(TStream& source);
  void LoadFromFile(const std::string& file_name);
  // Writes the whole content (not only from the position).
  void SaveToStream(TStream& dest) const;
  void SaveToFile(const std::string& file_name) const;

 private:
  std::vector<uint8_t> data_;
  int64_t position_ = 0;
};

// A memory stream over a text.
class TStringStream : public TMemoryStream {
 public:
  explicit TStringStream(const std::string& text = {});
  std::string DataString() const;
};

}  // namespace plat

#endif  // PLAT_FORMS_STREAMS_H_
