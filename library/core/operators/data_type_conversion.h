// Copying an object's elements into another object of the same data type,
// over the overlap given by match points and gated by regions of interest.
#ifndef PELRITH_CORE_OPERATORS_DATA_TYPE_CONVERSION_H_
#define PELRITH_CORE_OPERATORS_DATA_TYPE_CONVERSION_H_

#include "core/objects/object.h"
#include "core/system/system.h"

// Dispatch by the source's "dataType": 18, 153 and 175 have a copy kernel;
// any other data type gives 10.
int IpiConvertDataType(IpiSystem* sys, IpiObject* source, IpiObject* destination);

// Source 18; destination 18 (bit copy) or 153 (255 for a set bit, else 0).
int IpiConvertFromBoolean(IpiSystem* sys, IpiObject* source, IpiObject* destination);
// Source and destination 153 with the same stored bits per element.
int IpiConvertFromNonnegative(IpiSystem* sys, IpiObject* source, IpiObject* destination);
// Source and destination 175 (32-bit words).
int IpiConvertFromInteger32(IpiSystem* sys, IpiObject* source, IpiObject* destination);

#endif  // PELRITH_CORE_OPERATORS_DATA_TYPE_CONVERSION_H_
