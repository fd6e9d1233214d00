// Drawing objects behind their handles: creation, stock objects, selection
// into DCs and deletion. An object held by a DC state (current or saved) or
// by an owner is never freed by DeleteObject, which answers FALSE instead.
#include <array>
#include <cstring>
#include <mutex>

#include "gdi/dc_internal.h"
#include "gdi/pixel.h"
#include "gdi/text/font_object.h"
#include "plat/gdi_surface.h"
#include "plat/handle_table.h"

namespace plat::gdi {

namespace {

std::atomic<int64_t> g_live_objects{0};

constexpr HandleKind kObjectKinds[] = {HandleKind::kPen, HandleKind::kBrush, HandleKind::kBitmap,
                                       HandleKind::kRegion, HandleKind::kPalette, HandleKind::kFont};

HandleKind KindOf(DWORD type) {
  switch (type) {
    case OBJ_PEN: return HandleKind::kPen;
    case OBJ_BRUSH: return HandleKind::kBrush;
    case OBJ_BITMAP: return HandleKind::kBitmap;
    case OBJ_REGION: return HandleKind::kRegion;
    case OBJ_PAL: return HandleKind::kPalette;
    case OBJ_FONT: return HandleKind::kFont;
    default: return HandleKind::kOther;
  }
}

template <class T>
std::shared_ptr<T> FindAs(uint32_t id, HandleKind kind) {
  return std::static_pointer_cast<T>(std::static_pointer_cast<GdiObject>(HandleTable::Instance().Find(id, kind)));
}

struct StockTable {
  std::mutex mutex;
  std::array<uint32_t, kStockObjectCount> ids{};
  uint32_t default_bitmap = 0;
  uint32_t default_font = 0;
};

uint32_t MakeStock(std::shared_ptr<GdiObject> object) {
  object->is_stock = true;
  --g_live_objects;
  const HandleKind kind = KindOf(object->Type());
  return RegisterObject(kind, std::move(object));
}

std::shared_ptr<Pen> NewPen(int style, int width, COLORREF colour) {
  auto pen = std::make_shared<Pen>();
  pen->style = style;
  pen->width = width;
  pen->colour = colour;
  return pen;
}

std::shared_ptr<Brush> NewSolidBrush(COLORREF colour) {
  auto brush = std::make_shared<Brush>();
  brush->colour = colour;
  return brush;
}

StockTable& Stock() {
  static StockTable* table = [] {
    auto* t = new StockTable;
    const COLORREF greys[] = {RGB(255, 255, 255), RGB(192, 192, 192), RGB(128, 128, 128), RGB(64, 64, 64),
                              RGB(0, 0, 0)};
    for (int i = 0; i < 5; ++i) t->ids[size_t(WHITE_BRUSH + i)] = MakeStock(NewSolidBrush(greys[i]));
    auto null_brush = std::make_shared<Brush>();
    null_brush->style = BS_NULL;
    t->ids[NULL_BRUSH] = MakeStock(null_brush);
    t->ids[WHITE_PEN] = MakeStock(NewPen(PS_SOLID, 1, RGB(255, 255, 255)));
    t->ids[BLACK_PEN] = MakeStock(NewPen(PS_SOLID, 1, 0));
    t->ids[NULL_PEN] = MakeStock(NewPen(PS_NULL, 1, 0));
    auto dc_brush = NewSolidBrush(RGB(255, 255, 255));
    dc_brush->is_dc_brush = true;
    t->ids[DC_BRUSH] = MakeStock(dc_brush);
    auto dc_pen = NewPen(PS_SOLID, 1, 0);
    dc_pen->is_dc_pen = true;
    t->ids[DC_PEN] = MakeStock(dc_pen);
    // The twenty colours every palette device reserves.
    static constexpr BYTE kStatic[20][3] = {
        {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
        {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
        {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
        {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};
    auto palette = std::make_shared<Palette>();
    for (const auto& c : kStatic) palette->entries.push_back(PALETTEENTRY{c[0], c[1], c[2], 0});
    t->ids[DEFAULT_PALETTE] = MakeStock(palette);
    auto bitmap = std::make_shared<Bitmap>();
    bitmap->surface = CreateSurface(1, 1, 1, {}, true, 2);
    t->default_bitmap = MakeStock(bitmap);
    return t;
  }();
  return *table;
}

}  // namespace

GdiObject::GdiObject() { ++g_live_objects; }
GdiObject::~GdiObject() {
  if (!is_stock) --g_live_objects;
}

size_t LiveObjectCount() {
  const int64_t n = g_live_objects.load() + LiveDcCount();
  return n < 0 ? 0 : static_cast<size_t>(n);
}

uint32_t RegisterObject(HandleKind kind, std::shared_ptr<GdiObject> object) {
  GdiObject* raw = object.get();
  const uint32_t id = HandleTable::Instance().Insert(kind, std::shared_ptr<void>(object, raw));
  raw->id = id;
  return id;
}

std::shared_ptr<Pen> FindPen(HPEN pen) { return FindAs<Pen>(HandleId(pen), HandleKind::kPen); }
std::shared_ptr<Brush> FindBrush(HBRUSH brush) { return FindAs<Brush>(HandleId(brush), HandleKind::kBrush); }
std::shared_ptr<Bitmap> FindBitmap(HBITMAP bitmap) { return FindAs<Bitmap>(HandleId(bitmap), HandleKind::kBitmap); }
std::shared_ptr<RegionObject> FindRegion(HRGN region) {
  return FindAs<RegionObject>(HandleId(region), HandleKind::kRegion);
}
std::shared_ptr<Palette> FindPalette(HPALETTE palette) {
  return FindAs<Palette>(HandleId(palette), HandleKind::kPalette);
}

std::shared_ptr<GdiObject> FindObject(HGDIOBJ object) {
  const uint32_t id = HandleId(object);
  for (HandleKind kind : kObjectKinds) {
    if (auto found = FindAs<GdiObject>(id, kind)) return found;
  }
  return nullptr;
}

HRGN CreateRegionHandle(Region region) {
  auto object = std::make_shared<RegionObject>();
  object->region = std::move(region);
  return HandleFromId<HRGN>(RegisterObject(HandleKind::kRegion, object));
}

void SetStockObject(int index, HGDIOBJ handle) {
  if (index < 0 || index >= kStockObjectCount) return;
  auto object = FindObject(handle);
  if (!object) return;
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  if (!object->is_stock) {
    object->is_stock = true;
    --g_live_objects;
  }
  stock.ids[size_t(index)] = object->id;
}

void SetDefaultFont(HFONT font) {
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  stock.default_font = HandleId(font);
}

std::shared_ptr<GdiObject> StockObject(int index) {
  if (index < 0 || index >= kStockObjectCount) return nullptr;
  StockTable& stock = Stock();
  uint32_t id = 0;
  {
    std::lock_guard<std::mutex> lock(stock.mutex);
    id = stock.ids[size_t(index)];
  }
  return FindObject(HandleFromId<HGDIOBJ>(id));
}

std::shared_ptr<GdiObject> DefaultBitmap() { return FindAs<GdiObject>(Stock().default_bitmap, HandleKind::kBitmap); }

std::shared_ptr<GdiObject> DefaultFont() {
  StockTable& stock = Stock();
  std::lock_guard<std::mutex> lock(stock.mutex);
  return stock.default_font ? FindAs<GdiObject>(stock.default_font, HandleKind::kFont) : nullptr;
}

}  // namespace plat::gdi

namespace plat {

using namespace gdi;


HPEN CreatePen(int style, int width, COLORREF colour) {
  const int base = style & PS_STYLE_MASK;
  if (base < PS_SOLID || base > PS_INSIDEFRAME) return nullptr;
  auto pen = NewPen(base, width < 1 ? 1 : width, PlainColour(colour));
  return HandleFromId<HPEN>(RegisterObject(HandleKind::kPen, pen));
}

HPEN CreatePenIndirect(const LOGPEN* pen) {
  if (pen == nullptr) return nullptr;
  return CreatePen(static_cast<int>(pen->lopnStyle), pen->lopnWidth.x, pen->lopnColor);
}

HBRUSH CreateSolidBrush(COLORREF colour) {
  return HandleFromId<HBRUSH>(RegisterObject(HandleKind::kBrush, NewSolidBrush(PlainColour(colour))));
}

HBRUSH CreateHatchBrush(int hatch, COLORREF colour) {
  if (hatch < HS_HORIZONTAL || hatch > HS_DIAGCROSS) return nullptr;
  auto brush = NewSolidBrush(PlainColour(colour));
  brush->style = BS_HATCHED;
  brush->hatch = hatch;
  return HandleFromId<HBRUSH>(RegisterObject(HandleKind::kBrush, brush));
}

HBRUSH CreatePatternBrush(HBITMAP pattern) {
  auto bitmap = FindBitmap(pattern);
  if (!bitmap || !bitmap->surface) return nullptr;
  auto copy = CopySurface(*bitmap->surface, bitmap->surface->Bounds());
  if (!copy) return nullptr;
  auto brush = std::make_shared<Brush>();
  brush->style = BS_PATTERN;
  brush->pattern = std::move(copy);
  return HandleFromId<HBRUSH>(RegisterObject(HandleKind::kBrush, brush));
}

HBRUSH CreateBrushIndirect(const LOGBRUSH* brush) {
  if (brush == nullptr) return nullptr;
  switch (brush->lbStyle) {
    case BS_SOLID: return CreateSolidBrush(brush->lbColor);
    case BS_HATCHED: return CreateHatchBrush(static_cast<int>(brush->lbHatch), brush->lbColor);
    case BS_PATTERN: return CreatePatternBrush(HandleFromId<HBITMAP>(static_cast<uint32_t>(brush->lbHatch)));
    case BS_NULL: {
      auto object = std::make_shared<Brush>();
      object->style = BS_NULL;
      return HandleFromId<HBRUSH>(RegisterObject(HandleKind::kBrush, object));
    }
    default: return nullptr;
  }
}

HGDIOBJ GetStockObject(int index) {
  auto object = StockObject(index);
  return object ? HandleFromId<HGDIOBJ>(object->id) : nullptr;
}

DWORD GetObjectType(HGDIOBJ object) {
  if (auto found = FindObject(object)) return found->Type();
  if (auto dc = FindDc(reinterpret_cast<HDC>(object))) return dc->kind == DcKind::kMemory ? OBJ_MEMDC : OBJ_DC;
  return 0;
}

BOOL DeleteObject(HGDIOBJ handle) {
  auto object = FindObject(handle);
  if (!object) return FALSE;
  if (object->is_stock) return TRUE;
  // Still selected into a DC, or owned (a window's region): nothing is freed.
  if (object->selections.load() > 0 || object->owners.load() > 0) return FALSE;
  const auto removed = HandleTable::Instance().Remove(object->id, KindOf(object->Type()));
  return removed ? TRUE : FALSE;
}

int GetObject(HGDIOBJ handle, int size, void* out) {
  auto object = FindObject(handle);
  if (!object || size < 0) return 0;
  auto copy_out = [&](const void* data, int bytes) {
    if (out == nullptr) return bytes;
    if (size < bytes) return 0;
    std::memcpy(out, data, static_cast<size_t>(bytes));
    return bytes;
  };
  switch (object->Type()) {
    case OBJ_PEN: {
      const auto* pen = static_cast<const Pen*>(object.get());
      LOGPEN log{static_cast<UINT>(pen->style), POINT{pen->width, 0}, pen->colour};
      return copy_out(&log, sizeof(log));
    }
    case OBJ_BRUSH: {
      const auto* brush = static_cast<const Brush*>(object.get());
      LOGBRUSH log{brush->style, brush->colour, static_cast<ULONG_PTR>(brush->hatch)};
      return copy_out(&log, sizeof(log));
    }
    case OBJ_PAL: {
      const auto* palette = static_cast<const Palette*>(object.get());
      const WORD count = static_cast<WORD>(palette->entries.size());
      return copy_out(&count, sizeof(count));
    }
    case OBJ_BITMAP: {
      const auto* bitmap = static_cast<const Bitmap*>(object.get());
      const Surface& s = *bitmap->surface;
      DIBSECTION section{};
      section.dsBm.bmType = 0;
      section.dsBm.bmWidth = s.width;
      section.dsBm.bmHeight = s.height;
      section.dsBm.bmWidthBytes = static_cast<LONG>(s.stride_bytes);
      section.dsBm.bmPlanes = 1;
      section.dsBm.bmBitsPixel = static_cast<WORD>(s.bpp);
      section.dsBm.bmBits = bitmap->is_dib_section ? s.bits : nullptr;
      if (!bitmap->is_dib_section || (out != nullptr && size < static_cast<int>(sizeof(DIBSECTION)))) {
        return copy_out(&section.dsBm, sizeof(BITMAP));
      }
      BITMAPINFOHEADER& h = section.dsBmih;
      h.biSize = sizeof(BITMAPINFOHEADER);
      h.biWidth = s.width;
      h.biHeight = s.is_top_down ? -s.height : s.height;
      h.biPlanes = 1;
      h.biBitCount = static_cast<WORD>(s.bpp);
      const bool has_fields = (s.bpp == 16 && s.masks[0] != 0x7C00) || (s.bpp == 32 && s.masks[0] != 0xFF0000);
      h.biCompression = has_fields ? BI_BITFIELDS : BI_RGB;
      h.biSizeImage = static_cast<DWORD>(s.stride_bytes * static_cast<size_t>(s.height));
      h.biClrUsed = s.bpp <= 8 ? static_cast<DWORD>(s.colours.size()) : 0;
      for (int i = 0; i < 3; ++i) section.dsBitfields[i] = s.bpp > 8 ? s.masks[i] : 0;
      return copy_out(&section, sizeof(section));
    }
    case OBJ_FONT: return text::GetFontObject(*object, size, out);
    default: return 0;
  }
}

BOOL UnrealizeObject(HGDIOBJ object) { return FindObject(object) ? TRUE : FALSE; }

}  // namespace plat
