// Setting and inquiring object attributes by name, including the attribute
// groups of the file formats. Unknown names are ignored by set and inquire.
#ifndef PELRITH_CORE_OBJECTS_ATTRIBUTES_H_
#define PELRITH_CORE_OBJECTS_ATTRIBUTES_H_

#include <cstdint>

#include "core/objects/object.h"
#include "core/system/system.h"

// 0; the last error (9, 24) when the object is not live; -1 when memory ran
// out while creating extras or copying a name.
int IpiSetAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int count);
int IpiSetAttribute(IpiSystem* sys, IpiObject* obj, const char* name, intptr_t value);
// Each known name writes its value to the intptr_t its entry addresses.
int IpiInquireAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int count);
// The value of one attribute; 0 for an unknown name or an object that is not live.
[[nodiscard]] intptr_t IpiInquireAttribute(IpiSystem* sys, IpiObject* obj, const char* name);

// Frees the extras of the current format and sets "fileFormat" to 0.
void IpiFreeFormatExtras(IpiSystem* sys, IpiObject* obj);

// The group operations: each handles entry `index` of the list when its name
// belongs to that format's group; they return 1 when it did, 0 when the name is
// not in the group, -1 when memory ran out.
int IpiSetTiffAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetVdcAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetBmpAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetGifAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetJpegAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetPcxAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiSetPngAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquireTiffAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquireVdcAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquireBmpAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquireGifAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquireJpegAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquirePcxAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);
int IpiInquirePngAttributes(IpiSystem* sys, IpiObject* obj, const IpiAttribute* list, int index);

#endif  // PELRITH_CORE_OBJECTS_ATTRIBUTES_H_
