// Writing one image, or a composite array of pages, to a file through the
// writer of its format. The file is replaced atomically: the writer writes a
// temporary file beside the target, which is renamed over the target only
// when the writer succeeded. On any failure an earlier file stays exactly as
// it was and no partial file is left.
#ifndef PELRITH_INTERCHANGE_DISPATCH_WRITE_DISPATCH_H_
#define PELRITH_INTERCHANGE_DISPATCH_WRITE_DISPATCH_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Makes the file object(s) from `image` with the caller's pairs plus
// {"repository": 83, "fileName": the temporary, "fileFormat": format} and
// calls the format's writer. 18 for a format without a writer, 25 when no
// file can be made beside `file_name`, 9 for a missing composite entry, -1
// when the replacement cannot be completed; else the writer's status.
[[nodiscard]] int IpiWriteImageFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                                    const IpiAttribute* pairs, int count);

#endif  // PELRITH_INTERCHANGE_DISPATCH_WRITE_DISPATCH_H_
