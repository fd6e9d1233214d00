// File helpers of the entry points; see file_helpers.h. Files are read
// through the platform layer and written only through AtomicFile.
#include "api/frame/file_helpers.h"

#include <algorithm>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "api/frame/packed_bitmap.h"
#include "core/status.h"
#include "interchange/bmp/bmp_header.h"
#include "plat/atomic_file.h"
#include "plat/files.h"

namespace {

// Files read whole into a handle stop here (3 beyond).
constexpr uint64_t kMaxLoadedFileBytes = uint64_t{1} << 30;

int32_t Report(int32_t* status, int32_t code) {
  if (status != nullptr) *status = code;
  return code;
}

int32_t OpenFailure(plat::OpenStatus open) {
  return open == plat::OpenStatus::kNotFound ? kIpiFileNotFound : kIpiFileOpenFailure;
}

// A locked handle, unlocked on every path.
class LockedHandle {
 public:
  explicit LockedHandle(HGLOBAL handle)
      : handle_(handle), bytes_(handle != 0 ? static_cast<uint8_t*>(GlobalLock(handle)) : nullptr) {}
  ~LockedHandle() {
    if (bytes_ != nullptr) (void)GlobalUnlock(handle_);
  }
  LockedHandle(const LockedHandle&) = delete;
  LockedHandle& operator=(const LockedHandle&) = delete;
  uint8_t* bytes() const { return bytes_; }
  size_t size() const { return GlobalSize(handle_); }

 private:
  HGLOBAL handle_;
  uint8_t* bytes_;
};

// A new handle of `size_bytes`, freed unless released.
class NewHandle {
 public:
  explicit NewHandle(uint64_t size_bytes) : handle_(GlobalAlloc(GHND, size_bytes)) {
    if (handle_ != 0) bytes_ = static_cast<uint8_t*>(GlobalLock(handle_));
  }
  ~NewHandle() {
    if (handle_ == 0) return;
    if (bytes_ != nullptr) (void)GlobalUnlock(handle_);
    (void)GlobalFree(handle_);
  }
  NewHandle(const NewHandle&) = delete;
  NewHandle& operator=(const NewHandle&) = delete;
  uint8_t* bytes() const { return bytes_; }
  HGLOBAL Release() {
    if (bytes_ != nullptr) (void)GlobalUnlock(handle_);
    bytes_ = nullptr;
    const HGLOBAL out = handle_;
    handle_ = 0;
    return out;
  }

 private:
  HGLOBAL handle_ = 0;
  uint8_t* bytes_ = nullptr;
};

// Reads a whole file of at most kMaxLoadedFileBytes.
int32_t ReadFile(const char* file_name, std::vector<uint8_t>& out) {
  if (file_name == nullptr) return kCmiStatusBadArgument;
  switch (plat::ReadWholeFile(file_name, kMaxLoadedFileBytes, out)) {
    case plat::ReadStatus::kOk: return 0;
    case plat::ReadStatus::kNotFound: return kIpiFileNotFound;
    case plat::ReadStatus::kCannotOpen: return kIpiFileOpenFailure;
    case plat::ReadStatus::kTooLarge: return kIpiExceedImplementation;
    case plat::ReadStatus::kReadFailed: break;
  }
  return kCmiStatusSystemFailure;
}

// Writes the pieces one after another into a replacement of `file_name`.
int32_t WriteReplacement(const char* file_name, std::initializer_list<std::span<const uint8_t>> pieces) {
  if (file_name == nullptr) return kCmiStatusBadArgument;
  plat::AtomicFile replacement;
  if (plat::AtomicFile::Create(file_name, replacement) != plat::OpenStatus::kOk) return kIpiFileOpenFailure;
  uint64_t at = 0;
  for (std::span<const uint8_t> piece : pieces) {
    if (!piece.empty() && !replacement.file().WriteAt(at, piece.data(), piece.size())) {
      return kCmiStatusSystemFailure;
    }
    at += piece.size();
  }
  return replacement.Commit() ? 0 : kCmiStatusSystemFailure;
}

}  // namespace

HGLOBAL LoadBitmapFileAsDib(const char* file_name, int32_t* status) {
  Report(status, 0);
  std::vector<uint8_t> file;
  if (const int32_t rc = ReadFile(file_name, file); rc != 0) {
    Report(status, rc);
    return 0;
  }
  return BmpFileBytesAsDib(file, status);
}

HGLOBAL BmpFileBytesAsDib(std::span<const uint8_t> file, int32_t* status) {
  Report(status, 0);
  BmpHeader h;
  if (const int rc = ParseBmpHeader(file, BmpContainer::kFile, &h); rc != 0) {
    Report(status, rc);
    return 0;
  }
  const int32_t bits = h.bits_per_pixel;
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24) {
    Report(status, kIpiNonPermissibleOption);
    return 0;
  }
  // Every row (or the whole coded body) must be in the file: a short file is
  // refused rather than handed on with rows missing.
  if (!h.is_run_length && h.available_data_bytes < h.data_bytes) {
    Report(status, kIpiSyntaxError);
    return 0;
  }
  // A colour table shorter than the indices the rows use is widened to the
  // whole table of the depth, the entries added black, so that no later step
  // looks up a colour past the table.
  uint32_t palette_entries = bits == 24 ? 0 : h.palette_entries;
  const bool widens = palette_entries < h.table_entries &&
                      BmpHighestIndex(file, h) >= static_cast<int32_t>(palette_entries);
  if (widens) palette_entries = h.table_entries;
  if (!widens && BmpFileIsPackedBitmap(h)) {
    // The file less its file header is already a packed bitmap: handed on as
    // it stands, its header fields included.
    NewHandle handle(file.size() - kBmpFileHeaderBytes);
    if (handle.bytes() == nullptr) {
      Report(status, kCmiStatusSystemFailure);
      return 0;
    }
    std::memcpy(handle.bytes(), file.data() + kBmpFileHeaderBytes, file.size() - kBmpFileHeaderBytes);
    return handle.Release();
  }
  BmpWriteHeader out;
  out.container = BmpContainer::kPacked;
  out.width_px = h.width_px;
  out.height_px = h.height_px;
  out.bits_per_pixel = bits;
  out.compression = !h.is_run_length ? kBmpCompressionRgb : bits == 8 ? kBmpCompressionRle8 : kBmpCompressionRle4;
  out.palette_entries = palette_entries;
  out.image_bytes = h.data_bytes;
  out.x_pixels_per_metre = h.x_pixels_per_metre;
  out.y_pixels_per_metre = h.y_pixels_per_metre;
  const uint64_t total_bytes = out.pixel_offset() + h.data_bytes;
  NewHandle handle(total_bytes);
  if (handle.bytes() == nullptr) {
    Report(status, kCmiStatusSystemFailure);
    return 0;
  }
  uint8_t* bytes = handle.bytes();
  FormatBmpHeaders(out, bytes);
  // ParseBmpHeader checked that the palette entries it counts and data_bytes
  // from the pixel offset lie inside the file; added entries stay 0 (black).
  const uint64_t palette_bytes = uint64_t{std::min(palette_entries, h.palette_entries)} * kBmpPaletteEntryBytes;
  std::memset(bytes + kBmpInfoHeaderBytes, 0, static_cast<size_t>(out.pixel_offset() - kBmpInfoHeaderBytes));
  std::memcpy(bytes + kBmpInfoHeaderBytes, file.data() + h.palette_offset, static_cast<size_t>(palette_bytes));
  std::memcpy(bytes + out.pixel_offset(), file.data() + h.pixel_offset, static_cast<size_t>(h.data_bytes));
  return handle.Release();
}

int32_t WriteDibAsBitmapFile(HGLOBAL handle, const char* file_name, int32_t x_pixels_per_metre,
                             int32_t y_pixels_per_metre) {
  if (file_name == nullptr) return kCmiStatusBadArgument;
  if (handle == 0 || GlobalSize(handle) == 0) return kCmiStatusSystemFailure;
  LockedHandle locked(handle);
  if (locked.bytes() == nullptr) return kCmiStatusSystemFailure;
  PackedBitmapInfo info;
  if (const int rc = ValidatePackedBitmap(locked.bytes(), locked.size(), &info); rc != 0) return rc;
  if (info.is_run_length) return kCmiStatusBadArgument;

  BmpWriteHeader header;
  header.container = BmpContainer::kFile;
  header.width_px = info.width_px;
  header.height_px = info.height_px;
  header.bits_per_pixel = info.bits_per_pixel;
  header.palette_entries = info.bits_per_pixel == 24 ? 0 : info.palette_entries;
  header.image_bytes = static_cast<uint64_t>(info.row_bytes) * static_cast<uint64_t>(info.height_px);
  header.x_pixels_per_metre = x_pixels_per_metre;
  header.y_pixels_per_metre = y_pixels_per_metre;
  std::vector<uint8_t> head(static_cast<size_t>(header.header_bytes()));
  FormatBmpHeaders(header, head.data());
  // ValidatePackedBitmap checked that the palette and every row lie inside
  // the handle's size.
  const std::span<const uint8_t> palette(locked.bytes() + info.palette_offset,
                                         size_t{header.palette_entries} * kBmpPaletteEntryBytes);
  const std::span<const uint8_t> rows(locked.bytes() + info.pixel_offset, static_cast<size_t>(header.image_bytes));
  return WriteReplacement(file_name, {std::span<const uint8_t>(head), palette, rows});
}

HGLOBAL LoadFileToGlobal(const char* file_name, int32_t* status) {
  Report(status, 0);
  std::vector<uint8_t> file;
  if (const int32_t rc = ReadFile(file_name, file); rc != 0) {
    Report(status, rc);
    return 0;
  }
  // A handle of 0 bytes cannot be told from a failed allocation: an empty
  // file gets a handle of one zero byte.
  NewHandle handle(file.empty() ? 1 : file.size());
  if (handle.bytes() == nullptr) {
    Report(status, kCmiStatusSystemFailure);
    return 0;
  }
  if (!file.empty()) std::memcpy(handle.bytes(), file.data(), file.size());
  return handle.Release();
}

int32_t SaveGlobalToFile(HGLOBAL handle, const char* file_name, uint64_t byte_count, int32_t* status) {
  Report(status, 0);
  if (file_name == nullptr) return Report(status, kCmiStatusBadArgument);
  LockedHandle locked(handle);
  if (locked.bytes() == nullptr) return Report(status, kCmiStatusSystemFailure);
  if (byte_count > locked.size()) return Report(status, kCmiStatusBadArgument);
  return Report(status, WriteReplacement(file_name, {std::span<const uint8_t>(locked.bytes(), byte_count)}));
}

int32_t CopyFileByChunks(const char* from_name, const char* to_name, int32_t* status) {
  Report(status, 0);
  if (from_name == nullptr || to_name == nullptr) return Report(status, kCmiStatusBadArgument);
  plat::File source;
  const plat::OpenStatus open = plat::File::Open(from_name, plat::FileMode::kReadExisting, source);
  if (open != plat::OpenStatus::kOk) return Report(status, OpenFailure(open));
  plat::AtomicFile target;
  if (plat::AtomicFile::Create(to_name, target) != plat::OpenStatus::kOk) {
    return Report(status, kIpiFileOpenFailure);
  }
  std::vector<uint8_t> chunk(kCopyChunkBytes);
  uint64_t at = 0;
  for (;;) {
    const int64_t got = source.ReadAt(at, chunk.data(), chunk.size());
    if (got < 0) return Report(status, kCmiStatusSystemFailure);
    if (got == 0) break;
    if (!target.file().WriteAt(at, chunk.data(), static_cast<size_t>(got))) {
      return Report(status, kCmiStatusSystemFailure);
    }
    at += static_cast<uint64_t>(got);
  }
  return Report(status, target.Commit() ? 0 : kCmiStatusSystemFailure);
}
