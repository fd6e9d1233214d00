// The image edit control's property pages as hosts and tests see them:
// class and program identifiers, dialog and caption resource ids, and the
// ids of the pages' fields.
#ifndef CONTROLS_EDIT_PROP_PAGE_IDS_H_
#define CONTROLS_EDIT_PROP_PAGE_IDS_H_

#include "plat/oleaut/guid.h"

namespace ondavel {

inline constexpr plat::CLSID kGeneralPageClsid{
    0x6B3F1C30, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x10}};
inline constexpr plat::CLSID kSizePageClsid{
    0x6B3F1C31, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x11}};
inline constexpr plat::CLSID kColorPageClsid{
    0x6B3F1C32, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x12}};
inline constexpr plat::CLSID kTwainPageClsid{
    0x6B3F1C33, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x13}};
inline constexpr plat::CLSID kPcdPageClsid{
    0x6B3F1C34, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x14}};

inline constexpr const char kGeneralPageProgId[] = "Ondavel.ImgEditPropPage.1";
inline constexpr const char kSizePageProgId[] = "Ondavel.CEditSizePropPage";
inline constexpr const char kColorPageProgId[] = "Ondavel.CEditColorPropPage";
inline constexpr const char kTwainPageProgId[] = "Ondavel.CEditTwainPropPage";
inline constexpr const char kPcdPageProgId[] = "Ondavel.CEditPcdPropPage";

// Dialog resources.
constexpr int kGeneralPageDialog = 100;
constexpr int kTwainPageDialog = 204;
constexpr int kSizePageDialog = 205;
constexpr int kColorPageDialog = 206;
constexpr int kPcdPageDialog = 211;

// Strings: the captions, which also name the pages' classes in the
// registry, and the general page's type name.
constexpr int kStringPageTypeName = 2;
constexpr int kStringGeneralCaption = 100;
constexpr int kStringSizeCaption = 101;
constexpr int kStringColorCaption = 102;
constexpr int kStringTwainCaption = 103;
constexpr int kStringPcdCaption = 164;
inline constexpr const char kPageTypeName[] = "Ondavel ImageEdit Property Page";
inline constexpr const char kSizeCaption[] = "ｻｲｽﾞ変更ｵﾌﾟｼｮﾝ";
inline constexpr const char kColorCaption[] = "減色ｵﾌﾟｼｮﾝ";
inline constexpr const char kTwainCaption[] = "TWAIN機器";
inline constexpr const char kPcdCaption[] = "Photo CD";

// General page.
constexpr int kIdInputSource = 201;
constexpr int kIdShowUi = 202;
constexpr int kIdSaveInterlaced = 203;
constexpr int kIdSaveMediaFormat = 204;
constexpr int kIdSaveCompression = 205;
constexpr int kIdAutoColorDecrease = 224;
constexpr int kIdSaveQuality = 1031;
constexpr int kIdSaveQualitySpin = 1048;

// Resizing page.
constexpr int kIdAspectRatio = 207;
constexpr int kIdHorzPos = 221;
constexpr int kIdVertPos = 222;
constexpr int kIdMorphology = 223;
constexpr int kIdInterpolation = 224;

// Colour-reduction page.
constexpr int kIdThreshold = 226;
constexpr int kIdThresholdSpin = 227;
constexpr int kIdColorReduction = 228;

// Scanner page.
constexpr int kIdTwainAutoFeeder = 1002;
constexpr int kIdTwainPaperSize = 1003;
constexpr int kIdInputSrcUnit = 1004;
constexpr int kIdInputSrcWidth = 1005;
constexpr int kIdInputSrcHeight = 1006;
constexpr int kIdInputSrcLeft = 1007;
constexpr int kIdInputSrcTop = 1008;
constexpr int kIdInputSrcWidthSpin = 1017;
constexpr int kIdInputSrcHeightSpin = 1018;
constexpr int kIdInputSrcLeftSpin = 1019;
constexpr int kIdInputSrcTopSpin = 1021;
constexpr int kIdTwainColorDepth = 229;

// Photo-disc page.
constexpr int kIdPcdSelectColorDepth = 231;
constexpr int kIdPcdSelectDataSize = 232;

}  // namespace ondavel

#endif  // CONTROLS_EDIT_PROP_PAGE_IDS_H_
