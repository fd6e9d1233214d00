// Copying an object's elements to and from caller memory. The memory is
// viewed as a twin of the object (same class and shape, "repository" 9) and
// the copy is a data-type conversion between the two.
#ifndef PELRITH_CORE_OBJECTS_ADDRESS_SPACE_H_
#define PELRITH_CORE_OBJECTS_ADDRESS_SPACE_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// The caller's pairs may change the twin's "dataType" or "dataPrecision";
// the memory must hold the twin's total bytes (elements in element-index
// order, narrow elements packed). A "size" pair states how many bytes the
// memory holds: fewer than the twin needs is refused with 8 before anything
// is copied. 0, or the error of the twin's creation or of the conversion.
[[nodiscard]] int IpiExportToAddressSpace(IpiSystem* sys, IpiObject* image, void* address,
                                          const IpiAttribute* pairs, int count);
[[nodiscard]] int IpiImportFromAddressSpace(IpiSystem* sys, void* address, IpiObject* image,
                                            const IpiAttribute* pairs, int count);

#endif  // PELRITH_CORE_OBJECTS_ADDRESS_SPACE_H_
