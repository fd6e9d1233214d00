// CPoint, CSize and CRect: the class library's value types over POINT, SIZE
// and RECT. A rectangle's right and bottom edges are exclusive.
#ifndef PLAT_CTL_GEOMETRY_H_
#define PLAT_CTL_GEOMETRY_H_

#include "plat/types.h"

namespace plat {

class CSize : public SIZE {
 public:
  CSize() = default;
  CSize(int x, int y) : SIZE{x, y} {}
  CSize(SIZE size) : SIZE(size) {}
  bool operator==(const SIZE& o) const { return cx == o.cx && cy == o.cy; }
  CSize operator+(SIZE o) const { return CSize(cx + o.cx, cy + o.cy); }
  CSize operator-(SIZE o) const { return CSize(cx - o.cx, cy - o.cy); }
};

class CPoint : public POINT {
 public:
  CPoint() = default;
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  CPoint(POINT point) : POINT(point) {}
  void Offset(int dx, int dy) {
    x += dx;
    y += dy;
  }
  bool operator==(const POINT& o) const { return x == o.x && y == o.y; }
  CPoint operator+(SIZE s) const { return CPoint(x + s.cx, y + s.cy); }
  CPoint operator-(SIZE s) const { return CPoint(x - s.cx, y - s.cy); }
  CSize operator-(POINT o) const { return CSize(x - o.x, y - o.y); }
};

class CRect : public RECT {
 public:
  CRect() = default;
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& rect) : RECT(rect) {}
  CRect(POINT top_left, SIZE size) : RECT{top_left.x, top_left.y, top_left.x + size.cx, top_left.y + size.cy} {}
  CRect(POINT top_left, POINT bottom_right) : RECT{top_left.x, top_left.y, bottom_right.x, bottom_right.y} {}

  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  CSize Size() const { return CSize(Width(), Height()); }
  CPoint TopLeft() const { return CPoint(left, top); }
  CPoint BottomRight() const { return CPoint(right, bottom); }
  CPoint CenterPoint() const { return CPoint((left + right) / 2, (top + bottom) / 2); }
  // Empty: no area (width or height not positive).
  BOOL IsRectEmpty() const { return (right <= left || bottom <= top) ? TRUE : FALSE; }
  BOOL IsRectNull() const { return (left == 0 && top == 0 && right == 0 && bottom == 0) ? TRUE : FALSE; }
  BOOL PtInRect(POINT p) const { return (p.x >= left && p.x < right && p.y >= top && p.y < bottom) ? TRUE : FALSE; }

  void SetRect(int l, int t, int r, int b) { *this = CRect(l, t, r, b); }
  void SetRectEmpty() { SetRect(0, 0, 0, 0); }
  void OffsetRect(int dx, int dy);
  void OffsetRect(POINT p) { OffsetRect(p.x, p.y); }
  void InflateRect(int dx, int dy);
  void DeflateRect(int dx, int dy) { InflateRect(-dx, -dy); }
  void NormalizeRect();
  // The overlap (empty and zeroed when none); FALSE when empty.
  BOOL IntersectRect(const RECT& a, const RECT& b);
  // The smallest rectangle holding both non-empty inputs; FALSE when empty.
  BOOL UnionRect(const RECT& a, const RECT& b);
  BOOL EqualRect(const RECT& o) const { return *this == o ? TRUE : FALSE; }
  bool operator==(const RECT& o) const {
    return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
  }
  operator RECT*() { return this; }
  operator const RECT*() const { return this; }
};

}  // namespace plat

#endif  // PLAT_CTL_GEOMETRY_H_
