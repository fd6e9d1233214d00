// The auto-acquire control's interface: its dispatch table, the validated
// setters (a refused value raises 380 and keeps the old one), persistence,
// the face and the about box. Acquisition and saving live in
// acquire_session.cpp and acquire_save.cpp.
#include "acquire_ctrl.h"

#include "acquire_module.h"
#include "control_id_map.h"
#include "face_resources.h"
#include "plat/ctl/about_box.h"
#include "plat/ctl/image_list.h"
#include "plat/ctl/value_checks.h"
#include "plat/dialog.h"
#include "plat/sys_colors.h"
#include "plat/user.h"
#include "prop_pages.h"

namespace mirrask {

using namespace plat;

CQRVBImgAcquireCtrl::CQRVBImgAcquireCtrl() {
  SetInitialSize(28, 28);
  control_id_ = RegisterControlId(this);
}

CQRVBImgAcquireCtrl::~CQRVBImgAcquireCtrl() {
  CloseAcquireSession(qrvSrcTwain, true);
  CloseAcquireSession(qrvSrcPhotoCD, true);
  if (owner_window_ != nullptr) {
    ::plat::DestroyWindow(owner_window_);
    owner_window_ = nullptr;
  }
  UnregisterControlId(control_id_);
}

const DispatchMap<CQRVBImgAcquireCtrl>& CQRVBImgAcquireCtrl::Map() {
  using C = CQRVBImgAcquireCtrl;
  constexpr VARTYPE kByRefLong = VT_BYREF | VT_I4;
  static const DispatchMap<C> map{
      "_DImageAcquire",
      kDImageAcquireIid,
      {
          Member(kDispAspectRatio, "AspectRatio", VT_BOOL, &C::aspect_ratio_, &C::OnMemberChanged<kDispAspectRatio>),
          Member(kDispFillingColor, "FillingColor", VT_I4, &C::filling_color_,
                 &C::OnMemberChanged<kDispFillingColor>),
          Member(kDispSaveDataPath, "SaveDataPath", VT_BSTR, &C::save_data_path_,
                 &C::OnMemberChanged<kDispSaveDataPath>),
          Member(kDispShowUI, "ShowUI", VT_BOOL, &C::show_ui_, &C::OnMemberChanged<kDispShowUI>),
          Member(kDispTwainAutoFeeder, "TwainAutoFeeder", VT_BOOL, &C::twain_auto_feeder_,
                 &C::OnMemberChanged<kDispTwainAutoFeeder>),
          Member(kDispTwainSourceName, "TwainSourceName", VT_BSTR, &C::twain_source_name_,
                 &C::OnMemberChanged<kDispTwainSourceName>),
          Member(kDispPcdPath, "PcdPath", VT_BSTR, &C::pcd_path_, &C::OnMemberChanged<kDispPcdPath>),
          Member(kDispFileNameFormat, "FileNameFormat", VT_BSTR, &C::file_name_format_,
                 &C::OnMemberChanged<kDispFileNameFormat>),
          Member(kDispAutoSave, "AutoSave", VT_BOOL, &C::auto_save_, &C::OnMemberChanged<kDispAutoSave>),
          Property(kDispColorDepth, "ColorDepth", VT_I4, &C::GetColorDepth, &C::SetColorDepth),
          Property(kDispCompression, "Compression", VT_I4, &C::GetCompression, &C::SetCompression),
          Property(kDispImageHeight, "ImageHeight", VT_I4, &C::GetImageHeight, &C::SetImageHeight),
          Property(kDispImageWidth, "ImageWidth", VT_I4, &C::GetImageWidth, &C::SetImageWidth),
          Property(kDispInputSource, "InputSource", VT_I4, &C::GetInputSource, &C::SetInputSource),
          Property(kDispMediaFormat, "MediaFormat", VT_I4, &C::GetMediaFormat, &C::SetMediaFormat),
          Property(kDispQuality, "Quality", VT_I2, &C::GetQuality, &C::SetQuality),
          Property(kDispRotation, "Rotation", VT_I4, &C::GetRotation, &C::SetRotation),
          Property(kDispInterlacedImage, "InterlacedImage", VT_I4, &C::GetInterlacedImage, &C::SetInterlacedImage),
          Property(kDispPcdDataSize, "PcdDataSize", VT_I4, &C::GetPcdDataSize, &C::SetPcdDataSize),
          Property(kDispSrcRectUnit, "SrcRectUnit", VT_I4, &C::GetSrcRectUnit, &C::SetSrcRectUnit),
          Property(kDispSrcLeft, "SrcLeft", VT_R4, &C::GetSrcLeft, &C::SetSrcLeft),
          Property(kDispSrcTop, "SrcTop", VT_R4, &C::GetSrcTop, &C::SetSrcTop),
          Property(kDispSrcWidth, "SrcWidth", VT_R4, &C::GetSrcWidth, &C::SetSrcWidth),
          Property(kDispSrcHeight, "SrcHeight", VT_R4, &C::GetSrcHeight, &C::SetSrcHeight),
          Property(kDispTwainPaperSize, "TwainPaperSize", VT_I4, &C::GetTwainPaperSize, &C::SetTwainPaperSize),
          Property(kDispInitialNumber, "InitialNumber", VT_I4, &C::GetInitialNumber, &C::SetInitialNumber),
          Property(kDispAcquireCount, "AcquireCount", VT_I4, &C::GetAcquireCount, &C::SetAcquireCount),
          Property(kDispAcquireStartNo, "AcquireStartNo", VT_I4, &C::GetAcquireStartNo, &C::SetAcquireStartNo),
          Property(kDispAcquiredCount, "AcquiredCount", VT_I4, &C::GetAcquiredCount, nullptr),
          Property(kDispTwainResolution, "TwainResolution", VT_I2, &C::GetTwainResolution, &C::SetTwainResolution),
          Method(kDispSelectTwainSource, "SelectTwainSource", VT_BOOL, {}, &C::SelectTwainSource),
          Method(kDispCancel, "Cancel", VT_EMPTY, {}, &C::Cancel),
          Method(kDispAcquireImages, "AcquireImages", VT_BOOL, {}, &C::AcquireImages),
          Method(kDispGetErrorCode, "GetErrorCode", VT_I2, {}, &C::GetErrorCode),
          Method(kDispGetMemHandle, "GetMemHandle", VT_BOOL, {{kByRefLong, "MemHandle"}, {kByRefLong, "MemSize"}},
                 &C::GetMemHandle),
          Member(kDispMultiPage, "MultiPage", VT_BOOL, &C::multi_page_, &C::OnMemberChanged<kDispMultiPage>),
          Property(kDispXResolution, "XResolution", VT_I2, &C::GetXResolution, &C::SetXResolution),
          Property(kDispYResolution, "YResolution", VT_I2, &C::GetYResolution, &C::SetYResolution),
          Method(kDispGetDIB, "GetDIB", VT_I4, {}, &C::GetDIB),
          StockAboutBox(),
      }};
  return map;
}

DispatchBinding CQRVBImgAcquireCtrl::GetDispatchBinding() { return {Map(), this}; }
const ControlRegistration& CQRVBImgAcquireCtrl::GetControlRegistration() const { return ImageAcquireRegistration(); }
const TypeLibInfo& CQRVBImgAcquireCtrl::GetTypeLib() const { return MirraskTypeLib(); }

// Safe for scripting by untrusted callers and for initialisation from
// untrusted data, supported and enabled.
// General, save format, scanner, Photo CD, then the stock colour page; the
// framework's Properties verb shows them in this order.
std::vector<CLSID> CQRVBImgAcquireCtrl::GetPropPageIDs() const { return ControlPropertyPages(); }

DWORD CQRVBImgAcquireCtrl::GetSafetyOptions() const {
  return INTERFACESAFE_FOR_UNTRUSTED_CALLER | INTERFACESAFE_FOR_UNTRUSTED_DATA;
}

// ---- Properties --------------------------------------------------------------------

void CQRVBImgAcquireCtrl::Changed(DISPID id) {
  BoundPropertyChanged(id);
  SetModifiedFlag();
}

void CQRVBImgAcquireCtrl::Refuse() { ThrowError(CTL_E_INVALIDPROPERTYVALUE); }

#define MIRRASK_VALIDATED_SETTER(Name, type, field, id, check) \
  void CQRVBImgAcquireCtrl::Set##Name(type value) {            \
    if (!(check)) Refuse();                                    \
    field = static_cast<decltype(field)>(value);               \
    Changed(id);                                               \
  }

MIRRASK_VALIDATED_SETTER(ColorDepth, int32_t, color_depth_, kDispColorDepth,
                         IsOneOf(value, {qrvColorDefault, qrvColorBitmap, qrvColor16, qrvColor256, qrvColorGrayscale,
                                         qrvColorRGB}))
MIRRASK_VALIDATED_SETTER(Compression, int32_t, compression_, kDispCompression,
                         value == qrvCompNone || value == qrvCompRLE || InRange(value, qrvCompPackbits, qrvCompMMR))
MIRRASK_VALIDATED_SETTER(ImageHeight, int32_t, image_height_, kDispImageHeight, value >= 0)
MIRRASK_VALIDATED_SETTER(ImageWidth, int32_t, image_width_, kDispImageWidth, value >= 0)
MIRRASK_VALIDATED_SETTER(InputSource, int32_t, input_source_, kDispInputSource,
                         value == qrvSrcTwain || value == qrvSrcPhotoCD)
MIRRASK_VALIDATED_SETTER(MediaFormat, int32_t, media_format_, kDispMediaFormat,
                         InRange(value, qrvFileBMP, qrvFilePCX) || value == qrvFilePNG)
MIRRASK_VALIDATED_SETTER(Quality, short, quality_, kDispQuality, InRange(value, 1, 10))
MIRRASK_VALIDATED_SETTER(Rotation, int32_t, rotation_, kDispRotation, InRange(value, qrvRotate0, qrvRotate270))
MIRRASK_VALIDATED_SETTER(InterlacedImage, int32_t, interlaced_image_, kDispInterlacedImage,
                         value == qrvInterlaceNone || value == qrvInterlaced)
MIRRASK_VALIDATED_SETTER(PcdDataSize, int32_t, pcd_data_size_, kDispPcdDataSize,
                         InRange(value, qrvPcdResBaseOver64, qrvPcdRes64Base))
MIRRASK_VALIDATED_SETTER(SrcRectUnit, int32_t, src_rect_unit_, kDispSrcRectUnit,
                         InRange(value, qrvUnitPixel, qrvUnitCentimeter))
MIRRASK_VALIDATED_SETTER(SrcLeft, float, src_left_, kDispSrcLeft, value >= 0.0f)
MIRRASK_VALIDATED_SETTER(SrcTop, float, src_top_, kDispSrcTop, value >= 0.0f)
MIRRASK_VALIDATED_SETTER(SrcWidth, float, src_width_, kDispSrcWidth, value >= 0.0f)
MIRRASK_VALIDATED_SETTER(SrcHeight, float, src_height_, kDispSrcHeight, value >= 0.0f)
MIRRASK_VALIDATED_SETTER(TwainPaperSize, int32_t, twain_paper_size_, kDispTwainPaperSize,
                         InRange(value, qrvSizeDefault, qrvSizeLandPostcard))
MIRRASK_VALIDATED_SETTER(InitialNumber, int32_t, initial_number_, kDispInitialNumber, value >= 0)
MIRRASK_VALIDATED_SETTER(AcquireCount, int32_t, acquire_count_, kDispAcquireCount, value >= 0)
MIRRASK_VALIDATED_SETTER(AcquireStartNo, int32_t, acquire_start_no_, kDispAcquireStartNo, value >= 0)
MIRRASK_VALIDATED_SETTER(TwainResolution, short, twain_resolution_, kDispTwainResolution, value >= 0)
MIRRASK_VALIDATED_SETTER(XResolution, short, x_resolution_, kDispXResolution, value >= 0)
MIRRASK_VALIDATED_SETTER(YResolution, short, y_resolution_, kDispYResolution, value >= 0)

#undef MIRRASK_VALIDATED_SETTER

int32_t CQRVBImgAcquireCtrl::GetAcquiredCount() {
  if (!AmbientUserMode()) GetNotSupported();
  return acquired_count_;
}

// ---- Persistence -------------------------------------------------------------------

void CQRVBImgAcquireCtrl::DoPropExchange(CPropExchange* px) {
  ExchangeVersion(px, kPropertyVersion);
  ExchangeStockProps(px);
  PX_Short(px, "MediaFormat", media_format_, qrvFileBMP);
  PX_Short(px, "Compression", compression_, qrvCompNone);
  PX_Short(px, "ColorDepth", color_depth_, qrvColorDefault);
  PX_Short(px, "Quality", quality_, 2);
  PX_Short(px, "InterlacedImage", interlaced_image_, qrvInterlaceNone);
  PX_Long(px, "ImageWidth", image_width_, 0);
  PX_Long(px, "ImageHeight", image_height_, 0);
  PX_Bool(px, "AutoSave", auto_save_, TRUE);
  PX_String(px, "SaveDataPath", save_data_path_, "");
  PX_String(px, "FileNameFormat", file_name_format_, "");
  PX_Long(px, "InitialNumber", initial_number_, 1);
  PX_Bool(px, "AspectRatio", aspect_ratio_, TRUE);
  PX_Color(px, "FillingColor", filling_color_, 0xFFFFFF);
  PX_Short(px, "Rotation", rotation_, qrvRotate0);
  PX_Short(px, "InputSource", input_source_, qrvSrcTwain);
  PX_Bool(px, "ShowUI", show_ui_, FALSE);
  PX_Long(px, "AcquireStartNo", acquire_start_no_, 0);
  PX_Long(px, "AcquireCount", acquire_count_, 0);
  PX_Short(px, "SrcRectUnit", src_rect_unit_, qrvUnitCentimeter);
  PX_Float(px, "SrcLeft", src_left_, 0.0f);
  PX_Float(px, "SrcTop", src_top_, 0.0f);
  PX_Float(px, "SrcWidth", src_width_, 0.0f);
  PX_Float(px, "SrcHeight", src_height_, 0.0f);
  PX_String(px, "PcdPath", pcd_path_, "");
  PX_Short(px, "PcdDataSize", pcd_data_size_, qrvPcdResBase);
  PX_Bool(px, "TwainAutoFeeder", twain_auto_feeder_, FALSE);
  PX_Short(px, "TwainPaperSize", twain_paper_size_, qrvSizeDefault);
  PX_Short(px, "TwainResolution", twain_resolution_, 0);
  PX_String(px, "TwainSourceName", twain_source_name_, "");
  PX_Bool(px, "MultiPage", multi_page_, FALSE);
  PX_Short(px, "XResolution", x_resolution_, 0);
  PX_Short(px, "YResolution", y_resolution_, 0);
}

// ---- Face and about box --------------------------------------------------------------

void CQRVBImgAcquireCtrl::OnDraw(CDC* dc, const CRect& bounds, const CRect&) {
  RECT rect = bounds;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  dc->FillSolidRect(&rect, face);
  DrawEdge(dc->GetSafeHdc(), &rect, EDGE_RAISED, BF_RECT);
  CImageList strip;
  if (!strip.Create(ModuleInstance(), MAKEINTRESOURCE(kFaceStripResource), kFaceStripWidth, 0, kFaceStripMask)) {
    return;
  }
  strip.SetBkColor(face);
  const POINT at{bounds.left + (bounds.Width() - kFaceStripWidth) / 2,
                 bounds.top + (bounds.Height() - kFaceStripWidth) / 2};
  strip.Draw(dc, 0, at, ILD_NORMAL);
}

void CQRVBImgAcquireCtrl::AboutBox() {
  ComPtr<IUnknown> hold = KeepAlive();
  ShowAboutBox(ModuleInstance(), kAboutBoxResource, kAboutIconItem, kIconResource, OwnerWindow());
}

}  // namespace mirrask
