// What the painting code offers the rest of the window system: window
// regions, back buffers and presenting, the caret's inversion and cleanup.
#ifndef PLAT_USER_PAINTING_H_
#define PLAT_USER_PAINTING_H_

#include "plat/gdi_region.h"
#include "user/window_system.h"

namespace plat::user {

// Whether the window-coordinate point lies in the window's region (always,
// without one).
bool PointInWindowRegion(const Window& window, int x, int y);
// Top-left of the window and of its client area in its top-level window's
// back buffer.
POINT WindowOriginInRoot(const Window& window);
POINT ClientOriginInRoot(const Window& window);
// Where the window may draw, in back-buffer pixels of its top-level window:
// its client area (or whole window), clipped by its ancestors, window
// regions and the clipping styles.
gdi::Region VisibleRegionInRoot(const Window& window, bool is_client_only);
// A top-level window's back buffer follows its size.
void ResizeBackBuffer(Window& window);
// Shows what was drawn into a top-level window's back buffer.
void PresentDirty(HWND hwnd);
void PresentAgain(HWND hwnd, const RECT& rect);
// Inverts a client rectangle on the screen (the caret).
void InvertInClient(HWND hwnd, const RECT& rect);
// Draws the caret (or takes it away again: the drawing is its own inverse).
void DrawCaretShape(const Caret& caret);
void HideCaretForPaint(HWND hwnd);
void RestoreCaretAfterPaint(HWND hwnd);
void ForgetWindowPainting(Window& window);

}  // namespace plat::user

#endif  // PLAT_USER_PAINTING_H_
