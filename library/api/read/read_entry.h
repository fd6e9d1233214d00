// The inquiry and read procedures behind the file entry points and their
// memory twins: each takes its image file as a CmiImageFile and otherwise the
// arguments of the entry point, and leaves its status as an entry point does.
#ifndef PELRITH_API_READ_READ_ENTRY_H_
#define PELRITH_API_READ_READ_ENTRY_H_

#include <cstdint>

#include "Pelrith.h"
#include "api/read/image_file.h"

// The public format code, or 0 with the status set.
[[nodiscard]] int32_t InquireImageFileFormat(const CmiImageFile& file, CmiOptionList pairs, int32_t n,
                                             int32_t* status);
// The number of images (TIFF pages; 1 for GIF), or 0 with the status set.
[[nodiscard]] int32_t InquireImageFileCount(const CmiImageFile& file, int32_t format, CmiOptionList pairs,
                                            int32_t n, int32_t* status);
// Fills the out pairs; 0, or the status.
[[nodiscard]] int32_t InquireImageFileValues(const CmiImageFile& file, int32_t count, int32_t first_index,
                                             int32_t format, CmiOptionList pairs, int32_t n, int32_t* status);
// New packed bitmaps in images[0..k); k, or 0 with the status set and the
// slots the call would have filled set to 0.
[[nodiscard]] int32_t ReadImageFileAsBitmaps(const CmiImageFile& file, HGLOBAL* images, int32_t count,
                                             int32_t format, int32_t first_index, CmiOptionList pairs, int32_t n,
                                             int32_t* status);

#endif  // PELRITH_API_READ_READ_ENTRY_H_
