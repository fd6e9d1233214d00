// TPicture: the picture a control shows, a bitmap or an icon. Graphic()
// gives it while it has pixels; Bitmap() and Icon() give it as that kind,
// putting an empty one of the kind in place of another (so a caller can size
// and draw on the bitmap). OnChange fires for every change of the picture
// or its pixels.
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

  // The graphic, null while the picture is empty.
  TGraphic* Graphic() const;
  // Copies `graphic` in (null empties the picture).
  void SetGraphic(const TGraphic* graphic) { Assign(graphic); }
  TBitmap* Bitmap();
  void SetBitmap(const TBitmap* bitmap) { Assign(bitmap); }
  TIcon* Icon();
  void SetIcon(const TIcon* icon) { Assign(icon); }
  int Width() const { return graphic_->Width(); }
  int Height() const { return graphic_->Height(); }
  // The kind by the extension: ".bmp" and ".dib" bitmaps, ".ico" icons;
  // another raises EInvalidGraphic. On an error the picture is unchanged.
  void LoadFromFile(const std::string& file_name);
  void SaveToFile(const std::string& file_name) { graphic_->SaveToFile(file_name); }

  TNotifyEvent OnChange;

 private:
  // Puts `graphic` in place of the current one; OnChange fires when `notify`.
  void Install(std::unique_ptr<TGraphic> graphic, bool notify);
  void Changed(TObject* sender);
  std::unique_ptr<TGraphic> graphic_;
};

}  // namespace plat

#endif  // PLAT_FORMS_PICTURE_H_
