// Automation colours (OLE_COLOR) to drawing colours (COLORREF):
// 0x80000000 | i is system colour i, 0x01000000 | i a palette index and
// 0x02BBGGRR a palette-relative colour (both kept for drawing to resolve),
// 0x00BBGGRR plain RGB. Anything else is refused.
#ifndef PLAT_OLEAUT_COLOR_H_
#define PLAT_OLEAUT_COLOR_H_

#include "plat/oleaut/variant.h"

namespace plat {

// E_INVALIDARG for an unknown form or a system colour index the table lacks.
HRESULT OleTranslateColor(OLE_COLOR color, HPALETTE palette, COLORREF* out);

}  // namespace plat

#endif  // PLAT_OLEAUT_COLOR_H_
