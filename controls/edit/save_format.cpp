// The table of format, compression and depth rules for saving.
#include "save_format.h"

#include <initializer_list>

#include "edit_constants.h"

namespace ondavel {

namespace {

bool IsOneOf(int16_t value, std::initializer_list<int16_t> allowed) {
  for (int16_t a : allowed) {
    if (value == a) return true;
  }
  return false;
}

// Depth 0 (qrvColorDefault) stands for "as the image is" and fits every row.
bool FitsFormat(int16_t media_format, int16_t compression, int16_t depth) {
  using namespace plat;
  switch (media_format) {
    case qrvFileBMP:
      // Run-length coding exists for 4- and 8-bit rows only.
      if (compression == qrvCompNone) return true;
      if (compression == qrvCompRLE) return IsOneOf(depth, {qrvColorDefault, qrvColor16, qrvColor256, qrvColorGrayscale});
      return false;
    case qrvFileTIFF:
      // The fax codings take bilevel rows only.
      if (compression == qrvCompNone || compression == qrvCompPackbits) return true;
      if (compression >= qrvCompHuffman && compression <= qrvCompMMR) {
        return IsOneOf(depth, {qrvColorDefault, qrvColorBitmap});
      }
      return false;
    case qrvFileJPEG:
      return IsOneOf(depth, {qrvColorDefault, qrvColorGrayscale, qrvColorRGB});
    case qrvFilePCX:
      return IsOneOf(depth, {qrvColorDefault, qrvColorBitmap, qrvColor256, qrvColorGrayscale, qrvColorRGB});
    case qrvFilePNG:
      return IsOneOf(depth,
                     {qrvColorDefault, qrvColorBitmap, qrvColor16, qrvColor256, qrvColorGrayscale, qrvColorRGB});
    default:
      return true;
  }
}

}  // namespace

int16_t CheckSaveFormat(int16_t media_format, int16_t compression, int16_t color_depth) {
  return FitsFormat(media_format, compression, color_depth) ? plat::qrvSuccess : plat::qrvErrInvalidSaveFormat;
}

}  // namespace ondavel
