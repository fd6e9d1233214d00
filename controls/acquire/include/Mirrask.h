// Mirrask, the auto-acquire control: what a host needs to create it by its
// class or ProgID, to call its members by dispatch id and to connect to its
// events. The enumeration and error values are those of the shared
// acquisition constants, included here.
#ifndef MIRRASK_H_
#define MIRRASK_H_

#include "plat/acquire/acquire_constants.h"
#include "plat/oleaut/dispatch.h"
#include "plat/oleaut/guid.h"

namespace mirrask {

// Type library MirraskLib 1.0, coclass ImageAcquire and its two interfaces.
inline constexpr plat::GUID kMirraskLibId{0x5C1D7A10, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x01}};
inline constexpr plat::CLSID kImageAcquireClsid{
    0x5C1D7A11, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x02}};
inline constexpr plat::IID kDImageAcquireIid{0x5C1D7A12, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x03}};
inline constexpr plat::IID kDImageAcquireEventsIid{
    0x5C1D7A13, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x04}};
inline constexpr const char kImageAcquireProgId[] = "Mirrask.ImgAcquire.1";
inline constexpr const char kMirraskModuleName[] = "libMirrask.so";

// _DImageAcquire. Enumerations travel as 32-bit integers, shorts as 16-bit
// integers, BOOL as the automation boolean, colours as 32-bit integers.
enum ImageAcquireDispid : plat::DISPID {
  kDispAspectRatio = 1,
  kDispFillingColor = 2,
  kDispSaveDataPath = 3,
  kDispShowUI = 4,
  kDispTwainAutoFeeder = 5,
  kDispTwainSourceName = 6,
  kDispPcdPath = 7,
  kDispFileNameFormat = 8,
  kDispAutoSave = 9,
  kDispColorDepth = 10,
  kDispCompression = 11,
  kDispImageHeight = 12,
  kDispImageWidth = 13,
  kDispInputSource = 14,
  kDispMediaFormat = 15,
  kDispQuality = 16,
  kDispRotation = 17,
  kDispInterlacedImage = 18,
  kDispPcdDataSize = 19,
  kDispSrcRectUnit = 20,
  kDispSrcLeft = 21,
  kDispSrcTop = 22,
  kDispSrcWidth = 23,
  kDispSrcHeight = 24,
  kDispTwainPaperSize = 25,
  kDispInitialNumber = 26,
  kDispAcquireCount = 27,
  kDispAcquireStartNo = 28,
  kDispAcquiredCount = 29,
  kDispTwainResolution = 30,
  kDispSelectTwainSource = 31,
  kDispCancel = 32,
  kDispAcquireImages = 33,
  kDispGetErrorCode = 34,
  kDispGetMemHandle = 35,
  kDispMultiPage = 36,
  kDispXResolution = 37,
  kDispYResolution = 38,
  kDispGetDIB = 39,
  kDispAboutBox = -552,
};

// _DImageAcquireEvents.
enum ImageAcquireEventDispid : plat::DISPID {
  kEventAcquireNotify = 1,   // (long DataNo, short Status)
  kEventFileSaveNotify = 2,  // (long DataNo, BSTR FileName, BOOL Success)
};

}  // namespace mirrask

#endif  // MIRRASK_H_
