// Element access of "CompositeIDArray" objects: one row of "entries" 32-bit
// words (dataType 175), each the id of an object or 0. Ids are checked when
// read, so an entry whose object was deleted is never handed out.
#ifndef PELRITH_CORE_OBJECTS_COMPOSITE_ARRAY_H_
#define PELRITH_CORE_OBJECTS_COMPOSITE_ARRAY_H_

#include <cstdint>
#include <vector>

#include "core/objects/object.h"
#include "core/system/system.h"

// The live object of entry `index`, or null with the error reported: 18 for an
// index outside [0, entries), 10 for an array whose elements are not 32-bit
// words, 9 for an empty entry or one whose object is no longer live.
[[nodiscard]] IpiObject* IpiGetCompositeElement(IpiSystem* sys, IpiObject* array, int64_t index);
// Stores the id of `element` (null clears the entry) at `index`: 0, or 18, 10,
// 9 (an element that is not live) or the stream's error.
[[nodiscard]] int IpiPutCompositeElement(IpiSystem* sys, IpiObject* element, IpiObject* array, int64_t index);

// The live object of entry `index`, or null without reporting anything (an
// index past the entries, an empty entry, an array not of words): a reader's
// walk over the entries ends there.
[[nodiscard]] IpiObject* IpiCompositeElementOrNull(IpiSystem* sys, IpiObject* array, int64_t index);
// Gives the array `entries` entries and stores `elements` again in the first
// of them (changing "entries" starts the array afresh); 0 at once when the
// count is already `entries`, else 0 or the first error.
[[nodiscard]] int IpiResizeCompositeArray(IpiSystem* sys, IpiObject* array, const std::vector<IpiObject*>& elements,
                                          int64_t entries);

[[nodiscard]] inline bool IpiIsCompositeArray(const IpiObject& obj) {
  return obj.object_class == &kCompositeIdArrayClass;
}

// Entry 0 of a composite array, or null with the error reported: 9 when the
// array has no entries or entry 0 holds no live object.
[[nodiscard]] IpiObject* IpiFirstCompositeEntry(IpiSystem* sys, IpiObject* array);

#endif  // PELRITH_CORE_OBJECTS_COMPOSITE_ARRAY_H_
