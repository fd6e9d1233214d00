// The image edit control's geometry, colour and filter methods. Each one
// clears the error code, runs one wrapper of the image library binding on the
// current image and, only when the wrapper made a new image, makes it current
// with the old image as the undo image; a failure changes nothing but the
// error code.
#include <cstdint>

#include "edit_rect.h"
#include "image_edit_ctrl.h"

namespace ondavel {

using namespace plat;

BOOL CQRVNImgEditCtrl::FinishEdit(HGLOBAL result) {
  if (result == 0) {
    SetBindingError();
    return FALSE;
  }
  ReplaceCurrentImage(result);
  return TRUE;
}

BOOL CQRVNImgEditCtrl::FinishSizedEdit(HGLOBAL result, int32_t width, int32_t height) {
  if (!FinishEdit(result)) return FALSE;
  image_width_ = width;
  image_height_ = height;
  return TRUE;
}

// ---- Geometry ----------------------------------------------------------------------------

BOOL CQRVNImgEditCtrl::ResizeImage(int32_t width, int32_t height) {
  ClearError();
  HGLOBAL result = 0;
  if (aspect_ratio_) {
    // The band around the fitted picture takes FillingColor as a drawing
    // colour, system colours resolved, like every other filled area.
    result = binding_->FitDibIntoBox(current_image_, interpolation_, morphology_, TranslatedFillingColor(),
                                     color_depth_, image_width_, image_height_, width, height, horz_pos_, vert_pos_);
  } else {
    result = binding_->ResizeDibImage(current_image_, width, height, interpolation_, morphology_);
  }
  return FinishSizedEdit(result, width, height);
}

BOOL CQRVNImgEditCtrl::RotateArbitrary(short angle) {
  ClearError();
  int32_t width = image_width_, height = image_height_;
  const HGLOBAL result =
      binding_->RotateDibByAngle(current_image_, angle, TranslatedFillingColor(), color_depth_, &width, &height);
  return FinishSizedEdit(result, width, height);
}

BOOL CQRVNImgEditCtrl::Rotate(short angle) {
  ClearError();
  int32_t width = image_width_, height = image_height_;
  const HGLOBAL result =
      binding_->RotateDibByQuarters(current_image_, angle, TranslatedFillingColor(), color_depth_, &width, &height);
  return FinishSizedEdit(result, width, height);
}

BOOL CQRVNImgEditCtrl::Flip(short direction) {
  ClearError();
  return FinishEdit(binding_->FlipDib(current_image_, direction, 0, 0, image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::DistortSkew(short axis, short angle) {
  ClearError();
  int32_t width = image_width_, height = image_height_;
  const HGLOBAL result =
      binding_->SkewDib(current_image_, axis, angle, TranslatedFillingColor(), color_depth_, &width, &height);
  return FinishSizedEdit(result, width, height);
}

BOOL CQRVNImgEditCtrl::DistortPinch(short ratio) {
  ClearError();
  return FinishEdit(binding_->PinchDib(current_image_, ratio, 0, 0, image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::DistortSphere(short direction, short ratio) {
  ClearError();
  return FinishEdit(binding_->SpherizeDib(current_image_, direction, ratio, 0, 0, image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::ClipRect(int32_t left, int32_t top, int32_t width, int32_t height) {
  ClearError();
  const EditRect r = NormalisedEditRect(left, top, width, height);
  return FinishSizedEdit(
      binding_->ClipDibRect(current_image_, r.left, r.top, r.right, r.bottom, interpolation_, morphology_),
      r.right - r.left, r.bottom - r.top);
}

BOOL CQRVNImgEditCtrl::FillRect(int32_t left, int32_t top, int32_t width, int32_t height) {
  ClearError();
  const EditRect r = NormalisedEditRect(left, top, width, height);
  return FinishEdit(
      binding_->FillDibRect(current_image_, r.left, r.top, r.right, r.bottom, TranslatedFillingColor(), color_depth_));
}

// ---- Colour modes ------------------------------------------------------------------------

BOOL CQRVNImgEditCtrl::ChangeColorDepth(short depth) {
  ClearError();
  HGLOBAL result = 0;
  switch (depth) {
    case qrvColorBitmap:
      result = binding_->ConvertToBitmap(current_image_, color_depth_, color_reduction_, threshold_);
      break;
    case qrvColor16: result = binding_->ConvertTo16Colors(current_image_, color_depth_, color_reduction_); break;
    case qrvColor256: result = binding_->ConvertTo256Colors(current_image_, color_depth_, color_reduction_); break;
    case qrvColorGrayscale: result = binding_->ConvertToGrayscale(current_image_, color_depth_); break;
    case qrvColorRGB: result = binding_->ConvertToRGB(current_image_, color_depth_); break;
    default:
      // No conversion exists for this depth: say so, rather than leave the
      // error code of whatever ran before.
      SetError(qrvErrInvalidParam);
      return FALSE;
  }
  if (!FinishEdit(result)) return FALSE;
  // The undo image took the old depth; the display copy is made again for
  // the new one.
  color_depth_ = depth;
  ClearViewImage();
  FreeDisplayCopy();
  ShowCurrentImage();
  return TRUE;
}

// ---- Point operations and filters ----------------------------------------------------------

BOOL CQRVNImgEditCtrl::RunWholeImageFilter(FilterWrapper wrapper) {
  ClearError();
  return FinishEdit((binding_.get()->*wrapper)(current_image_, color_depth_, 0, 0, image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::Invert() { return RunWholeImageFilter(&ImageLibraryBinding::InvertDib); }
BOOL CQRVNImgEditCtrl::Solarize() { return RunWholeImageFilter(&ImageLibraryBinding::SolarizeDib); }
BOOL CQRVNImgEditCtrl::Equalize() { return RunWholeImageFilter(&ImageLibraryBinding::EqualizeDib); }
BOOL CQRVNImgEditCtrl::Blur() { return RunWholeImageFilter(&ImageLibraryBinding::BlurDib); }
BOOL CQRVNImgEditCtrl::Sharpen() { return RunWholeImageFilter(&ImageLibraryBinding::SharpenDib); }
BOOL CQRVNImgEditCtrl::FindEdges() { return RunWholeImageFilter(&ImageLibraryBinding::FindDibEdges); }
BOOL CQRVNImgEditCtrl::EnhanceEdges() { return RunWholeImageFilter(&ImageLibraryBinding::EnhanceDibEdges); }
BOOL CQRVNImgEditCtrl::Emboss() { return RunWholeImageFilter(&ImageLibraryBinding::EmbossDib); }

BOOL CQRVNImgEditCtrl::Median() {
  ClearError();
  return FinishEdit(binding_->MedianDib(current_image_, 1, color_depth_, 0, 0, image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::AdjustBrightness(short brightness, short contrast) {
  ClearError();
  return FinishEdit(binding_->AdjustDibBrightness(current_image_, color_depth_, brightness, contrast, 0, 0,
                                                  image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::AdjustColorBalance(short red, short green, short blue) {
  ClearError();
  return FinishEdit(binding_->AdjustDibColorBalance(current_image_, color_depth_, 0, red, green, blue, 0, 0,
                                                    image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::AdjustHue(short hue, short saturation, short lightness) {
  ClearError();
  return FinishEdit(binding_->AdjustDibHue(current_image_, color_depth_, hue, saturation, lightness, 0, 0,
                                           image_width_, image_height_));
}

BOOL CQRVNImgEditCtrl::AdjustGamma(short gamma) {
  ClearError();
  return FinishEdit(
      binding_->AdjustDibGamma(current_image_, color_depth_, static_cast<double>(gamma), 0, 0, image_width_,
                               image_height_));
}

}  // namespace ondavel
