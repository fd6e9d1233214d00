#include "api/frame/format_codes.h"

#include "Pelrith.h"
#include "core/codes.h"

int32_t InternalReadFormat(int32_t public_format) {
  switch (public_format) {
    case kCmiFormatTiff: return kFormatTiff;
    case kCmiFormatJpeg: return kFormatJpegLib;
    case kCmiFormatGif: return kFormatGif;
    case kCmiFormatBmp: return kFormatBmp;
    case kCmiFormatPcx: return kFormatPcx;
    case kCmiFormatPng: return kFormatPng;
    case kCmiFormatZoltra: return kFormatZoltra;
    default: return 0;
  }
}

int32_t PublicFileFormat(int32_t internal_format) {
  switch (internal_format) {
    case kFormatGif: return kCmiFormatGif;
    case kFormatTiff: return kCmiFormatTiff;
    case kFormatZoltra: return kCmiFormatZoltra;
    case kFormatBmp: return kCmiFormatBmp;
    case kFormatJpeg:
    case kFormatJpegLib: return kCmiFormatJpeg;
    case kFormatPcx: return kCmiFormatPcx;
    case kFormatPng: return kCmiFormatPng;
    default: return 0;
  }
}
