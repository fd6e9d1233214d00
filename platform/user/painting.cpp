// Painting: update regions, WM_PAINT and the DCs of windows, scrolling and
// window regions. Every window draws into the back buffer of its top-level
// window, clipped to its ancestors, window regions and, with
// WS_CLIPCHILDREN/WS_CLIPSIBLINGS, its children and higher siblings; what was
// drawn is presented through the backend when the DC is released.
#include "user/painting.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <vector>

#include "plat/gdi.h"
#include "user/text_util.h"

namespace plat {

using gdi::Region;
using user::FindWindowRecord;
using user::RequireWindow;
using user::State;
using user::Window;

namespace user {

namespace {

// DCs handed out for windows, and the top-level window whose buffer they draw in.
std::map<uint32_t, HWND>& WindowDcs() {
  static auto* dcs = new std::map<uint32_t, HWND>;
  return *dcs;
}

RECT ClientBounds(const Window& window) {
  return RECT{0, 0, window.client_rect.right - window.client_rect.left,
              window.client_rect.bottom - window.client_rect.top};
}

Region WindowShape(const Window& window) {
  if (window.window_region == nullptr) return Region();
  auto object = gdi::FindRegion(window.window_region);
  return object ? object->region : Region();
}

// The window's own outline in root pixels: its rectangle, cut to its region.
Region Outline(const Window& window) {
  const POINT origin = WindowOriginInRoot(window);
  const RECT rect = window.window_rect;
  Region outline(RECT{origin.x, origin.y, origin.x + rect.right - rect.left, origin.y + rect.bottom - rect.top});
  if (window.window_region != nullptr) {
    Region shape = WindowShape(window);
    shape.Offset(origin.x, origin.y);
    outline = Region::Combine(outline, shape, RGN_AND);
  }
  return outline;
}

std::shared_ptr<Window> Root(const Window& window) { return FindWindowRecord(RootOf(window.hwnd)); }

std::shared_ptr<gdi::Surface> BufferOf(const Window& window) {
  auto root = Root(window);
  if (!root) return nullptr;
  if (!root->back_buffer) ResizeBackBuffer(*root);
  return root->back_buffer;
}

// Adds `region` (client coordinates) to the window's update region and, where
// the window does not clip its children, to theirs.
void AddUpdate(Window& window, const Region& region, bool erase, bool include_children) {
  const Region clipped = region.Intersected(ClientBounds(window));
  if (!clipped.empty()) {
    window.update_region = Region::Combine(window.update_region, clipped, RGN_OR);
    window.needs_erase |= erase;
  }
  if (!include_children) return;
  for (HWND child_hwnd : window.children) {
    auto child = FindWindowRecord(child_hwnd);
    if (!child || (child->style & WS_VISIBLE) == 0) continue;
    Region in_child = clipped;
    in_child.Offset(-child->client_rect.left, -child->client_rect.top);
    if (in_child.Intersects(ClientBounds(*child))) {
      AddUpdate(*child, in_child, erase, true);
    }
    Region in_frame = clipped;
    in_frame.Offset(-child->window_rect.left, -child->window_rect.top);
    const RECT& wr = child->window_rect;
    if (in_frame.Intersects(RECT{0, 0, wr.right - wr.left, wr.bottom - wr.top}) &&
        std::memcmp(&child->window_rect, &child->client_rect, sizeof(RECT)) != 0) {
      child->needs_frame = true;
    }
  }
}

void SubtractUpdate(Window& window, const Region& region, bool include_children) {
  window.update_region = Region::Combine(window.update_region, region, RGN_DIFF);
  if (window.update_region.empty()) window.needs_erase = false;
  if (!include_children) return;
  for (HWND child_hwnd : window.children) {
    auto child = FindWindowRecord(child_hwnd);
    if (!child) continue;
    Region in_child = region;
    in_child.Offset(-child->client_rect.left, -child->client_rect.top);
    SubtractUpdate(*child, in_child, true);
  }
}

HDC MakeWindowDc(const Window& window, bool is_client_only) {
  auto buffer = BufferOf(window);
  if (!buffer) return nullptr;
  HDC dc = gdi::CreateSurfaceDC(buffer, gdi::DcKind::kSurface);
  auto record = gdi::FindDc(dc);
  if (!record) return nullptr;
  record->offset = is_client_only ? ClientOriginInRoot(window) : WindowOriginInRoot(window);
  record->visible = VisibleRegionInRoot(window, is_client_only);
  record->ClipChanged();
  WindowDcs()[HandleId(dc)] = RootOf(window.hwnd);
  return dc;
}

HWND PaintCandidate(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  if (!window || (window->style & WS_VISIBLE) == 0) return nullptr;
  if (!window->update_region.empty() || window->has_internal_paint || window->needs_frame) return hwnd;
  for (HWND child : window->children) {
    if (HWND found = PaintCandidate(child)) return found;
  }
  return nullptr;
}

Region RegionOfHandle(HRGN region) {
  auto object = gdi::FindRegion(region);
  return object ? object->region : Region();
}

void StoreRegion(HRGN target, const Region& region) {
  if (auto object = gdi::FindRegion(target)) object->region = region;
}

int Complexity(const Region& region) { return region.Complexity(); }

}  // namespace

bool PointInWindowRegion(const Window& window, int x, int y) {
  if (window.window_region == nullptr) return true;
  auto object = gdi::FindRegion(window.window_region);
  return !object || object->region.Contains(x, y);
}

POINT WindowOriginInRoot(const Window& window) {
  POINT origin{0, 0};
  const Window* current = &window;
  std::shared_ptr<Window> hold;
  while (current->parent != nullptr) {
    origin.x += current->window_rect.left;
    origin.y += current->window_rect.top;
    hold = FindWindowRecord(current->parent);
    if (!hold) break;
    origin.x += hold->client_rect.left - hold->window_rect.left;
    origin.y += hold->client_rect.top - hold->window_rect.top;
    if (hold->parent == nullptr) break;
    current = hold.get();
  }
  return origin;
}

POINT ClientOriginInRoot(const Window& window) {
  const POINT origin = WindowOriginInRoot(window);
  return POINT{origin.x + window.client_rect.left - window.window_rect.left,
               origin.y + window.client_rect.top - window.window_rect.top};
}

Region VisibleRegionInRoot(const Window& window, bool is_client_only) {
  Region visible = Outline(window);
  if (is_client_only) {
    const POINT client = ClientOriginInRoot(window);
    visible = visible.Intersected(ShiftedRect(ClientBounds(window), client.x, client.y));
    if ((window.style & WS_CLIPCHILDREN) != 0) {
      for (HWND child_hwnd : window.children) {
        auto child = FindWindowRecord(child_hwnd);
        if (child && (child->style & WS_VISIBLE) != 0) visible = Region::Combine(visible, Outline(*child), RGN_DIFF);
      }
    }
  }
  // Up the tree: each level is cut to its parent's client area and shape,
  // and by the higher siblings where it clips them.
  const Window* current = &window;
  std::shared_ptr<Window> hold;
  while (current->parent != nullptr) {
    auto parent = FindWindowRecord(current->parent);
    if (!parent) break;
    if ((current->style & WS_CLIPSIBLINGS) != 0) {
      for (HWND sibling_hwnd : parent->children) {
        if (sibling_hwnd == current->hwnd) break;  // the rest lie below
        auto sibling = FindWindowRecord(sibling_hwnd);
        if (sibling && (sibling->style & WS_VISIBLE) != 0) {
          visible = Region::Combine(visible, Outline(*sibling), RGN_DIFF);
        }
      }
    }
    const POINT client = ClientOriginInRoot(*parent);
    visible = visible.Intersected(ShiftedRect(ClientBounds(*parent), client.x, client.y));
    if (parent->window_region != nullptr) visible = Region::Combine(visible, Outline(*parent), RGN_AND);
    hold = parent;
    current = hold.get();
  }
  return visible;
}

void ResizeBackBuffer(Window& window) {
  if (window.parent != nullptr) return;
  const int width = std::max(1, static_cast<int>(window.window_rect.right - window.window_rect.left));
  const int height = std::max(1, static_cast<int>(window.window_rect.bottom - window.window_rect.top));
  if (window.back_buffer && window.back_buffer->width == width && window.back_buffer->height == height) return;
  auto buffer = gdi::CreateSurface(width, height, 32);
  if (!buffer) return;
  if (window.back_buffer) {
    // Keep what still fits; the rest is invalidated by the caller.
    const int rows = std::min(height, window.back_buffer->height);
    const size_t bytes = static_cast<size_t>(std::min(width, window.back_buffer->width)) * 4;
    for (int y = 0; y < rows; ++y) std::memcpy(buffer->Row(y), window.back_buffer->Row(y), bytes);
  }
  window.back_buffer = std::move(buffer);
  // Rebind the DCs still drawing into the old buffer.
  for (const auto& [dc_id, root] : WindowDcs()) {
    if (root != window.hwnd) continue;
    if (auto dc = gdi::FindDc(HandleFromId<HDC>(dc_id))) dc->surface = window.back_buffer;
  }
}

void PresentDirty(HWND hwnd) {
  auto window = FindWindowRecord(hwnd);
  if (!window || !window->back_buffer) return;
  gdi::Surface& buffer = *window->back_buffer;
  RECT dirty = gdi::IntersectRects(buffer.dirty, buffer.Bounds());
  buffer.dirty = RECT{};
  if (gdi::IsEmptyRect(dirty) || !window->has_native || (window->style & WS_VISIBLE) == 0) return;
  backend::PixelView view;
  view.pixels = reinterpret_cast<const uint32_t*>(buffer.bits);
  view.width_px = buffer.width;
  view.height_px = buffer.height;
  view.stride_bytes = buffer.stride_bytes;
  Backend().Present(hwnd, view, {dirty});
}

void PresentAgain(HWND hwnd, const RECT& rect) {
  auto window = FindWindowRecord(hwnd);
  if (!window || !window->back_buffer) return;
  window->back_buffer->MarkDirty(rect);
  PresentDirty(hwnd);
}

void InvertInClient(HWND hwnd, const RECT& rect) {
  auto window = FindWindowRecord(hwnd);
  if (!window || !IsVisibleChain(*window)) return;
  HDC dc = MakeWindowDc(*window, true);
  if (dc == nullptr) return;
  InvertRect(dc, &rect);
  ReleaseDC(hwnd, dc);
}

void DrawCaretShape(const Caret& caret) {
  const RECT rect{caret.pos.x, caret.pos.y, caret.pos.x + caret.width, caret.pos.y + caret.height};
  BITMAP info{};
  if (caret.bitmap == nullptr || GetObject(caret.bitmap, sizeof(info), &info) == 0) {
    InvertInClient(caret.hwnd, rect);
    return;
  }
  auto window = FindWindowRecord(caret.hwnd);
  if (!window || !IsVisibleChain(*window)) return;
  HDC dc = MakeWindowDc(*window, true);
  if (dc == nullptr) return;
  // XOR with the shape: white pixels invert what lies below, black ones keep it.
  HDC source = CreateCompatibleDC(dc);
  HBITMAP previous = SelectObject(source, caret.bitmap);
  BitBlt(dc, rect.left, rect.top, caret.width, caret.height, source, 0, 0, SRCINVERT);
  SelectObject(source, previous);
  DeleteDC(source);
  ReleaseDC(caret.hwnd, dc);
}

void RestoreCaretAfterPaint(HWND hwnd) {
  GuiState& state = State();
  if (state.has_caret && state.caret.hwnd == hwnd && state.caret.hide_count == 0 && !state.caret.is_drawn) {
    state.caret.is_drawn = true;
    DrawCaretShape(state.caret);
  }
}

void ForgetWindowPainting(Window& window) {
  if (window.window_region != nullptr) {
    if (auto object = gdi::FindRegion(window.window_region)) --object->owners;
    DeleteObject(window.window_region);
    window.window_region = nullptr;
  }
  window.update_region = Region();
  window.back_buffer.reset();
}

HWND NextWindowToPaint(HWND filter) {
  if (filter != nullptr) return PaintCandidate(filter);
  for (HWND top : State().top_levels) {
    if (HWND found = PaintCandidate(top)) return found;
  }
  return nullptr;
}

}  // namespace user

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
  auto window = RequireWindow(hwnd);
  if (!window || paint == nullptr) return nullptr;
  user::HideCaretForPaint(hwnd);
  if (window->needs_frame) {
    window->needs_frame = false;
    user::Dispatch(window, WM_NCPAINT, 1, 0);
  }
  const Region update = window->update_region;
  const bool erase = window->needs_erase;
  window->update_region = Region();
  window->needs_erase = false;
  window->has_internal_paint = false;
  *paint = PAINTSTRUCT{};
  HDC dc = user::MakeWindowDc(*window, true);
  if (dc == nullptr) return nullptr;
  if (auto record = gdi::FindDc(dc)) {
    Region in_root = update;
    const POINT origin = user::ClientOriginInRoot(*window);
    in_root.Offset(origin.x, origin.y);
    record->visible = Region::Combine(*record->visible, in_root, RGN_AND);
    record->ClipChanged();
  }
  paint->hdc = dc;
  paint->rcPaint = update.bounds();
  paint->fErase = TRUE;
  if (erase && !update.empty()) paint->fErase = user::Dispatch(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) == 0;
  return dc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
  if (paint == nullptr) return FALSE;
  ReleaseDC(hwnd, paint->hdc);
  user::RestoreCaretAfterPaint(hwnd);
  return TRUE;
}

HDC GetDC(HWND hwnd) {
  if (hwnd == nullptr) {
    // The screen: readable, drawing into it is dropped.
    static std::shared_ptr<gdi::Surface> screen;
    if (!screen) {
      const backend::ScreenInfo info = user::Backend().Screen();
      screen = gdi::CreateSurface(info.width_px, info.height_px, 32);
    }
    return gdi::CreateSurfaceDC(screen, gdi::DcKind::kScreen);
  }
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  return user::MakeWindowDc(*window, true);
}

HDC GetWindowDC(HWND hwnd) {
  auto window = RequireWindow(hwnd);
  if (!window) return nullptr;
  return user::MakeWindowDc(*window, false);
}

int ReleaseDC(HWND hwnd, HDC dc) {
  (void)hwnd;
  auto& dcs = user::WindowDcs();
  auto found = dcs.find(HandleId(dc));
  if (found == dcs.end()) return DeleteDC(dc) ? 1 : 0;
  const HWND root = found->second;
  dcs.erase(found);
  DeleteDC(dc);
  user::PresentDirty(root);
  return 1;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN region, UINT flags) {
  if (hwnd == nullptr) {
    const std::vector<HWND> tops = State().top_levels;
    for (HWND top : tops) RedrawWindow(top, rect, region, flags);
    return TRUE;
  }
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  Region area;
  if (region != nullptr) {
    area = user::RegionOfHandle(region);
  } else if (rect != nullptr) {
    area = Region(*rect);
  } else {
    area = Region(user::ClientBounds(*window));
  }
  const bool children =
      (flags & RDW_ALLCHILDREN) != 0 || ((flags & RDW_NOCHILDREN) == 0 && (window->style & WS_CLIPCHILDREN) == 0);
  if ((flags & RDW_INVALIDATE) != 0) {
    user::AddUpdate(*window, area, (flags & RDW_ERASE) != 0, children);
    if ((flags & RDW_FRAME) != 0) window->needs_frame = true;
    if ((flags & RDW_FRAME) != 0 && children) {
      std::function<void(Window&)> frames = [&](Window& w) {
        for (HWND child : w.children) {
          if (auto record = FindWindowRecord(child)) {
            record->needs_frame = true;
            frames(*record);
          }
        }
      };
      frames(*window);
    }
  }
  if ((flags & RDW_INTERNALPAINT) != 0) window->has_internal_paint = true;
  if ((flags & RDW_VALIDATE) != 0) {
    user::SubtractUpdate(*window, area, children);
    if ((flags & RDW_NOFRAME) != 0) window->needs_frame = false;
  }
  if ((flags & RDW_NOINTERNALPAINT) != 0) window->has_internal_paint = false;
  if ((flags & (RDW_UPDATENOW | RDW_ERASENOW)) != 0) {
    std::function<void(HWND)> update = [&](HWND target) {
      UpdateWindow(target);
      if (!children) return;
      auto record = FindWindowRecord(target);
      if (!record) return;
      const std::vector<HWND> kids = record->children;
      for (HWND child : kids) update(child);
    };
    update(hwnd);
  }
  return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
  return RedrawWindow(hwnd, rect, nullptr, RDW_INVALIDATE | (erase ? RDW_ERASE : 0u));
}

BOOL InvalidateRgn(HWND hwnd, HRGN region, BOOL erase) {
  if (region != nullptr && !gdi::FindRegion(region)) return FALSE;
  return RedrawWindow(hwnd, nullptr, region, RDW_INVALIDATE | (erase ? RDW_ERASE : 0u));
}

BOOL ValidateRect(HWND hwnd, const RECT* rect) { return RedrawWindow(hwnd, rect, nullptr, RDW_VALIDATE); }

BOOL ValidateRgn(HWND hwnd, HRGN region) { return RedrawWindow(hwnd, nullptr, region, RDW_VALIDATE); }

BOOL GetUpdateRect(HWND hwnd, RECT* rect, BOOL erase) {
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  if (rect != nullptr) *rect = window->update_region.bounds();
  if (erase && window->needs_erase && !window->update_region.empty()) {
    HDC dc = GetDC(hwnd);
    window->needs_erase = false;
    user::Dispatch(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    ReleaseDC(hwnd, dc);
  }
  return window->update_region.empty() ? FALSE : TRUE;
}

int GetUpdateRgn(HWND hwnd, HRGN region, BOOL erase) {
  auto window = RequireWindow(hwnd);
  if (!window || !gdi::FindRegion(region)) return ERROR;
  user::StoreRegion(region, window->update_region);
  const int complexity = user::Complexity(window->update_region);
  RECT ignored;
  if (erase) GetUpdateRect(hwnd, &ignored, TRUE);
  return complexity;
}

BOOL UpdateWindow(HWND hwnd) {
  auto window = RequireWindow(hwnd);
  if (!window) return FALSE;
  if (user::IsVisibleChain(*window) &&
      (!window->update_region.empty() || window->has_internal_paint || window->needs_frame)) {
    user::Dispatch(window, WM_PAINT, 0, 0);
  }
  return TRUE;
}

namespace user {
namespace {

// Moves the pixels of `moved` (destination rectangles, back-buffer pixels)
// by (dx, dy) from where they were.
void ShiftPixels(gdi::Surface& buffer, const Region& moved, int dx, int dy) {
  if (moved.empty()) return;
  const RECT bounds = moved.bounds();
  const RECT source = gdi::IntersectRects(ShiftedRect(bounds, -dx, -dy), buffer.Bounds());
  if (gdi::IsEmptyRect(source)) return;
  // Copy the source block first: source and destination may overlap.
  const int width = source.right - source.left;
  std::vector<uint32_t> copy(static_cast<size_t>(width) * static_cast<size_t>(source.bottom - source.top));
  for (int y = source.top; y < source.bottom; ++y) {
    buffer.ReadRaw(y, source.left, width, copy.data() + static_cast<size_t>(y - source.top) * width);
  }
  for (const RECT& rect : moved.rects()) {
    const RECT target = gdi::IntersectRects(rect, ShiftedRect(source, dx, dy));
    if (gdi::IsEmptyRect(target)) continue;
    for (int y = target.top; y < target.bottom; ++y) {
      const uint32_t* row = copy.data() + static_cast<size_t>(y - dy - source.top) * width + (target.left - dx - source.left);
      buffer.WriteRaw(y, target.left, target.right - target.left, row);
    }
    buffer.MarkDirty(target);
  }
}

}  // namespace
}  // namespace user

int ScrollWindowEx(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* update_rect,
                   UINT flags) {
  auto window = RequireWindow(hwnd);
  if (!window) return ERROR;
  const RECT client = user::ClientBounds(*window);
  const RECT source = scroll != nullptr ? gdi::IntersectRects(*scroll, client) : client;
  const RECT limit = clip != nullptr ? gdi::IntersectRects(*clip, client) : client;
  const POINT origin = user::ClientOriginInRoot(*window);
  user::HideCaretForPaint(hwnd);

  // What may be seen, in client coordinates.
  Region visible = user::VisibleRegionInRoot(*window, true);
  visible.Offset(-origin.x, -origin.y);
  Region moved = Region::Combine(Region(source), visible, RGN_AND);
  moved.Offset(dx, dy);
  moved = Region::Combine(moved.Intersected(limit), visible, RGN_AND);
  const Region area = Region(source).Intersected(limit);
  const Region exposed = Region::Combine(area, moved, RGN_DIFF);

  if (auto buffer = user::BufferOf(*window); buffer && user::IsVisibleChain(*window)) {
    Region in_root = moved;
    in_root.Offset(origin.x, origin.y);
    user::ShiftPixels(*buffer, in_root, dx, dy);
    user::PresentDirty(user::RootOf(hwnd));
  }
  // The part of the update region inside the scrolled area moves along.
  Region pending = Region::Combine(window->update_region, Region(source), RGN_AND);
  pending.Offset(dx, dy);
  window->update_region = Region::Combine(Region::Combine(window->update_region, area, RGN_DIFF),
                                          pending.Intersected(limit), RGN_OR);
  if ((flags & SW_SCROLLCHILDREN) != 0) {
    const std::vector<HWND> children = window->children;
    for (HWND child : children) {
      auto record = FindWindowRecord(child);
      if (!record) continue;
      const RECT& r = record->window_rect;
      if (scroll != nullptr && gdi::IsEmptyRect(gdi::IntersectRects(r, source))) continue;
      SetWindowPos(child, nullptr, r.left + dx, r.top + dy, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOREDRAW);
    }
  }
  if ((flags & SW_INVALIDATE) != 0) {
    user::AddUpdate(*window, exposed, (flags & SW_ERASE) != 0, (flags & SW_SCROLLCHILDREN) != 0);
  }
  if (update != nullptr) user::StoreRegion(update, exposed);
  if (update_rect != nullptr) *update_rect = exposed.bounds();
  user::RestoreCaretAfterPaint(hwnd);
  return user::Complexity(exposed);
}

BOOL ScrollWindow(HWND hwnd, int dx, int dy, const RECT* scroll, const RECT* clip) {
  const UINT flags = SW_INVALIDATE | SW_ERASE | (scroll == nullptr ? SW_SCROLLCHILDREN : 0u);
  return ScrollWindowEx(hwnd, dx, dy, scroll, clip, nullptr, nullptr, flags) != ERROR ? TRUE : FALSE;
}

BOOL ScrollDC(HDC dc, int dx, int dy, const RECT* scroll, const RECT* clip, HRGN update, RECT* update_rect) {
  auto record = gdi::FindDc(dc);
  if (!record || !record->surface) return FALSE;
  const POINT shift = record->ToSurface(0, 0);
  const RECT bounds = record->Clip().bounds();
  RECT source = scroll != nullptr ? user::ShiftedRect(*scroll, shift.x, shift.y) : bounds;
  RECT limit = clip != nullptr ? user::ShiftedRect(*clip, shift.x, shift.y) : bounds;
  source = gdi::IntersectRects(source, bounds);
  limit = gdi::IntersectRects(limit, bounds);
  Region moved = Region::Combine(Region(source), record->Clip(), RGN_AND);
  moved.Offset(dx, dy);
  moved = Region::Combine(moved.Intersected(limit), record->Clip(), RGN_AND);
  Region exposed = Region::Combine(Region(source).Intersected(limit), moved, RGN_DIFF);
  if (!record->DropsWrites()) user::ShiftPixels(*record->surface, moved, dx, dy);
  exposed.Offset(-shift.x, -shift.y);
  if (update != nullptr) user::StoreRegion(update, exposed);
  if (update_rect != nullptr) *update_rect = exposed.bounds();
  return TRUE;
}

int SetWindowRgn(HWND hwnd, HRGN region, BOOL redraw) {
  auto window = RequireWindow(hwnd);
  if (!window) return 0;
  std::shared_ptr<gdi::RegionObject> object;
  if (region != nullptr) {
    object = gdi::FindRegion(region);
    if (!object) return FailWith<int>(0, ERROR_INVALID_PARAMETER);
    if (object->owners.load() > 0) return FailWith<int>(0, ERROR_INVALID_PARAMETER);  // another window's
    ++object->owners;
  }
  const HRGN old = window->window_region;
  const RECT old_rect = window->window_rect;
  window->window_region = region;
  if (old != nullptr && old != region) {
    // The window owned the old region: it goes with the change.
    if (auto previous = gdi::FindRegion(old)) --previous->owners;
    DeleteObject(old);
  }
  if (window->has_native) {
    if (object) {
      user::Backend().SetShape(hwnd, &object->region.rects());
    } else {
      user::Backend().SetShape(hwnd, nullptr);
    }
  }
  if (redraw) {
    if (window->parent != nullptr) InvalidateRect(window->parent, &old_rect, TRUE);
    RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  return 1;
}

int GetWindowRgn(HWND hwnd, HRGN copy_into) {
  auto window = RequireWindow(hwnd);
  if (!window || window->window_region == nullptr || !gdi::FindRegion(copy_into)) return ERROR;
  const Region shape = user::RegionOfHandle(window->window_region);
  user::StoreRegion(copy_into, shape);
  return shape.Complexity();
}

}  // namespace plat
