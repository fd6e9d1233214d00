// Surfaces and device contexts as the drawing, text and window layers share
// them inside libplat. A surface is a block of pixels in one of the DIB
// formats; a DC draws into one through its state (objects, colours, modes,
// origin, clip). Everything here is in surface pixels unless it says
// "logical" (the DC's coordinates before the viewport origin) or "device"
// (after it, before the DC's own offset in its surface).
#ifndef PLAT_GDI_SURFACE_H_
#define PLAT_GDI_SURFACE_H_

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "plat/gdi.h"
#include "plat/gdi_region.h"
#include "plat/handle_table.h"
#include "plat/packed_dib.h"
#include "plat/types.h"

namespace plat::gdi {

// Pixels in one of the DIB formats: 1/4/8 bpp index a colour table; 16 bpp
// and 32 bpp hold channels under `masks`; 24 bpp and the default 32 bpp are
// bytes B,G,R(,X). The raw value of a pixel is the number its bits form
// (32 bpp: 0x00RRGGBB). Rows are `stride_bytes` apart; row 0 of the picture
// is the first stored row when `is_top_down`, else the last.
struct Surface {
  int width = 0;
  int height = 0;
  int bpp = 32;
  size_t stride_bytes = 0;
  bool is_top_down = true;
  std::vector<RGBQUAD> colours;  // 1/4/8 bpp
  uint32_t masks[3] = {0, 0, 0};  // red, green, blue of 16 and 32 bpp
  bool is_dib = false;  // its table gives its colours (monochrome too)
  BYTE* bits = nullptr;
  std::unique_ptr<BYTE[]> storage;  // owns `bits`; their address never changes
  RECT dirty{};  // union of everything drawn since the owner last cleared it

  BYTE* Row(int y) const {
    return bits + stride_bytes * static_cast<size_t>(is_top_down ? y : height - 1 - y);
  }
  RECT Bounds() const { return RECT{0, 0, width, height}; }
  // The raw value that stands for `colour` (the nearest table entry for
  // 1/4/8 bpp) and back.
  uint32_t RawFromColour(COLORREF colour) const;
  COLORREF ColourFromRaw(uint32_t raw) const;
  // All bits of a raw pixel of this format.
  uint32_t RawMask() const;
  // Raw pixels [x, x + count) of row y; the range lies inside the surface.
  void ReadRaw(int y, int x, int count, uint32_t* out) const;
  void WriteRaw(int y, int x, int count, const uint32_t* in);
  uint32_t GetRaw(int x, int y) const;
  void SetRaw(int x, int y, uint32_t raw);
  void MarkDirty(const RECT& rect);
};

// A new zeroed surface with the default masks and, for 1/4/8 bpp, the given
// table (the default two, sixteen or 256 colours when empty); null beyond
// 2^24 per side, 2^28 pixels or 1 GiB, for sizes below 1 or another depth.
// `stride_align` is 4 for DIB rows, 2 for device-dependent bitmap rows.
std::shared_ptr<Surface> CreateSurface(int width, int height, int bpp, const std::vector<RGBQUAD>& colours = {},
                                       bool is_top_down = true, int stride_align = 4);
// A top-down copy of `area` (inside the surface) in the same format; null
// when it cannot be allocated.
std::shared_ptr<Surface> CopySurface(const Surface& src, const RECT& area);
// The default colour table of a depth (2, 16 or 256 entries).
std::vector<RGBQUAD> DefaultColourTable(int bpp);

// Every drawing object derives from this. `selections` counts the DC states
// (current and saved) that hold it; an object with selections or owners is
// not deleted.
struct GdiObject {
  GdiObject();
  virtual ~GdiObject();
  GdiObject(const GdiObject&) = delete;
  GdiObject& operator=(const GdiObject&) = delete;
  virtual DWORD Type() const = 0;  // OBJ_PEN, OBJ_BRUSH, ...
  uint32_t id = 0;  // its handle's id once registered
  bool is_stock = false;
  std::atomic<int> selections{0};
  std::atomic<int> owners{0};  // holders outside DCs (a window owning its region)
};

// Drawing objects created and not yet deleted, stock objects excepted; the
// test fixtures expect 0 at teardown.
size_t LiveObjectCount();

struct Pen final : GdiObject {
  DWORD Type() const override { return OBJ_PEN; }
  int style = PS_SOLID;
  int width = 1;
  COLORREF colour = 0;
  bool is_dc_pen = false;  // DC_PEN: the DC's pen colour
};

struct Brush final : GdiObject {
  DWORD Type() const override { return OBJ_BRUSH; }
  UINT style = BS_SOLID;
  COLORREF colour = 0;
  int hatch = 0;
  std::shared_ptr<Surface> pattern;  // BS_PATTERN: a copy of the bitmap
  bool is_dc_brush = false;          // DC_BRUSH: the DC's brush colour
};

struct Bitmap final : GdiObject {
  DWORD Type() const override { return OBJ_BITMAP; }
  std::shared_ptr<Surface> surface;
  bool is_dib_section = false;
  uint32_t selected_in = 0;  // id of the DC it is selected into, 0 if none
  SIZE dimension{};          // SetBitmapDimensionEx
};

struct RegionObject final : GdiObject {
  DWORD Type() const override { return OBJ_REGION; }
  Region region;
};

struct Palette final : GdiObject {
  DWORD Type() const override { return OBJ_PAL; }
  std::vector<PALETTEENTRY> entries;
};

// A holder that counts itself in the object's selections while it lives.
class Selection {
 public:
  Selection() = default;
  explicit Selection(std::shared_ptr<GdiObject> object) : object_(std::move(object)) { Acquire(); }
  Selection(const Selection& other) : object_(other.object_) { Acquire(); }
  Selection& operator=(const Selection& other) {
    if (this != &other) {
      Release();
      object_ = other.object_;
      Acquire();
    }
    return *this;
  }
  ~Selection() { Release(); }
  const std::shared_ptr<GdiObject>& get() const { return object_; }
  template <class T>
  T* as() const {
    return static_cast<T*>(object_.get());
  }

 private:
  void Acquire() {
    if (object_) ++object_->selections;
  }
  void Release() {
    if (object_) --object_->selections;
    object_.reset();
  }
  std::shared_ptr<GdiObject> object_;
};

// What SaveDC keeps and RestoreDC brings back.
struct DcState {
  Selection pen, brush, font, bitmap, palette;
  COLORREF text_colour = 0x000000;
  COLORREF bk_colour = 0xFFFFFF;
  COLORREF dc_brush_colour = 0xFFFFFF;
  COLORREF dc_pen_colour = 0x000000;
  int bk_mode = OPAQUE;
  int rop2 = R2_COPYPEN;
  int poly_fill_mode = ALTERNATE;
  int stretch_mode = BLACKONWHITE;
  UINT text_align = TA_LEFT | TA_TOP | TA_NOUPDATECP;
  int text_char_extra = 0;
  POINT viewport_origin{};
  POINT window_origin{};
  POINT brush_origin{};
  POINT position{};                  // current position, logical
  std::optional<Region> clip;        // device coordinates; none = no clip region
};

enum class DcKind : uint8_t {
  kMemory,   // draws into the selected bitmap
  kSurface,  // draws into a surface given by its owner (a window's buffer)
  kScreen,   // reads a surface, drops writes
};

// A figure of a path: points in device coordinates, closed or open.
struct PathFigure {
  std::vector<POINT> points;
  bool is_closed = false;
};
enum class PathState : uint8_t { kNone, kOpen, kClosed };

struct DeviceContext {
  uint32_t id = 0;  // the DC's own handle id
  DcKind kind = DcKind::kMemory;
  std::shared_ptr<Surface> surface;  // of the selected bitmap, or the owner's
  POINT offset{};                    // device (0,0) in surface pixels
  std::optional<Region> visible;     // surface coordinates; none = the whole surface
  DcState state;
  std::vector<DcState> saved;
  PathState path_state = PathState::kNone;
  std::vector<PathFigure> path;

  // Logical to surface pixels.
  POINT ToSurface(int x, int y) const {
    return POINT{x - state.window_origin.x + state.viewport_origin.x + offset.x,
                 y - state.window_origin.y + state.viewport_origin.y + offset.y};
  }
  // Logical to device.
  POINT ToDevice(int x, int y) const {
    return POINT{x - state.window_origin.x + state.viewport_origin.x,
                 y - state.window_origin.y + state.viewport_origin.y};
  }
  // Where drawing may go, in surface pixels: the surface, the visible region
  // and the clip region together.
  const Region& Clip() const;
  void ClipChanged() { clip_cache_.reset(); }
  bool DropsWrites() const { return kind == DcKind::kScreen; }

 private:
  mutable std::optional<Region> clip_cache_;
};

// The live DC of a handle, or null.
std::shared_ptr<DeviceContext> FindDc(HDC dc);
// A DC that draws into `surface` (kSurface) or only reads it (kScreen). The
// window layer moves it with `offset` and limits it with `visible`.
HDC CreateSurfaceDC(std::shared_ptr<Surface> surface, DcKind kind);
// The objects behind handles (null for stale or foreign handles).
std::shared_ptr<Pen> FindPen(HPEN pen);
std::shared_ptr<Brush> FindBrush(HBRUSH brush);
std::shared_ptr<Bitmap> FindBitmap(HBITMAP bitmap);
std::shared_ptr<RegionObject> FindRegion(HRGN region);
std::shared_ptr<Palette> FindPalette(HPALETTE palette);
// Any drawing object (fonts too, once the text layer has registered them
// under HandleKind::kFont deriving from GdiObject).
std::shared_ptr<GdiObject> FindObject(HGDIOBJ object);
// Gives `object` a handle of `kind` (the text layer registers its fonts under
// HandleKind::kFont this way); 0 when the table is full.
uint32_t RegisterObject(HandleKind kind, std::shared_ptr<GdiObject> object);
// A new handle for a region (the window layer's update and window regions).
HRGN CreateRegionHandle(Region region);
// Makes `object` the stock object `index` (the text layer's stock fonts).
void SetStockObject(int index, HGDIOBJ object);
// The default font of a new DC, once the text layer has set one.
void SetDefaultFont(HFONT font);

// Painting helpers for the layers above, in surface pixels and inside the
// DC's clip: a solid fill through the DC's ROP2, and a coverage mask (0 none,
// 255 full) blended in `colour`.
void FillSurfaceRect(DeviceContext& dc, const RECT& rect, COLORREF colour);
void BlendCoverage(DeviceContext& dc, int x, int y, const BYTE* coverage, int width, int height, size_t stride,
                   COLORREF colour);

// The depth GetDeviceCaps(BITSPIXEL) reports (32; tests set another), and the
// screen size it reports (the window layer sets its screen's).
void SetReportedBitsPerPixel(int bpp);
void SetScreenSize(int width, int height);

}  // namespace plat::gdi

#endif  // PLAT_GDI_SURFACE_H_
