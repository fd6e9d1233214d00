// The file-writing entry point: packed bitmaps to a TIFF (every bitmap a
// page), JPEG, GIF, BMP, PCX or PNG file (the first bitmap). Arguments and
// options are checked before any handle is locked or file touched; the file
// is replaced atomically, so a failed write keeps an earlier file.
#include <cmath>

#include "Pelrith.h"
#include "api/frame/call_frame.h"
#include "api/frame/file_helpers.h"
#include "api/write/write_steps.h"

namespace {

int32_t GenerateAndWrite(const HGLOBAL* images, int32_t count, const char* fileName, int32_t format,
                         CmiOptionList pairs, int32_t n, int32_t* status) {
  CmiCall call(status, pairs, n);
  const bool arguments_ok = images != nullptr && count > 0 && fileName != nullptr && fileName[0] != '\0' &&
                            CmiInternalFormat(format) != 0;
  if (!call.Begin(arguments_ok)) return call.status();
  CmiWriteSettings settings;
  if (const int rc = ReadWriteSettings(pairs, n, format, &settings); rc != 0) {
    call.Fail(rc);
    return call.status();
  }

  // Plain BMP: the first bitmap is written as it stands, without a context.
  // A run-length bitmap takes the library's road, which decodes it.
  if (format == kCmiFormatBmp && settings.compression == kCmiCompressionNone) {
    const CmiSource* source = call.LockSource(images[0]);
    if (source == nullptr) return call.status();
    if (!source->info.is_run_length) {
      call.Fail(WriteDibAsBitmapFile(images[0], fileName, CmiPixelsPerMetre(settings.x_dpi),
                                     CmiPixelsPerMetre(settings.y_dpi)));
      return call.Close();
    }
  }

  // JPEG from a 24-bit bitmap: its rows go to the coder in place, without an
  // image made of them. Every bitmap is checked first, as for any write.
  if (format == kCmiFormatJpeg) {
    const CmiSource* first = nullptr;
    for (int32_t i = 0; i < count; ++i) {
      const CmiSource* source = call.LockSource(images[i]);
      if (source == nullptr) return call.Close();
      if (i == 0) first = source;
    }
    if (first->info.bits_per_pixel == 24 && !first->info.is_run_length) {
      if (!call.OpenContext()) return call.Close();
      const CmiFormatPairs list(settings);
      int32_t step_status = 0;
      (void)WriteJpegFromPackedRows(call.sys(), first->bytes + first->info.pixel_offset, first->info.row_bytes,
                                    first->info.width_px, first->info.height_px, 3, fileName, list.data(),
                                    list.count(), &step_status);
      call.Fail(step_status);
      return call.Close();
    }
  }

  IpiObject* pages = BuildPages(call, images, count, settings);
  if (pages == nullptr) return call.Close();
  const CmiFormatPairs list(settings);
  int32_t step_status = 0;
  (void)CmiWriteStepFor(format)(call.sys(), pages, fileName, list.data(), list.count(), &step_status);
  call.Fail(step_status);
  return call.Close();
}

}  // namespace

int32_t PELRITH_STDCALL CmiGenerateAndWrite(const HGLOBAL* images, int32_t count, const char* fileName,
                                            int32_t format, CmiOptionList pairs, int32_t n,
                                            int32_t* status) noexcept {
  int32_t local_status = 0;
  int32_t* out = status != nullptr ? status : &local_status;
  const int32_t result = CmiRun(
      out, [&] { return GenerateAndWrite(images, count, fileName, format, pairs, n, out); },
      kCmiStatusSystemFailure);
  return result != 0 ? result : *out;
}
