// One reader pass: the source object over a file or caller memory, then the
// reader of the format.
#ifndef PELRITH_INTERCHANGE_DISPATCH_READ_DISPATCH_H_
#define PELRITH_INTERCHANGE_DISPATCH_READ_DISPATCH_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Reads `file_name`, or the caller memory named by an "applicationAddressSpace"
// pair with the byte count of the "size" pair, into `image` with `read_mode`.
// Refused before anything is touched: 18 for a read mode other than 0, 171,
// 172 or a format without a reader, 8 for memory of no bytes, 25 for a missing
// file name. Else the target's "fileFormat" becomes `format` and the reader's
// status is returned.
[[nodiscard]] int IpiReadImageFile(IpiSystem* sys, const char* file_name, IpiObject* image, int32_t format,
                                   int read_mode, const IpiAttribute* pairs, int count);

#endif  // PELRITH_INTERCHANGE_DISPATCH_READ_DISPATCH_H_
