// The wrappers of the image operations: geometry, colour modes, point
// operations and filters. Each checks its arguments, resolves the colour
// depth, checks the bitmap, builds its options and calls one entry point.
#include <algorithm>
#include <cmath>

#include "cmi_code_maps.h"
#include "dib_input.h"
#include "edit_constants.h"
#include "image_library_binding.h"
#include "option_pairs.h"
#include "plat/ctl/wnd.h"

namespace ondavel {

namespace {

constexpr double kRadiansPerDegree = 0.017453292519943292;
// The fixed palette choice and level counts of the indexed conversions.
constexpr int32_t kCmiPaletteUniform = 22;

bool InRange(int32_t value, int32_t low, int32_t high) { return value >= low && value <= high; }

// The rectangle rule of ClipDibRect and FillDibRect: normalised, inside the
// bitmap and not empty.
bool NormaliseInnerRect(int32_t& left, int32_t& top, int32_t& right, int32_t& bottom, int width, int height) {
  if (left > right) std::swap(left, right);
  if (top > bottom) std::swap(top, bottom);
  return left >= 0 && left < width && right > 0 && right <= width && top >= 0 && top < height && bottom > 0 &&
         bottom <= height && right - left > 0 && bottom - top > 0;
}

}  // namespace

bool ImageLibraryBinding::PrepareDib(HGLOBAL dib, int16_t* depth, std::initializer_list<int16_t> refused_depths) {
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData);
  if (depth != nullptr) {
    if (!ResolveDepth(dib, *depth)) return false;
    if (std::find(refused_depths.begin(), refused_depths.end(), *depth) != refused_depths.end()) {
      return Fail(plat::qrvErrInvalidColorDepth);
    }
  }
  last_error_ = 0;
  return true;
}

HGLOBAL ImageLibraryBinding::Finish(HGLOBAL result, const int32_t& status) {
  if (result == 0) Fail(MapCmiStatusToError(status));
  return result;
}

template <class Call>
HGLOBAL ImageLibraryBinding::CallOnDib(HGLOBAL dib, Call call) {
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error()), 0;
  int32_t status = 0;
  const HGLOBAL result = call(input, status);
  return Finish(result, status);
}

HGLOBAL ImageLibraryBinding::RunRectOperation(decltype(&::CmiInvert) entry, HGLOBAL dib, int16_t depth, int32_t x,
                                              int32_t y, int32_t width, int32_t height,
                                              std::initializer_list<int16_t> refused_depths) {
  if (!Begin(reinterpret_cast<const void*>(entry)) || !PrepareDib(dib, &depth, refused_depths)) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry(input.handle(), MapColorDepthToCmiMode(depth), pairs.data(), pairs.size(), &status);
  });
}

// ---- Geometry --------------------------------------------------------------------------------

HGLOBAL ImageLibraryBinding::FitDibIntoBox(HGLOBAL dib, int16_t interpolation, int16_t morphology,
                                           uint32_t fill_colour, int16_t depth, int32_t source_width,
                                           int32_t source_height, int32_t box_width, int32_t box_height,
                                           int16_t horz_pos, int16_t vert_pos) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiSubsample))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (box_width < 1 || box_height < 1) return Fail(plat::qrvErrInvalidParam), 0;
  if (!PrepareDib(dib, &depth, {})) return 0;
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error()), 0;
  if (source_width == 0 || source_height == 0) source_width = input.width(), source_height = input.height();
  if (source_width < 1 || source_height < 1) return Fail(plat::qrvErrInvalidParam), 0;
  const double scale_x = double(box_width) / source_width, scale_y = double(box_height) / source_height;
  int32_t x = 0, y = 0, w = box_width, h = box_height;
  if (scale_x > scale_y) {
    w = static_cast<int32_t>(scale_y * source_width);
    x = horz_pos == qrvHorzPosLeft ? 0 : horz_pos == qrvHorzPosRight ? box_width - w : (box_width - w) / 2;
  } else if (scale_x < scale_y) {
    h = static_cast<int32_t>(scale_x * source_height);
    y = vert_pos == qrvVertPosTop ? 0 : vert_pos == qrvVertPosBottom ? box_height - h : (box_height - h) / 2;
  }
  const OptionPairs pairs = FillColourPairs(fill_colour, depth);
  int32_t status = 0;
  return Finish(entry_.CmiSubsample(input.handle(), 0, 0, source_width, source_height, box_width, box_height, x, y, w,
                                    h, MapInterpolationToCmi(interpolation), MapMorphologyToCmi(morphology),
                                    pairs.data(), pairs.size(), &status),
                status);
}

HGLOBAL ImageLibraryBinding::ResizeDibImage(HGLOBAL dib, int32_t width, int32_t height, int16_t interpolation,
                                            int16_t morphology) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiResize))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (width < 1 || height < 1) return Fail(plat::qrvErrInvalidParam), 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiResize(input.handle(), width, height, MapInterpolationToCmi(interpolation),
                            MapMorphologyToCmi(morphology), nullptr, 0, &status);
  });
}

HGLOBAL ImageLibraryBinding::RotateDibByQuarters(HGLOBAL dib, int16_t rotation, uint32_t fill_colour, int16_t depth,
                                                 int32_t* width, int32_t* height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiRotate))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(rotation, plat::qrvRotate90, plat::qrvRotate270) || width == nullptr || height == nullptr) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  if (!PrepareDib(dib, &depth, {})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    int32_t w = *width, h = *height;
    if (w == 0 || h == 0) w = input.width(), h = input.height();
    if (rotation != plat::qrvRotate180) std::swap(w, h);
    const OptionPairs pairs = FillColourPairs(fill_colour, depth);
    const HGLOBAL result =
        entry_.CmiRotate(input.handle(), w, h, MapRotationToCmi(rotation), pairs.data(), pairs.size(), &status);
    if (result != 0) *width = w, *height = h;
    return result;
  });
}

HGLOBAL ImageLibraryBinding::RotateDibByAngle(HGLOBAL dib, int32_t angle_degrees, uint32_t fill_colour,
                                              int16_t depth, int32_t* width, int32_t* height) {
  switch (angle_degrees) {
    case 90: return RotateDibByQuarters(dib, plat::qrvRotate90, fill_colour, depth, width, height);
    case 180: return RotateDibByQuarters(dib, plat::qrvRotate180, fill_colour, depth, width, height);
    case 270: return RotateDibByQuarters(dib, plat::qrvRotate270, fill_colour, depth, width, height);
    default: break;
  }
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiRotateArbitrary))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(angle_degrees, 1, 359) || width == nullptr || height == nullptr) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  if (!PrepareDib(dib, &depth, {})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    int32_t w = *width, h = *height;
    if (w == 0 || h == 0) w = input.width(), h = input.height();
    const double a = angle_degrees * kRadiansPerDegree;
    const double c = std::fabs(std::cos(a)), s = std::fabs(std::sin(a));
    const auto new_width = static_cast<int32_t>(c * w + s * h);
    const auto new_height = static_cast<int32_t>(s * w + c * h);
    const OptionPairs pairs = FillColourPairs(fill_colour, depth);
    const HGLOBAL result = entry_.CmiRotateArbitrary(
        input.handle(), new_width, new_height, static_cast<double>(angle_degrees), pairs.data(), pairs.size(), &status);
    if (result != 0) *width = new_width, *height = new_height;
    return result;
  });
}

HGLOBAL ImageLibraryBinding::FlipDib(HGLOBAL dib, int16_t direction, int32_t x, int32_t y, int32_t width,
                                     int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiFlip))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(direction, qrvDirectionBoth, qrvDirectionVert)) return Fail(plat::qrvErrInvalidParam), 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) -> HGLOBAL {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    if (direction != qrvDirectionBoth) {
      return entry_.CmiFlip(input.handle(), MapDirectionToCmi(direction), pairs.data(), pairs.size(), &status);
    }
    // The library has no single "both" direction: top and bottom, then left
    // and right, in turn.
    const HGLOBAL rows =
        entry_.CmiFlip(input.handle(), MapDirectionToCmi(qrvDirectionHorz), pairs.data(), pairs.size(), &status);
    if (rows == 0) return 0;
    const HGLOBAL both = entry_.CmiFlip(rows, MapDirectionToCmi(qrvDirectionVert), pairs.data(), pairs.size(), &status);
    (void)GlobalFree(rows);
    return both;
  });
}

HGLOBAL ImageLibraryBinding::SkewDib(HGLOBAL dib, int16_t direction, int32_t angle_degrees, uint32_t fill_colour,
                                     int16_t depth, int32_t* width, int32_t* height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiSkew))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(angle_degrees, -60, 60) || (direction != qrvDirectionHorz && direction != qrvDirectionVert) ||
      width == nullptr || height == nullptr) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  if (!PrepareDib(dib, &depth, {})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    int32_t w = *width, h = *height;
    if (w == 0 || h == 0) w = input.width(), h = input.height();
    const double t = std::fabs(std::tan(angle_degrees * kRadiansPerDegree));
    if (direction == qrvDirectionHorz) w = static_cast<int32_t>(h * t + w);
    else h = static_cast<int32_t>(w * t + h);
    const OptionPairs pairs = FillColourPairs(fill_colour, depth);
    const HGLOBAL result = entry_.CmiSkew(input.handle(), w, h, MapDirectionToCmi(direction),
                                          static_cast<double>(angle_degrees), pairs.data(), pairs.size(), &status);
    if (result != 0) *width = w, *height = h;
    return result;
  });
}

HGLOBAL ImageLibraryBinding::ClipDibRect(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                         int16_t interpolation, int16_t morphology) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiSubsample))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error()), 0;
  if (!NormaliseInnerRect(left, top, right, bottom, input.width(), input.height())) {
    return Fail(plat::qrvErrInvalidRectValue), 0;
  }
  const int32_t w = right - left, h = bottom - top;
  int32_t status = 0;
  return Finish(entry_.CmiSubsample(input.handle(), left, top, w, h, w, h, 0, 0, w, h,
                                    MapInterpolationToCmi(interpolation), MapMorphologyToCmi(morphology), nullptr, 0,
                                    &status),
                status);
}

HGLOBAL ImageLibraryBinding::FillDibRect(HGLOBAL dib, int32_t left, int32_t top, int32_t right, int32_t bottom,
                                         uint32_t fill_colour, int16_t depth) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiConstant))) return 0;
  if (!PrepareDib(dib, &depth, {})) return 0;
  plat::CWaitCursor wait;
  const DibInput input(dib);
  if (input.error() != 0) return Fail(input.error()), 0;
  if (!NormaliseInnerRect(left, top, right, bottom, input.width(), input.height())) {
    return Fail(plat::qrvErrInvalidRectValue), 0;
  }
  const bool is_rgb = depth == plat::qrvColorRGB;
  const int32_t red = is_rgb ? int32_t(fill_colour & 0xFF) : -1;
  const int32_t green = is_rgb ? int32_t((fill_colour >> 8) & 0xFF) : -1;
  const int32_t blue = is_rgb ? int32_t((fill_colour >> 16) & 0xFF) : -1;
  int32_t status = 0;
  return Finish(entry_.CmiConstant(input.handle(), left, top, right - left, bottom - top, red, green, blue, nullptr, 0,
                                   &status),
                status);
}

// ---- Colour modes ----------------------------------------------------------------------------

HGLOBAL ImageLibraryBinding::ChangeDibColorDepth(HGLOBAL dib, int16_t current_depth, int16_t target_depth,
                                                 int16_t reduction, int16_t threshold) {
  switch (target_depth) {
    case plat::qrvColorBitmap: return ConvertToBitmap(dib, current_depth, reduction, threshold);
    case plat::qrvColor16: return ConvertTo16Colors(dib, current_depth, reduction);
    case plat::qrvColor256: return ConvertTo256Colors(dib, current_depth, reduction);
    case plat::qrvColorGrayscale: return ConvertToGrayscale(dib, current_depth);
    case plat::qrvColorRGB: return ConvertToRGB(dib, current_depth);
    default: last_error_ = 0; return Fail(plat::qrvErrInvalidParam), 0;
  }
}

HGLOBAL ImageLibraryBinding::ConvertToBitmap(HGLOBAL dib, int16_t depth, int16_t reduction, int16_t threshold) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiModeBitmap)) || !PrepareDib(dib, &depth, {})) return 0;
  if (reduction == qrvReductionNone) reduction = qrvReductionDiffusion;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiModeBitmap(input.handle(), MapColorDepthToCmiMode(depth), MapColorReductionToCmi(reduction),
                                threshold, nullptr, 0, &status);
  });
}

HGLOBAL ImageLibraryBinding::ConvertTo16Colors(HGLOBAL dib, int16_t depth, int16_t reduction) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiModeIndexedColor16)) || !PrepareDib(dib, &depth, {})) return 0;
  if (reduction == qrvReductionThreshold) reduction = qrvReductionDiffusion;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiModeIndexedColor16(input.handle(), MapColorDepthToCmiMode(depth),
                                        MapColorReductionToCmi(reduction), kCmiPaletteUniform, 2, 4, 2, nullptr, 0,
                                        &status);
  });
}

HGLOBAL ImageLibraryBinding::ConvertTo256Colors(HGLOBAL dib, int16_t depth, int16_t reduction) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiModeIndexedColor256)) || !PrepareDib(dib, &depth, {})) return 0;
  // A grey image already has 256 levels: it comes back as a copy, so that
  // the caller never holds one handle twice.
  if (depth == plat::qrvColorGrayscale) return CopyGlobalBlock(dib);
  if (reduction == qrvReductionThreshold) reduction = qrvReductionDiffusion;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiModeIndexedColor256(input.handle(), MapColorDepthToCmiMode(depth),
                                         MapColorReductionToCmi(reduction), kCmiPaletteUniform, 8, 8, 4, nullptr, 0,
                                         &status);
  });
}

HGLOBAL ImageLibraryBinding::ConvertToGrayscale(HGLOBAL dib, int16_t depth) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiModeGrayscale)) || !PrepareDib(dib, &depth, {})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiModeGrayscale(input.handle(), MapColorDepthToCmiMode(depth), nullptr, 0, &status);
  });
}

HGLOBAL ImageLibraryBinding::ConvertToRGB(HGLOBAL dib, int16_t depth) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiModeRGBColor)) || !PrepareDib(dib, &depth, {})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    return entry_.CmiModeRGBColor(input.handle(), MapColorDepthToCmiMode(depth), nullptr, 0, &status);
  });
}

// ---- Point operations and filters ------------------------------------------------------------

HGLOBAL ImageLibraryBinding::InvertDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                       int32_t height) {
  return RunRectOperation(entry_.CmiInvert, dib, depth, x, y, width, height, {});
}

HGLOBAL ImageLibraryBinding::SolarizeDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                         int32_t height) {
  return RunRectOperation(entry_.CmiSolarize, dib, depth, x, y, width, height, {plat::qrvColorBitmap});
}

namespace {
constexpr std::initializer_list<int16_t> kIndexedDepths = {plat::qrvColorBitmap, plat::qrvColor16, plat::qrvColor256};
}  // namespace

HGLOBAL ImageLibraryBinding::EqualizeDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                         int32_t height) {
  return RunRectOperation(entry_.CmiEqualize, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::BlurDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                     int32_t height) {
  return RunRectOperation(entry_.CmiBlur, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::SharpenDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                        int32_t height) {
  return RunRectOperation(entry_.CmiSharpen, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::FindDibEdges(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                          int32_t height) {
  return RunRectOperation(entry_.CmiFindEdges, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::EnhanceDibEdges(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                             int32_t height) {
  return RunRectOperation(entry_.CmiEdgeEnhance, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::EmbossDib(HGLOBAL dib, int16_t depth, int32_t x, int32_t y, int32_t width,
                                       int32_t height) {
  return RunRectOperation(entry_.CmiEmboss, dib, depth, x, y, width, height, kIndexedDepths);
}

HGLOBAL ImageLibraryBinding::MedianDib(HGLOBAL dib, int32_t size, int16_t depth, int32_t x, int32_t y, int32_t width,
                                       int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiMedian)) || !PrepareDib(dib, &depth, kIndexedDepths)) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiMedian(input.handle(), MapColorDepthToCmiMode(depth), size, pairs.data(), pairs.size(), &status);
  });
}

HGLOBAL ImageLibraryBinding::AdjustDibBrightness(HGLOBAL dib, int16_t depth, int32_t brightness, int32_t contrast,
                                                 int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiBrightnessAndContrast))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(brightness, -100, 100) || !InRange(contrast, -100, 100)) return Fail(plat::qrvErrInvalidParam), 0;
  if (!PrepareDib(dib, &depth, {plat::qrvColorBitmap})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiBrightnessAndContrast(input.handle(), MapColorDepthToCmiMode(depth), brightness, contrast,
                                           pairs.data(), pairs.size(), &status);
  });
}

HGLOBAL ImageLibraryBinding::AdjustDibColorBalance(HGLOBAL dib, int16_t depth, int32_t zero, int32_t red,
                                                   int32_t green, int32_t blue, int32_t x, int32_t y, int32_t width,
                                                   int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiColourBalance))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(red, -100, 100) || !InRange(green, -100, 100) || !InRange(blue, -100, 100)) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  if (!PrepareDib(dib, &depth, {plat::qrvColorBitmap, plat::qrvColorGrayscale})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiColourBalance(input.handle(), MapColorDepthToCmiMode(depth), red, green, blue, pairs.data(),
                                   pairs.size(), &status);
  });
}

HGLOBAL ImageLibraryBinding::AdjustDibHue(HGLOBAL dib, int16_t depth, int32_t hue, int32_t saturation,
                                          int32_t lightness, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiHueSaturation))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(hue, -180, 180) || !InRange(saturation, -100, 100) || !InRange(lightness, -100, 100)) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  if (!PrepareDib(dib, &depth, {plat::qrvColorBitmap, plat::qrvColorGrayscale})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiHueSaturation(input.handle(), MapColorDepthToCmiMode(depth), hue, saturation, lightness,
                                   pairs.data(), pairs.size(), &status);
  });
}

HGLOBAL ImageLibraryBinding::AdjustDibGamma(HGLOBAL dib, int16_t depth, double gamma, int32_t x, int32_t y,
                                            int32_t width, int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiGammaCorrection))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!(gamma >= 1.0 && gamma <= 1000.0)) return Fail(plat::qrvErrInvalidParam), 0;
  if (!PrepareDib(dib, &depth, {plat::qrvColorBitmap})) return 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiGammaCorrection(input.handle(), MapColorDepthToCmiMode(depth), gamma * 0.01, pairs.data(),
                                     pairs.size(), &status);
  });
}

namespace {

// The two rectangles of CalculateDibs and BlendDibs as their eight pairs;
// false when the destination or the source origin lies outside its bitmap.
bool TwoSourcePairs(int dest_width, int dest_height, int source_width, int source_height, int32_t dx, int32_t dy,
                    int32_t dw, int32_t dh, int32_t sx, int32_t sy, OptionPairs& pairs) {
  const int64_t W = dest_width, H = dest_height;
  if (dx < 0 || dx > W || dw < 0 || int64_t{dx} + dw > W || dy < 0 || dy > H || dh < 0 || int64_t{dy} + dh > H) {
    return false;
  }
  if (dw == 0 || dh == 0) dw = int32_t(W - dx), dh = int32_t(H - dy);
  if (sx < 0 || sx > source_width || sy < 0 || sy > source_height) return false;
  const int32_t sw = std::min(dw, source_width - sx), sh = std::min(dh, source_height - sy);
  pairs.Add("sourceHeight", dh);
  pairs.Add("sourceWidth", dw);
  pairs.Add("sourceXPoint", dx);
  pairs.Add("sourceYPoint", dy);
  pairs.Add("source2Height", sh);
  pairs.Add("source2Width", sw);
  pairs.Add("source2XPoint", sx);
  pairs.Add("source2YPoint", sy);
  return true;
}

constexpr int32_t kCmiTargetFirst = 1;

}  // namespace

template <class Call>
HGLOBAL ImageLibraryBinding::CallOnTwoDibs(HGLOBAL destination, HGLOBAL source, const TwoSourceRects& rects,
                                           Call call) {
  plat::CWaitCursor wait;
  const DibInput first(destination), second(source);
  if (first.error() != 0 || second.error() != 0) return Fail(first.error() ? first.error() : second.error()), 0;
  OptionPairs pairs;
  if (!TwoSourcePairs(first.width(), first.height(), second.width(), second.height(), rects.dx, rects.dy, rects.dw,
                      rects.dh, rects.sx, rects.sy, pairs)) {
    return Fail(plat::qrvErrInvalidRectValue), 0;
  }
  int32_t status = 0;
  const HGLOBAL result = call(first, second, pairs, status);
  return Finish(result, status);
}

HGLOBAL ImageLibraryBinding::CalculateDibs(HGLOBAL destination, HGLOBAL source, int16_t operation, int16_t depth,
                                           int32_t dx, int32_t dy, int32_t dw, int32_t dh, int32_t sx, int32_t sy) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiCalculate))) return 0;
  if (destination == 0 || source == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(operation, qrvCalcAdd, qrvCalcDifference)) return Fail(plat::qrvErrInvalidParam), 0;
  if (!PrepareDib(destination, &depth, kIndexedDepths) || !PrepareDib(source, nullptr, {})) return 0;
  return CallOnTwoDibs(destination, source, {dx, dy, dw, dh, sx, sy},
                       [&](const DibInput& first, const DibInput& second, const OptionPairs& pairs, int32_t& status) {
                         return entry_.CmiCalculate(first.handle(), second.handle(), MapColorDepthToCmiMode(depth),
                                                    kCmiTargetFirst, MapCalculateOperationToCmi(operation),
                                                    pairs.data(), pairs.size(), &status);
                       });
}

HGLOBAL ImageLibraryBinding::BlendDibs(HGLOBAL destination, HGLOBAL source, double ratio, int16_t depth, int32_t dx,
                                       int32_t dy, int32_t dw, int32_t dh, int32_t sx, int32_t sy) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiBlend))) return 0;
  if (destination == 0 || source == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!(ratio >= 0.0 && ratio <= 1.0)) return Fail(plat::qrvErrInvalidParam), 0;
  if (!PrepareDib(destination, &depth, kIndexedDepths) || !PrepareDib(source, nullptr, {})) return 0;
  return CallOnTwoDibs(destination, source, {dx, dy, dw, dh, sx, sy},
                       [&](const DibInput& first, const DibInput& second, const OptionPairs& pairs, int32_t& status) {
                         return entry_.CmiBlend(first.handle(), second.handle(), MapColorDepthToCmiMode(depth),
                                                kCmiTargetFirst, ratio, pairs.data(), pairs.size(), &status);
                       });
}

HGLOBAL ImageLibraryBinding::PinchDib(HGLOBAL dib, int32_t amount, int32_t x, int32_t y, int32_t width,
                                      int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiPinch))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(amount, -100, 100)) return Fail(plat::qrvErrInvalidParam), 0;
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiPinch(input.handle(), amount, pairs.data(), pairs.size(), &status);
  });
}

HGLOBAL ImageLibraryBinding::SpherizeDib(HGLOBAL dib, int16_t direction, int32_t amount, int32_t x, int32_t y,
                                         int32_t width, int32_t height) {
  if (!Begin(reinterpret_cast<const void*>(entry_.CmiSpherize))) return 0;
  if (dib == 0) return Fail(plat::qrvErrUnsetMediaData), 0;
  if (!InRange(amount, -100, 100) || !InRange(direction, qrvDirectionBoth, qrvDirectionVert)) {
    return Fail(plat::qrvErrInvalidParam), 0;
  }
  return CallOnDib(dib, [&](const DibInput& input, int32_t& status) {
    const OptionPairs pairs = RectanglePairs(x, y, width, height, input.width(), input.height());
    return entry_.CmiSpherize(input.handle(), MapDirectionToCmi(direction), amount, pairs.data(), pairs.size(),
                              &status);
  });
}

}  // namespace ondavel
