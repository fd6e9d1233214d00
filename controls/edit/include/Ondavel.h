// Ondavel, the image edit control: what a host needs to create it by its
// class or ProgID, to call its members by dispatch id and to connect to its
// events. The shared enumeration and error values come from the acquisition
// constants; the values only this control has are in the control's own
// constants header.
#ifndef ONDAVEL_H_
#define ONDAVEL_H_

#include "plat/acquire/acquire_constants.h"
#include "plat/oleaut/dispatch.h"
#include "plat/oleaut/guid.h"

namespace ondavel {

// Type library OndavelLib 1.0, coclass ImageEdit and its two interfaces.
inline constexpr plat::GUID kOndavelLibId{0x6B3F1C20, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x01}};
inline constexpr plat::CLSID kImageEditClsid{
    0x6B3F1C21, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x02}};
inline constexpr plat::IID kDImageEditIid{0x6B3F1C22, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x03}};
inline constexpr plat::IID kDImageEditEventsIid{
    0x6B3F1C23, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x04}};
inline constexpr const char kImageEditProgId[] = "Ondavel.ImgEdit.1";
inline constexpr const char kOndavelModuleName[] = "libOndavel.so";

// _DImageEdit. Enumerations travel as 32-bit integers, shorts as 16-bit
// integers, BOOL as the automation boolean, colours and handles as 32-bit
// integers, the four source-area values as 32-bit floats.
enum ImageEditDispid : plat::DISPID {
  // Properties.
  kDispShowUI = 1,
  kDispTwainAutoFeeder = 2,
  kDispTwainSelectSourceName = 3,
  kDispPcdPath = 4,
  kDispFillingColor = 5,
  kDispAspectRatio = 6,
  kDispInputFileName = 7,
  kDispAutoColorDecrease = 8,
  kDispImageTotalPage = 9,
  kDispTwainSourceCount = 10,
  kDispPcdImageCount = 11,
  kDispPcdColorDepthCount = 12,
  kDispPcdDataSizeCount = 13,
  kDispHorzPos = 14,
  kDispImageSelectPage = 15,
  kDispInputSrcHeight = 16,
  kDispInputSrcLeft = 17,
  kDispInputSrcTop = 18,
  kDispInputSrcUnit = 19,
  kDispInputSrcWidth = 20,
  kDispInterpolation = 21,
  kDispMorphology = 22,
  kDispPcdSelectColorDepth = 23,
  kDispPcdSelectDataSize = 24,
  kDispPcdSelectImageNo = 25,
  kDispSaveCompression = 26,
  kDispSaveInterlacedImage = 27,
  kDispSaveMediaFormat = 28,
  kDispSaveQuality = 29,
  kDispThreshold = 30,
  kDispTwainColorDepth = 31,
  kDispTwainPaperSize = 32,
  kDispTwainResolution = 33,
  kDispZoom = 34,
  kDispVertPos = 35,
  kDispInputSource = 36,
  kDispImageWidth = 37,
  kDispImageHeight = 38,
  kDispColorDepth = 39,
  kDispCompression = 40,
  kDispMediaFormat = 41,
  kDispInterlacedImage = 42,
  kDispColorReduction = 43,
  kDispTwainSourceName = 80,  // indexed
  kDispPcdColorDepth = 81,    // indexed
  kDispPcdDataSize = 82,      // indexed
  kDispImageSelectedPage = 83,
  kDispXResolution = 89,
  kDispYResolution = 90,
  kDispSaveXResolution = 91,
  kDispSaveYResolution = 92,
  // Methods.
  kDispLoad = 44,
  kDispSave = 45,
  kDispDelete = 46,
  kDispResizeImage = 47,
  kDispRotateArbitrary = 48,
  kDispRotate = 49,
  kDispFlip = 50,
  kDispDistortSkew = 51,
  kDispDistortPinch = 52,
  kDispDistortSphere = 53,
  kDispClipRect = 54,
  kDispFillRect = 55,
  kDispChangeColorDepth = 56,
  kDispInvert = 57,
  kDispAdjustBrightness = 58,
  kDispAdjustColorBalance = 59,
  kDispAdjustHue = 60,
  kDispAdjustGamma = 61,
  kDispSolarize = 62,
  kDispEqualize = 63,
  kDispBlur = 64,
  kDispSharpen = 65,
  kDispMedian = 66,
  kDispEmboss = 67,
  kDispSelectTwainSource = 68,
  kDispUndo = 69,
  kDispReset = 70,
  kDispClearRubberBand = 71,
  kDispSetRubberBand = 72,
  kDispGetErrorCode = 73,
  kDispBlend = 74,
  kDispCalculate = 75,
  kDispFindEdges = 76,
  kDispEnhanceEdges = 77,
  kDispSetMemHandle = 78,
  kDispGetMemHandle = 79,
  kDispDeletePage = 84,
  kDispReplacePage = 85,
  kDispInsertPage = 86,
  kDispAddPage = 87,
  kDispGetPageCount = 88,
  kDispCopyToClipboard = 93,
  kDispPasteFromClipboard = 94,
  kDispCreateFromClipboard = 95,
  kDispGetDIB = 96,
  kDispSetDIB = 97,
  kDispRefresh = -550,
  kDispAboutBox = -552,
};

// _DImageEditEvents: the three own events (the stock mouse, key and click
// events keep their stock ids).
enum ImageEditEventDispid : plat::DISPID {
  kEventNotifyDraggedRect = 1,   // (long Left, long Top, long Right, long Bottom)
  kEventNotifyDraggingRect = 2,  // (long Left, long Top, long Right, long Bottom)
  kEventNotifyCancelDrag = 3,    // ()
};

}  // namespace ondavel

#endif  // ONDAVEL_H_
