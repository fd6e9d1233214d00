// TPicture over one TBitmap.
#include "plat/forms/picture.h"

namespace plat {

TPicture::TPicture() : bitmap_(std::make_unique<TBitmap>()) {
  bitmap_->OnChange = [this](TObject* sender) { Changed(sender); };
}

TPicture::~TPicture() { bitmap_->OnChange = nullptr; }

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    TBitmap empty;
    bitmap_->Assign(&empty);
    return;
  }
  if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    if (picture != this) bitmap_->Assign(picture->bitmap_.get());
    return;
  }
  bitmap_->Assign(source);
}

TGraphic* TPicture::Graphic() const { return bitmap_->Empty() ? nullptr : bitmap_.get(); }

void TPicture::LoadFromFile(const std::string& file_name) {
  bitmap_->LoadFromFile(file_name);  // the bitmap stays as it was on every error
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

}  // namespace plat
