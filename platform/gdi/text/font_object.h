// Font objects behind HFONT handles, shared by the text functions and the
// device contexts that select them.
#ifndef PLAT_GDI_TEXT_FONT_OBJECT_H_
#define PLAT_GDI_TEXT_FONT_OBJECT_H_

#include <atomic>
#include <memory>

#include "plat/font.h"
#include "plat/font_engine.h"
#include "plat/gdi_surface.h"

namespace plat::text {

struct FontObject final : gdi::GdiObject {
  DWORD Type() const override { return OBJ_FONT; }
  LOGFONT logfont;
};

std::shared_ptr<FontObject> FindFont(HFONT font);
// What the engine is asked for a logical font.
FaceRequest MakeFaceRequest(const LOGFONT& logfont);
// The font a device context starts with.
HFONT DefaultDcFont();
// GetObject of a font: the LOGFONT's size, or 0 when `size` is too small.
int GetFontObject(const gdi::GdiObject& font, int size, void* out);
TEXTMETRIC MakeTextMetric(const FontMetrics& metrics, const LOGFONT& logfont);

}  // namespace plat::text

#endif  // PLAT_GDI_TEXT_FONT_OBJECT_H_
