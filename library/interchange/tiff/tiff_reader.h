// The TIFF reader (fileFormat 207): one image, or several pages into a
// composite array, in either byte order, from strips of plain or coded data.
// Coded strips (fax, PackBits, LZW) are left coded in the target for the read
// front's decode; tiles and the separated, YCbCr and CIELab colour models are
// refused.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_READER_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_READER_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Reads the TIFF file behind `source` (caller memory of its real "size", or
// a file read range by range) into `target`. Read modes: 172 sets the
// target's attributes (dimensions, data type and precision, bit and byte
// order, compression, colour space, the TIFF group with the strip tables
// and resolutions, "size" of coded data) and fills its "lut" with the colour
// map; 171 reads the pixels into a target prepared by a 172 pass; 0 both.
//
// A target that is not a CompositeIDArray gets the first directory. A
// CompositeIDArray gets the pages from its "xMatchPoint" (the first page, 0
// for the first directory) on, at most its "entries" of them, one per
// element; a header pass fills an empty element with a new GenericImage (with
// a lookup table of its own), and
// an array of no entries takes every page from the first one on. The data
// pass stops at an empty element. After a header pass that read at least one
// page, "entries" is the number of pages read.
//
// Codes: 18 for another read mode; 12 for a negative first page or a chain
// that ends before it, and for variants the reader does not hold (see
// ReadTiffDirectory); 22 for a malformed header, directory or chain (a chain
// that loops included); 19 for an unsupported sample count; 11 for a target
// whose class cannot hold the image; 10 for a data pass into a target whose
// data type does not fit; 3 beyond the library's limits; the source's errors.
[[nodiscard]] int ReadTiffFile(IpiSystem* sys, IpiObject* source, IpiObject* target, int read_mode);

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_READER_H_
