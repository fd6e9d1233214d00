// TImage: a picture drawn on the parent's canvas where the control lies.
#include <algorithm>

#include "plat/forms/exceptions.h"
#include "plat/forms/extctrls.h"

namespace plat {

TImage::TImage(TComponent* owner) : TGraphicControl(owner), picture_(std::make_unique<TPicture>()) {
  control_style_.Include(csReplicatable);
  SetBounds(0, 0, 105, 105);
  picture_->OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage() { picture_->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  // Drawing on an image would throw away another kind of picture.
  if (picture_->Graphic() != nullptr && dynamic_cast<TBitmap*>(picture_->Graphic()) == nullptr) {
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  }
  TBitmap* bitmap = picture_->Bitmap();
  if (bitmap->Empty()) bitmap->SetSize(std::max(Width(), 1), std::max(Height(), 1));  // white
  return bitmap->Canvas();
}

void TImage::SetStretch(bool is_stretch) {
  if (is_stretch == is_stretch_) return;
  is_stretch_ = is_stretch;
  Invalidate();
}

void TImage::SetCenter(bool is_center) {
  if (is_center == is_center_) return;
  is_center_ = is_center;
  Invalidate();
}

void TImage::SetTransparent(bool is_transparent) {
  if (is_transparent == is_transparent_) return;
  is_transparent_ = is_transparent;
  PictureChanged(this);
}

RECT TImage::DestRect() {
  const int width = picture_->Width();
  const int height = picture_->Height();
  if (is_stretch_) return RECT{0, 0, Width(), Height()};
  if (is_center_) {
    const int left = (Width() - width) / 2;
    const int top = (Height() - height) / 2;
    return RECT{left, top, left + width, top + height};
  }
  return RECT{0, 0, width, height};
}

void TImage::Paint() {
  TGraphic* graphic = picture_->Graphic();
  if (graphic == nullptr) return;
  TGraphicControl::Canvas()->StretchDraw(DestRect(), graphic);
}

bool TImage::CanAutoSize(int& width, int& height) {
  if (picture_->Graphic() == nullptr) return false;
  width = picture_->Width();
  height = picture_->Height();
  return true;
}

void TImage::PictureChanged(TObject*) {
  // The image decides whether its picture is drawn transparent; setting the
  // flag comes back here once and then finds it equal.
  if (TGraphic* graphic = picture_->Graphic(); graphic != nullptr) graphic->SetTransparent(is_transparent_);
  AdjustSize();
  Invalidate();
}

}  // namespace plat
