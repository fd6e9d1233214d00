// How many images a multi-image file holds, without reading them: the
// directories of a TIFF file, the images of a Zoltra tagged raster file.
#ifndef PELRITH_INTERCHANGE_IDENTIFY_IMAGE_COUNT_H_
#define PELRITH_INTERCHANGE_IDENTIFY_IMAGE_COUNT_H_

#include <cstdint>

#include "core/system/system.h"

// The number of images of the named file for format 207 or 216; any other
// format reports 12 and gives 0. Every failure gives 0 (never a partial
// count) with the reason reported: 25 for a file that cannot be opened, 22
// for a malformed header, a directory past the end of the file or a chain
// that loops or passes the page cap.
[[nodiscard]] int64_t IpiCountFileImages(IpiSystem* sys, const char* file_name, int32_t format);
// The same over a file image of `size_bytes` bytes in caller memory: 8 when
// the block is shorter than 9 bytes or a directory lies outside it, 18 for no
// address.
[[nodiscard]] int64_t IpiCountAddressSpaceImages(IpiSystem* sys, const void* address, int32_t format,
                                                 int64_t size_bytes);

// The workers.
[[nodiscard]] int64_t IpiCountTiffPages(IpiSystem* sys, const char* file_name);
[[nodiscard]] int64_t IpiCountAddressSpaceTiffPages(IpiSystem* sys, const void* address, int64_t size_bytes);
[[nodiscard]] int64_t IpiCountZoltraImages(IpiSystem* sys, const char* file_name);
[[nodiscard]] int64_t IpiCountAddressSpaceZoltraImages(IpiSystem* sys, const void* address, int64_t size_bytes);

#endif  // PELRITH_INTERCHANGE_IDENTIFY_IMAGE_COUNT_H_
