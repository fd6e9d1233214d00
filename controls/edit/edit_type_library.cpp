// OndavelLib 1.0: the shared acquisition enumerations with this control's
// additions (a readable-only format, more colour names, the file source),
// the control's own enumerations, and the event interface.
#include "edit_type_library.h"

#include "image_edit_ctrl.h"

namespace ondavel {
namespace {

using namespace plat;

#define ONDAVEL_CONSTANT(name) \
  { #name, name }

const InterfaceInfo& EventTable() {
  static const InterfaceInfo events{
      "_DImageEditEvents",
      kDImageEditEventsIid,
      {
          Event(kEventNotifyDraggedRect, "NotifyDraggedRect",
                {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Right"}, {VT_I4, "Bottom"}}),
          Event(kEventNotifyDraggingRect, "NotifyDraggingRect",
                {{VT_I4, "Left"}, {VT_I4, "Top"}, {VT_I4, "Right"}, {VT_I4, "Bottom"}}),
          Event(kEventNotifyCancelDrag, "NotifyCancelDrag"),
          StockClick(),
          StockDblClick(),
          StockKeyDown(),
          StockKeyUp(),
          StockMouseDown(),
          StockMouseMove(),
          StockMouseUp(),
      }};
  return events;
}

std::vector<EnumInfo> Enumerations() {
  return {
      {"MediaFormatConstants",
       {ONDAVEL_CONSTANT(qrvFileBMP), ONDAVEL_CONSTANT(qrvFileTIFF), ONDAVEL_CONSTANT(qrvFileJPEG),
        ONDAVEL_CONSTANT(qrvFilePCX), ONDAVEL_CONSTANT(qrvFilePNG), ONDAVEL_CONSTANT(qrvFileZoltra)}},
      {"CompressionConstants",
       {ONDAVEL_CONSTANT(qrvCompNone), ONDAVEL_CONSTANT(qrvCompRLE), ONDAVEL_CONSTANT(qrvCompPackbits),
        ONDAVEL_CONSTANT(qrvCompHuffman), ONDAVEL_CONSTANT(qrvCompMH), ONDAVEL_CONSTANT(qrvCompMR),
        ONDAVEL_CONSTANT(qrvCompMMR)}},
      {"ImageColorConstants",
       {ONDAVEL_CONSTANT(qrvColorBitmap), ONDAVEL_CONSTANT(qrvColor4), ONDAVEL_CONSTANT(qrvColor8),
        ONDAVEL_CONSTANT(qrvColor16), ONDAVEL_CONSTANT(qrvColor32), ONDAVEL_CONSTANT(qrvColor64),
        ONDAVEL_CONSTANT(qrvColor128), ONDAVEL_CONSTANT(qrvColor256), ONDAVEL_CONSTANT(qrvColorGrayscale),
        ONDAVEL_CONSTANT(qrvColor32K), ONDAVEL_CONSTANT(qrvColor64K), ONDAVEL_CONSTANT(qrvColorRGB)}},
      {"InterlaceConstants", {ONDAVEL_CONSTANT(qrvInterlaceNone), ONDAVEL_CONSTANT(qrvInterlaced)}},
      {"InputSourceConstants",
       {ONDAVEL_CONSTANT(qrvSrcFile), ONDAVEL_CONSTANT(qrvSrcTwain), ONDAVEL_CONSTANT(qrvSrcPhotoCD)}},
      {"InputUnitConstants",
       {ONDAVEL_CONSTANT(qrvUnitPixel), ONDAVEL_CONSTANT(qrvUnitInch), ONDAVEL_CONSTANT(qrvUnitCentimeter)}},
      {"TwainPaperSizeConstants",
       {ONDAVEL_CONSTANT(qrvSizeDefault), ONDAVEL_CONSTANT(qrvSizeMaximum), ONDAVEL_CONSTANT(qrvSizeUserDefined),
        ONDAVEL_CONSTANT(qrvSizePortA3), ONDAVEL_CONSTANT(qrvSizePortA4), ONDAVEL_CONSTANT(qrvSizePortA5),
        ONDAVEL_CONSTANT(qrvSizePortB4), ONDAVEL_CONSTANT(qrvSizePortB5), ONDAVEL_CONSTANT(qrvSizeLandA3),
        ONDAVEL_CONSTANT(qrvSizeLandA4), ONDAVEL_CONSTANT(qrvSizeLandA5), ONDAVEL_CONSTANT(qrvSizeLandB4),
        ONDAVEL_CONSTANT(qrvSizeLandB5), ONDAVEL_CONSTANT(qrvSizeLetter), ONDAVEL_CONSTANT(qrvSizeLegal),
        ONDAVEL_CONSTANT(qrvSizePortPostcard), ONDAVEL_CONSTANT(qrvSizeLandPostcard)}},
      {"PcdDataSizeConstants",
       {ONDAVEL_CONSTANT(qrvPcdResBaseOver64), ONDAVEL_CONSTANT(qrvPcdResBaseOver16),
        ONDAVEL_CONSTANT(qrvPcdResBaseOver4), ONDAVEL_CONSTANT(qrvPcdResBase), ONDAVEL_CONSTANT(qrvPcdRes4Base),
        ONDAVEL_CONSTANT(qrvPcdRes16Base), ONDAVEL_CONSTANT(qrvPcdRes64Base)}},
      {"RotateConstants",
       {ONDAVEL_CONSTANT(qrvRotate0), ONDAVEL_CONSTANT(qrvRotate90), ONDAVEL_CONSTANT(qrvRotate180),
        ONDAVEL_CONSTANT(qrvRotate270)}},
      {"CommonConstants", {ONDAVEL_CONSTANT(qrvUnknown)}},
      {"DirectionConstants",
       {ONDAVEL_CONSTANT(qrvDirectionBoth), ONDAVEL_CONSTANT(qrvDirectionHorz), ONDAVEL_CONSTANT(qrvDirectionVert)}},
      {"VertPosConstants",
       {ONDAVEL_CONSTANT(qrvVertPosTop), ONDAVEL_CONSTANT(qrvVertPosCenter), ONDAVEL_CONSTANT(qrvVertPosBottom)}},
      {"HorzPosConstants",
       {ONDAVEL_CONSTANT(qrvHorzPosLeft), ONDAVEL_CONSTANT(qrvHorzPosCenter), ONDAVEL_CONSTANT(qrvHorzPosRight)}},
      {"MorphologyConstants",
       {ONDAVEL_CONSTANT(qrvMorphologyNone), ONDAVEL_CONSTANT(qrvMorphologyOn), ONDAVEL_CONSTANT(qrvMorphologyOff)}},
      {"InterpolationConstants",
       {ONDAVEL_CONSTANT(qrvInterNearest), ONDAVEL_CONSTANT(qrvInterBilinear), ONDAVEL_CONSTANT(qrvInterBSpline),
        ONDAVEL_CONSTANT(qrvInterConvolution)}},
      {"ReductionConstants",
       {ONDAVEL_CONSTANT(qrvReductionDiffusion), ONDAVEL_CONSTANT(qrvReductionPattern),
        ONDAVEL_CONSTANT(qrvReductionNone), ONDAVEL_CONSTANT(qrvReductionThreshold)}},
      {"CalculateConstants",
       {ONDAVEL_CONSTANT(qrvCalcAdd), ONDAVEL_CONSTANT(qrvCalcSubtract), ONDAVEL_CONSTANT(qrvCalcMultiply),
        ONDAVEL_CONSTANT(qrvCalcDivide), ONDAVEL_CONSTANT(qrvCalcOr), ONDAVEL_CONSTANT(qrvCalcAnd),
        ONDAVEL_CONSTANT(qrvCalcNor), ONDAVEL_CONSTANT(qrvCalcNand), ONDAVEL_CONSTANT(qrvCalcXor),
        ONDAVEL_CONSTANT(qrvCalcDarker), ONDAVEL_CONSTANT(qrvCalcLighter), ONDAVEL_CONSTANT(qrvCalcDifference)}},
      {"ErrorConstants",
       {ONDAVEL_CONSTANT(qrvSuccess),
        ONDAVEL_CONSTANT(qrvErrInvalidParam),
        ONDAVEL_CONSTANT(qrvErrInvalidRectValue),
        ONDAVEL_CONSTANT(qrvErrInvalidIndex),
        ONDAVEL_CONSTANT(qrvErrInvalidCompression),
        ONDAVEL_CONSTANT(qrvErrInvalidColorDepth),
        ONDAVEL_CONSTANT(qrvErrInvalidSaveFormat),
        ONDAVEL_CONSTANT(qrvErrSequenceError),
        ONDAVEL_CONSTANT(qrvErrUnsetMediaData),
        ONDAVEL_CONSTANT(qrvErrUserAbort),
        ONDAVEL_CONSTANT(qrvErrAcquireNotComplete),
        ONDAVEL_CONSTANT(qrvErrNotSupportFileFormat),
        ONDAVEL_CONSTANT(qrvErrInvalidFileFormat),
        ONDAVEL_CONSTANT(qrvErrFileNotFound),
        ONDAVEL_CONSTANT(qrvErrFileAlreadyExists),
        ONDAVEL_CONSTANT(qrvErrPathNotFound),
        ONDAVEL_CONSTANT(qrvErrFileLoadIncomplete),
        ONDAVEL_CONSTANT(qrvErrFileIOError),
        ONDAVEL_CONSTANT(qrvErrDiskFull),
        ONDAVEL_CONSTANT(qrvErrClipboardError),
        ONDAVEL_CONSTANT(qrvErrClipboardInvalidFormat),
        ONDAVEL_CONSTANT(qrvErrPrtError),
        ONDAVEL_CONSTANT(qrvErrPrtAppAbort),
        ONDAVEL_CONSTANT(qrvErrPrtUserAbort),
        ONDAVEL_CONSTANT(qrvErrDeviceError),
        ONDAVEL_CONSTANT(qrvErrDeviceNotFound),
        ONDAVEL_CONSTANT(qrvErrDeviceNotInstall),
        ONDAVEL_CONSTANT(qrvErrCDDriveNotFound),
        ONDAVEL_CONSTANT(qrvErrDeviceBusy),
        ONDAVEL_CONSTANT(qrvErrOutofMemory),
        ONDAVEL_CONSTANT(qrvErrSystemError),
        ONDAVEL_CONSTANT(qrvErrSystemNotFound),
        ONDAVEL_CONSTANT(qrvErrTwainDllNotFound),
        ONDAVEL_CONSTANT(qrvErrPcdLibNotFound)}},
  };
}

#undef ONDAVEL_CONSTANT

}  // namespace

const TypeLibInfo& OndavelTypeLib() {
  static const TypeLibInfo lib{
      "OndavelLib",
      kOndavelLibId,
      1,
      0,
      "Ondavel ImageEdit control library",
      {CoClassInfo{"ImageEdit", kImageEditClsid, &CQRVNImgEditCtrl::Map().Info(), &EventTable()}},
      Enumerations(),
  };
  return lib;
}

// No-flicker activation and optimised drawing beside the framework's defaults.
const ControlRegistration& ImageEditRegistration() {
  static const ControlRegistration registration{
      kImageEditClsid, kImageEditProgId, "Ondavel ImageEdit Control",
      OLEMISC_SETCLIENTSITEFIRST | OLEMISC_ACTIVATEWHENVISIBLE | OLEMISC_INSIDEOUT | OLEMISC_CANTLINKINSIDE |
          OLEMISC_RECOMPOSEONRESIZE,
      &CreateControl<CQRVNImgEditCtrl>};
  return registration;
}

}  // namespace ondavel
