// The read fronts used by the entry points: a file or a memory image into one
// image (header pass, then the data pass or a decode through a holder of the
// coded data), or the pages of a multi-page file into a composite array.
#ifndef PELRITH_INTERCHANGE_DISPATCH_READ_FRONT_H_
#define PELRITH_INTERCHANGE_DISPATCH_READ_FRONT_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// A file is opened (25 when it cannot be) and read whole into memory, the
// reader working on that copy; a TIFF file above this size is read through
// the file itself, and any other file above kMaxWholeFileBytes
// (interchange/common/whole_file.h) is refused with 3.
inline constexpr uint64_t kTiffFileReadInMemoryMaxBytes = 5242880;

// A composite array with format 207 or 216 gets every page
// (IpiReadFilePages); one with another format reads into its entry 0 (9 when
// missing); any other image goes to IpiReadSingleImageFile.
[[nodiscard]] int IpiReadFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                              const IpiAttribute* pairs, int count);
[[nodiscard]] int IpiReadFilePages(IpiSystem* sys, const char* file_name, IpiObject* array, int32_t format,
                                   const IpiAttribute* pairs, int count);
[[nodiscard]] int IpiReadSingleImageFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                                         const IpiAttribute* pairs, int count);

// The same for a file image of `size_bytes` bytes held in caller memory
// (18 for no address, 8 for no bytes). Pages are read for format 207 only.
[[nodiscard]] int IpiImportImage(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                                 int64_t size_bytes, const IpiAttribute* pairs, int count);
[[nodiscard]] int IpiImportPages(IpiSystem* sys, const void* address, IpiObject* array, int32_t format,
                                 int64_t size_bytes, const IpiAttribute* pairs, int count);
[[nodiscard]] int IpiImportSingleImage(IpiSystem* sys, const void* address, IpiObject* image, int32_t format,
                                       int64_t size_bytes, const IpiAttribute* pairs, int count);

#endif  // PELRITH_INTERCHANGE_DISPATCH_READ_FRONT_H_
