// The image edit control's interface: its one dispatch table, the validated
// setters (a refused value raises 380 and keeps the old one), the design-mode
// guard of the image information, persistence, the predefined strings of the
// property browser, the face and the about box.
#include "image_edit_ctrl.h"

#include <cstdio>

#include "module_resources.h"
#include "edit_type_library.h"
#include "plat/ctl/about_box.h"
#include "plat/ctl/value_checks.h"
#include "plat/dialog.h"
#include "plat/resources.h"
#include "plat/user.h"
#include "prop_pages.h"

namespace ondavel {

using namespace plat;

namespace {

// The values each property with predefined strings lists, and the base of
// their names' string ids.
struct PredefinedList {
  DISPID id;
  UINT names;
  std::initializer_list<int16_t> values;
};
const PredefinedList kPredefinedLists[] = {
    {kDispPcdSelectColorDepth, kStringColorDepthNames,
     {qrvColor16, qrvColor256, qrvColorGrayscale, qrvColorRGB}},
    {kDispSaveMediaFormat, kStringMediaFormatNames, {qrvFileBMP, qrvFileTIFF, qrvFileJPEG, qrvFilePCX, qrvFilePNG}},
    {kDispTwainColorDepth, kStringColorDepthNames,
     {qrvColorDefault, qrvColorBitmap, qrvColor16, qrvColor256, qrvColorGrayscale, qrvColorRGB}},
};

const PredefinedList* FindPredefinedList(DISPID id) {
  for (const PredefinedList& list : kPredefinedLists) {
    if (list.id == id) return &list;
  }
  return nullptr;
}

}  // namespace

CQRVNImgEditCtrl::CQRVNImgEditCtrl() : binding_(std::make_unique<ImageLibraryBinding>()) {
  SetInitialSize(320, 240);
  view_.SetWindowOwner(this);
}

CQRVNImgEditCtrl::~CQRVNImgEditCtrl() {
  ClearViewImage();
  if (HasView()) view_.DestroyWindow();
  scanner_.reset();
  photo_disc_.reset();
  callback_window_.reset();
  for (HGLOBAL* image : {&current_image_, &display_copy_, &base_image_, &undo_image_}) {
    if (*image != 0) GlobalFree(*image);
    *image = 0;
  }
  binding_.reset();
}

const DispatchMap<CQRVNImgEditCtrl>& CQRVNImgEditCtrl::Map() {
  using C = CQRVNImgEditCtrl;
  static const DispatchMap<C> map{
      "_DImageEdit",
      kDImageEditIid,
      {
          // ---- Properties ------------------------------------------------------------------
          Member(kDispShowUI, "ShowUI", VT_BOOL, &C::show_ui_, &C::OnMemberChanged<kDispShowUI>),
          Member(kDispTwainAutoFeeder, "TwainAutoFeeder", VT_BOOL, &C::twain_auto_feeder_,
                 &C::OnMemberChanged<kDispTwainAutoFeeder>),
          Member(kDispTwainSelectSourceName, "TwainSelectSourceName", VT_BSTR, &C::twain_select_source_name_,
                 &C::OnMemberChanged<kDispTwainSelectSourceName>),
          Member(kDispPcdPath, "PcdPath", VT_BSTR, &C::pcd_path_, &C::OnMemberChanged<kDispPcdPath>),
          Member(kDispFillingColor, "FillingColor", VT_I4, &C::filling_color_,
                 &C::OnMemberChanged<kDispFillingColor>),
          Member(kDispAspectRatio, "AspectRatio", VT_BOOL, &C::aspect_ratio_, &C::OnMemberChanged<kDispAspectRatio>),
          Member(kDispInputFileName, "InputFileName", VT_BSTR, &C::input_file_name_,
                 &C::OnMemberChanged<kDispInputFileName>),
          Member(kDispAutoColorDecrease, "AutoColorDecrease", VT_BOOL, &C::auto_color_decrease_,
                 &C::OnAutoColorDecreaseChanged),
          Property(kDispImageTotalPage, "ImageTotalPage", VT_I2, &C::GetImageTotalPage, nullptr),
          Property(kDispTwainSourceCount, "TwainSourceCount", VT_I2, &C::GetTwainSourceCount, nullptr),
          Property(kDispPcdImageCount, "PcdImageCount", VT_I2, &C::GetPcdImageCount, nullptr),
          Property(kDispPcdColorDepthCount, "PcdColorDepthCount", VT_I2, &C::GetPcdColorDepthCount, nullptr),
          Property(kDispPcdDataSizeCount, "PcdDataSizeCount", VT_I2, &C::GetPcdDataSizeCount, nullptr),
          Property(kDispHorzPos, "HorzPos", VT_I4, &C::GetHorzPos, &C::SetHorzPos),
          Property(kDispImageSelectPage, "ImageSelectPage", VT_I2, &C::GetImageSelectPage, &C::SetImageSelectPage),
          Property(kDispInputSrcHeight, "InputSrcHeight", VT_R4, &C::GetInputSrcHeight, &C::SetInputSrcHeight),
          Property(kDispInputSrcLeft, "InputSrcLeft", VT_R4, &C::GetInputSrcLeft, &C::SetInputSrcLeft),
          Property(kDispInputSrcTop, "InputSrcTop", VT_R4, &C::GetInputSrcTop, &C::SetInputSrcTop),
          Property(kDispInputSrcUnit, "InputSrcUnit", VT_I4, &C::GetInputSrcUnit, &C::SetInputSrcUnit),
          Property(kDispInputSrcWidth, "InputSrcWidth", VT_R4, &C::GetInputSrcWidth, &C::SetInputSrcWidth),
          Property(kDispInterpolation, "Interpolation", VT_I4, &C::GetInterpolation, &C::SetInterpolation),
          Property(kDispMorphology, "Morphology", VT_I4, &C::GetMorphology, &C::SetMorphology),
          Property(kDispPcdSelectColorDepth, "PcdSelectColorDepth", VT_I4, &C::GetPcdSelectColorDepth,
                   &C::SetPcdSelectColorDepth),
          Property(kDispPcdSelectDataSize, "PcdSelectDataSize", VT_I4, &C::GetPcdSelectDataSize,
                   &C::SetPcdSelectDataSize),
          Property(kDispPcdSelectImageNo, "PcdSelectImageNo", VT_I2, &C::GetPcdSelectImageNo,
                   &C::SetPcdSelectImageNo),
          Property(kDispSaveCompression, "SaveCompression", VT_I4, &C::GetSaveCompression, &C::SetSaveCompression),
          Property(kDispSaveInterlacedImage, "SaveInterlacedImage", VT_I4, &C::GetSaveInterlacedImage,
                   &C::SetSaveInterlacedImage),
          Property(kDispSaveMediaFormat, "SaveMediaFormat", VT_I4, &C::GetSaveMediaFormat, &C::SetSaveMediaFormat),
          Property(kDispSaveQuality, "SaveQuality", VT_I2, &C::GetSaveQuality, &C::SetSaveQuality),
          Property(kDispThreshold, "Threshold", VT_I2, &C::GetThreshold, &C::SetThreshold),
          Property(kDispTwainColorDepth, "TwainColorDepth", VT_I4, &C::GetTwainColorDepth, &C::SetTwainColorDepth),
          Property(kDispTwainPaperSize, "TwainPaperSize", VT_I4, &C::GetTwainPaperSize, &C::SetTwainPaperSize),
          Property(kDispTwainResolution, "TwainResolution", VT_I2, &C::GetTwainResolution, &C::SetTwainResolution),
          Property(kDispZoom, "Zoom", VT_I2, &C::GetZoom, &C::SetZoom),
          Property(kDispVertPos, "VertPos", VT_I4, &C::GetVertPos, &C::SetVertPos),
          Property(kDispInputSource, "InputSource", VT_I4, &C::GetInputSource, &C::SetInputSource),
          Property(kDispImageWidth, "ImageWidth", VT_I4, &C::GetImageWidth, nullptr),
          Property(kDispImageHeight, "ImageHeight", VT_I4, &C::GetImageHeight, nullptr),
          Property(kDispColorDepth, "ColorDepth", VT_I4, &C::GetColorDepth, nullptr),
          Property(kDispCompression, "Compression", VT_I4, &C::GetCompression, nullptr),
          Property(kDispMediaFormat, "MediaFormat", VT_I4, &C::GetMediaFormat, nullptr),
          Property(kDispInterlacedImage, "InterlacedImage", VT_I4, &C::GetInterlacedImage, nullptr),
          Property(kDispColorReduction, "ColorReduction", VT_I4, &C::GetColorReduction, &C::SetColorReduction),
          IndexedGet(kDispTwainSourceName, "TwainSourceName", VT_BSTR, VT_I2, &C::GetTwainSourceName),
          IndexedGet(kDispPcdColorDepth, "PcdColorDepth", VT_I2, VT_I2, &C::GetPcdColorDepth),
          IndexedGet(kDispPcdDataSize, "PcdDataSize", VT_I4, VT_I2, &C::GetPcdDataSize),
          Property(kDispImageSelectedPage, "ImageSelectedPage", VT_I2, &C::GetImageSelectedPage, nullptr),
          Property(kDispXResolution, "XResolution", VT_I2, &C::GetXResolution, nullptr),
          Property(kDispYResolution, "YResolution", VT_I2, &C::GetYResolution, nullptr),
          Property(kDispSaveXResolution, "SaveXResolution", VT_I2, &C::GetSaveXResolution, &C::SetSaveXResolution),
          Property(kDispSaveYResolution, "SaveYResolution", VT_I2, &C::GetSaveYResolution, &C::SetSaveYResolution),
          StockBackColor(),
          StockBorderStyle(),
          StockAppearance(),
          // ---- Methods of loading and acquiring ---------------------------------------------
          Method(kDispLoad, "Load", VT_BOOL, {}, &C::Load),
          Method(kDispSelectTwainSource, "SelectTwainSource", VT_BOOL, {}, &C::SelectTwainSource),
          Method(kDispGetErrorCode, "GetErrorCode", VT_I2, {}, &C::GetErrorCode),
          Method(kDispSetMemHandle, "SetMemHandle", VT_BOOL, {{VT_I4, "MemHandle"}, {VT_I4, "MemSize"}},
                 &C::SetMemHandle),
          Method(kDispGetDIB, "GetDIB", VT_I4, {}, &C::GetDIB),
          Method(kDispSetDIB, "SetDIB", VT_BOOL, {{VT_I4, "hDIB"}, {VT_BOOL, "bOwner"}}, &C::SetDIB),
          // BEGIN rows of the editing, processing and saving methods (Save,
          // Delete, the geometry, colour and filter operations, Undo, Reset,
          // the rubber band, Blend, Calculate, GetMemHandle, the TIFF page
          // operations, GetPageCount, the clipboard methods).
          Method(kDispSave, "Save", VT_BOOL, {{VT_BSTR, "lpFileName"}}, &C::Save),
          Method(kDispDelete, "Delete", VT_BOOL, {}, &C::Delete),
          Method(kDispResizeImage, "ResizeImage", VT_BOOL, {{VT_I4, "Width"}, {VT_I4, "Height"}}, &C::ResizeImage),
          Method(kDispRotateArbitrary, "RotateArbitrary", VT_BOOL, {{VT_I2, "Angle"}}, &C::RotateArbitrary),
          Method(kDispRotate, "Rotate", VT_BOOL, {{VT_I2, "Angle"}}, &C::Rotate),
          Method(kDispFlip, "Flip", VT_BOOL, {{VT_I2, "Direction"}}, &C::Flip),
          Method(kDispDistortSkew, "DistortSkew", VT_BOOL, {{VT_I2, "Axis"}, {VT_I2, "Angle"}}, &C::DistortSkew),
          Method(kDispDistortPinch, "DistortPinch", VT_BOOL, {{VT_I2, "Ratio"}}, &C::DistortPinch),
          Method(kDispDistortSphere, "DistortSphere", VT_BOOL, {{VT_I2, "Direction"}, {VT_I2, "Ratio"}},
                 &C::DistortSphere),
          Method(kDispClipRect, "ClipRect", VT_BOOL,
                 {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Width"}, {VT_I4, "Height"}}, &C::ClipRect),
          Method(kDispFillRect, "FillRect", VT_BOOL,
                 {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Width"}, {VT_I4, "Height"}}, &C::FillRect),
          Method(kDispChangeColorDepth, "ChangeColorDepth", VT_BOOL, {{VT_I2, "ColorDepth"}}, &C::ChangeColorDepth),
          Method(kDispInvert, "Invert", VT_BOOL, {}, &C::Invert),
          Method(kDispAdjustBrightness, "AdjustBrightness", VT_BOOL, {{VT_I2, "Brightness"}, {VT_I2, "Contrast"}},
                 &C::AdjustBrightness),
          Method(kDispAdjustColorBalance, "AdjustColorBalance", VT_BOOL,
                 {{VT_I2, "Red"}, {VT_I2, "Green"}, {VT_I2, "Blue"}}, &C::AdjustColorBalance),
          Method(kDispAdjustHue, "AdjustHue", VT_BOOL, {{VT_I2, "Hue"}, {VT_I2, "Saturation"}, {VT_I2, "Lightness"}},
                 &C::AdjustHue),
          Method(kDispAdjustGamma, "AdjustGamma", VT_BOOL, {{VT_I2, "Gamma"}}, &C::AdjustGamma),
          Method(kDispSolarize, "Solarize", VT_BOOL, {}, &C::Solarize),
          Method(kDispEqualize, "Equalize", VT_BOOL, {}, &C::Equalize),
          Method(kDispBlur, "Blur", VT_BOOL, {}, &C::Blur),
          Method(kDispSharpen, "Sharpen", VT_BOOL, {}, &C::Sharpen),
          Method(kDispMedian, "Median", VT_BOOL, {}, &C::Median),
          Method(kDispEmboss, "Emboss", VT_BOOL, {}, &C::Emboss),
          Method(kDispUndo, "Undo", VT_BOOL, {}, &C::Undo),
          Method(kDispReset, "Reset", VT_BOOL, {}, &C::Reset),
          Method(kDispClearRubberBand, "ClearRubberBand", VT_EMPTY, {}, &C::ClearRubberBand),
          Method(kDispSetRubberBand, "SetRubberBand", VT_BOOL,
                 {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Right"}, {VT_I4, "Bottom"}}, &C::SetRubberBand),
          Method(kDispBlend, "Blend", VT_BOOL,
                 {{VT_I2, "Ratio"}, {VT_I4, "DstLeft"}, {VT_I4, "DstTop"}, {VT_I4, "DstWidth"}, {VT_I4, "DstHeight"},
                  {VT_BSTR, "SrcFileName"}, {VT_I4, "SrcLeft"}, {VT_I4, "SrcTop"}},
                 &C::Blend),
          Method(kDispCalculate, "Calculate", VT_BOOL,
                 {{VT_I2, "CalcOption"}, {VT_I4, "DstLeft"}, {VT_I4, "DstTop"}, {VT_I4, "DstWidth"},
                  {VT_I4, "DstHeight"}, {VT_BSTR, "SrcFileName"}, {VT_I4, "SrcLeft"}, {VT_I4, "SrcTop"}},
                 &C::Calculate),
          Method(kDispFindEdges, "FindEdges", VT_BOOL, {}, &C::FindEdges),
          Method(kDispEnhanceEdges, "EnhanceEdges", VT_BOOL, {}, &C::EnhanceEdges),
          Method(kDispGetMemHandle, "GetMemHandle", VT_BOOL,
                 {{VT_BYREF | VT_I4, "MemHandle"}, {VT_BYREF | VT_I4, "MemSize"}}, &C::GetMemHandle),
          Method(kDispDeletePage, "DeletePage", VT_BOOL, {{VT_BSTR, "FileName"}, {VT_I2, "Page"}}, &C::DeletePage),
          Method(kDispReplacePage, "ReplacePage", VT_BOOL, {{VT_BSTR, "FileName"}, {VT_I2, "Page"}},
                 &C::ReplacePage),
          Method(kDispInsertPage, "InsertPage", VT_BOOL, {{VT_BSTR, "FileName"}, {VT_I2, "Page"}}, &C::InsertPage),
          Method(kDispAddPage, "AddPage", VT_BOOL, {{VT_BSTR, "FileName"}}, &C::AddPage),
          Method(kDispGetPageCount, "GetPageCount", VT_I2, {{VT_BSTR, "FileName"}}, &C::GetPageCount),
          Method(kDispCopyToClipboard, "CopyToClipboard", VT_BOOL,
                 {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Width"}, {VT_I4, "Height"}}, &C::CopyToClipboard),
          Method(kDispPasteFromClipboard, "PasteFromClipboard", VT_BOOL, {{VT_I4, "Left"}, {VT_I4, "Top"}},
                 &C::PasteFromClipboard),
          Method(kDispCreateFromClipboard, "CreateFromClipboard", VT_BOOL, {}, &C::CreateFromClipboard),
          // END rows of the editing, processing and saving methods.
          StockRefresh(),
          StockAboutBox(),
      }};
  return map;
}

// The Properties verb shows the five property pages in this order.
std::vector<plat::CLSID> CQRVNImgEditCtrl::GetPropPageIDs() const { return ControlPropertyPages(); }

DispatchBinding CQRVNImgEditCtrl::GetDispatchBinding() { return {Map(), this}; }
const ControlRegistration& CQRVNImgEditCtrl::GetControlRegistration() const { return ImageEditRegistration(); }
const TypeLibInfo& CQRVNImgEditCtrl::GetTypeLib() const { return OndavelTypeLib(); }

// Safe for scripting by untrusted callers and for initialisation from
// untrusted data, supported and enabled.
DWORD CQRVNImgEditCtrl::GetSafetyOptions() const {
  return INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
}

// ---- Properties ------------------------------------------------------------------------

void CQRVNImgEditCtrl::Changed(DISPID id) {
  BoundPropertyChanged(id);
  SetModifiedFlag();
}

void CQRVNImgEditCtrl::Refuse() { ThrowError(CTL_E_INVALIDPROPERTYVALUE); }

void CQRVNImgEditCtrl::RequireUserMode() {
  if (!AmbientUserMode()) GetNotSupported();
}

#define ONDAVEL_VALIDATED_SETTER(Name, type, field, id, check) \
  void CQRVNImgEditCtrl::Set##Name(type value) {               \
    if (!(check)) Refuse();                                    \
    field = static_cast<decltype(field)>(value);               \
    Changed(id);                                               \
  }

ONDAVEL_VALIDATED_SETTER(HorzPos, int32_t, horz_pos_, kDispHorzPos,
                         IsOneOf(value, {qrvHorzPosCenter, qrvHorzPosLeft, qrvHorzPosRight}))
ONDAVEL_VALIDATED_SETTER(ImageSelectPage, short, image_select_page_, kDispImageSelectPage, value >= 1)
ONDAVEL_VALIDATED_SETTER(InputSrcHeight, float, input_src_height_, kDispInputSrcHeight, value >= 0.0f)
ONDAVEL_VALIDATED_SETTER(InputSrcLeft, float, input_src_left_, kDispInputSrcLeft, value >= 0.0f)
ONDAVEL_VALIDATED_SETTER(InputSrcTop, float, input_src_top_, kDispInputSrcTop, value >= 0.0f)
ONDAVEL_VALIDATED_SETTER(InputSrcUnit, int32_t, input_src_unit_, kDispInputSrcUnit,
                         InRange(value, qrvUnitPixel, qrvUnitCentimeter))
ONDAVEL_VALIDATED_SETTER(InputSrcWidth, float, input_src_width_, kDispInputSrcWidth, value >= 0.0f)
ONDAVEL_VALIDATED_SETTER(Interpolation, int32_t, interpolation_, kDispInterpolation,
                         InRange(value, qrvInterNearest, qrvInterConvolution))
ONDAVEL_VALIDATED_SETTER(Morphology, int32_t, morphology_, kDispMorphology,
                         InRange(value, qrvMorphologyNone, qrvMorphologyOff))
ONDAVEL_VALIDATED_SETTER(PcdSelectColorDepth, int32_t, pcd_select_color_depth_, kDispPcdSelectColorDepth,
                         IsOneOf(value, {qrvColor16, qrvColor256, qrvColorGrayscale, qrvColorRGB}))
ONDAVEL_VALIDATED_SETTER(PcdSelectDataSize, int32_t, pcd_select_data_size_, kDispPcdSelectDataSize,
                         InRange(value, qrvPcdResBaseOver64, qrvPcdRes64Base))
ONDAVEL_VALIDATED_SETTER(PcdSelectImageNo, short, pcd_select_image_no_, kDispPcdSelectImageNo, value >= 1)
ONDAVEL_VALIDATED_SETTER(SaveCompression, int32_t, save_compression_, kDispSaveCompression,
                         value == qrvCompNone || value == qrvCompRLE || InRange(value, qrvCompPackbits, qrvCompMMR))
ONDAVEL_VALIDATED_SETTER(SaveInterlacedImage, int32_t, save_interlaced_image_, kDispSaveInterlacedImage,
                         InRange(value, qrvInterlaceNone, qrvInterlaced))
ONDAVEL_VALIDATED_SETTER(SaveMediaFormat, int32_t, save_media_format_, kDispSaveMediaFormat,
                         IsOneOf(value, {qrvFileBMP, qrvFileTIFF, qrvFileJPEG, qrvFilePCX, qrvFilePNG}))
ONDAVEL_VALIDATED_SETTER(SaveQuality, short, save_quality_, kDispSaveQuality, InRange(value, 1, 10))
ONDAVEL_VALIDATED_SETTER(Threshold, short, threshold_, kDispThreshold, InRange(value, 0, 255))
ONDAVEL_VALIDATED_SETTER(TwainColorDepth, int32_t, twain_color_depth_, kDispTwainColorDepth,
                         IsOneOf(value, {qrvColorDefault, qrvColorBitmap, qrvColor16, qrvColor256, qrvColorGrayscale,
                                         qrvColorRGB}))
ONDAVEL_VALIDATED_SETTER(TwainPaperSize, int32_t, twain_paper_size_, kDispTwainPaperSize,
                         InRange(value, qrvSizeDefault, qrvSizeLandPostcard))
ONDAVEL_VALIDATED_SETTER(TwainResolution, short, twain_resolution_, kDispTwainResolution, value >= 0)
ONDAVEL_VALIDATED_SETTER(VertPos, int32_t, vert_pos_, kDispVertPos, InRange(value, qrvVertPosCenter, qrvVertPosBottom))
ONDAVEL_VALIDATED_SETTER(InputSource, int32_t, input_source_, kDispInputSource,
                         InRange(value, qrvSrcFile, qrvSrcPhotoCD))
ONDAVEL_VALIDATED_SETTER(ColorReduction, int32_t, color_reduction_, kDispColorReduction,
                         InRange(value, qrvReductionDiffusion, qrvReductionThreshold))
ONDAVEL_VALIDATED_SETTER(SaveXResolution, short, save_x_resolution_, kDispSaveXResolution, value >= 0)
ONDAVEL_VALIDATED_SETTER(SaveYResolution, short, save_y_resolution_, kDispSaveYResolution, value >= 0)

#undef ONDAVEL_VALIDATED_SETTER

// The view follows the zoom at once.
void CQRVNImgEditCtrl::SetZoom(short value) {
  if (!InRange(value, kZoomMin, kZoomMax)) Refuse();
  zoom_ = value;
  if (HasView()) view_.SetViewZoom(zoom_);
  Changed(kDispZoom);
}

int32_t CQRVNImgEditCtrl::GetImageWidth() {
  RequireUserMode();
  return image_width_;
}
int32_t CQRVNImgEditCtrl::GetImageHeight() {
  RequireUserMode();
  return image_height_;
}
int32_t CQRVNImgEditCtrl::GetColorDepth() {
  RequireUserMode();
  return color_depth_;
}
int32_t CQRVNImgEditCtrl::GetCompression() {
  RequireUserMode();
  return compression_;
}
int32_t CQRVNImgEditCtrl::GetMediaFormat() {
  RequireUserMode();
  return media_format_;
}
int32_t CQRVNImgEditCtrl::GetInterlacedImage() {
  RequireUserMode();
  return interlaced_image_;
}
short CQRVNImgEditCtrl::GetImageSelectedPage() {
  RequireUserMode();
  return image_selected_page_;
}
short CQRVNImgEditCtrl::GetXResolution() {
  RequireUserMode();
  return x_resolution_;
}
short CQRVNImgEditCtrl::GetYResolution() {
  RequireUserMode();
  return y_resolution_;
}

// With a current image the display copy is rebuilt for the new setting.
void CQRVNImgEditCtrl::OnAutoColorDecreaseChanged() {
  if (current_image_ != 0) {
    ClearViewImage();
    FreeDisplayCopy();
    ShowCurrentImage();
  }
  Changed(kDispAutoColorDecrease);
}

// ---- Persistence ---------------------------------------------------------------------------

void CQRVNImgEditCtrl::DoPropExchange(CPropExchange* px) {
  ExchangeVersion(px, kPropertyVersion);
  ExchangeStockProps(px);
  PX_Short(px, "SaveMediaFormat", save_media_format_, qrvFileBMP);
  PX_Short(px, "SaveCompression", save_compression_, qrvCompNone);
  PX_Short(px, "SaveInterlacedImage", save_interlaced_image_, qrvInterlaceNone);
  PX_Short(px, "SaveQuality", save_quality_, 2);
  PX_Short(px, "HorzPos", horz_pos_, qrvHorzPosLeft);
  PX_Short(px, "VertPos", vert_pos_, qrvVertPosTop);
  PX_Bool(px, "hAspectRatio", aspect_ratio_, TRUE);
  PX_Short(px, "Interpolation", interpolation_, qrvInterNearest);
  PX_Short(px, "Morphology", morphology_, qrvMorphologyNone);
  PX_Short(px, "ColorReduction", color_reduction_, qrvReductionDiffusion);
  PX_Short(px, "Threshold", threshold_, 127);
  PX_Color(px, "FillingColor", filling_color_, 0xFFFFFF);
  PX_Bool(px, "ShowUI", show_ui_, TRUE);
  PX_Short(px, "ImageSelectPage", image_select_page_, 1);
  PX_String(px, "InputFileName", input_file_name_, "");
  PX_Short(px, "InputSource", input_source_, qrvSrcFile);
  PX_Short(px, "InputSrcUnit", input_src_unit_, qrvUnitPixel);
  PX_Float(px, "InputSrcLeft", input_src_left_, 0.0f);
  PX_Float(px, "InputSrcTop", input_src_top_, 0.0f);
  PX_Float(px, "InputSrcWidth", input_src_width_, 0.0f);
  PX_Float(px, "InputSrcHeight", input_src_height_, 0.0f);
  PX_Bool(px, "TwainAutoFeeder", twain_auto_feeder_, FALSE);
  PX_Short(px, "TwainResolution", twain_resolution_, 0);
  PX_Short(px, "TwainColorDepth", twain_color_depth_, qrvColorDefault);
  PX_String(px, "TwainSelectSourceName", twain_select_source_name_, "");
  PX_Short(px, "TwainPaperSize", twain_paper_size_, qrvSizeDefault);
  PX_Short(px, "PcdSelectColorDepth", pcd_select_color_depth_, qrvColorRGB);
  PX_Short(px, "PcdSelectDataSize", pcd_select_data_size_, qrvPcdResBase);
  PX_String(px, "PcdPath", pcd_path_, "");
  PX_Short(px, "PcdSelectImageNo", pcd_select_image_no_, 1);
  PX_Bool(px, "AutoColorDecrease", auto_color_decrease_, TRUE);
  PX_Short(px, "Zoom", zoom_, 100);
  if (px->GetVersion() >= kPropertyVersion) {
    PX_Short(px, "SaveXResolution", save_x_resolution_, 0);
    PX_Short(px, "SaveYResolution", save_y_resolution_, 0);
  } else {
    save_x_resolution_ = 0;
    save_y_resolution_ = 0;
  }
  if (px->IsLoading() && HasView()) view_.SetViewZoom(zoom_);
}

// ---- Predefined strings ----------------------------------------------------------------------

BOOL CQRVNImgEditCtrl::OnGetPredefinedStrings(DISPID id, std::vector<CString>* strings,
                                              std::vector<DWORD>* cookies) {
  const PredefinedList* list = FindPredefinedList(id);
  if (list == nullptr) return FALSE;
  for (int16_t value : list->values) {
    char name[64] = {};
    LoadString(OndavelResources(), list->names + static_cast<UINT>(value), name, sizeof name);
    char text[96];
    std::snprintf(text, sizeof text, "%d - %s", value, name);
    strings->push_back(text);
    cookies->push_back(static_cast<DWORD>(value));
  }
  return TRUE;
}

BOOL CQRVNImgEditCtrl::OnGetPredefinedValue(DISPID id, DWORD cookie, Variant* value) {
  const PredefinedList* list = FindPredefinedList(id);
  if (list == nullptr) return FALSE;
  for (int16_t listed : list->values) {
    if (static_cast<DWORD>(listed) == cookie) {
      *value = Variant(listed);
      return TRUE;
    }
  }
  return FALSE;
}

// ---- Face, refresh, about box ------------------------------------------------------------------

void CQRVNImgEditCtrl::OnDraw(CDC* dc, const CRect& bounds, const CRect&) {
  dc->FillSolidRect(&bounds, TranslateColor(GetBackColor()));
}

void CQRVNImgEditCtrl::OnRefresh() {
  if (HasView()) view_.InvalidateRect(nullptr, FALSE);
  if (m_hWnd == nullptr) return;
  InvalidateControl();
  UpdateWindow();
}

void CQRVNImgEditCtrl::OnBackColorChanged() {
  if (!HasView()) return;
  view_.SetViewBackColor(TranslateColor(GetBackColor()));
  view_.InvalidateRect(nullptr, TRUE);
}

void CQRVNImgEditCtrl::OnAmbientPropertyChange(DISPID id) {
  if (id != DISPID_AMBIENT_PALETTE && id != DISPID_UNKNOWN) return;
  if (HPALETTE palette = AmbientPalette(); palette != nullptr) {
    ambient_palette_ = palette;
    view_.SetAmbientPalette(palette);
  }
}

void CQRVNImgEditCtrl::AboutBox() {
  ComPtr<IUnknown> hold = KeepAlive();
  ShowAboutBox(OndavelResources(), kAboutBoxId, kAboutIconItem, kPageIconId, GetOwnerWindow());
}

}  // namespace ondavel
