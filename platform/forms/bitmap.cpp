// TGraphic and TBitmap. A bitmap is a DIB section of its pixel format (a
// 32-bit one for pfDevice); its canvas is a memory DC that holds it. Sizes
// are checked before anything is allocated, and a stream is read whole into
// one checked block that passes the packed-DIB gate before a pixel is taken.
#include "plat/forms/bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "plat/forms/exceptions.h"
#include "plat/gdi.h"
#include "plat/gdi_surface.h"
#include "plat/packed_dib.h"
#include "plat/resources.h"

namespace plat {

namespace {

constexpr int64_t kMaxSide = int64_t{1} << 24;
constexpr int64_t kMaxPixels = int64_t{1} << 28;
constexpr int64_t kMaxBytes = int64_t{1} << 30;
constexpr WORD kBmpMagic = 0x4D42;  // "BM"
constexpr TColor kAutoTransparentFlag = 0x02000000;

int BitsOf(TPixelFormat format) {
  switch (format) {
    case pf1bit: return 1;
    case pf4bit: return 4;
    case pf8bit: return 8;
    case pf15bit:
    case pf16bit: return 16;
    case pf24bit: return 24;
    default: return 32;
  }
}

int64_t StrideOf(int64_t width, int bits) { return ((width * bits + 31) / 32) * 4; }

std::vector<RGBQUAD> PaletteOf(TPixelFormat format) {
  if (format == pf1bit) return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
  const int bits = BitsOf(format);
  return bits <= 8 ? gdi::DefaultColourTable(bits) : std::vector<RGBQUAD>();
}

// A new DIB section filled white; EOutOfResources when it cannot be made.
HBITMAP NewSection(int width, int height, TPixelFormat format, const std::vector<RGBQUAD>& palette) {
  const int bits = BitsOf(format);
  std::vector<uint8_t> info_bytes(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD) + 3 * sizeof(DWORD));
  auto* info = reinterpret_cast<BITMAPINFO*>(info_bytes.data());
  BITMAPINFOHEADER& header = info->bmiHeader;
  header.biSize = sizeof(BITMAPINFOHEADER);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = static_cast<WORD>(bits);
  header.biCompression = BI_RGB;
  header.biClrUsed = static_cast<DWORD>(palette.size());
  if (!palette.empty()) {
    std::memcpy(info_bytes.data() + sizeof(BITMAPINFOHEADER), palette.data(), palette.size() * sizeof(RGBQUAD));
  }
  if (format == pf16bit) {
    header.biCompression = BI_BITFIELDS;
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    std::memcpy(info_bytes.data() + sizeof(BITMAPINFOHEADER), masks, sizeof masks);
  }
  void* bits_out = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits_out, nullptr, 0);
  if (section == nullptr) throw EOutOfResources("Out of system resources");
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(section));
  PatBlt(dc, 0, 0, width, height, WHITENESS);
  SelectObject(dc, old);
  DeleteDC(dc);
  return section;
}

std::shared_ptr<gdi::Surface> SurfaceOf(HBITMAP bitmap) {
  auto object = gdi::FindBitmap(bitmap);
  return object ? object->surface : nullptr;
}

// The top-left width x height pixels of `from` onto `to`, converted by colour.
void CopyPixels(HBITMAP from, HBITMAP to, int width, int height) {
  HDC from_dc = CreateCompatibleDC(nullptr), to_dc = CreateCompatibleDC(nullptr);
  HGDIOBJ old_from = SelectObject(from_dc, reinterpret_cast<HGDIOBJ>(from));
  HGDIOBJ old_to = SelectObject(to_dc, reinterpret_cast<HGDIOBJ>(to));
  BitBlt(to_dc, 0, 0, width, height, from_dc, 0, 0, SRCCOPY);
  SelectObject(from_dc, old_from);
  SelectObject(to_dc, old_to);
  DeleteDC(from_dc);
  DeleteDC(to_dc);
}

TPixelFormat FormatOfBits(int bits, const DWORD masks[3]) {
  switch (bits) {
    case 1: return pf1bit;
    case 4: return pf4bit;
    case 8: return pf8bit;
    case 16: return masks[1] == 0x07E0 ? pf16bit : pf15bit;
    case 24: return pf24bit;
    default: return pf32bit;
  }
}

}  // namespace

// TGraphic.

void TGraphic::LoadFromFile(const std::string& file_name) {
  TFileStream stream(file_name, fmOpenRead);
  LoadFromStream(stream);
}

void TGraphic::SaveToFile(const std::string& file_name) {
  TFileStream stream(file_name, fmCreate);
  SaveToStream(stream);
  stream.Close();
}

void TGraphic::SetTransparent(bool is_transparent) {
  if (is_transparent == is_transparent_) return;
  is_transparent_ = is_transparent;
  Changed();
}

void TGraphic::SetModified(bool is_modified) {
  if (is_modified) {
    Changed();
  } else {
    is_modified_ = false;
  }
}

void TGraphic::Changed() {
  is_modified_ = true;
  if (OnChange) OnChange(this);
}

// TBitmap.

class TBitmap::BitmapCanvas final : public TCanvas {
 public:
  explicit BitmapCanvas(TBitmap* owner) : owner_(owner) {}
  ~BitmapCanvas() override { Release(); }

  void Release() {
    HDC dc = HandleAllocated() ? Handle() : nullptr;
    if (dc == nullptr) return;
    DeselectHandles();
    if (old_bitmap_ != nullptr) SelectObject(dc, old_bitmap_);
    old_bitmap_ = nullptr;
    SetHandle(nullptr);
    DeleteDC(dc);
  }

 protected:
  void CreateHandle() override {
    HDC dc = CreateCompatibleDC(nullptr);
    if (dc == nullptr) throw EOutOfResources("Out of system resources");
    if (owner_->handle_ == nullptr) owner_->Replace(NewSection(1, 1, owner_->format_, PaletteOf(owner_->format_)),
                                                    owner_->format_, 0, 0);
    old_bitmap_ = SelectObject(dc, reinterpret_cast<HGDIOBJ>(owner_->handle_));
    SetHandle(dc);
  }
  void Changed() override {
    TCanvas::Changed();
    owner_->Changed();
  }

 private:
  TBitmap* owner_;
  HGDIOBJ old_bitmap_ = nullptr;
};

TBitmap::TBitmap() = default;

TBitmap::~TBitmap() {
  ReleaseCanvasDc();
  canvas_.reset();
  if (handle_ != nullptr) DeleteObject(handle_);
  FreePalette();
}

void TBitmap::FreePalette() {
  if (palette_ != nullptr) DeleteObject(palette_);
  palette_ = nullptr;
}

void TBitmap::ReleaseCanvasDc() {
  if (canvas_) static_cast<BitmapCanvas*>(canvas_.get())->Release();
}

void TBitmap::Replace(HBITMAP bitmap, TPixelFormat format, int width, int height) {
  ReleaseCanvasDc();
  if (handle_ != nullptr) DeleteObject(handle_);
  FreePalette();
  handle_ = bitmap;
  format_ = format;
  width_ = width;
  height_ = height;
}

bool TBitmap::Empty() const { return width_ == 0 || height_ == 0; }

void TBitmap::SetSize(int width, int height) {
  if (width < 0 || height < 0) throw EInvalidGraphic("Invalid image size");
  if (width == width_ && height == height_) return;
  const int64_t bytes = StrideOf(width, BitsOf(format_)) * height;
  if (width > kMaxSide || height > kMaxSide || int64_t{width} * height > kMaxPixels || bytes > kMaxBytes) {
    throw EOutOfResources("Out of system resources");
  }
  if (width == 0 || height == 0) {
    Replace(nullptr, format_, width, height);
    Changed();
    return;
  }
  HBITMAP next = NewSection(width, height, format_, PaletteOf(format_));
  if (handle_ != nullptr && !Empty()) {
    // The pixels that still fit are kept, from the top-left corner.
    ReleaseCanvasDc();
    CopyPixels(handle_, next, std::min(width, width_), std::min(height, height_));
  }
  Replace(next, format_, width, height);
  Changed();
}

void TBitmap::SetPixelFormat(TPixelFormat format) {
  if (format == format_ || format == pfCustom) return;
  if (Empty()) {
    format_ = format;
    Changed();
    return;
  }
  HBITMAP next = NewSection(width_, height_, format, PaletteOf(format));
  ReleaseCanvasDc();
  CopyPixels(handle_, next, width_, height_);
  Replace(next, format, width_, height_);
  Changed();
}

void TBitmap::SetMonochrome(bool is_monochrome) {
  if (is_monochrome == Monochrome()) return;
  SetPixelFormat(is_monochrome ? pf1bit : pfDevice);
}

HBITMAP TBitmap::Handle() { return handle_; }

void TBitmap::SetHandle(HBITMAP bitmap) {
  auto surface = SurfaceOf(bitmap);
  if (!surface) {
    Replace(nullptr, format_, 0, 0);
  } else {
    Replace(bitmap, FormatOfBits(surface->bpp, surface->masks), surface->width, surface->height);
  }
  Changed();
}

HBITMAP TBitmap::ReleaseHandle() {
  ReleaseCanvasDc();
  HBITMAP bitmap = handle_;
  handle_ = nullptr;
  width_ = height_ = 0;
  return bitmap;
}

HPALETTE TBitmap::Palette() {
  auto surface = handle_ != nullptr ? SurfaceOf(handle_) : nullptr;
  if (palette_ == nullptr && surface && !surface->colours.empty()) {
    const size_t count = surface->colours.size();
    std::vector<uint8_t> bytes(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(bytes.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = static_cast<WORD>(count);
    for (size_t i = 0; i < count; ++i) {
      const RGBQUAD& c = surface->colours[i];
      logical->palPalEntry[i] = PALETTEENTRY{c.rgbRed, c.rgbGreen, c.rgbBlue, 0};
    }
    palette_ = CreatePalette(logical);
  }
  return palette_;
}

TCanvas* TBitmap::Canvas() {
  if (!canvas_) canvas_ = std::make_unique<BitmapCanvas>(this);
  return canvas_.get();
}

uint8_t* TBitmap::ScanLine(int row) {
  if (row < 0 || row >= height_ || handle_ == nullptr) throw EInvalidGraphicOperation("Scan line index out of range");
  auto surface = SurfaceOf(handle_);
  if (!surface) throw EInvalidGraphicOperation("Scan line index out of range");
  return surface->Row(row);
}

TColor TBitmap::TransparentColor() {
  if (transparent_mode_ == tmFixed && transparent_color_ != clDefault) return transparent_color_;
  if (Empty()) return clDefault;
  return static_cast<TColor>(GetPixel(Canvas()->Handle(), 0, height_ - 1)) | kAutoTransparentFlag;
}

void TBitmap::SetTransparentColor(TColor color) {
  if (color == transparent_color_) return;
  transparent_color_ = color;
  transparent_mode_ = color == clDefault ? tmAuto : tmFixed;
  Changed();
}

void TBitmap::SetTransparentMode(TTransparentMode mode) {
  if (mode == transparent_mode_) return;
  if (mode == tmAuto) transparent_color_ = clDefault;
  transparent_mode_ = mode;
  Changed();
}

void TBitmap::Assign(const TPersistent* source) {
  if (const auto* other = dynamic_cast<const TBitmap*>(source)) {
    if (other == this) return;
    auto* from = const_cast<TBitmap*>(other);
    format_ = from->format_;
    transparent_color_ = from->transparent_color_;
    transparent_mode_ = from->transparent_mode_;
    SetTransparent(from->Transparent());
    if (from->Empty()) {
      Replace(nullptr, from->format_, from->width_, from->height_);
    } else {
      auto surface = SurfaceOf(from->handle_);
      HBITMAP next = NewSection(from->width_, from->height_, from->format_, surface->colours);
      auto copy = SurfaceOf(next);
      for (int y = 0; y < from->height_; ++y) std::memcpy(copy->Row(y), surface->Row(y), surface->stride_bytes);
      Replace(next, from->format_, from->width_, from->height_);
    }
    Changed();
    return;
  }
  TPersistent::Assign(source);
}

void TBitmap::Dormant() { ReleaseCanvasDc(); }

void TBitmap::FreeImage() { ReleaseCanvasDc(); }

void TBitmap::Changed() { TGraphic::Changed(); }

void TBitmap::Draw(TCanvas* canvas, const RECT& rect) {
  HDC target = canvas->Handle();
  HDC from = Canvas()->Handle();
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  if (!Transparent()) {
    StretchBlt(target, rect.left, rect.top, width, height, from, 0, 0, width_, height_, canvas->CopyMode());
    return;
  }
  // Transparent: the key colour's pixels leave the target alone. A mask white
  // where the key is ANDs the target; the picture with its key pixels made
  // black is ORed in.
  const COLORREF key = static_cast<COLORREF>(ColorToRGB(TransparentColor() & 0xFFFFFF));
  HDC mask_dc = CreateCompatibleDC(nullptr), image_dc = CreateCompatibleDC(nullptr);
  HBITMAP mask = CreateBitmap(width_, height_, 1, 1, nullptr);
  HBITMAP image = NewSection(width_, height_, pf32bit, {});
  HGDIOBJ old_mask = SelectObject(mask_dc, reinterpret_cast<HGDIOBJ>(mask));
  HGDIOBJ old_image = SelectObject(image_dc, reinterpret_cast<HGDIOBJ>(image));
  const COLORREF old_back = SetBkColor(from, key);
  BitBlt(mask_dc, 0, 0, width_, height_, from, 0, 0, SRCCOPY);
  SetBkColor(from, old_back);
  BitBlt(image_dc, 0, 0, width_, height_, from, 0, 0, SRCCOPY);
  SetTextColor(image_dc, RGB(0, 0, 0));
  SetBkColor(image_dc, RGB(255, 255, 255));
  BitBlt(image_dc, 0, 0, width_, height_, mask_dc, 0, 0, 0x00220326);  // D and not S
  const COLORREF old_text = SetTextColor(target, RGB(0, 0, 0));
  const COLORREF old_target_back = SetBkColor(target, RGB(255, 255, 255));
  StretchBlt(target, rect.left, rect.top, width, height, mask_dc, 0, 0, width_, height_, SRCAND);
  StretchBlt(target, rect.left, rect.top, width, height, image_dc, 0, 0, width_, height_, SRCPAINT);
  SetTextColor(target, old_text);
  SetBkColor(target, old_target_back);
  SelectObject(mask_dc, old_mask);
  SelectObject(image_dc, old_image);
  DeleteObject(mask);
  DeleteObject(image);
  DeleteDC(mask_dc);
  DeleteDC(image_dc);
}

void TBitmap::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  LoadFromResource(instance, name.c_str(), name);
}

void TBitmap::LoadFromResourceID(HINSTANCE instance, int id) {
  LoadFromResource(instance, MAKEINTRESOURCE(id), std::to_string(id));
}

void TBitmap::LoadFromResource(HINSTANCE instance, const char* name, const std::string& shown) {
  HRSRC found = FindResource(instance, name, MAKEINTRESOURCE(RT_BITMAP));
  const void* data = found != nullptr ? LockResource(LoadResource(instance, found)) : nullptr;
  if (data == nullptr) throw EResNotFound("Resource " + shown + " not found");
  LoadFromPackedDib(static_cast<const uint8_t*>(data), SizeofResource(instance, found));
}

void TBitmap::SaveToStream(TStream& stream) {
  const int bits = Empty() ? BitsOf(format_) : SurfaceOf(handle_)->bpp;
  std::vector<RGBQUAD> palette;
  uint32_t masks[3] = {0, 0, 0};
  size_t stride = static_cast<size_t>(StrideOf(width_, bits));
  std::shared_ptr<gdi::Surface> surface;
  if (!Empty()) {
    surface = SurfaceOf(handle_);
    palette = surface->colours;
    std::copy(surface->masks, surface->masks + 3, masks);
  }
  const bool has_fields = bits == 16 && masks[1] == 0x07E0;
  const size_t table_bytes = palette.size() * sizeof(RGBQUAD) + (has_fields ? 3 * sizeof(DWORD) : 0);
  const size_t pixel_bytes = stride * static_cast<size_t>(height_);
  BITMAPFILEHEADER file{};
  file.bfType = kBmpMagic;
  file.bfOffBits = static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + table_bytes);
  file.bfSize = static_cast<DWORD>(file.bfOffBits + pixel_bytes);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof(BITMAPINFOHEADER);
  info.biWidth = width_;
  info.biHeight = height_;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bits);
  info.biCompression = has_fields ? BI_BITFIELDS : BI_RGB;
  info.biSizeImage = static_cast<DWORD>(pixel_bytes);
  info.biClrUsed = static_cast<DWORD>(palette.size());
  stream.WriteBuffer(&file, sizeof file);
  stream.WriteBuffer(&info, sizeof info);
  if (has_fields) stream.WriteBuffer(masks, sizeof masks);
  if (!palette.empty()) stream.WriteBuffer(palette.data(), static_cast<int64_t>(palette.size() * sizeof(RGBQUAD)));
  if (!surface) return;  // an empty bitmap: the headers alone
  for (int row = height_ - 1; row >= 0; --row) stream.WriteBuffer(surface->Row(row), static_cast<int64_t>(stride));
}

void TBitmap::LoadFromStream(TStream& stream) {
  const int64_t start = stream.Position();
  const int64_t available = stream.Size() - start;
  BITMAPFILEHEADER file{};
  if (available < static_cast<int64_t>(sizeof file)) throw EReadError("Stream read error");
  stream.ReadBuffer(&file, sizeof file);
  if (file.bfType != kBmpMagic) throw EInvalidGraphic("Bitmap image is not valid");
  // The DIB after the file header: its size from the header when it is
  // sound, and never more than the stream holds.
  const int64_t left = available - static_cast<int64_t>(sizeof file);
  int64_t block_bytes = left;
  if (file.bfSize != 0) {
    if (file.bfSize < sizeof file || static_cast<int64_t>(file.bfSize) - static_cast<int64_t>(sizeof file) > left) {
      throw EReadError("Stream read error");
    }
    block_bytes = file.bfSize - static_cast<int64_t>(sizeof file);
  }
  if (block_bytes < static_cast<int64_t>(sizeof(BITMAPCOREHEADER)) || block_bytes > kMaxBytes + (int64_t{1} << 20)) {
    throw EReadError("Stream read error");
  }
  std::vector<uint8_t> block(static_cast<size_t>(block_bytes));
  stream.ReadBuffer(block.data(), block_bytes);
  std::optional<DibView> view = ValidatePackedDib(block.data(), block.size());
  if (view && file.bfOffBits != 0) {
    // Pixels that start elsewhere than right after the tables are moved there.
    const size_t natural = static_cast<size_t>(view->bits - block.data());
    const uint64_t offset = file.bfOffBits >= sizeof file ? file.bfOffBits - sizeof file : 0;
    if (offset != natural) {
      if (offset < natural || offset > block.size() || view->bits_bytes > block.size() - offset) {
        throw EReadError("Stream read error");
      }
      std::memmove(block.data() + natural, block.data() + offset, view->bits_bytes);
      view = ValidatePackedDib(block.data(), block.size());
    }
  }
  if (!view) throw EInvalidGraphic("Bitmap image is not valid");
  LoadFromPackedDib(block.data(), block.size());
}

void TBitmap::LoadFromPackedDib(const uint8_t* block, size_t size) {
  const std::optional<DibView> view = ValidatePackedDib(block, size);
  if (!view) throw EInvalidGraphic("Bitmap image is not valid");
  if (view->compression == BI_RLE4 || view->compression == BI_RLE8) throw EInvalidGraphic("Bitmap image is not valid");
  const int64_t bytes = StrideOf(view->width, view->bpp) * view->height;
  if (int64_t{view->width} * view->height > kMaxPixels || bytes > kMaxBytes) {
    throw EOutOfResources("Out of system resources");
  }
  // A section of the file's depth (its own table below 16 bits) takes the
  // pixels through the drawing layer's DIB copy, which converts bit fields.
  const TPixelFormat format = FormatOfBits(view->bpp, view->masks);
  std::vector<RGBQUAD> palette;
  for (int i = 0; i < view->colors; ++i) {
    const COLORREF c = view->PaletteColour(i);
    palette.push_back(RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0});
  }
  HBITMAP next = NewSection(view->width, view->height, format, palette);
  if (SetDIBits(nullptr, next, 0, static_cast<UINT>(view->height), view->bits,
                reinterpret_cast<const BITMAPINFO*>(block), DIB_RGB_COLORS) != view->height) {
    DeleteObject(next);
    throw EInvalidGraphic("Bitmap image is not valid");
  }
  Replace(next, format, view->width, view->height);
  Changed();
}

}  // namespace plat
