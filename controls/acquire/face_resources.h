// The module's resources: the 16-pixel bitmap strip of the control's face
// (resource 1), the control's icon (resource 1), the about box (dialog
// resource 1) and the property pages' dialogs and strings.
#ifndef CONTROLS_ACQUIRE_FACE_RESOURCES_H_
#define CONTROLS_ACQUIRE_FACE_RESOURCES_H_

#include <cstddef>

#include "plat/resources.h"

namespace mirrask {

constexpr int kFaceStripResource = 1;
constexpr int kIconResource = 1;
constexpr int kAboutBoxResource = 1;
constexpr int kFaceStripWidth = 16;
// Light grey: the strip's transparent colour.
constexpr plat::COLORREF kFaceStripMask = 0xC0C0C0;
// Ids of the about box's items.
constexpr int kAboutIconItem = 100;
constexpr int kAboutVersionItem = 101;

// The resource table the module registers for its handle.
const plat::ResourceEntry* ModuleResources(size_t* count);

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_FACE_RESOURCES_H_
