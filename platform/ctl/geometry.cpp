// CRect operations.
#include "plat/ctl/geometry.h"

#include <algorithm>

namespace plat {

void CRect::OffsetRect(int dx, int dy) {
  left += dx;
  right += dx;
  top += dy;
  bottom += dy;
}

void CRect::InflateRect(int dx, int dy) {
  left -= dx;
  right += dx;
  top -= dy;
  bottom += dy;
}

void CRect::NormalizeRect() {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
}

BOOL CRect::IntersectRect(const RECT& a, const RECT& b) {
  CRect r(std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom));
  if (r.IsRectEmpty()) {
    SetRectEmpty();
    return FALSE;
  }
  *this = r;
  return TRUE;
}

BOOL CRect::UnionRect(const RECT& a, const RECT& b) {
  const bool a_empty = CRect(a).IsRectEmpty() != FALSE;
  const bool b_empty = CRect(b).IsRectEmpty() != FALSE;
  if (a_empty && b_empty) {
    SetRectEmpty();
    return FALSE;
  }
  if (a_empty) {
    *this = b;
  } else if (b_empty) {
    *this = a;
  } else {
    *this = CRect(std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                  std::max(a.bottom, b.bottom));
  }
  return TRUE;
}

}  // namespace plat
