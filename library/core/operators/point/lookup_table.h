// Mapping every sample of an 8-bit image through a table of 256 entries: the
// lookup-table operator, and the kernel the table-building point operators
// (threshold, equalization, gamma, brightness and contrast, invert, solarize)
// hand their tables to.
#ifndef PELRITH_CORE_OPERATORS_POINT_LOOKUP_TABLE_H_
#define PELRITH_CORE_OPERATORS_POINT_LOOKUP_TABLE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/operators/point/point_common.h"
#include "core/system/system.h"

// destination = table[source] over the overlap, under the regions of
// interest. Source, destination and table must be 8-bit dataType 153 (10);
// the table needs 256 entries (8 when shorter). `reserved` is not read.
int IpiApplyLookupTable(IpiSystem* sys, IpiObject* source, IpiObject* destination, IpiObject* table,
                        int32_t reserved);

// The kernel behind it, for callers that checked both images as 8-bit
// dataType 153 and hold the table in memory.
[[nodiscard]] int MapThroughTable(IpiSystem* sys, IpiObject* source, IpiObject* destination,
                                  const ByteTable& table);

#endif  // PELRITH_CORE_OPERATORS_POINT_LOOKUP_TABLE_H_
