// Pictures of the class library: TGraphic (the abstract picture), TBitmap
// (a DIB section of one pixel format with its own canvas, transparency and
// the BMP file form on streams) and TIcon (an icon and the icon file form).
#ifndef PLAT_FORMS_BITMAP_H_
#define PLAT_FORMS_BITMAP_H_

#include <cstdint>
#include <memory>
#include <string>

#include "plat/forms/canvas.h"
#include "plat/forms/streams.h"
#include "plat/types.h"

namespace plat {

class TGraphic : public TPersistent {
 public:
  virtual bool Empty() const = 0;
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual void SetWidth(int width) = 0;
  virtual void SetHeight(int height) = 0;
  virtual void LoadFromStream(TStream& stream) = 0;
  virtual void SaveToStream(TStream& stream) = 0;
  // Reads or writes the whole file (written through the atomic replacement).
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name);

  bool Transparent() const { return is_transparent_; }
  virtual void SetTransparent(bool is_transparent);
  bool Modified() const { return is_modified_; }
  void SetModified(bool is_modified);

  TNotifyEvent OnChange;

 protected:
  friend class TCanvas;
  virtual void Draw(TCanvas* canvas, const RECT& rect) = 0;
  virtual void Changed();

 private:
  bool is_transparent_ = false;
  bool is_modified_ = false;
};

enum class TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
using enum TPixelFormat;
enum class TTransparentMode { tmAuto, tmFixed };
using enum TTransparentMode;

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;
  void Assign(const TPersistent* source) override;

  bool Empty() const override;
  int Width() const override { return width_; }
  int Height() const override { return height_; }
  void SetWidth(int width) override { SetSize(width, height_); }
  void SetHeight(int height) override { SetSize(width_, height); }
  // Keeps the pixels that still fit; new pixels are white. Below zero:
  // EInvalidGraphic; beyond 2^24 per side, 2^28 pixels or 1 GiB:
  // EOutOfResources; nothing is allocated then.
  void SetSize(int width, int height);

  TPixelFormat PixelFormat() const { return format_; }
  // Converts the pixels to the new format (nearest palette entries below 16 bits).
  void SetPixelFormat(TPixelFormat format);
  bool Monochrome() const { return format_ == pf1bit; }
  void SetMonochrome(bool is_monochrome);

  // The bitmap's GDI handle (a DIB section; pfDevice: 32 bits); null while empty.
  HBITMAP Handle();
  // Takes `bitmap` over (the object now owns it); its format decides PixelFormat.
  void SetHandle(HBITMAP bitmap);
  // Gives up the handle: the caller owns it, the bitmap is empty afterwards.
  HBITMAP ReleaseHandle();
  // A palette of the colour table below 16 bits (owned by the bitmap), else null.
  HPALETTE Palette();

  // A canvas drawing into the bitmap.
  TCanvas* Canvas();
  // Row `row` from the top, whatever the storage order; EInvalidGraphicOperation
  // outside 0..Height-1.
  uint8_t* ScanLine(int row);

  // tmAuto: the bottom-left pixel (with 0x02000000 or-ed in); tmFixed: the set colour.
  TColor TransparentColor();
  void SetTransparentColor(TColor color);
  TTransparentMode TransparentMode() const { return transparent_mode_; }
  void SetTransparentMode(TTransparentMode mode);

  // The RT_BITMAP resource of `instance` (a packed DIB), read as
  // LoadFromStream reads; EResNotFound when the module has no such entry.
  void LoadFromResourceID(HINSTANCE instance, int id);
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);

  // BMP file form (file header, info header, palette, bottom-up rows) at the
  // bitmap's own depth; pfDevice and pf32bit are written with 32 bits.
  void SaveToStream(TStream& stream) override;
  // A BMP file from the stream's position: every size is checked against
  // the bytes left before anything is allocated (EReadError), the header
  // passes the packed-DIB gate (EInvalidGraphic), run-length bodies are
  // refused (EInvalidGraphic). The bitmap is unchanged on every error.
  void LoadFromStream(TStream& stream) override;

  // Both keep the pixels; they release the canvas's DC.
  void Dormant();
  void FreeImage();

 protected:
  void Draw(TCanvas* canvas, const RECT& rect) override;
  void Changed() override;

 private:
  class BitmapCanvas;
  void Replace(HBITMAP bitmap, TPixelFormat format, int width, int height);
  void ReleaseCanvasDc();
  void FreePalette();
  void LoadFromResource(HINSTANCE instance, const char* name, const std::string& shown);
  // The pixels of a packed DIB of `size` bytes, through the gate.
  void LoadFromPackedDib(const uint8_t* block, size_t size);

  HBITMAP handle_ = nullptr;
  HPALETTE palette_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  TPixelFormat format_ = pfDevice;
  TColor transparent_color_ = clDefault;
  TTransparentMode transparent_mode_ = tmAuto;
  std::unique_ptr<TCanvas> canvas_;
};

// An icon: a picture with its own transparency (a mask, or alpha), drawn
// through the window system's icon drawing. Its streams hold the icon file
// form; it is saved as one 32-bit image with its mask.
class TIcon : public TGraphic {
 public:
  TIcon();
  ~TIcon() override;
  // Another icon (copied); other sources raise EConvertError.
  void Assign(const TPersistent* source) override;

  bool Empty() const override { return handle_ == nullptr; }
  int Width() const override { return handle_ != nullptr ? width_ : requested_width_; }
  int Height() const override { return handle_ != nullptr ? height_ : requested_height_; }
  // The size asked of an icon not yet loaded; an icon that has one cannot
  // change it (EInvalidGraphicOperation).
  void SetWidth(int width) override;
  void SetHeight(int height) override;

  HICON Handle() const { return handle_; }
  // Takes `icon` over (null empties the icon).
  void SetHandle(HICON icon);
  // Gives up the handle: the caller owns it, the icon is empty afterwards.
  HICON ReleaseHandle();

  // The RT_ICON resource of `instance`; EResNotFound when there is none.
  void LoadFromResourceID(HINSTANCE instance, int id);
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);

  // An icon file from the stream's position: the largest, then deepest,
  // image is taken. Every size and offset is checked against the bytes left
  // (EReadError); an image that is not a sound DIB of at most 256 pixels a
  // side with its mask, or is PNG-compressed, raises EInvalidGraphic. The
  // icon is unchanged on every error.
  void LoadFromStream(TStream& stream) override;
  // The icon file form: one 32-bit image with alpha, and its AND mask.
  void SaveToStream(TStream& stream) override;

 protected:
  void Draw(TCanvas* canvas, const RECT& rect) override;

 private:
  void LoadFromResource(HINSTANCE instance, const char* name, const std::string& shown);

  HICON handle_ = nullptr;
  int width_ = 0;
  int height_ = 0;
  int requested_width_ = 32;
  int requested_height_ = 32;
};

}  // namespace plat

#endif  // PLAT_FORMS_BITMAP_H_
