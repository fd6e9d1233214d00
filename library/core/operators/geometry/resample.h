// Resampling: a window of a source image into a window of a destination
// image, each of x, y, z, t and b scaled by its own ratio, by the method the
// system's "interpolation" names (geometry_codes.h). z, t and b always map to
// the nearest element; the interpolating methods work in x and y. The
// destination is never created, sized or cleared: elements no source element
// maps to keep what they held.
#ifndef PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_H_
#define PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// The windows of one kernel call, x y z t b, every size resolved (at least 1).
struct IpiResampleWindows {
  int32_t source_offset[5] = {};
  int32_t source_size[5] = {};
  int32_t destination_offset[5] = {};
  int32_t destination_size[5] = {};
};

// The front. Each window is an offset and a size tuple of five words (a null
// tuple counts as five zeros); a size entry of 0 means the image's whole
// dimension. 0; 24 for a bad context; the tuple's error; 18 for a size below
// 0 (or an image dimension of 0); 12 for an interpolation code that is none
// of 191, 192, 194, 195, 272; else the kernel's result.
int IpiResample(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* source_offset,
                IpiObject* source_size, IpiObject* destination_offset, IpiObject* destination_size);
// A source window into the whole destination.
int IpiResampleWindow(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* source_offset,
                      IpiObject* source_size);
// The whole source into the whole destination.
int IpiResampleImage(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// Nearest neighbour: 1-bit and byte images, no region in effect (10 otherwise).
int IpiResampleNearest(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w);
// Area average of the covered source elements, rounded to the nearest level:
// byte images, no region in effect (10 otherwise).
int IpiResampleAreaAverage(IpiSystem* sys, IpiObject* source, IpiObject* destination, const IpiResampleWindows& w);

#endif  // PELRITH_CORE_OPERATORS_GEOMETRY_RESAMPLE_H_
