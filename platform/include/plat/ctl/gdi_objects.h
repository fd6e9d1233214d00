// The class library's drawing objects: each owns its handle and deletes it
// on destruction. An object still selected into a device context of the
// class library (CDC) is first replaced there by the context's original
// object, so deleting it never fails and never leaves a context holding a
// dead handle. Stock objects are never deleted.
#ifndef PLAT_CTL_GDI_OBJECTS_H_
#define PLAT_CTL_GDI_OBJECTS_H_

#include "plat/font.h"
#include "plat/gdi.h"
#include "plat/types.h"

namespace plat {

class CDC;

class CGdiObject {
 public:
  CGdiObject() = default;
  virtual ~CGdiObject();
  CGdiObject(const CGdiObject&) = delete;
  CGdiObject& operator=(const CGdiObject&) = delete;

  HGDIOBJ m_hObject = nullptr;
  HGDIOBJ GetSafeHandle() const { return m_hObject; }
  operator HGDIOBJ() const { return m_hObject; }

  // Takes ownership of `object`; FALSE when this one already holds a handle.
  BOOL Attach(HGDIOBJ object);
  // Gives the handle up without deleting it.
  HGDIOBJ Detach();
  // Deletes the handle (deselecting it first where a CDC holds it).
  BOOL DeleteObject();
  BOOL CreateStockObject(int index);
  int GetObject(int size, void* out) const;
  DWORD GetObjectType() const;
  BOOL UnrealizeObject();

 protected:
  // Sets the handle of a fresh object; FALSE (and nothing kept) for null.
  BOOL Take(HGDIOBJ object);

 private:
  friend class CDC;
  bool is_borrowed_ = false;  // a CDC's view of a handle it does not own
};

class CPen : public CGdiObject {
 public:
  CPen() = default;
  CPen(int style, int width, COLORREF colour) { CreatePen(style, width, colour); }
  BOOL CreatePen(int style, int width, COLORREF colour);
  BOOL CreatePenIndirect(const LOGPEN* pen);
  int GetLogPen(LOGPEN* pen) const { return GetObject(sizeof(LOGPEN), pen); }
  operator HPEN() const { return reinterpret_cast<HPEN>(m_hObject); }
};

class CBrush : public CGdiObject {
 public:
  CBrush() = default;
  explicit CBrush(COLORREF colour) { CreateSolidBrush(colour); }
  CBrush(int hatch, COLORREF colour) { CreateHatchBrush(hatch, colour); }
  BOOL CreateSolidBrush(COLORREF colour);
  BOOL CreateHatchBrush(int hatch, COLORREF colour);
  BOOL CreatePatternBrush(HBITMAP pattern);
  BOOL CreateBrushIndirect(const LOGBRUSH* brush);
  // A solid brush of a system colour (COLOR_*), owned like any other.
  BOOL CreateSysColorBrush(int index);
  int GetLogBrush(LOGBRUSH* brush) const { return GetObject(sizeof(LOGBRUSH), brush); }
  operator HBRUSH() const { return reinterpret_cast<HBRUSH>(m_hObject); }
};

class CFont : public CGdiObject {
 public:
  BOOL CreateFontIndirect(const LOGFONT* logfont);
  BOOL CreateFont(int height, int width, int escapement, int orientation, int weight, BYTE italic, BYTE underline,
                  BYTE strike_out, BYTE charset, BYTE out_precision, BYTE clip_precision, BYTE quality,
                  BYTE pitch_and_family, const char* face);
  // A font of `tenths_of_point` (120 = 12 pt) at the vertical resolution of
  // `dc` (the screen's when null).
  BOOL CreatePointFont(int tenths_of_point, const char* face, CDC* dc = nullptr);
  int GetLogFont(LOGFONT* logfont) const { return GetObject(sizeof(LOGFONT), logfont); }
  operator HFONT() const { return reinterpret_cast<HFONT>(m_hObject); }
};

class CBitmap : public CGdiObject {
 public:
  BOOL CreateBitmap(int width, int height, UINT planes, UINT bits_per_pixel, const void* bits);
  BOOL CreateCompatibleBitmap(CDC* dc, int width, int height);
  BOOL CreateDIBSection(CDC* dc, const BITMAPINFO* info, UINT usage, void** bits);
  BOOL LoadBitmap(HINSTANCE instance, const char* name);
  int GetBitmap(BITMAP* bitmap) const { return GetObject(sizeof(BITMAP), bitmap); }
  LONG GetBitmapBits(LONG bytes, void* out) const;
  LONG SetBitmapBits(DWORD bytes, const void* bits);
  operator HBITMAP() const { return reinterpret_cast<HBITMAP>(m_hObject); }
};

class CRgn : public CGdiObject {
 public:
  BOOL CreateRectRgn(int left, int top, int right, int bottom);
  BOOL CreateRectRgnIndirect(const RECT* rect);
  BOOL CreateEllipticRgn(int left, int top, int right, int bottom);
  BOOL CreateEllipticRgnIndirect(const RECT* rect);
  BOOL CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipse_width, int ellipse_height);
  BOOL CreatePolygonRgn(const POINT* points, int count, int fill_mode);
  // This region := a `mode` b (the region must exist already).
  int CombineRgn(const CRgn* a, const CRgn* b, int mode);
  int CopyRgn(const CRgn* source);
  BOOL SetRectRgn(int left, int top, int right, int bottom);
  int OffsetRgn(int dx, int dy);
  int GetRgnBox(RECT* box) const;
  BOOL PtInRegion(int x, int y) const;
  BOOL RectInRegion(const RECT* rect) const;
  BOOL EqualRgn(const CRgn* other) const;
  operator HRGN() const { return reinterpret_cast<HRGN>(m_hObject); }
};

class CPalette : public CGdiObject {
 public:
  BOOL CreatePalette(const LOGPALETTE* palette);
  BOOL CreateHalftonePalette(CDC* dc);
  int GetEntryCount() const;
  UINT GetPaletteEntries(UINT start, UINT count, PALETTEENTRY* out) const;
  UINT SetPaletteEntries(UINT start, UINT count, const PALETTEENTRY* entries);
  UINT GetNearestPaletteIndex(COLORREF colour) const;
  operator HPALETTE() const { return reinterpret_cast<HPALETTE>(m_hObject); }
};

}  // namespace plat

#endif  // PLAT_CTL_GDI_OBJECTS_H_
