// Tuples: "Tuple" objects holding a short list of numbers (window sizes,
// offsets, levels) in a global block of the object. Values cross into and out
// of the object through the address-space copy, so a tuple of any supported
// data type is filled the same way as an image.
#ifndef PELRITH_CORE_OBJECTS_TUPLE_H_
#define PELRITH_CORE_OBJECTS_TUPLE_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

inline constexpr int kTuple5Entries = 5;
inline constexpr int kTupleNMaxEntries = 4;

// A tuple of `count` values of `data_type`, copied from `values` (elements of
// that type as the type stores them). Null with the error reported: 18 for a
// count below 1 or no values, the copy's error (10 for a type without a copy
// kernel); no half-filled tuple is left behind.
[[nodiscard]] IpiObject* IpiCreateTuple(IpiSystem* sys, const void* values, int count, int32_t data_type);
// The five values x, y, z, t, b as a tuple of 32-bit words.
[[nodiscard]] IpiObject* IpiCreateTuple5(IpiSystem* sys, int32_t x, int32_t y, int32_t z, int32_t t, int32_t b);
// At most four 32-bit words (18 above that).
[[nodiscard]] IpiObject* IpiCreateTupleN(IpiSystem* sys, const int32_t* values, int count);

// Reads back the five words of a tuple into `out`; entries the tuple lacks
// read as 0. 0, or 9 (not live), 10 (not 32-bit words), 18 (more than five
// entries: they would not fit `out`).
[[nodiscard]] int IpiGetTuple5(IpiSystem* sys, IpiObject* tuple, int32_t out[kTuple5Entries]);
// Reads `count` (at most four) words into `out`: 18 for a count outside 0..4
// or a tuple with more entries than `count`; else as IpiGetTuple5.
[[nodiscard]] int IpiGetTupleN(IpiSystem* sys, IpiObject* tuple, int32_t* out, int count);

#endif  // PELRITH_CORE_OBJECTS_TUPLE_H_
