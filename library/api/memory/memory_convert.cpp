// File images in memory converted to another format: `size` bytes of the
// caller's block (or handle) go to a temporary file, CmiFileFormatConvert
// writes the target to a second one, which is read back whole. The size must
// be at least 1 and, for a handle, no more than the handle holds: -100
// otherwise, before anything is locked or written.
#include <cstring>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/memory/file_image_result.h"
#include "core/status.h"
#include "plat/files.h"
#include "plat/temp_file.h"

namespace {

bool IsSourceFormat(int32_t format) {
  switch (format) {
    case kCmiFormatTiff:
    case kCmiFormatJpeg:
    case kCmiFormatGif:
    case kCmiFormatBmp:
    case kCmiFormatPcx:
    case kCmiFormatPng:
    case kCmiFormatZoltra: return true;
    default: return false;
  }
}

bool IsTargetFormat(int32_t format) { return format != kCmiFormatZoltra && IsSourceFormat(format); }

// The conversion of `size` bytes at `address`; `slot` has the status.
FileImage ConvertBytes(const void* address, int32_t source_format, int32_t target_format, int32_t size,
                       int32_t* out_size, CmiOptionList pairs, int32_t n, StatusSlot& slot, FileImageKind kind) {
  plat::TempFile source, target;
  if (!plat::TempFile::Create(source) || !plat::TempFile::Create(target)) {
    slot.Set(kCmiStatusSystemFailure);
    return {};
  }
  {
    plat::File file;
    if (plat::File::Open(source.path(), plat::FileMode::kWriteCreate, file) != plat::OpenStatus::kOk) {
      slot.Set(kIpiFileOpenFailure);
      return {};
    }
    if (!file.WriteAt(0, address, static_cast<size_t>(size)) || !file.Close()) {
      slot.Set(kCmiStatusSystemFailure);
      return {};
    }
  }
  (void)CmiFileFormatConvert(source.path().c_str(), target.path().c_str(), source_format, target_format, pairs, n,
                             slot.get());
  if (slot.value() != 0) return {};
  FileImage result;
  if (const int rc = ReadFileImage(target.path(), kind, &result); rc != 0) {
    slot.Set(rc);
    return {};
  }
  *out_size = result.size_bytes;
  return result;
}

bool ArgumentsOk(int32_t source_format, int32_t target_format, int32_t size, const int32_t* out_size) {
  return IsSourceFormat(source_format) && IsTargetFormat(target_format) && size > 0 && out_size != nullptr;
}

}  // namespace

void* PELRITH_STDCALL CmiAddressSpaceFormatConvert(const void* address, int32_t sourceFormat, int32_t targetFormat,
                                                   int32_t size, int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                   int32_t* status) noexcept {
  return CmiRun(status, [&]() -> void* {
    StatusSlot slot(status);
    if (address == nullptr || !ArgumentsOk(sourceFormat, targetFormat, size, outSize)) {
      slot.Set(kCmiStatusBadArgument);
      return nullptr;
    }
    return ConvertBytes(address, sourceFormat, targetFormat, size, outSize, pairs, n, slot,
                        FileImageKind::kHeapBlock)
        .heap;
  });
}

HGLOBAL PELRITH_STDCALL CmiHandleFormatConvert(HGLOBAL handle, int32_t sourceFormat, int32_t targetFormat,
                                               int32_t size, int32_t* outSize, CmiOptionList pairs, int32_t n,
                                               int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    StatusSlot slot(status);
    // A size past the handle's end would read memory the caller never gave.
    if (handle == 0 || !ArgumentsOk(sourceFormat, targetFormat, size, outSize) ||
        static_cast<uint64_t>(size) > GlobalSize(handle)) {
      slot.Set(kCmiStatusBadArgument);
      return 0;
    }
    const void* bytes = GlobalLock(handle);
    if (bytes == nullptr) {
      slot.Set(kCmiStatusSystemFailure);
      return 0;
    }
    struct Unlock {
      HGLOBAL handle;
      ~Unlock() { (void)GlobalUnlock(handle); }
    } unlock{handle};
    return ConvertBytes(bytes, sourceFormat, targetFormat, size, outSize, pairs, n, slot,
                        FileImageKind::kGlobalHandle)
        .handle;
  });
}
