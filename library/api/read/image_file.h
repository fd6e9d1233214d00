// Where an entry point finds the image file it inquires or reads: a named
// file, or a file image held in caller memory and bounded by the size the
// caller gave. Both go through the same readers, so the file entry points and
// their memory twins answer alike.
#ifndef PELRITH_API_READ_IMAGE_FILE_H_
#define PELRITH_API_READ_IMAGE_FILE_H_

#include <cstdint>

#include "api/frame/call_frame.h"
#include "api/frame/format_codes.h"
#include "core/objects/object.h"
#include "core/system/system.h"
#include "interchange/common/source_bytes.h"

struct CmiImageFile {
  const char* file_name = nullptr;
  const uint8_t* address = nullptr;  // caller memory: never written, never read past size_bytes
  int64_t size_bytes = 0;
  bool is_memory = false;

  static CmiImageFile Named(const char* name) { return {name, nullptr, 0, false}; }
  static CmiImageFile InMemory(const void* address, int64_t size_bytes) {
    return {nullptr, static_cast<const uint8_t*>(address), size_bytes, true};
  }
  bool in_memory() const { return is_memory; }
  // A name, or an address with at least one byte.
  bool valid() const { return is_memory ? address != nullptr && size_bytes > 0 : file_name != nullptr; }
};


// The internal format of the file, 0 with the reason as the last error.
[[nodiscard]] int32_t IdentifyImageFile(IpiSystem* sys, const CmiImageFile& file);
// The pages of a TIFF file (or the images of a Zoltra file), 0 with the reason
// as the last error.
[[nodiscard]] int64_t CountImageFilePages(IpiSystem* sys, const CmiImageFile& file, int32_t format);
// The header pass (attributes and palette, no pixels) into `target`.
[[nodiscard]] int ReadImageFileHeaders(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format);
// One reader pass (`read_mode` 171, 172 or 0) into `target`.
[[nodiscard]] int ReadImageFilePass(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format,
                                    int read_mode);
// The whole read (pages of a composite array for TIFF) into `target`.
[[nodiscard]] int ReadImageFileWhole(IpiSystem* sys, const CmiImageFile& file, IpiObject* target, int32_t format,
                                     const IpiAttribute* pairs, int count);

// The bytes of the file: the caller's memory as it stands, or the named
// file copied whole (SourceBytes: 25 when it cannot be opened, 3 above the
// whole-file limit of the read front, -1 when it cannot be read).
[[nodiscard]] int ImageFileBytes(const CmiImageFile& file, SourceBytes& bytes);

// The page array of a TIFF read or inquiry: k = min(count, pages - first)
// pages from `first_index` on, stored in `*k`. Null with the call's status
// set: the count's error (22 when none was recorded) for a file without
// pages, -100 when `first_index` is at or past the last page.
[[nodiscard]] IpiObject* CreateTiffPageRange(CmiCall& call, const CmiImageFile& file, int32_t count,
                                             int32_t first_index, int64_t* k);

#endif  // PELRITH_API_READ_IMAGE_FILE_H_
