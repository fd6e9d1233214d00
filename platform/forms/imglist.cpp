// TCustomImageList over the window system's image list, and the change
// links of the components that draw from it. The list tells its links of
// every change and, when it is freed, cuts them before it goes.
#include "plat/forms/imglist.h"

#include <algorithm>

#include "plat/forms/exceptions.h"
#include "plat/gdi.h"
#include "plat/image_list.h"
#include "plat/user.h"

namespace plat {

namespace {

constexpr int kMaxSidePixels = 1024;

COLORREF ListColor(TColor color) {
  if (color == clNone) return CLR_NONE;
  if (color == clDefault) return CLR_DEFAULT;
  return static_cast<COLORREF>(ColorToRGB(color));
}

}  // namespace

TChangeLink::~TChangeLink() {
  if (sender_ != nullptr) sender_->UnRegisterChanges(this);
}

TCustomImageList::TCustomImageList(TComponent* owner, int width, int height) : TComponent(owner) {
  if (width < 1 || height < 1 || width > kMaxSidePixels || height > kMaxSidePixels) {
    RaiseRes<EInvalidOperation>(SInvalidImageSize);
  }
  width_ = width;
  height_ = height;
  Recreate();
}

TCustomImageList::~TCustomImageList() {
  Destroying();
  for (TChangeLink* link : links_) link->sender_ = nullptr;
  links_.clear();
  if (handle_ != nullptr) ImageList_Destroy(handle_);
}

void TCustomImageList::Assign(const TPersistent* source) {
  const auto* other = dynamic_cast<const TCustomImageList*>(source);
  if (other == nullptr) {
    TComponent::Assign(source);
    return;
  }
  // Only the settings: the window system's lists cannot copy their images.
  BeginUpdate();
  SetSize(other->width_, other->height_);
  SetMasked(other->is_masked_);
  SetBkColor(other->bk_color_);
  blend_color_ = other->blend_color_;
  drawing_style_ = other->drawing_style_;
  image_type_ = other->image_type_;
  alloc_by_ = other->alloc_by_;
  is_changed_ = true;
  EndUpdate();
}

void TCustomImageList::Recreate() {
  HIMAGELIST made = ImageList_Create(width_, height_, ILC_COLOR32 | (is_masked_ ? ILC_MASK : 0), alloc_by_, alloc_by_);
  if (made == nullptr) throw EOutOfResources("Cannot make an image list");
  if (handle_ != nullptr) ImageList_Destroy(handle_);
  handle_ = made;
  ImageList_SetBkColor(handle_, ListColor(bk_color_));
}

void TCustomImageList::SetSize(int width, int height) {
  if (width == width_ && height == height_) return;
  if (width < 1 || height < 1 || width > kMaxSidePixels || height > kMaxSidePixels) {
    RaiseRes<EInvalidOperation>(SInvalidImageSize);
  }
  width_ = width;
  height_ = height;
  Recreate();
  Change();
}

void TCustomImageList::SetMasked(bool is_masked) {
  if (is_masked == is_masked_) return;
  is_masked_ = is_masked;
  Recreate();
  Change();
}

void TCustomImageList::SetBkColor(TColor color) {
  if (color == bk_color_) return;
  bk_color_ = color;
  ImageList_SetBkColor(handle_, ListColor(color));
  Change();
}

int TCustomImageList::Count() const { return ImageList_GetImageCount(handle_); }

void TCustomImageList::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) RaiseRes<EInvalidOperation>(SListIndexError, {index});
}

void TCustomImageList::CheckStrip(const TBitmap* image, const TBitmap* mask) const {
  if (image == nullptr || image->Height() != height_ || image->Width() < width_ ||
      (mask != nullptr && (mask->Width() != image->Width() || mask->Height() != image->Height()))) {
    RaiseRes<EInvalidOperation>(SInvalidImageSize);
  }
}

int TCustomImageList::AddStrip(TBitmap* image, TBitmap* mask, TColor mask_color) {
  CheckStrip(image, mask);
  int first = -1;
  if (mask != nullptr) {
    first = ImageList_Add(handle_, image->Handle(), mask->Handle());
  } else if (mask_color != clNone) {
    first = ImageList_AddMasked(handle_, image->Handle(), static_cast<COLORREF>(ColorToRGB(mask_color)));
  } else {
    first = ImageList_Add(handle_, image->Handle(), nullptr);
  }
  if (first < 0) RaiseRes<EInvalidOperation>(STooManyImages);
  Change();
  return first;
}

int TCustomImageList::Add(TBitmap* image, TBitmap* mask) { return AddStrip(image, mask, clNone); }

int TCustomImageList::AddMasked(TBitmap* image, TColor mask_color) {
  // A colour that is not a colour (clNone, clDefault) masks nothing.
  return AddStrip(image, nullptr, mask_color == clDefault ? clNone : mask_color);
}

void TCustomImageList::Replace(int index, TBitmap* image, TBitmap* mask) {
  CheckIndex(index);
  CheckStrip(image, mask);
  if (!ImageList_Replace(handle_, index, image->Handle(), mask != nullptr ? mask->Handle() : nullptr)) {
    RaiseRes<EInvalidOperation>(SInvalidImageSize);
  }
  Change();
}

void TCustomImageList::Delete(int index) {
  CheckIndex(index);
  ImageList_Remove(handle_, index);
  Change();
}

void TCustomImageList::Clear() {
  if (Count() == 0) return;
  ImageList_RemoveAll(handle_);
  Change();
}

void TCustomImageList::Draw(TCanvas* canvas, int x, int y, int index, bool is_enabled) {
  if (canvas == nullptr || index < 0 || index >= Count()) return;
  UINT style = image_type_ == itMask ? ILD_MASK : ILD_NORMAL;
  if (drawing_style_ == dsTransparent) style |= ILD_TRANSPARENT;
  if (drawing_style_ == dsFocus) style |= ILD_FOCUS;
  if (drawing_style_ == dsSelected) style |= ILD_SELECTED;
  COLORREF blend = ListColor(blend_color_);
  if (!is_enabled) {
    // Greyed: half blended with the shadow colour, masked pixels left alone.
    style = (style & ILD_MASK) | ILD_TRANSPARENT | ILD_BLEND50;
    blend = GetSysColor(COLOR_BTNSHADOW);
  }
  ImageList_DrawEx(handle_, index, canvas->Handle(), x, y, 0, 0, CLR_DEFAULT, blend, style);
}

void TCustomImageList::GetBitmap(int index, TBitmap* image) {
  CheckIndex(index);
  if (image == nullptr) return;
  image->SetSize(width_, height_);
  TCanvas* canvas = image->Canvas();
  canvas->Brush()->SetColor(bk_color_ == clNone || bk_color_ == clDefault ? clWhite : bk_color_);
  canvas->Brush()->SetStyle(bsSolid);
  canvas->FillRect(RECT{0, 0, width_, height_});
  ImageList_DrawEx(handle_, index, canvas->Handle(), 0, 0, 0, 0, CLR_NONE, CLR_NONE, ILD_TRANSPARENT);
}

void TCustomImageList::RegisterChanges(TChangeLink* link) {
  if (link == nullptr || link->sender_ == this) return;
  if (link->sender_ != nullptr) link->sender_->UnRegisterChanges(link);
  links_.push_back(link);
  link->sender_ = this;
}

void TCustomImageList::UnRegisterChanges(TChangeLink* link) {
  if (link == nullptr || link->sender_ != this) return;
  links_.erase(std::remove(links_.begin(), links_.end(), link), links_.end());
  link->sender_ = nullptr;
}

void TCustomImageList::EndUpdate() {
  if (update_count_ > 0 && --update_count_ == 0 && is_changed_) Change();
}

void TCustomImageList::Change() {
  if (update_count_ > 0) {
    is_changed_ = true;
    return;
  }
  is_changed_ = false;
  if (ComponentState().Contains(csDestroying)) return;
  // A link's handler may unregister links (its own or others): walk a copy
  // and skip the ones that left meanwhile.
  const std::vector<TChangeLink*> links = links_;
  for (TChangeLink* link : links) {
    if (std::find(links_.begin(), links_.end(), link) == links_.end()) continue;
    if (link->OnChange) link->OnChange(this);
  }
  if (OnChange) OnChange(this);
}

}  // namespace plat
