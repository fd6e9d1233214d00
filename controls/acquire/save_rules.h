// The fixed rules of saving an acquired page: which format, compression and
// depth fit together, the depth a format needs, the output size, the
// library's codes and option lists, and the error a library status becomes.
// Pure functions of their arguments, shared by the control and its tests.
#ifndef CONTROLS_ACQUIRE_SAVE_RULES_H_
#define CONTROLS_ACQUIRE_SAVE_RULES_H_

#include <cstdint>
#include <vector>

#include "Pelrith.h"

namespace mirrask {

// The save settings of one acquisition, copied from the properties when it
// starts so that changes during the run do not affect it.
struct ImageSaveParams {
  short MediaFormat = 101;
  short Compression = 1;
  short Quality = 2;
  short ColorDepth = 0;
  short InterlacedImage = 1;
  bool MultiPage = false;
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
  short XResolution = 0;
  short YResolution = 0;
  bool AspectRatio = true;
  uint32_t FillingColor = 0xFFFFFF;  // 0x00BBGGRR
};

// Whether MediaFormat, Compression and ColorDepth fit together.
bool IsValidSaveFormat(short format, short compression, short depth);
// "bmp", "tif", "jpg", "pcx", "png"; "" for any other code.
const char* GetFormatExtension(short format);
// The depth code of a bit count: 1, 4, 8 or 12 (24 bits); 0 for a bit count
// the control does not convert (16 and 32 bits).
short DepthOfBitCount(int bit_count);
// The library's colour mode of a depth code (14..18), 0 for none.
int32_t ColourModeOfDepth(short depth);
// The depth a page of depth `depth` is written in when no ColorDepth is set.
short ChooseSaveColorDepth(short format, short compression, short depth);

// The output size of a page and the rectangle its picture fills there.
struct TargetSize {
  int32_t width = 0;
  int32_t height = 0;
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
  bool FillsWhole() const { return left == 0 && top == 0 && right == width && bottom == height; }
};
// `w0` and `h0` are at least 1 (a page of size 0 is refused before); every
// side of the result is at least 1 pixel, so a thin picture never scales to 0.
TargetSize ComputeTargetSize(int32_t w0, int32_t h0, int32_t width, int32_t height, bool aspect_ratio);

// The library's format code (BMP 7, TIFF 4, JPEG 5, PCX 40, PNG 44).
int32_t LibraryFormat(short format);
// The library's compression code of a Compression value.
int32_t LibraryCompression(short compression);
// The option list of writing or exporting a page in `params`' format.
std::vector<IpiAttributePair> SaveOptions(const ImageSaveParams& params);
// -1 gives 9000, 25 gives 2120, anything else 9900.
short MapAcquireStatusToError(int32_t status);

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_SAVE_RULES_H_
