// The fixed rules of saving an acquired page. The tables follow the control's
// documented enumerations and the image library's codes.
#include "save_rules.h"

#include <algorithm>

#include "plat/acquire/acquire_constants.h"

namespace mirrask {

using namespace plat;

bool IsValidSaveFormat(short format, short compression, short depth) {
  switch (format) {
    case qrvFileBMP:
      if (compression == qrvCompNone) return true;
      if (compression == qrvCompRLE) {
        return depth == qrvColorDefault || depth == qrvColor16 || depth == qrvColor256 || depth == qrvColorGrayscale;
      }
      return false;
    case qrvFileTIFF:
      if (compression == qrvCompNone || compression == qrvCompPackbits) return true;
      if (compression >= qrvCompHuffman && compression <= qrvCompMMR) {
        return depth == qrvColorDefault || depth == qrvColorBitmap;
      }
      return false;
    case qrvFileJPEG:
      return depth == qrvColorDefault || depth == qrvColorGrayscale || depth == qrvColorRGB;
    case qrvFilePCX:
      return depth != qrvColor16;
    case qrvFilePNG:
      return true;  // every depth the property accepts
    default:
      return true;
  }
}

const char* GetFormatExtension(short format) {
  switch (format) {
    case qrvFileBMP: return "bmp";
    case qrvFileTIFF: return "tif";
    case qrvFileJPEG: return "jpg";
    case qrvFilePCX: return "pcx";
    case qrvFilePNG: return "png";
    default: return "";
  }
}

short DepthOfBitCount(int bit_count) {
  switch (bit_count) {
    case 1: return qrvColorBitmap;
    case 4: return qrvColor16;
    case 8: return qrvColor256;
    case 24: return qrvColorRGB;
    default: return 0;
  }
}

int32_t ColourModeOfDepth(short depth) {
  switch (depth) {
    case qrvColorBitmap: return kCmiModeBitmap;
    case qrvColor16: return kCmiModeIndexed16;
    case qrvColor256: return kCmiModeIndexed256;
    case qrvColorGrayscale: return kCmiModeGrayscale;
    case qrvColorRGB: return kCmiModeRgb;
    default: return 0;
  }
}

short ChooseSaveColorDepth(short format, short compression, short depth) {
  switch (format) {
    case qrvFileBMP:
      if (compression == qrvCompRLE) {
        if (depth == qrvColorBitmap) return qrvColor16;
        if (depth == qrvColorRGB) return qrvColor256;
      }
      return depth;
    case qrvFileTIFF:
      if (compression >= qrvCompHuffman && compression <= qrvCompMMR) return qrvColorBitmap;
      return depth;
    case qrvFileJPEG:
      if (depth == qrvColorBitmap || depth == qrvColor16 || depth == qrvColor256) return qrvColorRGB;
      return depth;
    case qrvFilePCX:
      return depth == qrvColor16 ? static_cast<short>(qrvColor256) : depth;
    default:
      return depth;
  }
}

TargetSize ComputeTargetSize(int32_t w0, int32_t h0, int32_t width, int32_t height, bool aspect_ratio) {
  // Scaled sides are computed in double and kept at 1 pixel or more.
  auto scaled = [](double value) {
    const double truncated = value < 1.0 ? 1.0 : value;
    return static_cast<int32_t>(std::min(truncated, 2147483647.0));
  };
  TargetSize t;
  if (!aspect_ratio) {
    t.width = width != 0 ? width : w0;
    t.height = height != 0 ? height : h0;
  } else if (width == 0 && height == 0) {
    t.width = w0;
    t.height = h0;
  } else if (width > 0 && height == 0) {
    t.width = width;
    t.height = scaled(h0 * (static_cast<double>(width) / w0));
  } else if (width == 0) {
    t.width = scaled(w0 * (static_cast<double>(height) / h0));
    t.height = height;
  } else {
    t.width = width;
    t.height = height;
    const double sx = static_cast<double>(width) / w0;
    const double sy = static_cast<double>(height) / h0;
    if (sx > sy) {
      const int32_t g = scaled(w0 * sy);
      t.left = (width - g) / 2;
      t.right = t.left + g;
      t.bottom = height;
      return t;
    }
    if (sx < sy) {
      const int32_t g = scaled(sx * h0);
      t.top = (height - g) / 2;
      t.right = width;
      t.bottom = t.top + g;
      return t;
    }
  }
  t.right = t.width;
  t.bottom = t.height;
  return t;
}

int32_t LibraryFormat(short format) {
  switch (format) {
    case qrvFileBMP: return kCmiFormatBmp;
    case qrvFileTIFF: return kCmiFormatTiff;
    case qrvFileJPEG: return kCmiFormatJpeg;
    case qrvFilePCX: return kCmiFormatPcx;
    case qrvFilePNG: return kCmiFormatPng;
    default: return 0;
  }
}

int32_t LibraryCompression(short compression) {
  switch (compression) {
    case qrvCompRLE: return kCmiCompressionBmpRle;
    case qrvCompPackbits: return kCmiCompressionPackBits;
    case qrvCompHuffman: return kCmiCompressionCcittHuffman;
    case qrvCompMH: return kCmiCompressionMh;
    case qrvCompMR: return kCmiCompressionMr;
    case qrvCompMMR: return kCmiCompressionMmr;
    default: return kCmiCompressionNone;
  }
}

std::vector<IpiAttributePair> SaveOptions(const ImageSaveParams& params) {
  std::vector<IpiAttributePair> options;
  switch (params.MediaFormat) {
    case qrvFileBMP:
    case qrvFileTIFF:
      options.push_back({"compression", LibraryCompression(params.Compression)});
      break;
    case qrvFileJPEG:
      options.push_back({"quarityFactor", params.Quality});
      break;
    case qrvFilePNG:
      options.push_back({"interlaced", params.InterlacedImage == qrvInterlaced ? 1 : 0});
      break;
    default:
      break;
  }
  if (params.MediaFormat == qrvFileBMP || params.MediaFormat == qrvFileTIFF || params.MediaFormat == qrvFilePCX) {
    options.push_back({"xResolution", params.XResolution});
    options.push_back({"yResolution", params.YResolution});
  }
  return options;
}

short MapAcquireStatusToError(int32_t status) {
  if (status == kCmiStatusSystemFailure) return qrvErrOutofMemory;
  if (status == 25) return qrvErrFileIOError;  // the library's "File Open Failure"
  return qrvErrSystemError;
}

}  // namespace mirrask
