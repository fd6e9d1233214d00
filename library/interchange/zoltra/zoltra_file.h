// The Zoltra tagged raster reader (fileFormat 216, read only): bilevel
// images, plain or fax-coded, one or several per file. Fax-coded images are
// left coded in the target (compression 80, 81 or 82) for the read front's
// decode; plain images are read as 1-bit rows.
#ifndef PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FILE_H_
#define PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FILE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// Reads the Zoltra file behind `source` (caller memory of its real "size",
// or a file) into `target`. Read modes: 172 sets the target's attributes
// (dimensions, boolean data, bit order, compression, "eolState" 0, the
// group's resolutions and VDC corners, and "size" of coded data); 171 reads
// the pixels (plain rows) or copies the coded data into a target prepared by
// a 172 pass; 0 both.
//
// A target that is not a CompositeIDArray gets the first image. A
// CompositeIDArray passes over "xMatchPoint" images and takes at most its
// "entries" images after them, one per element; a header pass fills an empty
// element with a new GenericImage, and an array of no entries takes every
// image from the first one on. The data pass stops at an empty element. An
// end of the file before all entries are read ends the reading; after a
// header pass, "entries" is the number of images read.
//
// Codes: 18 for another read mode; 12 for a negative number of images to
// pass over or a file with no image at the first one wanted; 22 for a
// malformed leading block, record, field or parameter block, a width or
// height of 0, an image chain past the page cap, and plain rows cut off (the
// rows before them are kept); 3 beyond the library's limits; 11 for a target
// class that cannot hold a bilevel image; 10 for a data pass into a target
// that is not 1-bit; 12 for a data pass into a target prepared for another
// compression; 9 for an empty first element in a data pass; the source's
// and the stream's errors.
[[nodiscard]] int ReadZoltraFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

// The number of images in a Zoltra file held in `bytes`, by the record
// parser the reader uses. 0, with the count in `*count`; 22 for a malformed
// structure; `past_end_code` when the bytes end inside it.
[[nodiscard]] int CountZoltraFileImages(const uint8_t* bytes, uint64_t size_bytes, int past_end_code,
                                        int64_t* count);

#endif  // PELRITH_INTERCHANGE_ZOLTRA_ZOLTRA_FILE_H_
