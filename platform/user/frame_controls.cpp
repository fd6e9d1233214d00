// Three-dimensional edges and frame controls (push buttons, check boxes and
// radio buttons, caption buttons, menu marks, scroll-bar arrows and the size
// grip) drawn in the system colours. Glyphs are our own pixel figures,
// scaled to the rectangle and centred in it.
#include <algorithm>
#include <cmath>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/sys_colors.h"
#include "plat/user.h"
#include "user/text_util.h"

namespace plat {

namespace {

struct Ring {
  int top_left = 0;      // COLOR_* index
  int bottom_right = 0;
};

// The colours of the outer (`is_inner` false) or inner ring of an edge.
Ring RingColours(UINT bits, bool is_inner, UINT flags) {
  if ((flags & BF_MONO) != 0) {
    return is_inner ? Ring{COLOR_WINDOW, COLOR_WINDOW} : Ring{COLOR_WINDOWFRAME, COLOR_WINDOWFRAME};
  }
  if ((flags & BF_FLAT) != 0) {
    return is_inner ? Ring{COLOR_3DFACE, COLOR_3DFACE} : Ring{COLOR_3DSHADOW, COLOR_3DSHADOW};
  }
  const bool is_raised = (bits & 1) != 0;
  const bool is_soft = (flags & BF_SOFT) != 0;
  if (!is_inner) {
    return is_raised ? Ring{is_soft ? COLOR_3DHILIGHT : COLOR_3DLIGHT, COLOR_3DDKSHADOW}
                     : Ring{is_soft ? COLOR_3DDKSHADOW : COLOR_3DSHADOW, COLOR_3DHILIGHT};
  }
  return is_raised ? Ring{is_soft ? COLOR_3DLIGHT : COLOR_3DHILIGHT, COLOR_3DSHADOW}
                   : Ring{is_soft ? COLOR_3DSHADOW : COLOR_3DDKSHADOW, COLOR_3DLIGHT};
}

void Fill(HDC dc, int left, int top, int right, int bottom, int colour_index) {
  if (left >= right || top >= bottom) return;
  const RECT rect{left, top, right, bottom};
  FillRect(dc, &rect, GetSysColorBrush(colour_index));
}

// One diagonal ring: a line across the square of the rectangle's smaller
// side, from the corner opposite the flags' corner to it.
void DiagonalRing(HDC dc, const RECT& r, UINT flags, int colour_index) {
  const int side = std::min(r.right - r.left, r.bottom - r.top);
  const bool to_top = (flags & BF_TOP) != 0, to_right = (flags & BF_RIGHT) != 0;
  for (int i = 0; i < side; ++i) {
    const int x = to_right ? r.left + i : r.right - 1 - i;
    const int y = to_top ? r.bottom - 1 - i : r.top + i;
    Fill(dc, x, y, x + 1, y + 1, colour_index);
  }
}

// A figure of pixels, drawn in one colour.
struct Glyph {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> bits;
  Glyph(int w, int h) : width(std::max(w, 0)), height(std::max(h, 0)), bits(size_t(width) * size_t(height)) {}
  void Set(int x, int y) {
    if (x >= 0 && y >= 0 && x < width && y < height) bits[size_t(y) * size_t(width) + size_t(x)] = 1;
  }
  bool At(int x, int y) const { return bits[size_t(y) * size_t(width) + size_t(x)] != 0; }
};

Glyph FromArt(std::initializer_list<const char*> art, int scale) {
  const int rows = static_cast<int>(art.size());
  const int cols = static_cast<int>(std::char_traits<char>::length(*art.begin()));
  Glyph glyph(cols * scale, rows * scale);
  int y = 0;
  for (const char* line : art) {
    for (int x = 0; x < cols; ++x) {
      if (line[x] != '#') continue;
      for (int dy = 0; dy < scale; ++dy) {
        for (int dx = 0; dx < scale; ++dx) glyph.Set(x * scale + dx, y * scale + dy);
      }
    }
    ++y;
  }
  return glyph;
}

// Paints the glyph's pixels at (x, y) in runs along its rows.
void PaintGlyph(HDC dc, const Glyph& glyph, int x, int y, HBRUSH brush) {
  for (int row = 0; row < glyph.height; ++row) {
    int col = 0;
    while (col < glyph.width) {
      if (!glyph.At(col, row)) {
        ++col;
        continue;
      }
      const int start = col;
      while (col < glyph.width && glyph.At(col, row)) ++col;
      const RECT run{x + start, y + row, x + col, y + row + 1};
      FillRect(dc, &run, brush);
    }
  }
}

// The glyph centred in `area`: embossed when inactive, one pixel down and
// right when pushed.
void PlaceGlyph(HDC dc, const Glyph& glyph, const RECT& area, UINT state, int colour_index) {
  int x = area.left + (area.right - area.left - glyph.width) / 2;
  int y = area.top + (area.bottom - area.top - glyph.height) / 2;
  if ((state & DFCS_PUSHED) != 0) {
    ++x;
    ++y;
  }
  if ((state & DFCS_INACTIVE) != 0) {
    PaintGlyph(dc, glyph, x + 1, y + 1, GetSysColorBrush(COLOR_3DHILIGHT));
    PaintGlyph(dc, glyph, x, y, GetSysColorBrush(COLOR_3DSHADOW));
    return;
  }
  PaintGlyph(dc, glyph, x, y, GetSysColorBrush(colour_index));
}

// A filled triangle pointing up, down, left or right, `size` the side of the
// square it is made for.
Glyph Arrow(UINT direction, int size) {
  const int depth = std::max(1, size / 4);
  const int base = 2 * depth - 1;
  const bool is_vertical = direction == DFCS_SCROLLUP || direction == DFCS_SCROLLDOWN;
  Glyph glyph(is_vertical ? base : depth, is_vertical ? depth : base);
  for (int step = 0; step < depth; ++step) {
    // `step` 0 is the tip.
    for (int across = depth - 1 - step; across <= depth - 1 + step; ++across) {
      switch (direction) {
        case DFCS_SCROLLUP: glyph.Set(across, step); break;
        case DFCS_SCROLLDOWN: glyph.Set(across, depth - 1 - step); break;
        case DFCS_SCROLLLEFT: glyph.Set(step, across); break;
        default: glyph.Set(depth - 1 - step, across); break;
      }
    }
  }
  return glyph;
}

Glyph CheckMark(int scale) {
  return FromArt({"......#", ".....##", "#...###", "##.###.", "#####..", ".###...", "..#...."}, scale);
}

Glyph CaptionGlyph(UINT kind, int size) {
  const int k = std::max(3, size / 2);
  Glyph glyph(k + 1, k);
  switch (kind) {
    case DFCS_CAPTIONCLOSE:
      for (int i = 0; i < k; ++i) {
        glyph.Set(i, i);
        glyph.Set(i + 1, i);
        glyph.Set(k - 1 - i, i);
        glyph.Set(k - i, i);
      }
      break;
    case DFCS_CAPTIONMIN:
      for (int x = 1; x < k - 1; ++x) {
        glyph.Set(x, k - 2);
        glyph.Set(x, k - 1);
      }
      break;
    case DFCS_CAPTIONMAX:
      for (int x = 0; x <= k; ++x) {
        glyph.Set(x, 0);
        glyph.Set(x, 1);
        glyph.Set(x, k - 1);
      }
      for (int y = 0; y < k; ++y) {
        glyph.Set(0, y);
        glyph.Set(k, y);
      }
      break;
    case DFCS_CAPTIONRESTORE: {
      const int box_w = k - 2, box_h = k - 3;
      const auto box = [&](int left, int top) {
        for (int x = left; x < left + box_w; ++x) {
          glyph.Set(x, top);
          glyph.Set(x, top + 1);
          glyph.Set(x, top + box_h - 1);
        }
        for (int y = top; y < top + box_h; ++y) {
          glyph.Set(left, y);
          glyph.Set(left + box_w - 1, y);
        }
      };
      box(3, 0);
      // The front box hides what lies behind it.
      for (int y = 3; y < 3 + box_h; ++y) {
        for (int x = 0; x < box_w; ++x) glyph.bits[size_t(y) * size_t(glyph.width) + size_t(x)] = 0;
      }
      box(0, 3);
      break;
    }
    default:  // DFCS_CAPTIONHELP
      return FromArt({".####.", "##..##", "....##", "...##.", "..##..", "..##..", "......", "..##..", "..##.."},
                     std::max(1, k / 8));
  }
  return glyph;
}

RECT Square(const RECT& rect) {
  const int side = std::min(rect.right - rect.left, rect.bottom - rect.top);
  const int left = rect.left + (rect.right - rect.left - side) / 2;
  const int top = rect.top + (rect.bottom - rect.top - side) / 2;
  return RECT{left, top, left + side, top + side};
}

void FillDither(HDC dc, const RECT& rect) {
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x) {
      Fill(dc, x, y, x + 1, y + 1, ((x + y) & 1) != 0 ? COLOR_3DHILIGHT : COLOR_3DFACE);
    }
  }
}

UINT EdgeFlags(UINT state) {
  UINT flags = BF_RECT | BF_MIDDLE;
  if ((state & DFCS_FLAT) != 0) flags |= BF_FLAT;
  if ((state & DFCS_MONO) != 0) flags |= BF_MONO;
  return flags;
}

BOOL DrawButton(HDC dc, RECT* rect, UINT state) {
  const UINT kind = state & 0xFF;
  if ((kind & DFCS_BUTTONPUSH) != 0) {
    RECT face = *rect;
    const bool is_down = (state & (DFCS_PUSHED | DFCS_CHECKED)) != 0;
    DrawEdge(dc, &face, is_down ? EDGE_SUNKEN : EDGE_RAISED, EdgeFlags(state) | BF_SOFT | BF_ADJUST);
    if ((state & DFCS_CHECKED) != 0 && (state & DFCS_PUSHED) == 0) FillDither(dc, face);
    if ((state & DFCS_ADJUSTRECT) != 0) *rect = face;
    return TRUE;
  }
  const RECT box = Square(*rect);
  const int side = box.right - box.left;
  if ((kind & (DFCS_BUTTONRADIO | DFCS_BUTTONRADIOIMAGE | DFCS_BUTTONRADIOMASK)) != 0) {
    // Rings by the distance of each pixel's centre from the box's centre;
    // the upper-left half of a ring is its dark side.
    const double centre = side / 2.0, radius = side / 2.0;
    const bool is_mask = (kind & DFCS_BUTTONRADIOMASK) != 0;
    const bool is_checked = (state & DFCS_CHECKED) != 0;
    const int middle = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0 ? COLOR_3DFACE : COLOR_WINDOW;
    const int dot = (state & DFCS_INACTIVE) != 0 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    if (is_mask) Fill(dc, box.left, box.top, box.right, box.bottom, COLOR_WINDOW);
    for (int y = 0; y < side; ++y) {
      for (int x = 0; x < side; ++x) {
        const double d = std::hypot(x + 0.5 - centre, y + 0.5 - centre);
        if (d > radius) continue;
        const bool is_upper_left = x + y < side - 1;
        int colour;
        if (is_mask) colour = COLOR_WINDOWFRAME;
        else if (d > radius - 1) colour = is_upper_left ? COLOR_3DSHADOW : COLOR_3DHILIGHT;
        else if (d > radius - 2) colour = is_upper_left ? COLOR_3DDKSHADOW : COLOR_3DLIGHT;
        else if (is_checked && d <= radius / 3) colour = dot;
        else colour = middle;
        Fill(dc, box.left + x, box.top + y, box.left + x + 1, box.top + y + 1, colour);
      }
    }
    return TRUE;
  }
  // A check box: a sunken square, its middle the window colour, the mark.
  RECT inside = box;
  DrawEdge(dc, &inside, EDGE_SUNKEN, (EdgeFlags(state) & ~BF_MIDDLE) | BF_ADJUST);
  const bool is_indeterminate = (kind & DFCS_BUTTON3STATE) != 0 && (state & DFCS_CHECKED) != 0;
  const bool is_grey = (state & (DFCS_PUSHED | DFCS_INACTIVE)) != 0 || is_indeterminate;
  Fill(dc, inside.left, inside.top, inside.right, inside.bottom, is_grey ? COLOR_3DFACE : COLOR_WINDOW);
  if ((state & DFCS_CHECKED) != 0) {
    const Glyph mark = CheckMark(std::max(1, (inside.right - inside.left) / 9));
    const int colour = is_indeterminate ? COLOR_3DSHADOW : (state & DFCS_INACTIVE) != 0 ? COLOR_GRAYTEXT : COLOR_WINDOWTEXT;
    PlaceGlyph(dc, mark, inside, state & ~(DFCS_PUSHED | DFCS_INACTIVE), colour);
  }
  return TRUE;
}

BOOL DrawScrollPart(HDC dc, RECT* rect, UINT state) {
  const UINT kind = state & 0xFF;
  if (kind == DFCS_SCROLLSIZEGRIP || kind == DFCS_SCROLLSIZEGRIPRIGHT) {
    if ((state & DFCS_TRANSPARENT) == 0) Fill(dc, rect->left, rect->top, rect->right, rect->bottom, COLOR_3DFACE);
    // Ridges across the corner, four pixels apart: from the corner out, a
    // gap, two shadow lines and a light line.
    const int side = std::min(rect->right - rect->left, rect->bottom - rect->top);
    const bool is_left = kind == DFCS_SCROLLSIZEGRIPRIGHT;  // mirrored: the grip in the lower-left corner
    for (int t = 1; t < side; ++t) {
      if (t % 4 == 0) continue;
      const int colour = t % 4 == 3 ? COLOR_3DHILIGHT : COLOR_3DSHADOW;
      for (int i = 0; i <= t; ++i) {
        const int x = is_left ? rect->left + t - i : rect->right - 1 - t + i;
        const int y = rect->bottom - 1 - i;
        Fill(dc, x, y, x + 1, y + 1, colour);
      }
    }
    return TRUE;
  }
  if (kind > DFCS_SCROLLRIGHT && kind != DFCS_SCROLLCOMBOBOX) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  RECT face = *rect;
  if ((state & DFCS_PUSHED) != 0) {
    DrawEdge(dc, &face, EDGE_RAISED, EdgeFlags(state) | BF_FLAT | BF_ADJUST);
  } else {
    DrawEdge(dc, &face, EDGE_RAISED, EdgeFlags(state) | BF_ADJUST);
  }
  const int size = std::min(rect->right - rect->left, rect->bottom - rect->top);
  PlaceGlyph(dc, Arrow(kind == DFCS_SCROLLCOMBOBOX ? DFCS_SCROLLDOWN : kind, size), face, state, COLOR_BTNTEXT);
  if ((state & DFCS_ADJUSTRECT) != 0) *rect = face;
  return TRUE;
}

BOOL DrawCaptionButton(HDC dc, RECT* rect, UINT state) {
  const UINT kind = state & 0xFF;
  if (kind > DFCS_CAPTIONHELP) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  RECT face = *rect;
  DrawEdge(dc, &face, (state & DFCS_PUSHED) != 0 ? EDGE_SUNKEN : EDGE_RAISED, EdgeFlags(state) | BF_ADJUST);
  const int size = std::min(rect->right - rect->left, rect->bottom - rect->top);
  PlaceGlyph(dc, CaptionGlyph(kind, size), face, state, COLOR_BTNTEXT);
  if ((state & DFCS_ADJUSTRECT) != 0) *rect = face;
  return TRUE;
}

// Menu marks are black on white, as masks for the menu's own colours.
BOOL DrawMenuMark(HDC dc, const RECT* rect, UINT state) {
  const UINT kind = state & 0xFF;
  const int size = std::min(rect->right - rect->left, rect->bottom - rect->top);
  Glyph glyph(0, 0);
  switch (kind) {
    case DFCS_MENUARROW: glyph = Arrow(DFCS_SCROLLRIGHT, size); break;
    case DFCS_MENUARROWRIGHT: glyph = Arrow(DFCS_SCROLLLEFT, size); break;
    case DFCS_MENUCHECK: glyph = CheckMark(std::max(1, size / 13)); break;
    case DFCS_MENUBULLET: {
      const int diameter = std::max(2, size / 3);
      glyph = Glyph(diameter, diameter);
      const double r = diameter / 2.0;
      for (int y = 0; y < diameter; ++y) {
        for (int x = 0; x < diameter; ++x) {
          if (std::hypot(x + 0.5 - r, y + 0.5 - r) <= r) glyph.Set(x, y);
        }
      }
      break;
    }
    default: return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  }
  FillRect(dc, rect, reinterpret_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
  const int x = rect->left + (rect->right - rect->left - glyph.width) / 2;
  const int y = rect->top + (rect->bottom - rect->top - glyph.height) / 2;
  PaintGlyph(dc, glyph, x, y, reinterpret_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  return TRUE;
}

}  // namespace

BOOL DrawEdge(HDC dc, RECT* rect, UINT edge, UINT flags) {
  if (rect == nullptr) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  if (!gdi::FindDc(dc)) return FailWith<BOOL>(FALSE, ERROR_INVALID_HANDLE);
  RECT r = *rect;
  const UINT rings[2] = {edge & BDR_OUTER, (edge & BDR_INNER) >> 2};
  for (int i = 0; i < 2; ++i) {
    if (rings[i] == 0) continue;
    const Ring colours = RingColours(rings[i], i == 1, flags);
    if ((flags & BF_DIAGONAL) != 0) {
      DiagonalRing(dc, r, flags, (flags & BF_BOTTOM) != 0 ? colours.bottom_right : colours.top_left);
    } else {
      if ((flags & BF_TOP) != 0) Fill(dc, r.left, r.top, r.right, r.top + 1, colours.top_left);
      if ((flags & BF_LEFT) != 0) Fill(dc, r.left, r.top, r.left + 1, r.bottom, colours.top_left);
      if ((flags & BF_BOTTOM) != 0) Fill(dc, r.left, r.bottom - 1, r.right, r.bottom, colours.bottom_right);
      if ((flags & BF_RIGHT) != 0) Fill(dc, r.right - 1, r.top, r.right, r.bottom, colours.bottom_right);
    }
    if ((flags & BF_LEFT) != 0) ++r.left;
    if ((flags & BF_TOP) != 0) ++r.top;
    if ((flags & BF_RIGHT) != 0) --r.right;
    if ((flags & BF_BOTTOM) != 0) --r.bottom;
  }
  if ((flags & BF_MIDDLE) != 0 && (flags & BF_DIAGONAL) == 0) {
    Fill(dc, r.left, r.top, r.right, r.bottom, (flags & BF_MONO) != 0 ? COLOR_WINDOW : COLOR_3DFACE);
  }
  if ((flags & BF_ADJUST) != 0) *rect = r;
  return TRUE;
}

BOOL DrawFrameControl(HDC dc, RECT* rect, UINT type, UINT state) {
  if (rect == nullptr) return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  if (!gdi::FindDc(dc)) return FailWith<BOOL>(FALSE, ERROR_INVALID_HANDLE);
  switch (type) {
    case DFC_BUTTON: return DrawButton(dc, rect, state);
    case DFC_CAPTION: return DrawCaptionButton(dc, rect, state);
    case DFC_SCROLL: return DrawScrollPart(dc, rect, state);
    case DFC_MENU:
    case DFC_POPUPMENU:
      return DrawMenuMark(dc, rect, state);
    default: return FailWith<BOOL>(FALSE, ERROR_INVALID_PARAMETER);
  }
}

}  // namespace plat
