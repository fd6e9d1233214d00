// TPicture over one graphic, a bitmap or an icon; never without one.
#include "plat/forms/picture.h"

#include <algorithm>
#include <cctype>

#include "plat/forms/exceptions.h"

namespace plat {

namespace {

// An empty graphic of `source`'s kind.
std::unique_ptr<TGraphic> NewGraphicLike(const TGraphic* source) {
  if (dynamic_cast<const TIcon*>(source) != nullptr) return std::make_unique<TIcon>();
  return std::make_unique<TBitmap>();
}

}  // namespace

TPicture::TPicture() { Install(std::make_unique<TBitmap>(), false); }

TPicture::~TPicture() { graphic_->OnChange = nullptr; }

void TPicture::Install(std::unique_ptr<TGraphic> graphic, bool notify) {
  if (graphic_) graphic_->OnChange = nullptr;
  graphic_ = std::move(graphic);
  graphic_->OnChange = [this](TObject* sender) { Changed(sender); };
  if (notify) Changed(graphic_.get());
}

void TPicture::Assign(const TPersistent* source) {
  if (source == nullptr) {
    Install(std::make_unique<TBitmap>(), true);
    return;
  }
  if (const auto* picture = dynamic_cast<const TPicture*>(source)) {
    if (picture != this) Assign(picture->graphic_.get());
    return;
  }
  const auto* graphic = dynamic_cast<const TGraphic*>(source);
  if (graphic == nullptr) {
    TPersistent::Assign(source);  // raises
    return;
  }
  if (graphic == graphic_.get()) return;
  std::unique_ptr<TGraphic> copy = NewGraphicLike(graphic);
  copy->Assign(graphic);
  Install(std::move(copy), true);
}

TGraphic* TPicture::Graphic() const { return graphic_->Empty() ? nullptr : graphic_.get(); }

TBitmap* TPicture::Bitmap() {
  if (dynamic_cast<TBitmap*>(graphic_.get()) == nullptr) Install(std::make_unique<TBitmap>(), true);
  return static_cast<TBitmap*>(graphic_.get());
}

TIcon* TPicture::Icon() {
  if (dynamic_cast<TIcon*>(graphic_.get()) == nullptr) Install(std::make_unique<TIcon>(), true);
  return static_cast<TIcon*>(graphic_.get());
}

void TPicture::LoadFromFile(const std::string& file_name) {
  const size_t dot = file_name.find_last_of("./");
  std::string extension = dot != std::string::npos && file_name[dot] == '.' ? file_name.substr(dot) : "";
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::unique_ptr<TGraphic> graphic;
  if (extension == ".bmp" || extension == ".dib") {
    graphic = std::make_unique<TBitmap>();
  } else if (extension == ".ico") {
    graphic = std::make_unique<TIcon>();
  } else {
    throw EInvalidGraphic("Unknown picture file extension (" + extension + ")");
  }
  graphic->LoadFromFile(file_name);  // the picture stays as it was on every error
  Install(std::move(graphic), true);
}

void TPicture::Changed(TObject*) {
  if (OnChange) OnChange(this);
}

}  // namespace plat
