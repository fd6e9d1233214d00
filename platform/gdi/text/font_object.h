// Font objects behind HFONT handles, shared by the text functions and the
// device contexts that select them.
#ifndef PLAT_GDI_TEXT_FONT_OBJECT_H_
#define PLAT_GDI_TEXT_FONT_OBJECT_H_

#include <atomic>
#include <memory>

#include "plat/font.h"
#include "plat/font_engine.h"

namespace plat::text {

struct FontObject {
  LOGFONT logfont;
  bool is_stock = false;
  std::atomic<int> selections{0};  // device contexts holding it; it cannot be deleted while > 0
};

std::shared_ptr<FontObject> FindFont(HFONT font);
// What the engine is asked for a logical font.
FaceRequest MakeFaceRequest(const LOGFONT& logfont);
// The font a device context starts with.
HFONT DefaultDcFont();

}  // namespace plat::text

#endif  // PLAT_GDI_TEXT_FONT_OBJECT_H_
