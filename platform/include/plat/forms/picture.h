// TPicture: the picture a control shows. The graphics layer has one kind of
// picture, the bitmap, so a picture holds a TBitmap; Graphic() gives it while
// it has pixels, Bitmap() always (making an empty one the caller can size
// and draw on). OnChange fires for every change of the picture or its pixels.
#ifndef PLAT_FORMS_PICTURE_H_
#define PLAT_FORMS_PICTURE_H_

#include <memory>
#include <string>

#include "plat/forms/bitmap.h"

namespace plat {

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;
  // A picture or a graphic (copied); null empties the picture.
  void Assign(const TPersistent* source) override;

  // The bitmap, null while the picture is empty.
  TGraphic* Graphic() const;
  // Copies `graphic` in (null empties the picture).
  void SetGraphic(const TGraphic* graphic) { Assign(graphic); }
  TBitmap* Bitmap() { return bitmap_.get(); }
  void SetBitmap(const TBitmap* bitmap) { Assign(bitmap); }
  int Width() const { return bitmap_->Width(); }
  int Height() const { return bitmap_->Height(); }
  // A BMP file; on an error the picture is unchanged.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) { bitmap_->SaveToFile(file_name); }

  TNotifyEvent OnChange;

 private:
  void Changed(TObject* sender);
  std::unique_ptr<TBitmap> bitmap_;
};

}  // namespace plat

#endif  // PLAT_FORMS_PICTURE_H_
