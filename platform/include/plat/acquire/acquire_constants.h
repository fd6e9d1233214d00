// The enumerations and error codes that the two acquisition libraries, both
// controls and the scanning program share. Each value exists here only; a
// module that needs more values of its own adds them beside its own code.
#ifndef PLAT_ACQUIRE_ACQUIRE_CONSTANTS_H_
#define PLAT_ACQUIRE_ACQUIRE_CONSTANTS_H_

#include <cstdint>

namespace plat {

enum MediaFormatConstants : int16_t {
  qrvFileBMP = 101,
  qrvFileTIFF = 102,
  qrvFileJPEG = 103,
  qrvFilePCX = 104,
  qrvFilePNG = 106,  // 105 is not a value
};

enum CompressionConstants : int16_t {
  qrvCompNone = 1,
  qrvCompRLE = 101,
  qrvCompPackbits = 202,
  qrvCompHuffman = 203,
  qrvCompMH = 204,
  qrvCompMR = 205,
  qrvCompMMR = 206,
};

enum ImageColorConstants : int16_t {
  qrvColorDefault = 0,
  qrvColorBitmap = 1,     // 1 bit
  qrvColor16 = 4,
  qrvColor256 = 8,
  qrvColorGrayscale = 9,  // 8-bit grey
  qrvColorRGB = 12,       // 24 bit
};

enum InterlaceConstants : int16_t {
  qrvInterlaceNone = 1,
  qrvInterlaced = 2,
};

enum InputSourceConstants : int16_t {
  qrvSrcTwain = 2,
  qrvSrcPhotoCD = 3,
};

enum InputUnitConstants : int16_t {
  qrvUnitPixel = 1,
  qrvUnitInch = 2,
  qrvUnitCentimeter = 3,
};

enum TwainPaperSizeConstants : int16_t {
  qrvSizeDefault = 0,
  qrvSizeMaximum = 1,
  qrvSizeUserDefined = 2,
  qrvSizePortA3 = 3,
  qrvSizePortA4 = 4,
  qrvSizePortA5 = 5,
  qrvSizePortB4 = 6,
  qrvSizePortB5 = 7,
  qrvSizeLandA3 = 8,
  qrvSizeLandA4 = 9,
  qrvSizeLandA5 = 10,
  qrvSizeLandB4 = 11,
  qrvSizeLandB5 = 12,
  qrvSizeLetter = 13,
  qrvSizeLegal = 14,
  qrvSizePortPostcard = 15,
  qrvSizeLandPostcard = 16,
};

// 64x96, 128x192, 256x384, 512x768, 1024x1536, 2048x3072, 4096x6144 pixels.
enum PcdDataSizeConstants : int16_t {
  qrvPcdResBaseOver64 = 1,
  qrvPcdResBaseOver16 = 2,
  qrvPcdResBaseOver4 = 3,
  qrvPcdResBase = 4,
  qrvPcdRes4Base = 5,
  qrvPcdRes16Base = 6,
  qrvPcdRes64Base = 7,
};

enum AcquireStatusConstants : int16_t {
  qrvAcquireSuccess = 1,
  qrvAcquireCancel = 2,
  qrvAcquireAbort = 3,
};

enum RotateConstants : int16_t {
  qrvRotate0 = 0,
  qrvRotate90 = 1,  // clockwise quarter turns
  qrvRotate180 = 2,
  qrvRotate270 = 3,
};

// What GetErrorCode of a control and GetLastErr of an acquisition library return.
enum ErrorConstants : int16_t {
  qrvSuccess = 0,
  qrvErrInvalidParam = 1001,
  qrvErrInvalidRectValue = 1002,
  qrvErrInvalidIndex = 1003,
  qrvErrInvalidCompression = 1010,
  qrvErrInvalidColorDepth = 1011,
  qrvErrInvalidSaveFormat = 1012,
  qrvErrSequenceError = 1100,
  qrvErrUnsetMediaData = 1101,
  qrvErrUserAbort = 1110,
  qrvErrAcquireNotComplete = 1111,
  qrvErrNotSupportFileFormat = 2000,
  qrvErrInvalidFileFormat = 2001,
  qrvErrFileNotFound = 2110,
  qrvErrFileAlreadyExists = 2111,
  qrvErrPathNotFound = 2112,
  qrvErrFileLoadIncomplete = 2113,
  qrvErrFileIOError = 2120,
  qrvErrDiskFull = 2130,
  qrvErrClipboardError = 2200,
  qrvErrClipboardInvalidFormat = 2201,
  qrvErrPrtError = 7000,
  qrvErrPrtAppAbort = 7001,
  qrvErrPrtUserAbort = 7002,
  qrvErrDeviceError = 8000,
  qrvErrDeviceNotFound = 8001,
  qrvErrDeviceNotInstall = 8002,
  qrvErrCDDriveNotFound = 8003,
  qrvErrDeviceBusy = 8010,
  qrvErrOutofMemory = 9000,
  qrvErrSystemError = 9900,
  qrvErrSystemNotFound = 9910,
  qrvErrTwainDllNotFound = 9911,
  qrvErrPcdLibNotFound = 9912,
};

}  // namespace plat

#endif  // PLAT_ACQUIRE_ACQUIRE_CONSTANTS_H_
