// The attribute groups of the seven file formats that carry extras.
#include "core/objects/format_extras.h"

#include <cstring>
#include <span>

#include "core/codes.h"

namespace {

using K = GroupEntryKind;

constexpr GroupEntry kTiffGroup[] = {
    {"photometricInterpretation", K::kValue, 0, 0},
    {"resolutionUnit", K::kValue, 1, 0},
    {"rowsPerStrip", K::kValue, 2, 0},
    {"stripByteCounts", K::kStripByteCounts, 3, 0},
    {"stripsPerImage", K::kStripCount, 4, 0},
    {"xResolution", K::kXRational, 5, 0},
    {"yResolution", K::kYRational, 6, 0},
    {"orientation", K::kValue, 7, 0},
    {"planarConfiguration", K::kValue, 8, 0},
    {"pageNumber", K::kValue, 9, 0},
    {"newSubfileType", K::kValue, 10, 0},
    {"stripOffsets", K::kStripOffsets, 11, 0},
};

constexpr GroupEntry kZoltraGroup[] = {
    {"resolutionUnit", K::kValue, 0, 0}, {"xResolution", K::kValue, 1, 0},
    {"yResolution", K::kValue, 2, 0},    {"xVDC1stCorner", K::kValue, 3, 0},
    {"yVDC1stCorner", K::kValue, 4, 0},  {"xVDC2ndCorner", K::kValue, 5, 0},
    {"yVDC2ndCorner", K::kValue, 6, 0},
};

constexpr GroupEntry kBmpGroup[] = {
    {"resolutionUnit", K::kValue, 0, 0},
    {"xResolution", K::kValue, 1, 0},
    {"yResolution", K::kValue, 2, 0},
};

constexpr GroupEntry kGifGroup[] = {
    {"interlacedImage", K::kValue, 0, 0}, {"left", K::kValue, 1, 0},
    {"top", K::kValue, 2, 0},             {"screenDepth", K::kValue, 3, 0},
    {"screenWidth", K::kValue, 4, 0},     {"version", K::kValue, 5, 0},
    {"transparency", K::kValue, 6, 0},    {"transparencyPaletteIndex", K::kValue, 7, 0},
    {"codeSize", K::kValue, 8, 0},
};

constexpr GroupEntry kJpegGroup[] = {
    {"chrominanceACBITS", K::kJpegTable, 0, 16},
    {"chrominanceACHUFFVAL", K::kJpegTable, 1, 256},
    {"chrominanceDCBITS", K::kJpegTable, 2, 16},
    {"chrominanceDCHUFFVAL", K::kJpegTable, 3, 16},
    {"chrominanceQuantizationTable", K::kJpegTable, 4, 64},
    {"luminanceACBITS", K::kJpegTable, 5, 16},
    {"luminanceACHUFFVAL", K::kJpegTable, 6, 256},
    {"luminanceDCBITS", K::kJpegTable, 7, 16},
    {"luminanceDCHUFFVAL", K::kJpegTable, 8, 16},
    {"luminanceQuantizationTable", K::kJpegTable, 9, 64},
    {"restartInterval", K::kValue, 10, 0},
    {"progressive", K::kValue, 11, 0},
};

constexpr GroupEntry kPcxGroup[] = {
    {"horizontalResolution", K::kValue, 0, 0},
    {"verticalResolution", K::kValue, 1, 0},
    {"versionNumber", K::kValue, 2, 0},
    {"bytePerLine", K::kValue, 3, 0},
};

constexpr GroupEntry kPngGroup[] = {
    {"interlacedImage", K::kValue, 0, 0},
    {"colourType", K::kValue, 1, 0},
    {"transparency", K::kValue, 2, 0},
    {"transparencyGray", K::kValue, 3, 0},
    {"transparencyRed", K::kValue, 4, 0},
    {"transparencyGreen", K::kValue, 5, 0},
    {"transparencyBlue", K::kValue, 6, 0},
    {"transparencyEntry", K::kValue, 7, 0},
    {"transparencyPaletteIndex", K::kAlphaTable, 8, 0},
    {"copyright", K::kText, 9, 0},
    {"compressionDataSize", K::kValue, 10, 0},
};

constexpr int kPcxVersionWord = 2;
constexpr int32_t kPcxDefaultVersion = 5;
constexpr int kPngTransparencyEntryWord = 7;

std::span<const GroupEntry> GroupOf(int32_t format) {
  switch (format) {
    case kFormatTiff: return kTiffGroup;
    case kFormatZoltra: return kZoltraGroup;
    case kFormatBmp: return kBmpGroup;
    case kFormatGif: return kGifGroup;
    case kFormatJpeg:
    case kFormatJpegLib: return kJpegGroup;
    case kFormatPcx: return kPcxGroup;
    case kFormatPng: return kPngGroup;
    default: return {};
  }
}

}  // namespace

bool IpiFormatHasExtras(int32_t format) { return !GroupOf(format).empty(); }

IpiFormatExtras* IpiNewFormatExtras(int32_t format) {
  if (!IpiFormatHasExtras(format)) return nullptr;
  auto* extras = new IpiFormatExtras;
  extras->format = format;
  if (format == kFormatPcx) extras->words[kPcxVersionWord] = kPcxDefaultVersion;
  if (format == kFormatPng) extras->words[kPngTransparencyEntryWord] = kAlphaTableBytes;
  return extras;
}

const GroupEntry* IpiFindGroupEntry(int32_t format, const char* name) {
  if (name == nullptr) return nullptr;
  for (const GroupEntry& entry : GroupOf(format)) {
    if (std::strcmp(entry.name, name) == 0) return &entry;
  }
  return nullptr;
}

void IpiFormatExtrasDeleter::operator()(IpiFormatExtras* extras) const { delete extras; }
