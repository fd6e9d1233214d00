// The auto-acquire control's property pages as hosts and tests see them:
// class identifiers, program identifiers, dialog and string resource ids,
// and the ids of the pages' fields.
#ifndef CONTROLS_ACQUIRE_PROP_PAGE_IDS_H_
#define CONTROLS_ACQUIRE_PROP_PAGE_IDS_H_

#include "plat/oleaut/guid.h"

namespace mirrask {

inline constexpr plat::CLSID kGeneralPageClsid{
    0x5C1D7A20, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x10}};
inline constexpr plat::CLSID kScannerPageClsid{
    0x5C1D7A21, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x11}};
inline constexpr plat::CLSID kPhotoCdPageClsid{
    0x5C1D7A22, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x12}};
inline constexpr plat::CLSID kSaveFormatPageClsid{
    0x5C1D7A23, 0x3E2B, 0x4F61, {0x9A, 0x47, 0x2B, 0x8E, 0x0D, 0x6C, 0x4A, 0x13}};

inline constexpr const char kGeneralPageProgId[] = "Mirrask.ImgAcqPropPage1.1";
inline constexpr const char kScannerPageProgId[] = "Mirrask.ImgAcqPropPage2";
inline constexpr const char kPhotoCdPageProgId[] = "Mirrask.ImgAcqPropPage3";
inline constexpr const char kSaveFormatPageProgId[] = "Mirrask.ImgAcqPropPage4";

// Dialog resources; the caption strings have the same ids.
constexpr int kGeneralPageDialog = 100;
constexpr int kScannerPageDialog = 101;
constexpr int kPhotoCdPageDialog = 102;
constexpr int kSaveFormatPageDialog = 103;

// Strings. String 2 is the type name the page classes are registered under.
constexpr int kStringPageTypeName = 2;
inline constexpr const char kPageTypeName[] = "Mirrask ImageAcquire Property Page";
constexpr int kStringSaveFolderTitle = 201;
constexpr int kStringPcdFolderTitle = 202;
constexpr int kStringFirstFormat = 300;       // 300..305: BMP, TIFF, JPEG, PCX, GIF, PNG
constexpr int kStringFirstCompression = 320;  // 320..327: none, RLE, LZW, PackBits, Huffman, MH, MR, MMR

// General page.
constexpr int kIdShowUi = 201;
constexpr int kIdInputSource = 202;
constexpr int kIdAutoSave = 226;
constexpr int kIdFileNameFormat = 227;
constexpr int kIdSaveDataPath = 228;
constexpr int kIdBrowseSavePath = 230;

// Scanner page.
constexpr int kIdAutoFeeder = 203;
constexpr int kIdPaperSize = 204;
constexpr int kIdSrcRectUnit = 205;
constexpr int kIdSrcLeft = 206;  // 206..209 left, top, width, height
constexpr int kIdSrcTop = 207;
constexpr int kIdSrcWidth = 208;
constexpr int kIdSrcHeight = 209;
constexpr int kIdSrcLeftSpin = 210;  // 210..213, one per edit
constexpr int kIdSrcTopSpin = 211;
constexpr int kIdSrcWidthSpin = 212;
constexpr int kIdSrcHeightSpin = 213;

// Photo CD page.
constexpr int kIdPcdDataSize = 214;
constexpr int kIdPcdPath = 231;
constexpr int kIdBrowsePcdPath = 232;

// Save format page.
constexpr int kIdMultiPage = 201;
constexpr int kIdMediaFormat = 215;
constexpr int kIdCompression = 216;
constexpr int kIdColorDepth = 217;
constexpr int kIdInterlaced = 218;
constexpr int kIdQuality = 219;
constexpr int kIdImageWidth = 220;
constexpr int kIdImageHeight = 221;
constexpr int kIdAspectRatio = 222;
constexpr int kIdQualitySpin = 223;
constexpr int kIdImageWidthSpin = 224;
constexpr int kIdImageHeightSpin = 225;

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_PROP_PAGE_IDS_H_
