#include "api/memory/file_image_result.h"

#include <cstdlib>
#include <limits>

#include "core/status.h"
#include "plat/files.h"

int ReadFileImage(const std::string& path, FileImageKind kind, FileImage* out) {
  plat::File file;
  if (plat::File::Open(path, plat::FileMode::kReadExisting, file) != plat::OpenStatus::kOk) {
    return kIpiFileOpenFailure;
  }
  uint64_t size_bytes = 0;
  if (!file.Size(size_bytes)) return kCmiStatusSystemFailure;
  if (size_bytes > static_cast<uint64_t>(std::numeric_limits<int32_t>::max())) return kIpiExceedImplementation;
  const auto count = static_cast<size_t>(size_bytes);
  if (kind == FileImageKind::kHeapBlock) {
    void* block = std::malloc(count != 0 ? count : 1);
    if (block == nullptr) return kCmiStatusSystemFailure;
    if (count != 0 && !file.ReadExactAt(0, block, count)) {
      std::free(block);
      return kCmiStatusSystemFailure;
    }
    out->heap = block;
  } else {
    HGLOBAL handle = GlobalAlloc(GHND, count);
    void* bytes = handle != 0 ? GlobalLock(handle) : nullptr;
    const bool read = bytes != nullptr && (count == 0 || file.ReadExactAt(0, bytes, count));
    if (bytes != nullptr) (void)GlobalUnlock(handle);
    if (!read) {
      if (handle != 0) (void)GlobalFree(handle);
      return kCmiStatusSystemFailure;
    }
    out->handle = handle;
  }
  out->size_bytes = static_cast<int32_t>(count);
  return kIpiNoError;
}
