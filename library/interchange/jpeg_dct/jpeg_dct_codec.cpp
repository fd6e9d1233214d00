// Selection of the DCT codec's encoder or decoder; see jpeg_dct_codec.h.
#include "interchange/jpeg_dct/jpeg_dct_codec.h"

#include "core/codes.h"
#include "core/limits.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "interchange/jpeg_dct/jpeg_dct_internal.h"

namespace {

constexpr int32_t kGreyBands = 1;
constexpr int32_t kColourBands = 3;
constexpr int32_t kMaxRestartInterval = 65535;  // DRI holds 16 bits

}  // namespace

bool ChooseMcuLayout(bool colour, int32_t sampling, McuLayout& out) {
  out = McuLayout{};
  if (!colour) return true;
  out.colour = true;
  switch (sampling) {
    case kSampling1x1: break;
    case kSampling2x1:
      out.width_px = 16;
      out.luma_columns = 2;
      out.chroma_x_shift = 1;
      break;
    case kSampling1x2:
      out.height_px = 16;
      out.luma_rows = 2;
      out.chroma_y_shift = 1;
      break;
    case kSampling2x2:
      out.width_px = out.height_px = 16;
      out.luma_columns = out.luma_rows = 2;
      out.chroma_x_shift = out.chroma_y_shift = 1;
      break;
    default: return false;
  }
  return true;
}

int CheckScanGeometry(IpiSystem* sys, IpiObject* compressed, IpiObject* image, int bands, const McuLayout& layout,
                      ScanGeometry& out) {
  const int32_t* coded = compressed->fields.dimension;
  const int32_t* plain = image->fields.dimension;
  for (int d : {kDimX, kDimY, kDimZ, kDimT}) {
    if (coded[d] < 1 || coded[d] != plain[d]) return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  if (plain[kDimB] < bands) return IpiRefuse(sys, kIpiNonPermissibleOption);
  int64_t row_bytes = 0;
  int64_t plane_bytes = 0;
  const int status = IpiCheckGeometry(coded[kDimX], coded[kDimY], 8, DimensionStorage::kBits32, &row_bytes,
                                      &plane_bytes);
  if (status != 0) return IpiRefuse(sys, status);
  const intptr_t restart = IpiInquireAttribute(sys, compressed, "restartInterval");
  if (restart < 0 || restart > kMaxRestartInterval) return IpiRefuse(sys, kIpiOutOfRange);
  out.width = coded[kDimX];
  out.height = coded[kDimY];
  out.depth = coded[kDimZ];
  out.frames = coded[kDimT];
  out.mcus_across = (out.width + layout.width_px - 1) / layout.width_px;
  out.mcu_rows = (out.height + layout.height_px - 1) / layout.height_px;
  out.restart_interval = static_cast<int32_t>(restart);
  return kIpiNoError;
}

int JpegCodecSelect(IpiSystem* sys, IpiObject* source, IpiObject* destination, int mode) {
  if (IpiCheckSystem(sys) != 0) return kIpiInvalidHandle;
  if (mode != kJpegModeEncode && mode != kJpegModeDecode) return IpiRefuse(sys, kIpiOutOfRange);
  if (IpiCheckObject(sys, source) == nullptr || IpiCheckObject(sys, destination) == nullptr) {
    return IpiGetLastError(sys);
  }
  IpiObject* compressed = mode == kJpegModeEncode ? destination : source;
  IpiObject* image = mode == kJpegModeEncode ? source : destination;
  intptr_t format = 0;
  intptr_t sampling = 0;
  intptr_t bands = 0;
  const IpiAttribute inquiry[] = {{"fileFormat", reinterpret_cast<intptr_t>(&format)},
                                  {"samplingFactor", reinterpret_cast<intptr_t>(&sampling)},
                                  {"bDimension", reinterpret_cast<intptr_t>(&bands)}};
  IPI_RETURN_IF_ERROR(IpiInquireAttributes(sys, compressed, inquiry, 3));
  if (format != kFormatJpeg) return IpiRefuse(sys, kIpiNonPermissibleOption);
  // Two bands make neither a grey nor a colour scan.
  if (bands != kGreyBands && bands < kColourBands) return IpiRefuse(sys, kIpiNonPermissibleOption);
  McuLayout layout;
  if (!ChooseMcuLayout(bands != kGreyBands, static_cast<int32_t>(sampling), layout)) {
    return IpiRefuse(sys, kIpiNonPermissibleOption);
  }
  return mode == kJpegModeEncode ? EncodeJpegDctScan(sys, image, compressed, layout)
                                 : DecodeJpegDctScan(sys, compressed, image, layout);
}

int EncodeJpegDct(IpiSystem* sys, IpiObject* image, IpiObject* compressed) {
  return JpegCodecSelect(sys, image, compressed, kJpegModeEncode);
}

int DecodeJpegDct(IpiSystem* sys, IpiObject* compressed, IpiObject* image) {
  return JpegCodecSelect(sys, compressed, image, kJpegModeDecode);
}
