// The write front used by the entry points: composite arrays as multi-page
// TIFF files or by their first entry, and compression through an
// intermediate compressed object coded before the writer places its bytes.
#ifndef PELRITH_INTERCHANGE_DISPATCH_WRITE_FRONT_H_
#define PELRITH_INTERCHANGE_DISPATCH_WRITE_FRONT_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

// A composite array with format 207 goes to IpiWriteMultiPageTiff; one with
// another format writes its entry 0 (9 when missing); any other image goes to
// IpiWriteSingleImageFile.
[[nodiscard]] int IpiWriteFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                               const IpiAttribute* pairs, int count);

// One plain image (12 for one holding compressed data). The compression is
// the format's default (GIF 136, JPEG 114, PCX 247, else 0) unless the pairs
// name one, as they may the coder options ("eolState" or "predictor",
// "quarityFactor", "samplingFactor", "colourSpace", "dataPrecision",
// "restartInterval", "progressive", "interlacedImage"). A compression without
// an encoder (LZW among them) is refused with 12 before anything is made.
[[nodiscard]] int IpiWriteSingleImageFile(IpiSystem* sys, IpiObject* image, const char* file_name, int32_t format,
                                          const IpiAttribute* pairs, int count);

// Every entry of a composite array as one page of a TIFF file (format 207,
// else 18), each coded first when the pairs name a compression other than 0.
[[nodiscard]] int IpiWriteMultiPageTiff(IpiSystem* sys, IpiObject* array, const char* file_name, int32_t format,
                                        const IpiAttribute* pairs, int count);

// As IpiWriteMultiPageTiff, with every page whose entry in `inverted` is true
// fax-coded from the complement of its bits (a page whose 0 bits are black,
// stored white-is-zero), so no inverted copy of the page is made. Inverted
// pages need a fax compression (12 otherwise, before anything is written);
// entries past the end of `inverted` are coded as they stand.
[[nodiscard]] int IpiWriteMultiPageTiffInverting(IpiSystem* sys, IpiObject* array, const char* file_name,
                                                 int32_t format, const IpiAttribute* pairs, int count,
                                                 const std::vector<bool>& inverted);

#endif  // PELRITH_INTERCHANGE_DISPATCH_WRITE_FRONT_H_
