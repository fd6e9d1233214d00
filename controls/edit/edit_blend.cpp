// Blend and Calculate: the current image combined with a second image read
// from a plain path or a file URL (other URLs give 2110). The second image
// is read into temporary information fields (the control's own describe the
// current image only), brought to the current image's depth, and freed on
// every path.
#include <string>

#include "image_edit_ctrl.h"
#include "input_name.h"

namespace ondavel {

using namespace plat;

HGLOBAL CQRVNImgEditCtrl::MatchSecondImage(HGLOBAL source, int16_t source_depth) {
  if (color_depth_ != qrvColorGrayscale && color_depth_ != qrvColorRGB) {
    (void)GlobalFree(source);
    SetError(qrvErrInvalidColorDepth);
    return 0;
  }
  if (source_depth == color_depth_) return source;
  const HGLOBAL converted = binding_->ChangeDibColorDepth(source, source_depth, color_depth_, color_reduction_, 127);
  if (converted == 0) return source;
  (void)GlobalFree(source);
  return converted;
}

HGLOBAL CQRVNImgEditCtrl::ReadSecondImage(const char* src_file_name) {
  std::string path;
  const int16_t error = ResolveInputName(src_file_name != nullptr ? src_file_name : "", &path);
  if (error != qrvSuccess) {
    SetError(error);
    return 0;
  }
  ImageInfo info;
  const HGLOBAL source = ReadImageFromFile(path.c_str(), 1, &info, false);
  if (source == 0) return 0;
  return MatchSecondImage(source, info.color_depth);
}

BOOL CQRVNImgEditCtrl::Blend(short ratio, int32_t dst_left, int32_t dst_top, int32_t dst_width, int32_t dst_height,
                             const char* src_file_name, int32_t src_left, int32_t src_top) {
  ClearError();
  const HGLOBAL source = ReadSecondImage(src_file_name);
  if (source == 0) return FALSE;
  const HGLOBAL result = binding_->BlendDibs(current_image_, source, ratio * 0.01, color_depth_, dst_left, dst_top,
                                             dst_width, dst_height, src_left, src_top);
  (void)GlobalFree(source);
  return FinishEdit(result);
}

BOOL CQRVNImgEditCtrl::Calculate(short calc_option, int32_t dst_left, int32_t dst_top, int32_t dst_width,
                                 int32_t dst_height, const char* src_file_name, int32_t src_left, int32_t src_top) {
  ClearError();
  const HGLOBAL source = ReadSecondImage(src_file_name);
  if (source == 0) return FALSE;
  const HGLOBAL result = binding_->CalculateDibs(current_image_, source, calc_option, color_depth_, dst_left, dst_top,
                                                 dst_width, dst_height, src_left, src_top);
  (void)GlobalFree(source);
  return FinishEdit(result);
}

}  // namespace ondavel
