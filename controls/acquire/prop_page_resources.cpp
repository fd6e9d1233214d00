// The property pages' dialogs and strings.
#include "prop_page_resources.h"

#include <cstring>
#include <vector>

#include "plat/ctl/dialog_items.h"
#include "prop_page_ids.h"

namespace mirrask {
namespace {

using namespace plat;

constexpr int kPageWidth = 250;
constexpr int kPageHeight = 110;

const DialogTemplate& GeneralDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(kPageWidth, kPageHeight, {
      DialogCheckBox("取り込み時に入力画面を表示する(&U)", kIdShowUi, 7, 7, 200),
      DialogLabel("入力元(&S):", 7, 25, 56),
      DialogDropDownList(kIdInputSource, 66, 23, 90, 50),
      DialogGroupBox("ﾌｧｲﾙ保存", 7, 42, 236, 62),
      DialogCheckBox("自動保存する(&X)", kIdAutoSave, 14, 53, 120),
      DialogLabel("ﾌｧｲﾙ名の生成規則(&N):", 14, 69, 82),
      DialogEdit(kIdFileNameFormat, 98, 67, 138),
      DialogLabel("保存先(&D):", 14, 87, 82),
      DialogEdit(kIdSaveDataPath, 98, 85, 90),
      DialogPushButton("参照(&B)...", kIdBrowseSavePath, 192, 84, 44),
  });
  return dialog;
}

const DialogTemplate& ScannerDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(kPageWidth, kPageHeight, {
      DialogCheckBox("ｵｰﾄﾄﾞｷｭﾒﾝﾄﾌｨｰﾀﾞを使用する(&F)", kIdAutoFeeder, 7, 7, 200),
      DialogLabel("用紙ｻｲｽﾞ(&P):", 7, 25, 56),
      DialogDropDownList(kIdPaperSize, 66, 23, 90, 120),
      DialogGroupBox("ﾕｰｻﾞ定義ｻｲｽﾞの指定", 7, 42, 236, 62),
      DialogLabel("単位(&U):", 14, 55, 40),
      DialogDropDownList(kIdSrcRectUnit, 56, 53, 80, 50),
      DialogLabel("左(&L):", 14, 72, 40),
      DialogEdit(kIdSrcLeft, 56, 70, 60),
      DialogSpinButton(kIdSrcLeftSpin, 106, 70),
      DialogLabel("上(&T):", 128, 72, 40),
      DialogEdit(kIdSrcTop, 170, 70, 60),
      DialogSpinButton(kIdSrcTopSpin, 220, 70),
      DialogLabel("幅(&W):", 14, 89, 40),
      DialogEdit(kIdSrcWidth, 56, 87, 60),
      DialogSpinButton(kIdSrcWidthSpin, 106, 87),
      DialogLabel("高さ(&H):", 128, 89, 40),
      DialogEdit(kIdSrcHeight, 170, 87, 60),
      DialogSpinButton(kIdSrcHeightSpin, 220, 87),
  });
  return dialog;
}

const DialogTemplate& PhotoCdDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(kPageWidth, kPageHeight, {
      DialogLabel("解像度(&R):", 7, 9, 70),
      DialogDropDownList(kIdPcdDataSize, 80, 7, 110, 100),
      DialogLabel("Photo CDのﾊﾟｽ(&P):", 7, 29, 70),
      DialogEdit(kIdPcdPath, 80, 27, 110),
      DialogPushButton("参照(&B)...", kIdBrowsePcdPath, 194, 26, 44),
  });
  return dialog;
}

const DialogTemplate& SaveFormatDialog() {
  static const DialogTemplate dialog = PropertyPageTemplate(kPageWidth, kPageHeight, {
      DialogLabel("ﾌｧｲﾙ形式(&F):", 7, 9, 58),
      DialogDropDownList(kIdMediaFormat, 68, 7, 80, 80),
      DialogLabel("圧縮形式(&C):", 7, 27, 58),
      DialogDropDownList(kIdCompression, 68, 25, 80, 100),
      DialogLabel("色数(&D):", 7, 45, 58),
      DialogDropDownList(kIdColorDepth, 68, 43, 80, 90),
      DialogLabel("JPEG品質(&Q):", 7, 63, 58),
      DialogEdit(kIdQuality, 68, 61, 36),
      DialogSpinButton(kIdQualitySpin, 94, 61),
      DialogCheckBox("ｲﾝﾀｰﾚｰｽ(&I)", kIdInterlaced, 7, 80, 90),
      DialogCheckBox("ﾏﾙﾁﾍﾟｰｼﾞ(&M)", kIdMultiPage, 7, 94, 90),
      DialogGroupBox("ｻｲｽﾞ", 158, 5, 85, 76),
      DialogLabel("幅(&W):", 164, 20, 28),
      DialogEdit(kIdImageWidth, 194, 18, 44),
      DialogSpinButton(kIdImageWidthSpin, 228, 18),
      DialogLabel("高さ(&H):", 164, 38, 28),
      DialogEdit(kIdImageHeight, 194, 36, 44),
      DialogSpinButton(kIdImageHeightSpin, 228, 36),
      DialogCheckBox("縦横比を守る(&K)", kIdAspectRatio, 164, 58, 76),
  });
  return dialog;
}

constexpr const char* kInputSourceItems[] = {"TWAIN機器", "Photo CD"};
constexpr const char* kPaperSizeItems[] = {
    "ﾃﾞﾌｫﾙﾄ",  "最大ｻｲｽﾞ", "ﾕｰｻﾞ定義", "A3 (縦)", "A4 (縦)", "A5 (縦)", "B4 (縦)",    "B5 (縦)",   "A3 (横)",
    "A4 (横)", "A5 (横)",  "B4 (横)",  "B5 (横)", "Letter",  "Legal",   "ﾊｶﾞｷ (縦)", "ﾊｶﾞｷ (横)",
};
constexpr const char* kUnitItems[] = {"ﾋﾟｸｾﾙ", "ｲﾝﾁ", "ｾﾝﾁﾒｰﾄﾙ"};
constexpr const char* kPcdDataSizeItems[] = {
    "1/64倍 (64 x 96)",  "1/16倍 (128 x 192)", "1/4倍 (256 x 384)",  "標準 (512 x 768)",
    "4倍 (1024 x 1536)", "16倍 (2048 x 3072)", "64倍 (4096 x 6144)",
};
constexpr const char* kColorDepthItems[] = {"ﾃﾞﾌｫﾙﾄ", "2色", "16色", "256色", "256階調ｸﾞﾚｰｽｹｰﾙ", "1677万色"};

struct StringRow {
  int id;
  const char* text;
};

// The string table. "GIF形式" (304) and "LZW圧縮" (322) are kept for the
// table's numbering; the save format page does not offer them.
constexpr StringRow kStrings[] = {
    {kStringPageTypeName, kPageTypeName},
    {kGeneralPageDialog, "全般"},
    {kScannerPageDialog, "TWAIN機器"},
    {kPhotoCdPageDialog, "Photo CD"},
    {kSaveFormatPageDialog, "保存形式"},
    {kStringSaveFolderTitle, "ﾌｧｲﾙを保存するﾌｫﾙﾀﾞを選んでください。"},
    {kStringPcdFolderTitle, "Photo CDのあるﾌｫﾙﾀﾞを選んでください。"},
    {kStringFirstFormat + 0, "BMP形式"},
    {kStringFirstFormat + 1, "TIFF形式"},
    {kStringFirstFormat + 2, "JPEG形式"},
    {kStringFirstFormat + 3, "PCX形式"},
    {kStringFirstFormat + 4, "GIF形式"},
    {kStringFirstFormat + 5, "PNG形式"},
    {kStringFirstCompression + 0, "非圧縮"},
    {kStringFirstCompression + 1, "RLE圧縮"},
    {kStringFirstCompression + 2, "LZW圧縮"},
    {kStringFirstCompression + 3, "PackBits圧縮"},
    {kStringFirstCompression + 4, "Huffman圧縮"},
    {kStringFirstCompression + 5, "MH圧縮"},
    {kStringFirstCompression + 6, "MR圧縮"},
    {kStringFirstCompression + 7, "MMR圧縮"},
};

std::vector<ResourceEntry> MakeEntries() {
  std::vector<ResourceEntry> entries;
  const std::pair<int, const DialogTemplate*> dialogs[] = {
      {kGeneralPageDialog, &GeneralDialog()},
      {kScannerPageDialog, &ScannerDialog()},
      {kPhotoCdPageDialog, &PhotoCdDialog()},
      {kSaveFormatPageDialog, &SaveFormatDialog()},
  };
  for (const auto& [id, dialog] : dialogs) entries.push_back({RT_DIALOG, id, nullptr, dialog, sizeof(DialogTemplate)});
  for (const StringRow& row : kStrings) entries.push_back({RT_STRING, row.id, nullptr, row.text, std::strlen(row.text)});
  return entries;
}

}  // namespace

std::span<const char* const> InputSourceItems() { return kInputSourceItems; }
std::span<const char* const> PaperSizeItems() { return kPaperSizeItems; }
std::span<const char* const> UnitItems() { return kUnitItems; }
std::span<const char* const> PcdDataSizeItems() { return kPcdDataSizeItems; }
std::span<const char* const> ColorDepthItems() { return kColorDepthItems; }

std::span<const ResourceEntry> PropertyPageResources() {
  static const std::vector<ResourceEntry> entries = MakeEntries();
  return entries;
}

}  // namespace mirrask
