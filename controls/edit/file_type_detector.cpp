// The probe sequence of FileTypeDetector. The first kilobyte is read once;
// its first half answers reads near the start, and its second half is a
// 512-byte window that moves to wherever a later read lands. Every read is
// checked against the stream's length before it is made.
#include "file_type_detector.h"

#include <cstring>
#include <new>
#include <unordered_set>

#include "edit_constants.h"
#include "plat/ctl/file.h"

namespace ondavel {

namespace {

constexpr int kHeaderBytes = 1024;
constexpr int kWindowBytes = 512;
constexpr uint16_t kTiffTagCompression = 259;
constexpr uint16_t kTiffCompressionLzw = 5;

// Restores a stream's position on every way out of a scope.
class PositionGuard {
 public:
  explicit PositionGuard(plat::CFile& stream) : stream_(stream), position_(stream.GetPosition()) {}
  ~PositionGuard() {
    try {
      stream_.Seek(static_cast<plat::LONGLONG>(position_), plat::CFile::begin);
    } catch (const plat::CFileException&) {
      // The position was valid before; a stream that cannot go back to it
      // has already reported its failure.
    }
  }
  PositionGuard(const PositionGuard&) = delete;
  PositionGuard& operator=(const PositionGuard&) = delete;

 private:
  plat::CFile& stream_;
  plat::ULONGLONG position_;
};

}  // namespace

FileTypeDetector::FileTypeDetector() : header_(new (std::nothrow) uint8_t[kHeaderBytes]) {}

FileTypeDetector::~FileTypeDetector() = default;

plat::BOOL FileTypeDetector::DetectFileFormat(const char* file_name) {
  error_ = 0;
  plat::CFile file;
  plat::CFileException reason;
  if (file_name == nullptr || !file.Open(file_name, plat::CFile::modeRead | plat::CFile::typeBinary |
                                                        plat::CFile::shareDenyNone, &reason)) {
    switch (file_name == nullptr ? plat::CFileException::fileNotFound : reason.m_cause) {
      case plat::CFileException::fileNotFound: error_ = plat::qrvErrFileNotFound; break;
      case plat::CFileException::badPath: error_ = plat::qrvErrPathNotFound; break;
      case plat::CFileException::invalidFile: error_ = plat::qrvErrSystemError; break;
      default: error_ = plat::qrvErrFileIOError; break;
    }
    return FALSE;
  }
  Probe(&file);
  file.Abort();
  if (error_ == plat::qrvErrInvalidParam) error_ = plat::qrvErrSystemError;
  return error_ == 0;
}

plat::BOOL FileTypeDetector::DetectMemoryFormat(const void* block, size_t length) {
  error_ = 0;
  if (block == nullptr) return error_ = plat::qrvErrInvalidParam, FALSE;
  // A memory file holds at most 4 GiB; beyond that the image is not probed.
  if (length > UINT32_MAX) return error_ = plat::qrvErrInvalidParam, FALSE;
  plat::CMemFile memory(static_cast<plat::BYTE*>(const_cast<void*>(block)), static_cast<plat::UINT>(length), 0);
  Probe(&memory);
  if (error_ == plat::qrvErrInvalidParam) error_ = plat::qrvErrSystemError;
  return error_ == 0;
}

plat::BOOL FileTypeDetector::DetectMemoryFormat(HGLOBAL block, size_t length) {
  error_ = 0;
  // A length beyond the block would make every probe read past it.
  if (block == 0 || length == 0 || length > GlobalSize(block)) return error_ = plat::qrvErrInvalidParam, FALSE;
  const void* bytes = GlobalLock(block);
  if (bytes == nullptr) return error_ = plat::qrvErrInvalidParam, FALSE;
  const plat::BOOL found = DetectMemoryFormat(bytes, length);
  (void)GlobalUnlock(block);
  return found;
}

plat::BOOL FileTypeDetector::DetectStreamFormat(plat::CFile* stream) {
  error_ = 0;
  if (stream == nullptr) return error_ = plat::qrvErrInvalidParam, FALSE;
  return Probe(stream);
}

plat::BOOL FileTypeDetector::Probe(plat::CFile* stream) {
  error_ = 0;
  type_code_ = -1;
  media_kind_ = -1;
  if (!header_) return error_ = plat::qrvErrOutofMemory, FALSE;
  stream_ = stream;
  try {
    PositionGuard keep(*stream);
    const plat::ULONGLONG length = stream->GetLength();
    stream_length_ = length > uint64_t{INT64_MAX} ? INT64_MAX : static_cast<int64_t>(length);
    std::memset(header_.get(), 0, kHeaderBytes);
    bytes_read_ = 0;
    // Offsets are counted from the stream's start, wherever it stood.
    stream->Seek(0, plat::CFile::begin);
    while (bytes_read_ < kHeaderBytes) {
      const plat::UINT got = stream->Read(header_.get() + bytes_read_, plat::UINT(kHeaderBytes - bytes_read_));
      if (got == 0) break;
      bytes_read_ += got;
    }
    window_ = header_.get() + kWindowBytes;
    window_start_ = kWindowBytes;
    window_bytes_ = bytes_read_ > kWindowBytes ? bytes_read_ - kWindowBytes : 0;
    if (bytes_read_ == 0) return error_ = plat::qrvErrInvalidFileFormat, FALSE;
    // The stream's own length may be wrong for a stream that gave fewer
    // bytes than it claimed; reads stay inside what it actually holds.
    RunProbes();
  } catch (const plat::CFileException&) {
    error_ = plat::qrvErrFileIOError;
  }
  stream_ = nullptr;
  return error_ == 0;
}

void FileTypeDetector::RunProbes() {
  using ProbeFunction = bool (FileTypeDetector::*)();
  static constexpr ProbeFunction kProbes[] = {
      &FileTypeDetector::ProbeRiff,    &FileTypeDetector::ProbeMidi,          &FileTypeDetector::ProbeMpeg,
      &FileTypeDetector::ProbeBmp,     &FileTypeDetector::ProbeTiff,          &FileTypeDetector::ProbeGif,
      &FileTypeDetector::ProbePng,     &FileTypeDetector::ProbeJfif,          &FileTypeDetector::ProbeZoltra,
      &FileTypeDetector::ProbeJpegSignature, &FileTypeDetector::ProbePcx, &FileTypeDetector::ProbeJpegMarkers,
  };
  for (ProbeFunction probe : kProbes) {
    if ((this->*probe)()) return;
  }
  error_ = plat::qrvErrInvalidFileFormat;
}

void FileTypeDetector::Match(int32_t type_code, int32_t media_kind) {
  type_code_ = type_code;
  media_kind_ = media_kind;
}

bool FileTypeDetector::HasBytes(int64_t offset, const void* magic, size_t size) const {
  if (offset < 0 || offset + int64_t(size) > stream_length_ || offset + int64_t(size) > kWindowBytes) return false;
  return std::memcmp(header_.get() + offset, magic, size) == 0;
}

const uint8_t* FileTypeDetector::Fetch(int64_t offset, int size) {
  if (offset < 0 || offset > stream_length_ - size) {
    error_ = plat::qrvErrInvalidFileFormat;
    return nullptr;
  }
  if (offset + size <= kWindowBytes) return header_.get() + offset;
  if (offset >= window_start_ && offset + size <= window_start_ + window_bytes_) {
    return window_ + (offset - window_start_);
  }
  stream_->Seek(offset, plat::CFile::begin);
  int64_t got_total = 0;
  while (got_total < kWindowBytes) {
    const plat::UINT got = stream_->Read(window_ + got_total, plat::UINT(kWindowBytes - got_total));
    if (got == 0) break;
    got_total += got;
  }
  window_start_ = offset;
  window_bytes_ = got_total;
  if (got_total < size) {
    // The stream holds less than its length said.
    error_ = plat::qrvErrInvalidFileFormat;
    return nullptr;
  }
  return window_;
}

uint8_t FileTypeDetector::ReadU8(int64_t offset) {
  const uint8_t* p = Fetch(offset, 1);
  return p ? p[0] : 0;
}

uint16_t FileTypeDetector::ReadU16(int64_t offset, bool big_endian) {
  const uint8_t* p = Fetch(offset, 2);
  if (!p) return 0;
  return big_endian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}

uint32_t FileTypeDetector::ReadU32(int64_t offset, bool big_endian) {
  const uint8_t* p = Fetch(offset, 4);
  if (!p) return 0;
  if (big_endian) return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
  return uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}

// ---- The probes, in the order they run -------------------------------------------------------

bool FileTypeDetector::ProbeRiff() {
  if (!HasBytes(0, "RIFF", 4)) return false;
  if (HasBytes(8, "WAVE", 4)) return Match(kFileTypeWave, kMediaKindSound), true;
  if (HasBytes(8, "RMID", 4)) return Match(kFileTypeMidi, kMediaKindSound), true;
  if (HasBytes(8, "AVI ", 4)) return Match(kFileTypeAvi, kMediaKindVideo), true;
  return false;
}

bool FileTypeDetector::ProbeMidi() {
  static constexpr uint8_t kHeaderChunk[] = {0x4D, 0x54, 0x68, 0x64, 0x00};
  if (!HasBytes(0, kHeaderChunk, sizeof(kHeaderChunk))) return false;
  return Match(kFileTypeMidi, kMediaKindSound), true;
}

bool FileTypeDetector::ProbeMpeg() {
  static constexpr uint8_t kSequence[] = {0x00, 0x00, 0x01, 0xB3};
  static constexpr uint8_t kPack[] = {0x00, 0x00, 0x01, 0xBA};
  if (!HasBytes(0, kSequence, 4) && !HasBytes(0, kPack, 4)) return false;
  return Match(kFileTypeMpeg, kMediaKindVideo), true;
}

bool FileTypeDetector::ProbeBmp() {
  if (!HasBytes(0, "BM", 2)) return false;
  const uint32_t file_size = ReadU32(2, false);
  if (error_ != 0 || stream_length_ < int64_t{file_size}) return false;
  return Match(plat::qrvFileBMP, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeTiff() {
  bool big_endian = false;
  if (HasBytes(0, "MM", 2)) big_endian = true;
  else if (!HasBytes(0, "II", 2)) return false;
  PositionGuard keep(*stream_);
  const int max_type = big_endian ? 5 : 12;
  int64_t offset = ReadU32(4, big_endian);
  if (error_ != 0 || offset >= stream_length_ - 2) return false;
  // A chain that comes back to a directory it has seen, or that goes on
  // past the limit, is refused rather than walked for ever.
  std::unordered_set<int64_t> visited;
  while (offset > 0) {
    if (!visited.insert(offset).second || int(visited.size()) > kMaxTiffDirectories) {
      error_ = plat::qrvErrInvalidFileFormat;
      break;
    }
    const uint16_t entries = ReadU16(offset, big_endian);
    if (error_ != 0) break;
    for (int i = 0; i < entries; ++i) {
      const int64_t entry = offset + 2 + 12 * int64_t{i};
      const uint16_t type = ReadU16(entry + 2, big_endian);
      if (error_ != 0) break;
      if (type < 1 || type > max_type) return false;
      if (ReadU16(entry, big_endian) == kTiffTagCompression && ReadU16(entry + 8, big_endian) == kTiffCompressionLzw) {
        if (error_ != 0) break;
        // LZW pages are not read by the control.
        Match(plat::qrvFileTIFF, kMediaKindImage);
        error_ = plat::qrvErrNotSupportFileFormat;
        return true;
      }
    }
    if (error_ != 0) break;
    offset = ReadU32(offset + 2 + 12 * int64_t{entries}, big_endian);
  }
  return Match(plat::qrvFileTIFF, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeGif() {
  if (!HasBytes(0, "GIF8", 4) || (!HasBytes(4, "7a", 2) && !HasBytes(4, "9a", 2))) return false;
  // Recognised and refused: the control does not read GIF.
  error_ = plat::qrvErrNotSupportFileFormat;
  return true;
}

bool FileTypeDetector::ProbePng() {
  static constexpr uint8_t kSignature[] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
  if (!HasBytes(0, kSignature, sizeof(kSignature))) return false;
  return Match(plat::qrvFilePNG, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeJfif() {
  static constexpr uint8_t kStart[] = {0xFF, 0xD8, 0xFF, 0xE0, 0x00, 0x10};
  if (!HasBytes(0, kStart, sizeof(kStart)) || !HasBytes(6, "JFIF", 4)) return false;
  return Match(plat::qrvFileJPEG, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeZoltra() {
  static constexpr uint8_t kShort[] = {0xF0, 0xF3, '#'};
  static constexpr uint8_t kLong[] = {0xF0, 0xF4, '#'};
  int64_t first = 0;
  if (HasBytes(0, kShort, 3)) first = 804;
  else if (HasBytes(0, kLong, 3)) first = 1060;
  else return false;
  const uint32_t a = ReadU32(first, true);
  const uint32_t b = ReadU32(first + 4, true);
  if (error_ != 0 || a != 0xF5000024u || b != 0xF4000020u) return false;
  return Match(qrvFileZoltra, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeJpegSignature() {
  static constexpr uint8_t kSignature[] = {0xFF, 0xD8, 0xFF};
  if (!HasBytes(0, kSignature, sizeof(kSignature))) return false;
  return Match(plat::qrvFileJPEG, kMediaKindImage), true;
}

bool FileTypeDetector::ProbePcx() {
  static constexpr uint8_t kManufacturer = 10;
  if (!HasBytes(0, &kManufacturer, 1)) return false;
  const uint8_t version = ReadU8(1), encoding = ReadU8(2), bits = ReadU8(3), palette_kind = ReadU8(68);
  if (error_ != 0) return false;
  const bool is_version = version == 0 || version == 2 || version == 3 || version == 5;
  const bool is_bits = bits == 1 || bits == 2 || bits == 4 || bits == 8;
  if (!is_version || encoding != 1 || !is_bits || (palette_kind != 1 && palette_kind != 2)) return false;
  return Match(plat::qrvFilePCX, kMediaKindImage), true;
}

bool FileTypeDetector::ProbeJpegMarkers() {
  PositionGuard keep(*stream_);
  bool has_start = false;
  for (int64_t at = 0; at + 1 < stream_length_; ++at) {
    if (ReadU8(at) != 0xFF) {
      if (error_ != 0) return false;
      continue;
    }
    const uint8_t marker = ReadU8(at + 1);
    if (error_ != 0) return false;
    if (marker == 0x00) {
      ++at;  // a stuffed zero, not a marker
    } else if (marker == 0xFF) {
      // A fill byte: the next FF may start the marker.
    } else if (marker == 0xD8) {
      if (has_start) return false;
      has_start = true;
      ++at;
    } else if (marker == 0xD9) {
      return false;
    } else if (marker >= 0xC0 && marker <= 0xCF) {
      if (!has_start) return false;
      return Match(plat::qrvFileJPEG, kMediaKindImage), true;
    } else {
      ++at;
    }
  }
  return false;
}

}  // namespace ondavel
