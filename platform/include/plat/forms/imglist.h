// Image lists of the class library: TCustomImageList/TImageList (equal-sized
// images with optional masks, over the window system's image list) and
// TChangeLink, through which a component that draws from a list hears of
// its changes. A link whose list is freed is cut first, so a control that
// still points at it paints without it.
#ifndef PLAT_FORMS_IMGLIST_H_
#define PLAT_FORMS_IMGLIST_H_

#include <vector>

#include "plat/forms/bitmap.h"
#include "plat/forms/component.h"
#include "plat/forms/graphics.h"
#include "plat/types.h"

namespace plat {

class TCustomImageList;

enum class TDrawingStyle { dsFocus, dsSelected, dsNormal, dsTransparent };
using enum TDrawingStyle;
enum class TImageType { itImage, itMask };
using enum TImageType;

class TChangeLink {
 public:
  TChangeLink() = default;
  // Leaves the list it is registered with.
  ~TChangeLink();
  TChangeLink(const TChangeLink&) = delete;
  TChangeLink& operator=(const TChangeLink&) = delete;

  // The list this link is registered with; null when none (or freed).
  TCustomImageList* Sender() const { return sender_; }
  // Fires on every change of the list, with the list as sender.
  TNotifyEvent OnChange;

 private:
  friend class TCustomImageList;
  TCustomImageList* sender_ = nullptr;
};

class TCustomImageList : public TComponent {
 public:
  explicit TCustomImageList(TComponent* owner) : TCustomImageList(owner, 16, 16) {}
  // A list of width x height images; sizes outside 1..1024 raise EInvalidOperation.
  TCustomImageList(TComponent* owner, int width, int height);
  ~TCustomImageList() override;
  void Assign(const TPersistent* source) override;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // A new size drops every image (the images no longer fit).
  void SetWidth(int width) { SetSize(width, height_); }
  void SetHeight(int height) { SetSize(width_, height); }
  void SetSize(int width, int height);
  int Count() const;
  // Whether images keep a mask; changing it drops every image.
  bool Masked() const { return is_masked_; }
  void SetMasked(bool is_masked);
  // The colour under masked pixels when drawing; clNone draws them transparently.
  TColor BkColor() const { return bk_color_; }
  void SetBkColor(TColor color);
  // The colour blended in by dsFocus and dsSelected; clDefault is the highlight colour.
  TColor BlendColor() const { return blend_color_; }
  void SetBlendColor(TColor color) { blend_color_ = color; Change(); }
  TDrawingStyle DrawingStyle() const { return drawing_style_; }
  void SetDrawingStyle(TDrawingStyle style) { drawing_style_ = style; Change(); }
  // itMask draws the masks instead of the images.
  TImageType ImageType() const { return image_type_; }
  void SetImageType(TImageType type) { image_type_ = type; Change(); }
  // Images the list grows by when it is full.
  int AllocBy() const { return alloc_by_; }
  void SetAllocBy(int count) { alloc_by_ = count < 1 ? 1 : count; }

  // The window system's list.
  HIMAGELIST Handle() const { return handle_; }

  // Adds the images of a strip `image` (its width / Width images); `mask`
  // (may be null) has white where the images are transparent. Gives the
  // index of the first image. A strip of another height, or narrower than
  // one image, raises EInvalidOperation and adds nothing.
  int Add(TBitmap* image, TBitmap* mask);
  // The same, transparent where the strip has `mask_color`.
  int AddMasked(TBitmap* image, TColor mask_color);
  // Index outside 0..Count()-1: EInvalidOperation, nothing changes.
  void Replace(int index, TBitmap* image, TBitmap* mask);
  void Delete(int index);
  void Clear();

  // Draws image `index` at (x, y); a disabled image is drawn greyed. An
  // index outside the list draws nothing.
  void Draw(TCanvas* canvas, int x, int y, int index, bool is_enabled = true);
  // Image `index` into `image`, sized Width x Height over the background
  // colour (BkColor, else white). EInvalidOperation outside the list.
  void GetBitmap(int index, TBitmap* image);

  // Registers `link` for changes (taking it from another list first).
  void RegisterChanges(TChangeLink* link);
  void UnRegisterChanges(TChangeLink* link);
  // Brackets several changes into one OnChange.
  void BeginUpdate() { ++update_count_; }
  void EndUpdate();

  TNotifyEvent OnChange;

 protected:
  virtual void Change();

 private:
  void CheckIndex(int index) const;
  // A strip of the list's height, at least one image wide, and a mask
  // (when given) of the strip's size; EInvalidOperation otherwise.
  void CheckStrip(const TBitmap* image, const TBitmap* mask) const;
  void Recreate();
  // Checks the strip's size, then adds it with `mask` or, when that is
  // null, with the pixels of `mask_color` (clNone: none) as the mask.
  int AddStrip(TBitmap* image, TBitmap* mask, TColor mask_color);

  HIMAGELIST handle_ = nullptr;
  int width_ = 16;
  int height_ = 16;
  bool is_masked_ = true;
  TColor bk_color_ = clNone;
  TColor blend_color_ = clDefault;
  TDrawingStyle drawing_style_ = dsNormal;
  TImageType image_type_ = itImage;
  int alloc_by_ = 4;
  int update_count_ = 0;
  bool is_changed_ = false;
  std::vector<TChangeLink*> links_;
};

class TImageList : public TCustomImageList {
 public:
  using TCustomImageList::TCustomImageList;
};

}  // namespace plat

#endif  // PLAT_FORMS_IMGLIST_H_
