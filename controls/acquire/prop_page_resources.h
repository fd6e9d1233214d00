// The resources of the auto-acquire control's property pages: dialogs
// 100-103 as templates of the dialog manager, the items their fixed
// drop-down lists start with, and the string table (captions, the pages'
// type name, the folder dialogs' titles, file formats and compressions).
#ifndef CONTROLS_ACQUIRE_PROP_PAGE_RESOURCES_H_
#define CONTROLS_ACQUIRE_PROP_PAGE_RESOURCES_H_

#include <span>

#include "plat/resources.h"

namespace mirrask {

// The items of the drop-down lists whose texts the dialogs fix.
std::span<const char* const> InputSourceItems();  // list 202
std::span<const char* const> PaperSizeItems();    // list 204
std::span<const char* const> UnitItems();         // list 205
std::span<const char* const> PcdDataSizeItems();  // list 214
std::span<const char* const> ColorDepthItems();   // list 217

// The pages' dialog and string entries of the module's resource table.
std::span<const plat::ResourceEntry> PropertyPageResources();

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_PROP_PAGE_RESOURCES_H_
