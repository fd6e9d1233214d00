// CDC and its window forms: the class library's device contexts. A CDC
// remembers the object each kind (pen, brush, font, bitmap, palette) had
// before its first selection and puts it back before the context is deleted
// or released, so the class library's drawing objects can always be deleted
// afterwards. SelectObject gives the object selected before: the caller's
// own object when it has one, else a view owned by this CDC that lives as
// long as the CDC and does not delete the handle.
#ifndef PLAT_CTL_DC_H_
#define PLAT_CTL_DC_H_

#include <map>
#include <memory>

#include "plat/ctl/cstring.h"
#include "plat/ctl/gdi_objects.h"
#include "plat/ctl/geometry.h"
#include "plat/text.h"
#include "plat/user.h"

namespace plat {

class CWnd;

class CDC {
 public:
  CDC();
  // Puts the original objects back and deletes a context it owns.
  virtual ~CDC();
  CDC(const CDC&) = delete;
  CDC& operator=(const CDC&) = delete;

  HDC m_hDC = nullptr;
  HDC GetSafeHdc() const { return m_hDC; }
  operator HDC() const { return m_hDC; }

  // Takes ownership of `dc` (deleted with the CDC); FALSE when one is held.
  BOOL Attach(HDC dc);
  // Gives the context up as it is; the selections are no longer tracked.
  HDC Detach();
  // A memory context compatible with `dc` (the screen's when null).
  BOOL CreateCompatibleDC(CDC* dc);
  BOOL DeleteDC();
  // Selects back every original object this CDC replaced.
  void RestoreOriginalObjects();

  int SaveDC();
  BOOL RestoreDC(int saved);
  int GetDeviceCaps(int index) const;

  // ---- Objects ---------------------------------------------------------------------------
  CPen* SelectObject(CPen* pen);
  CBrush* SelectObject(CBrush* brush);
  CFont* SelectObject(CFont* font);
  CBitmap* SelectObject(CBitmap* bitmap);
  int SelectObject(CRgn* region);  // as SelectClipRgn
  CGdiObject* SelectStockObject(int index);
  CPalette* SelectPalette(CPalette* palette, BOOL force_background);
  UINT RealizePalette();
  CPen* GetCurrentPen() const;
  CBrush* GetCurrentBrush() const;
  CFont* GetCurrentFont() const;
  CBitmap* GetCurrentBitmap() const;

  // ---- Attributes --------------------------------------------------------------------------
  COLORREF SetTextColor(COLORREF colour);
  COLORREF GetTextColor() const;
  COLORREF SetBkColor(COLORREF colour);
  COLORREF GetBkColor() const;
  int SetBkMode(int mode);
  int GetBkMode() const;
  int SetROP2(int rop2);
  int GetROP2() const;
  int SetPolyFillMode(int mode);
  int SetStretchBltMode(int mode);
  UINT SetTextAlign(UINT align);
  CPoint SetBrushOrg(int x, int y);
  CPoint SetViewportOrg(int x, int y);
  CPoint OffsetViewportOrg(int dx, int dy);
  CPoint GetViewportOrg() const;
  CPoint SetWindowOrg(int x, int y);
  CPoint GetWindowOrg() const;
  void LPtoDP(POINT* points, int count = 1) const;
  void LPtoDP(RECT* rect) const;
  void DPtoLP(POINT* points, int count = 1) const;
  void DPtoLP(RECT* rect) const;

  // ---- Clipping ---------------------------------------------------------------------------
  int SelectClipRgn(CRgn* region);
  int IntersectClipRect(int left, int top, int right, int bottom);
  int IntersectClipRect(const RECT& rect);
  int ExcludeClipRect(int left, int top, int right, int bottom);
  int ExcludeClipRect(const RECT& rect);
  int GetClipBox(RECT* box) const;
  BOOL PtVisible(int x, int y) const;
  BOOL RectVisible(const RECT* rect) const;

  // ---- Lines and figures -------------------------------------------------------------------
  CPoint MoveTo(int x, int y);
  CPoint MoveTo(POINT point) { return MoveTo(point.x, point.y); }
  BOOL LineTo(int x, int y);
  BOOL LineTo(POINT point) { return LineTo(point.x, point.y); }
  BOOL Polyline(const POINT* points, int count);
  BOOL Polygon(const POINT* points, int count);
  BOOL Rectangle(int left, int top, int right, int bottom);
  BOOL Rectangle(const RECT* rect);
  BOOL RoundRect(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height);
  BOOL Ellipse(int left, int top, int right, int bottom);
  BOOL Ellipse(const RECT* rect);
  BOOL Arc(int left, int top, int right, int bottom, int x_start, int y_start, int x_end, int y_end);
  void FillRect(const RECT* rect, CBrush* brush);
  void FillSolidRect(const RECT* rect, COLORREF colour);
  void FillSolidRect(int x, int y, int width, int height, COLORREF colour);
  void FrameRect(const RECT* rect, CBrush* brush);
  void InvertRect(const RECT* rect);
  void DrawFocusRect(const RECT* rect);
  // A frame with `top_left` on its top and left edges, `bottom_right` on the others.
  void Draw3dRect(const RECT* rect, COLORREF top_left, COLORREF bottom_right);
  void Draw3dRect(int x, int y, int width, int height, COLORREF top_left, COLORREF bottom_right);
  // The dragging frame: inverts the frame of `last` (border `last_size`)
  // away and inverts the frame of `rect` (border `size`) in, through a
  // halftone pattern, so drawing the same frame twice leaves the pixels as
  // they were. Null `rect` only takes the last frame away.
  void DrawDragRect(const RECT* rect, SIZE size, const RECT* last, SIZE last_size);
  BOOL FillRgn(CRgn* region, CBrush* brush);
  BOOL FrameRgn(CRgn* region, CBrush* brush, int width, int height);
  BOOL InvertRgn(CRgn* region);
  BOOL PaintRgn(CRgn* region);

  // ---- Pixels and blits ---------------------------------------------------------------------
  COLORREF SetPixel(int x, int y, COLORREF colour);
  COLORREF GetPixel(int x, int y) const;
  BOOL BitBlt(int x, int y, int width, int height, CDC* src, int x_src, int y_src, DWORD rop);
  BOOL StretchBlt(int x, int y, int width, int height, CDC* src, int x_src, int y_src, int width_src, int height_src,
                  DWORD rop);
  BOOL PatBlt(int x, int y, int width, int height, DWORD rop);
  int StretchDIBits(int x, int y, int width, int height, int x_src, int y_src, int width_src, int height_src,
                    const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
  int SetDIBitsToDevice(int x, int y, DWORD width, DWORD height, int x_src, int y_src, UINT start_scan,
                        UINT scan_lines, const void* bits, const BITMAPINFO* info, UINT usage);

  // ---- Text ---------------------------------------------------------------------------------
  BOOL TextOut(int x, int y, const char* text, int bytes);
  BOOL TextOut(int x, int y, const CString& text);
  BOOL ExtTextOut(int x, int y, UINT options, const RECT* rect, const char* text, UINT bytes, const INT* dx);
  int DrawText(const char* text, int bytes, RECT* rect, UINT format);
  int DrawText(const CString& text, RECT* rect, UINT format);
  CSize GetTextExtent(const char* text, int bytes) const;
  CSize GetTextExtent(const CString& text) const;
  BOOL GetTextMetrics(TEXTMETRIC* metrics) const;

 protected:
  // A DC the CDC does not delete (a window's DC): the derived class releases it.
  void AttachBorrowed(HDC dc);

 private:
  enum Kind { kPen, kBrush, kFont, kBitmap, kPalette, kKindCount };
  // Selects `object` of `kind` and gives the previous handle; tracks both.
  HGDIOBJ Select(Kind kind, HGDIOBJ object);
  void Forget();
  // A view of `object` for a caller of SelectObject; the caller's own object when it has one.
  template <class T>
  T* ViewOf(HGDIOBJ object) const;

  HGDIOBJ originals_[kKindCount] = {};
  HGDIOBJ current_[kKindCount] = {};
  bool is_owned_ = false;
  BOOL palette_background_ = FALSE;
  mutable std::map<HGDIOBJ, std::unique_ptr<CGdiObject>> views_;

  friend class CGdiObject;
  // Put the original object of `object`'s kind back wherever a CDC holds `object`.
  static void DeselectEverywhere(HGDIOBJ object);
};

// The paint context of a window's WM_PAINT (BeginPaint ... EndPaint).
class CPaintDC : public CDC {
 public:
  explicit CPaintDC(CWnd* wnd);
  ~CPaintDC() override;
  PAINTSTRUCT m_ps;
  HWND m_hWnd = nullptr;
};

// The client-area context of a window (GetDC ... ReleaseDC).
class CClientDC : public CDC {
 public:
  explicit CClientDC(CWnd* wnd);
  ~CClientDC() override;
  HWND m_hWnd = nullptr;
};

// The whole-window context, frame included.
class CWindowDC : public CDC {
 public:
  explicit CWindowDC(CWnd* wnd);
  ~CWindowDC() override;
  HWND m_hWnd = nullptr;
};

}  // namespace plat

#endif  // PLAT_CTL_DC_H_
