// The property pages' dialogs, strings and value tables. Texts shared by
// two tables share one string.
#include "prop_page_resources.h"

#include <cstring>
#include <set>

#include "plat/ctl/dialog_items.h"
#include "prop_page_ids.h"

namespace ondavel {
namespace {

using namespace plat;

// ---- Value tables ----------------------------------------------------------------------------

constexpr ValueString kInputSource[] = {{1, 104, "ﾌｧｲﾙ"}, {2, 105, "TWAIN機器"}, {3, 106, "Photo CD"}};
constexpr ValueString kFileFormat[] = {
    {101, 107, "BMP形式"}, {102, 108, "TIFF形式"}, {103, 109, "JPEG形式"}, {104, 110, "PCX形式"}, {106, 111, "PNG形式"},
};
constexpr ValueString kCompression[] = {
    {1, 114, "非圧縮"},        {101, 115, "RLE圧縮"}, {202, 117, "PackBits圧縮"}, {203, 118, "Huffman圧縮"},
    {204, 119, "MH圧縮"},      {205, 120, "MR圧縮"},  {206, 121, "MMR圧縮"},
};
constexpr ValueString kColorReduction[] = {
    {1, 122, "誤差拡散ﾃﾞｨｻﾞ"}, {2, 123, "ﾊﾟﾀｰﾝﾃﾞｨｻﾞ"}, {3, 124, "ﾃﾞｨｻﾞなし"}, {4, 125, "しきい値"},
};
constexpr ValueString kHorzPos[] = {{4, 126, "左揃え"}, {1, 127, "中央揃え"}, {5, 128, "右揃え"}};
constexpr ValueString kVertPos[] = {{2, 129, "上揃え"}, {1, 127, "中央揃え"}, {3, 130, "下揃え"}};
constexpr ValueString kMorphology[] = {
    {1, 131, "補正なし"}, {2, 132, "ONﾋﾟｸｾﾙに対して補正"}, {3, 133, "OFFﾋﾟｸｾﾙに対して補正"},
};
constexpr ValueString kInterpolation[] = {
    {1, 134, "補間なし"}, {2, 135, "線形補間"}, {3, 136, "3次Bｽﾌﾟﾗｲﾝ補間"}, {4, 137, "3次たたきこみ補間"},
};
constexpr ValueString kPaperSize[] = {
    {0, 138, "ﾃﾞﾌｫﾙﾄ"},   {1, 139, "最大ｻｲｽﾞ"}, {2, 140, "ﾕｰｻﾞ定義"},   {3, 141, "A3 (縦)"},   {4, 142, "A4 (縦)"},
    {5, 143, "A5 (縦)"},  {6, 144, "B4 (縦)"},  {7, 145, "B5 (縦)"},    {8, 146, "A3 (横)"},   {9, 147, "A4 (横)"},
    {10, 148, "A5 (横)"}, {11, 149, "B4 (横)"}, {12, 150, "B5 (横)"},   {13, 151, "Letter"},   {14, 152, "Legal"},
    {15, 153, "ﾊｶﾞｷ (縦)"}, {16, 154, "ﾊｶﾞｷ (横)"},
};
constexpr ValueString kUnit[] = {{1, 155, "ﾋﾟｸｾﾙ"}, {2, 156, "ｲﾝﾁ"}, {3, 157, "ｾﾝﾁﾒｰﾄﾙ"}};
constexpr ValueString kTwainColorDepth[] = {
    {0, 158, "ﾃﾞﾌｫﾙﾄ"}, {1, 159, "2色"}, {4, 160, "16色"}, {8, 161, "256色"}, {9, 162, "256階調ｸﾞﾚｰｽｹｰﾙ"},
    {12, 163, "1677万色"},
};
constexpr ValueString kPcdColorDepth[] = {
    {4, 160, "16色"}, {8, 161, "256色"}, {9, 162, "256階調ｸﾞﾚｰｽｹｰﾙ"}, {12, 163, "1677万色"},
};
constexpr ValueString kPcdDataSize[] = {
    {1, 165, "1/64倍 （64 x 96）"},     {2, 166, "1/16倍 （128 x 192）"}, {3, 167, "1/4倍 （256 x 384）"},
    {4, 168, "標準 （512 x 768）"},     {5, 169, "4倍 （1024 x 1536）"},  {6, 170, "16倍 （2048 x 3072）"},
    {7, 171, "64倍 （4096 x 6144）"},
};

// Strings that are neither a caption nor in a table; the file formats and
// compressions no list offers keep their place in the string table.
struct StringRow {
  int id;
  const char* text;
};
constexpr StringRow kOtherStrings[] = {
    {kStringPageTypeName, kPageTypeName},
    {kStringGeneralCaption, "全般"},
    {kStringSizeCaption, kSizeCaption},
    {kStringColorCaption, kColorCaption},
    {kStringTwainCaption, kTwainCaption},
    {kStringPcdCaption, kPcdCaption},
    {112, "GIF形式"},
    {113, "Zoltra形式"},
    {116, "LZW圧縮"},
};

// ---- Dialogs --------------------------------------------------------------------------------------

const DialogTemplate& GeneralDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(251, 112, {
      DialogCheckBox("ｲﾒｰｼﾞ表示時に自動減色をおこなう(&D)", kIdAutoColorDecrease, 7, 5, 237),
      DialogGroupBox("入力情報", 7, 18, 237, 40),
      DialogLabel("入力元(&S):", 14, 31, 50),
      DialogDropDownList(kIdInputSource, 66, 29, 90, 60),
      DialogCheckBox("取り込み時に入力画面を表示する(&U)", kIdShowUi, 14, 45, 200),
      DialogGroupBox("保存形式", 7, 61, 237, 47),
      DialogLabel("ﾌｧｲﾙ形式(&F):", 14, 74, 54),
      DialogDropDownList(kIdSaveMediaFormat, 70, 72, 76, 80),
      DialogLabel("圧縮形式(&C):", 14, 91, 54),
      DialogDropDownList(kIdSaveCompression, 70, 89, 76, 100),
      DialogLabel("JPEG品質(&Q): ", 152, 74, 46),
      DialogEdit(kIdSaveQuality, 200, 72, 34),
      DialogSpinButton(kIdSaveQualitySpin, 224, 72),
      DialogCheckBox("ｲﾝﾀｰﾚｰｽ(&I)", kIdSaveInterlaced, 152, 91, 84),
  });
  return dialog;
}

const DialogTemplate& SizeDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(250, 110, {
      DialogCheckBox("縦横比を守る(&K)", kIdAspectRatio, 7, 7, 150),
      DialogGroupBox("配置", 7, 21, 236, 44),
      DialogLabel("水平方向(&H):", 14, 34, 62),
      DialogDropDownList(kIdHorzPos, 80, 32, 90, 60),
      DialogLabel("垂直方向(&V):", 14, 50, 62),
      DialogDropDownList(kIdVertPos, 80, 48, 90, 60),
      DialogLabel("2値ｲﾒｰｼﾞ補正(&M):", 7, 73, 90),
      DialogDropDownList(kIdMorphology, 100, 71, 140, 60),
      DialogLabel("拡大縮小の補正方法(&I):", 7, 91, 90),
      DialogDropDownList(kIdInterpolation, 100, 89, 140, 70),
  });
  return dialog;
}

const DialogTemplate& ColorDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(250, 110, {
      DialogLabel("減色方法の指定(&R):", 7, 9, 80),
      DialogDropDownList(kIdColorReduction, 90, 7, 100, 70),
      DialogGroupBox("2値ｲﾒｰｼﾞ", 7, 27, 236, 32),
      DialogLabel("しきい値(&T): ", 14, 41, 50),
      DialogEdit(kIdThreshold, 66, 39, 40),
      DialogSpinButton(kIdThresholdSpin, 96, 39),
  });
  return dialog;
}

const DialogTemplate& TwainDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(250, 110, {
      DialogCheckBox("ｵｰﾄﾄﾞｷｭﾒﾝﾄﾌｨｰﾀﾞを使用する(&F）", kIdTwainAutoFeeder, 7, 5, 200),
      DialogLabel("用紙ｻｲｽﾞ(&P):", 7, 21, 50),
      DialogDropDownList(kIdTwainPaperSize, 58, 19, 80, 120),
      DialogLabel("色数(&C):", 146, 21, 30),
      DialogDropDownList(kIdTwainColorDepth, 178, 19, 65, 90),
      DialogGroupBox("ﾕｰｻﾞ定義ｻｲｽﾞの指定", 7, 36, 236, 70),
      DialogLabel("単位(&U):", 14, 49, 40),
      DialogDropDownList(kIdInputSrcUnit, 56, 47, 80, 60),
      DialogLabel("左(&L):", 14, 67, 40),
      DialogEdit(kIdInputSrcLeft, 56, 65, 60),
      DialogSpinButton(kIdInputSrcLeftSpin, 106, 65),
      DialogLabel("上(&T):", 128, 67, 40),
      DialogEdit(kIdInputSrcTop, 170, 65, 60),
      DialogSpinButton(kIdInputSrcTopSpin, 220, 65),
      DialogLabel("幅(&W):", 14, 85, 40),
      DialogEdit(kIdInputSrcWidth, 56, 83, 60),
      DialogSpinButton(kIdInputSrcWidthSpin, 106, 83),
      DialogLabel("高さ(&H):", 128, 85, 40),
      DialogEdit(kIdInputSrcHeight, 170, 83, 60),
      DialogSpinButton(kIdInputSrcHeightSpin, 220, 83),
  });
  return dialog;
}

const DialogTemplate& PcdDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(250, 110, {
      DialogLabel("色数(&C):", 7, 9, 50),
      DialogDropDownList(kIdPcdSelectColorDepth, 60, 7, 90, 70),
      DialogLabel("解像度(&R):", 7, 27, 50),
      DialogDropDownList(kIdPcdSelectDataSize, 60, 25, 120, 100),
  });
  return dialog;
}

std::vector<ResourceEntry> MakeEntries() {
  std::vector<ResourceEntry> entries;
  const std::pair<int, const DialogTemplate*> dialogs[] = {
      {kGeneralPageDialog, &GeneralDialog()}, {kTwainPageDialog, &TwainDialog()}, {kSizePageDialog, &SizeDialog()},
      {kColorPageDialog, &ColorDialog()},     {kPcdPageDialog, &PcdDialog()},
  };
  for (const auto& [id, dialog] : dialogs) entries.push_back({RT_DIALOG, id, nullptr, dialog, sizeof(DialogTemplate)});
  std::set<int> added;
  auto add_string = [&](int id, const char* text) {
    if (added.insert(id).second) entries.push_back({RT_STRING, id, nullptr, text, std::strlen(text)});
  };
  for (const StringRow& row : kOtherStrings) add_string(row.id, row.text);
  for (std::span<const ValueString> table :
       {InputSourceTable(), FileFormatTable(), CompressionTable(), ColorReductionTable(), HorzPosTable(),
        VertPosTable(), MorphologyTable(), InterpolationTable(), PaperSizeTable(), UnitTable(),
        TwainColorDepthTable(), PcdColorDepthTable(), PcdDataSizeTable()}) {
    for (const ValueString& row : table) add_string(row.string_id, row.text);
  }
  return entries;
}

}  // namespace

std::span<const ValueString> InputSourceTable() { return kInputSource; }
std::span<const ValueString> FileFormatTable() { return kFileFormat; }
std::span<const ValueString> CompressionTable() { return kCompression; }
std::span<const ValueString> ColorReductionTable() { return kColorReduction; }
std::span<const ValueString> HorzPosTable() { return kHorzPos; }
std::span<const ValueString> VertPosTable() { return kVertPos; }
std::span<const ValueString> MorphologyTable() { return kMorphology; }
std::span<const ValueString> InterpolationTable() { return kInterpolation; }
std::span<const ValueString> PaperSizeTable() { return kPaperSize; }
std::span<const ValueString> UnitTable() { return kUnit; }
std::span<const ValueString> TwainColorDepthTable() { return kTwainColorDepth; }
std::span<const ValueString> PcdColorDepthTable() { return kPcdColorDepth; }
std::span<const ValueString> PcdDataSizeTable() { return kPcdDataSize; }

std::vector<int> ValuesOf(std::span<const ValueString> table) {
  std::vector<int> values;
  for (const ValueString& row : table) values.push_back(row.value);
  return values;
}

std::vector<int> StringIdsOf(std::span<const ValueString> table) {
  std::vector<int> ids;
  for (const ValueString& row : table) ids.push_back(row.string_id);
  return ids;
}

std::span<const ResourceEntry> PropertyPageResources() {
  static const std::vector<ResourceEntry> entries = MakeEntries();
  return entries;
}

}  // namespace ondavel
