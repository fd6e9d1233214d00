// The five colour-mode entry points: a caller's packed bitmap into RGB, grey,
// a bitmap, or a 256- or 16-colour palette image. The caller names the
// source's mode; each entry point takes only the modes it lists and checks
// the mode against the bitmap's bit count once the bitmap is locked. The
// conversions themselves are the object converters shared with file
// conversion, except on the main roads, which run over the caller's rows.
#include <array>

#include "Pelrith.h"
#include "api/colour_modes/streamed_modes.h"
#include "api/conversion/colour_conversion_blocks.h"
#include "api/frame/call_frame.h"
#include "core/status.h"

namespace {

bool IsOneOf(int32_t mode, std::initializer_list<int32_t> accepted) {
  for (int32_t m : accepted) {
    if (m == mode) return true;
  }
  return false;
}

// Locks the bitmap and checks `mode` against its bit count; then converts
// over its rows when `streamed` (if given) can, else imports it, runs
// `convert` on the imported image and hands the result back.
template <class Convert>
HGLOBAL ConvertBitmap(CmiCall& call, HGLOBAL handle, int32_t mode, const ModeRequest* streamed, Convert&& convert) {
  const CmiSource* source = call.LockSource(handle);
  if (source == nullptr) return 0;
  if (!ColourModeMatchesBits(mode, source->info.bits_per_pixel)) return call.Fail(kCmiStatusBadArgument);
  if (streamed != nullptr && CanStreamColourMode(source->info, *streamed)) {
    return StreamColourMode(call, *source, *streamed);
  }
  if (!call.OpenContext()) return 0;
  IpiObject* image = call.ImportSource(*source);
  if (image == nullptr) return 0;
  int32_t rc = 0;
  IpiObject* result = convert(call.sys(), image, &rc);
  if (result == nullptr) return call.Fail(rc != 0 ? rc : kIpiSyntaxError);
  return call.Finish(result);
}

// The checks both indexed entry points make before anything is locked. The
// method and palette kind matter only to sources that are quantized (8 and
// 24 bits); a 1- or 4-bit source keeps its colours, whatever they say. The
// levels go to the quantizer as given, which refuses what its palette
// cannot hold (18).
bool IndexedArgumentsOk(int32_t mode, std::initializer_list<int32_t> accepted, const IndexedReduction& reduction) {
  if (!IsOneOf(mode, accepted)) return false;
  if (mode == kCmiModeBitmap || mode == kCmiModeIndexed16) return true;
  return IsIndexedMethod(reduction.method) && IsPaletteKind(reduction.palette_kind);
}

}  // namespace

HGLOBAL PELRITH_STDCALL CmiModeRGBColor(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                        int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    if (!call.Begin(IsOneOf(mode, {kCmiModeBitmap, kCmiModeIndexed16, kCmiModeIndexed256, kCmiModeGrayscale}))) {
      return 0;
    }
    const ModeRequest request{ModeTarget::kRgb, mode};
    return ConvertBitmap(call, handle, mode, &request, [&](IpiSystem* sys, IpiObject* image, int32_t* rc) {
      return ObjectToRgb(sys, image, mode, rc);
    });
  });
}

HGLOBAL PELRITH_STDCALL CmiModeGrayscale(HGLOBAL handle, int32_t mode, CmiOptionList pairs, int32_t n,
                                         int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    if (!call.Begin(IsOneOf(mode, {kCmiModeBitmap, kCmiModeIndexed16, kCmiModeIndexed256, kCmiModeRgb,
                                   kCmiModeInvertedGrayscale}))) {
      return 0;
    }
    const ModeRequest request{ModeTarget::kGrey, mode};
    return ConvertBitmap(call, handle, mode, &request, [&](IpiSystem* sys, IpiObject* image, int32_t* rc) {
      return ObjectToGrayscale(sys, image, mode, rc);
    });
  });
}

HGLOBAL PELRITH_STDCALL CmiModeBitmap(HGLOBAL handle, int32_t mode, int32_t method, int32_t threshold,
                                      CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    const bool method_ok = IsBitmapMethod(method) && (method != kReductionThreshold || IsThresholdValue(threshold));
    if (!call.Begin(method_ok &&
                    IsOneOf(mode, {kCmiModeIndexed16, kCmiModeIndexed256, kCmiModeGrayscale, kCmiModeRgb}))) {
      return 0;
    }
    const ModeRequest request{ModeTarget::kBitmap, mode, method, threshold};
    return ConvertBitmap(call, handle, mode, &request, [&](IpiSystem* sys, IpiObject* image, int32_t* rc) {
      return ObjectToBitmap(sys, image, mode, method, threshold, rc);
    });
  });
}

HGLOBAL PELRITH_STDCALL CmiModeIndexedColor256(HGLOBAL handle, int32_t mode, int32_t method, int32_t palette,
                                               int32_t redLevels, int32_t greenLevels, int32_t blueLevels,
                                               CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    const IndexedReduction reduction{method, palette, {redLevels, greenLevels, blueLevels}};
    if (!call.Begin(IndexedArgumentsOk(mode, {kCmiModeBitmap, kCmiModeIndexed16, kCmiModeRgb}, reduction))) {
      return 0;
    }
    return ConvertBitmap(call, handle, mode, nullptr, [&](IpiSystem* sys, IpiObject* image, int32_t* rc) {
      return ObjectToIndexed256(sys, image, mode, reduction, rc);
    });
  });
}

HGLOBAL PELRITH_STDCALL CmiModeIndexedColor16(HGLOBAL handle, int32_t mode, int32_t method, int32_t palette,
                                              int32_t redLevels, int32_t greenLevels, int32_t blueLevels,
                                              CmiOptionList pairs, int32_t n, int32_t* status) noexcept {
  return CmiRun(status, [&]() -> HGLOBAL {
    CmiCall call(status, pairs, n);
    const IndexedReduction reduction{method, palette, {redLevels, greenLevels, blueLevels}};
    if (!call.Begin(
            IndexedArgumentsOk(mode, {kCmiModeBitmap, kCmiModeIndexed256, kCmiModeGrayscale, kCmiModeRgb}, reduction))) {
      return 0;
    }
    return ConvertBitmap(call, handle, mode, nullptr, [&](IpiSystem* sys, IpiObject* image, int32_t* rc) {
      return ObjectToIndexed16(sys, image, mode, reduction, rc);
    });
  });
}
