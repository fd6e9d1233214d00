// Packed bitmaps encoded into memory: the file written by CmiGenerateAndWrite
// to a temporary file, read back whole. The byte count goes to `outSize` on
// success only; the temporary file is gone when the call returns.
#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/memory/file_image_result.h"
#include "plat/temp_file.h"

namespace {

FileImage ExportImages(const HGLOBAL* images, int32_t count, int32_t format, int32_t* out_size, CmiOptionList pairs,
                       int32_t n, int32_t* status, FileImageKind kind) {
  return CmiRun(status, [&]() -> FileImage {
    StatusSlot slot(status);
    if (out_size == nullptr) {
      slot.Set(kCmiStatusBadArgument);
      return {};
    }
    plat::TempFile temp;
    if (!plat::TempFile::Create(temp)) {
      slot.Set(kCmiStatusSystemFailure);
      return {};
    }
    (void)CmiGenerateAndWrite(images, count, temp.path().c_str(), format, pairs, n, slot.get());
    if (slot.value() != 0) return {};
    FileImage result;
    if (const int rc = ReadFileImage(temp.path(), kind, &result); rc != 0) {
      slot.Set(rc);
      return {};
    }
    *out_size = result.size_bytes;
    return result;
  });
}

}  // namespace

void* PELRITH_STDCALL CmiGenerateAndExport(const HGLOBAL* images, int32_t count, int32_t format, int32_t* outSize,
                                           CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return ExportImages(images, count, format, outSize, pairs, n, status, FileImageKind::kHeapBlock).heap;
}

HGLOBAL PELRITH_STDCALL CmiGenerateAndExportHandle(const HGLOBAL* images, int32_t count, int32_t format,
                                                   int32_t* outSize, CmiOptionList pairs, int32_t n,
                                                   int32_t* status) noexcept {
  return ExportImages(images, count, format, outSize, pairs, n, status, FileImageKind::kGlobalHandle).handle;
}
