// FileTypeDetector: tells what a file, a memory image or an open stream
// holds from its first bytes (never from a name): the control's image
// formats, a few sound and video formats (to refuse them) and formats the
// control cannot read. Every read lies inside the stream; a stream's
// position is the same after detection as before it.
#ifndef CONTROLS_EDIT_FILE_TYPE_DETECTOR_H_
#define CONTROLS_EDIT_FILE_TYPE_DETECTOR_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "plat/global_memory.h"
#include "plat/types.h"

namespace plat {
class CFile;
}

namespace ondavel {

// Type codes beyond the media formats: sound and video.
constexpr int32_t kFileTypeWave = 201;
constexpr int32_t kFileTypeMidi = 202;
constexpr int32_t kFileTypeAvi = 301;
constexpr int32_t kFileTypeMpeg = 302;
// Media kinds.
constexpr int32_t kMediaKindImage = 1;
constexpr int32_t kMediaKindSound = 2;
constexpr int32_t kMediaKindVideo = 3;

class FileTypeDetector {
 public:
  FileTypeDetector();
  ~FileTypeDetector();
  FileTypeDetector(const FileTypeDetector&) = delete;
  FileTypeDetector& operator=(const FileTypeDetector&) = delete;

  // Each gives TRUE exactly when error() is 0 afterwards; type_code() and
  // media_kind() then say what was found.
  plat::BOOL DetectFileFormat(const char* file_name);
  // `length` bytes at `block`, which the caller vouches for.
  plat::BOOL DetectMemoryFormat(const void* block, size_t length);
  // `length` bytes of a global block: 0 < length <= GlobalSize(block), else 1001.
  plat::BOOL DetectMemoryFormat(HGLOBAL block, size_t length);
  plat::BOOL DetectStreamFormat(plat::CFile* stream);

  int32_t type_code() const { return type_code_; }
  int32_t media_kind() const { return media_kind_; }
  int16_t error() const { return error_; }
  int64_t stream_length() const { return stream_length_; }

  // The limit on TIFF directories walked; a longer chain is refused.
  static constexpr int kMaxTiffDirectories = 65536;

 private:
  plat::BOOL Probe(plat::CFile* stream);
  void RunProbes();
  void Match(int32_t type_code, int32_t media_kind);
  // Bytes of the first kilobyte equal to `magic` at `offset`; false (and no
  // error) when the stream is shorter.
  bool HasBytes(int64_t offset, const void* magic, size_t size) const;
  // Random-access reads inside the stream: 0 and error 2001 outside it.
  uint8_t ReadU8(int64_t offset);
  uint16_t ReadU16(int64_t offset, bool big_endian);
  uint32_t ReadU32(int64_t offset, bool big_endian);
  // The `size` bytes at `offset`, from the header, the window, or a new window.
  const uint8_t* Fetch(int64_t offset, int size);
  bool ProbeRiff();
  bool ProbeMidi();
  bool ProbeMpeg();
  bool ProbeBmp();
  bool ProbeTiff();
  bool ProbeGif();
  bool ProbePng();
  bool ProbeJfif();
  bool ProbeZoltra();
  bool ProbeJpegSignature();
  bool ProbePcx();
  bool ProbeJpegMarkers();

  int32_t type_code_ = -1;
  int32_t media_kind_ = -1;
  int64_t stream_length_ = 0;
  int16_t error_ = 0;
  plat::CFile* stream_ = nullptr;
  std::unique_ptr<uint8_t[]> header_;  // 1024 bytes; the second half is the window
  int64_t bytes_read_ = 0;
  uint8_t* window_ = nullptr;
  int64_t window_start_ = 0;
  int64_t window_bytes_ = 0;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_FILE_TYPE_DETECTOR_H_
