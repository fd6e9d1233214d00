// TIFF tag numbers, field types and tag values, as published in the TIFF 6.0
// standard (1992), shared by the TIFF reader and writer.
#ifndef PELRITH_INTERCHANGE_TIFF_TIFF_TAGS_H_
#define PELRITH_INTERCHANGE_TIFF_TIFF_TAGS_H_

#include <cstdint>

// Byte order marks (the first two bytes) and the version word 42.
inline constexpr uint16_t kTiffLittleEndianMark = 0x4949;  // "II"
inline constexpr uint16_t kTiffBigEndianMark = 0x4D4D;     // "MM"
inline constexpr uint16_t kTiffVersion = 42;
inline constexpr uint8_t kTiffLittleEndianMagic[4] = {0x49, 0x49, 0x2A, 0x00};  // "II*\0"
inline constexpr uint8_t kTiffBigEndianMagic[4] = {0x4D, 0x4D, 0x00, 0x2A};     // "MM\0*"
inline constexpr uint32_t kTiffHeaderBytes = 8;
inline constexpr uint32_t kTiffDirectoryEntryBytes = 12;

// Field types and their sizes in bytes.
inline constexpr uint16_t kTiffTypeByte = 1;
inline constexpr uint16_t kTiffTypeAscii = 2;
inline constexpr uint16_t kTiffTypeShort = 3;
inline constexpr uint16_t kTiffTypeLong = 4;
inline constexpr uint16_t kTiffTypeRational = 5;
inline constexpr uint16_t kTiffTypeSByte = 6;
inline constexpr uint16_t kTiffTypeUndefined = 7;
inline constexpr uint16_t kTiffTypeSShort = 8;
inline constexpr uint16_t kTiffTypeSLong = 9;
inline constexpr uint16_t kTiffTypeSRational = 10;
inline constexpr uint16_t kTiffTypeFloat = 11;
inline constexpr uint16_t kTiffTypeDouble = 12;
// Bytes of one value of a field type; 0 for an unknown type.
inline constexpr uint32_t TiffTypeBytes(uint16_t type) {
  switch (type) {
    case kTiffTypeByte: case kTiffTypeAscii: case kTiffTypeSByte: case kTiffTypeUndefined:
      return 1;
    case kTiffTypeShort: case kTiffTypeSShort:
      return 2;
    case kTiffTypeLong: case kTiffTypeSLong: case kTiffTypeFloat:
      return 4;
    case kTiffTypeRational: case kTiffTypeSRational: case kTiffTypeDouble:
      return 8;
    default:
      return 0;
  }
}

// Tags.
inline constexpr uint16_t kTiffTagNewSubfileType = 254;
inline constexpr uint16_t kTiffTagSubfileType = 255;
inline constexpr uint16_t kTiffTagImageWidth = 256;
inline constexpr uint16_t kTiffTagImageLength = 257;
inline constexpr uint16_t kTiffTagBitsPerSample = 258;
inline constexpr uint16_t kTiffTagCompression = 259;
inline constexpr uint16_t kTiffTagPhotometricInterpretation = 262;
inline constexpr uint16_t kTiffTagThreshholding = 263;
inline constexpr uint16_t kTiffTagCellWidth = 264;
inline constexpr uint16_t kTiffTagCellLength = 265;
inline constexpr uint16_t kTiffTagFillOrder = 266;
inline constexpr uint16_t kTiffTagDocumentName = 269;
inline constexpr uint16_t kTiffTagImageDescription = 270;
inline constexpr uint16_t kTiffTagMake = 271;
inline constexpr uint16_t kTiffTagModel = 272;
inline constexpr uint16_t kTiffTagStripOffsets = 273;
inline constexpr uint16_t kTiffTagOrientation = 274;
inline constexpr uint16_t kTiffTagSamplesPerPixel = 277;
inline constexpr uint16_t kTiffTagRowsPerStrip = 278;
inline constexpr uint16_t kTiffTagStripByteCounts = 279;
inline constexpr uint16_t kTiffTagMinSampleValue = 280;
inline constexpr uint16_t kTiffTagMaxSampleValue = 281;
inline constexpr uint16_t kTiffTagXResolution = 282;
inline constexpr uint16_t kTiffTagYResolution = 283;
inline constexpr uint16_t kTiffTagPlanarConfiguration = 284;
inline constexpr uint16_t kTiffTagPageName = 285;
inline constexpr uint16_t kTiffTagXPosition = 286;
inline constexpr uint16_t kTiffTagYPosition = 287;
inline constexpr uint16_t kTiffTagFreeOffsets = 288;
inline constexpr uint16_t kTiffTagFreeByteCounts = 289;
inline constexpr uint16_t kTiffTagGrayResponseUnit = 290;
inline constexpr uint16_t kTiffTagGrayResponseCurve = 291;
inline constexpr uint16_t kTiffTagT4Options = 292;
inline constexpr uint16_t kTiffTagT6Options = 293;
inline constexpr uint16_t kTiffTagResolutionUnit = 296;
inline constexpr uint16_t kTiffTagPageNumber = 297;
inline constexpr uint16_t kTiffTagTransferFunction = 301;
inline constexpr uint16_t kTiffTagSoftware = 305;
inline constexpr uint16_t kTiffTagDateTime = 306;
inline constexpr uint16_t kTiffTagArtist = 315;
inline constexpr uint16_t kTiffTagHostComputer = 316;
inline constexpr uint16_t kTiffTagPredictor = 317;
inline constexpr uint16_t kTiffTagWhitePoint = 318;
inline constexpr uint16_t kTiffTagPrimaryChromaticities = 319;
inline constexpr uint16_t kTiffTagColorMap = 320;
inline constexpr uint16_t kTiffTagHalftoneHints = 321;
inline constexpr uint16_t kTiffTagTileWidth = 322;
inline constexpr uint16_t kTiffTagTileLength = 323;
inline constexpr uint16_t kTiffTagTileOffsets = 324;
inline constexpr uint16_t kTiffTagTileByteCounts = 325;
inline constexpr uint16_t kTiffTagInkSet = 332;
inline constexpr uint16_t kTiffTagInkNames = 333;
inline constexpr uint16_t kTiffTagNumberOfInks = 334;
inline constexpr uint16_t kTiffTagDotRange = 336;
inline constexpr uint16_t kTiffTagTargetPrinter = 337;
inline constexpr uint16_t kTiffTagExtraSamples = 338;
inline constexpr uint16_t kTiffTagSampleFormat = 339;
inline constexpr uint16_t kTiffTagSMinSampleValue = 340;
inline constexpr uint16_t kTiffTagSMaxSampleValue = 341;
inline constexpr uint16_t kTiffTagTransferRange = 342;
inline constexpr uint16_t kTiffTagJpegProc = 512;
inline constexpr uint16_t kTiffTagJpegInterchangeFormat = 513;
inline constexpr uint16_t kTiffTagJpegInterchangeFormatLength = 514;
inline constexpr uint16_t kTiffTagJpegRestartInterval = 515;
inline constexpr uint16_t kTiffTagJpegLosslessPredictors = 517;
inline constexpr uint16_t kTiffTagJpegPointTransforms = 518;
inline constexpr uint16_t kTiffTagJpegQTables = 519;
inline constexpr uint16_t kTiffTagJpegDcTables = 520;
inline constexpr uint16_t kTiffTagJpegAcTables = 521;
inline constexpr uint16_t kTiffTagYCbCrCoefficients = 529;
inline constexpr uint16_t kTiffTagYCbCrSubSampling = 530;
inline constexpr uint16_t kTiffTagYCbCrPositioning = 531;
inline constexpr uint16_t kTiffTagReferenceBlackWhite = 532;
inline constexpr uint16_t kTiffTagCopyright = 33432;

// NewSubfileType bits.
inline constexpr uint32_t kTiffSubfileReducedImage = 1;
inline constexpr uint32_t kTiffSubfilePage = 2;
inline constexpr uint32_t kTiffSubfileMask = 4;
// SubfileType values.
inline constexpr uint16_t kTiffSubfileTypeImage = 1;
inline constexpr uint16_t kTiffSubfileTypeReducedImage = 2;
inline constexpr uint16_t kTiffSubfileTypePage = 3;

// Compression.
inline constexpr uint16_t kTiffCompressionNone = 1;
inline constexpr uint16_t kTiffCompressionCcittRle = 2;   // modified Huffman
inline constexpr uint16_t kTiffCompressionCcittT4 = 3;    // Group 3 fax
inline constexpr uint16_t kTiffCompressionCcittT6 = 4;    // Group 4 fax
inline constexpr uint16_t kTiffCompressionLzw = 5;
inline constexpr uint16_t kTiffCompressionOJpeg = 6;
inline constexpr uint16_t kTiffCompressionJpeg = 7;
inline constexpr uint16_t kTiffCompressionPackBits = 32773;
// T4Options bits.
inline constexpr uint32_t kTiffT4Options2D = 1;
inline constexpr uint32_t kTiffT4OptionsUncompressed = 2;
inline constexpr uint32_t kTiffT4OptionsFillBits = 4;
// T6Options bits.
inline constexpr uint32_t kTiffT6OptionsUncompressed = 2;

// PhotometricInterpretation.
inline constexpr uint16_t kTiffPhotometricWhiteIsZero = 0;
inline constexpr uint16_t kTiffPhotometricBlackIsZero = 1;
inline constexpr uint16_t kTiffPhotometricRgb = 2;
inline constexpr uint16_t kTiffPhotometricPalette = 3;
inline constexpr uint16_t kTiffPhotometricTransparencyMask = 4;
inline constexpr uint16_t kTiffPhotometricSeparated = 5;
inline constexpr uint16_t kTiffPhotometricYCbCr = 6;
inline constexpr uint16_t kTiffPhotometricCieLab = 8;

// Threshholding.
inline constexpr uint16_t kTiffThreshholdingBilevel = 1;
inline constexpr uint16_t kTiffThreshholdingHalftone = 2;
inline constexpr uint16_t kTiffThreshholdingErrorDiffusion = 3;

// FillOrder.
inline constexpr uint16_t kTiffFillOrderMsbFirst = 1;
inline constexpr uint16_t kTiffFillOrderLsbFirst = 2;

// Orientation: where row 0 and column 0 lie.
inline constexpr uint16_t kTiffOrientationTopLeft = 1;
inline constexpr uint16_t kTiffOrientationTopRight = 2;
inline constexpr uint16_t kTiffOrientationBottomRight = 3;
inline constexpr uint16_t kTiffOrientationBottomLeft = 4;
inline constexpr uint16_t kTiffOrientationLeftTop = 5;
inline constexpr uint16_t kTiffOrientationRightTop = 6;
inline constexpr uint16_t kTiffOrientationRightBottom = 7;
inline constexpr uint16_t kTiffOrientationLeftBottom = 8;

// PlanarConfiguration.
inline constexpr uint16_t kTiffPlanarContiguous = 1;
inline constexpr uint16_t kTiffPlanarSeparate = 2;

// ResolutionUnit.
inline constexpr uint16_t kTiffResolutionUnitNone = 1;
inline constexpr uint16_t kTiffResolutionUnitInch = 2;
inline constexpr uint16_t kTiffResolutionUnitCentimetre = 3;

// Predictor.
inline constexpr uint16_t kTiffPredictorNone = 1;
inline constexpr uint16_t kTiffPredictorHorizontal = 2;

// ExtraSamples.
inline constexpr uint16_t kTiffExtraSampleUnspecified = 0;
inline constexpr uint16_t kTiffExtraSampleAssociatedAlpha = 1;
inline constexpr uint16_t kTiffExtraSampleUnassociatedAlpha = 2;

// SampleFormat.
inline constexpr uint16_t kTiffSampleFormatUnsigned = 1;
inline constexpr uint16_t kTiffSampleFormatSigned = 2;
inline constexpr uint16_t kTiffSampleFormatFloat = 3;
inline constexpr uint16_t kTiffSampleFormatUndefined = 4;

// InkSet.
inline constexpr uint16_t kTiffInkSetCmyk = 1;
inline constexpr uint16_t kTiffInkSetNotCmyk = 2;

// The library's codes for the values of the TIFF attribute group (the
// attributes "photometricInterpretation", "planarConfiguration",
// "orientation", "resolutionUnit", "newSubfileType") and the colour space and
// sampling factor codes the TIFF reader and writer map.
inline constexpr int32_t kPhotometricCodeWhiteIsZero = 222;
inline constexpr int32_t kPhotometricCodeBlackIsZero = 17;
inline constexpr int32_t kPhotometricCodeRgb = 121;
inline constexpr int32_t kPhotometricCodePalette = 157;
inline constexpr int32_t kPhotometricCodeTransparencyMask = 209;
inline constexpr int32_t kPhotometricCodeSeparated = 33;
inline constexpr int32_t kPhotometricCodeYCbCr = 219;
inline constexpr int32_t kPhotometricCodeCieLab = 24;
inline constexpr int32_t kColourSpaceCodeCieLab = 24;
inline constexpr int32_t kColourSpaceCodeCmyk = 33;
inline constexpr int32_t kPlanarCodeContiguous = 248;  // 0 counts as contiguous too
inline constexpr int32_t kPlanarCodeSeparate = 249;
inline constexpr int32_t kOrientationCodeTopLeft = 0;
inline constexpr int32_t kOrientationCodeTopRight = 117;
inline constexpr int32_t kOrientationCodeBottomRight = 1;
inline constexpr int32_t kOrientationCodeBottomLeft = 208;
inline constexpr int32_t kOrientationCodeLeftTop = 213;
inline constexpr int32_t kOrientationCodeRightTop = 2;
inline constexpr int32_t kOrientationCodeRightBottom = 132;
inline constexpr int32_t kOrientationCodeLeftBottom = 3;
inline constexpr int32_t kResolutionUnitCodeInch = 106;  // 0 counts as inch too
inline constexpr int32_t kResolutionUnitCodeCentimetre = 23;
inline constexpr int32_t kSubfileCodeImage = 252;  // 0 counts as a full image too
inline constexpr int32_t kSubfileCodeReducedImage = 253;
inline constexpr int32_t kSubfileCodePage = 254;
inline constexpr int32_t kSamplingFactorCode1x1 = 238;
inline constexpr int32_t kSamplingFactorCode2x1 = 239;
inline constexpr int32_t kSamplingFactorCode1x2 = 273;
inline constexpr int32_t kSamplingFactorCode2x2 = 240;

#endif  // PELRITH_INTERCHANGE_TIFF_TIFF_TAGS_H_
