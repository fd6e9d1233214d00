// The property pages' dialogs and strings. Each label sits just before its
// field, so its mnemonic reaches the field; each spin button follows its
// edit, which it takes as its buddy.
#include "prop_page_resources.h"

#include <cstring>
#include <vector>

#include "plat/dialog.h"
#include "plat/updown.h"
#include "prop_page_ids.h"

namespace mirrask {
namespace {

using namespace plat;

constexpr int kPageWidth = 250;
constexpr int kPageHeight = 110;

DialogItemTemplate Label(const char* text, int x, int y, int cx) {
  return {kStaticClass, text, -1, WS_VISIBLE | SS_LEFT, 0, x, y, cx, 8};
}
DialogItemTemplate Group(const char* text, int x, int y, int cx, int cy) {
  return {kButtonClass, text, -1, WS_VISIBLE | BS_GROUPBOX, 0, x, y, cx, cy};
}
DialogItemTemplate Check(const char* text, int id, int x, int y, int cx) {
  return {kButtonClass, text, id, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, y, cx, 10};
}
// `drop_cy`: the height of the field with its list dropped.
DialogItemTemplate List(int id, int x, int y, int cx, int drop_cy) {
  return {kComboBoxClass, "", id, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, x, y, cx, drop_cy};
}
DialogItemTemplate Edit(int id, int x, int y, int cx) {
  return {kEditClass, "", id, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, x, y, cx, 12};
}
// Placed at the right edge of the edit just before it.
DialogItemTemplate Spin(int id, int x, int y) {
  return {kUpDownClass, "", id,
          WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, x, y, 10,
          12};
}
DialogItemTemplate Push(const char* text, int id, int x, int y, int cx) {
  return {kButtonClass, text, id, WS_VISIBLE | WS_TABSTOP, 0, x, y, cx, 14};
}

DialogTemplate Page(std::vector<DialogItemTemplate> items) {
  DialogTemplate dialog;
  dialog.style = WS_CHILD | DS_CONTROL;
  dialog.cx = kPageWidth;
  dialog.cy = kPageHeight;
  dialog.items = std::move(items);
  return dialog;
}

const DialogTemplate& GeneralDialog() {
  static const DialogTemplate dialog = Page({
      Check("取り込み時に入力画面を表示する(&U)", kIdShowUi, 7, 7, 200),
      Label("入力元(&S):", 7, 25, 56),
      List(kIdInputSource, 66, 23, 90, 50),
      Group("ﾌｧｲﾙ保存", 7, 42, 236, 62),
      Check("自動保存する(&X)", kIdAutoSave, 14, 53, 120),
      Label("ﾌｧｲﾙ名の生成規則(&N):", 14, 69, 82),
      Edit(kIdFileNameFormat, 98, 67, 138),
      Label("保存先(&D):", 14, 87, 82),
      Edit(kIdSaveDataPath, 98, 85, 90),
      Push("参照(&B)...", kIdBrowseSavePath, 192, 84, 44),
  });
  return dialog;
}

const DialogTemplate& ScannerDialog() {
  static const DialogTemplate dialog = Page({
      Check("ｵｰﾄﾄﾞｷｭﾒﾝﾄﾌｨｰﾀﾞを使用する(&F)", kIdAutoFeeder, 7, 7, 200),
      Label("用紙ｻｲｽﾞ(&P):", 7, 25, 56),
      List(kIdPaperSize, 66, 23, 90, 120),
      Group("ﾕｰｻﾞ定義ｻｲｽﾞの指定", 7, 42, 236, 62),
      Label("単位(&U):", 14, 55, 40),
      List(kIdSrcRectUnit, 56, 53, 80, 50),
      Label("左(&L):", 14, 72, 40),
      Edit(kIdSrcLeft, 56, 70, 60),
      Spin(kIdSrcLeftSpin, 106, 70),
      Label("上(&T):", 128, 72, 40),
      Edit(kIdSrcTop, 170, 70, 60),
      Spin(kIdSrcTopSpin, 220, 70),
      Label("幅(&W):", 14, 89, 40),
      Edit(kIdSrcWidth, 56, 87, 60),
      Spin(kIdSrcWidthSpin, 106, 87),
      Label("高さ(&H):", 128, 89, 40),
      Edit(kIdSrcHeight, 170, 87, 60),
      Spin(kIdSrcHeightSpin, 220, 87),
  });
  return dialog;
}

const DialogTemplate& PhotoCdDialog() {
  static const DialogTemplate dialog = Page({
      Label("解像度(&R):", 7, 9, 70),
      List(kIdPcdDataSize, 80, 7, 110, 100),
      Label("Photo CDのﾊﾟｽ(&P):", 7, 29, 70),
      Edit(kIdPcdPath, 80, 27, 110),
      Push("参照(&B)...", kIdBrowsePcdPath, 194, 26, 44),
  });
  return dialog;
}

const DialogTemplate& SaveFormatDialog() {
  static const DialogTemplate dialog = Page({
      Label("ﾌｧｲﾙ形式(&F):", 7, 9, 58),
      List(kIdMediaFormat, 68, 7, 80, 80),
      Label("圧縮形式(&C):", 7, 27, 58),
      List(kIdCompression, 68, 25, 80, 100),
      Label("色数(&D):", 7, 45, 58),
      List(kIdColorDepth, 68, 43, 80, 90),
      Label("JPEG品質(&Q):", 7, 63, 58),
      Edit(kIdQuality, 68, 61, 36),
      Spin(kIdQualitySpin, 94, 61),
      Check("ｲﾝﾀｰﾚｰｽ(&I)", kIdInterlaced, 7, 80, 90),
      Check("ﾏﾙﾁﾍﾟｰｼﾞ(&M)", kIdMultiPage, 7, 94, 90),
      Group("ｻｲｽﾞ", 158, 5, 85, 76),
      Label("幅(&W):", 164, 20, 28),
      Edit(kIdImageWidth, 194, 18, 44),
      Spin(kIdImageWidthSpin, 228, 18),
      Label("高さ(&H):", 164, 38, 28),
      Edit(kIdImageHeight, 194, 36, 44),
      Spin(kIdImageHeightSpin, 228, 36),
      Check("縦横比を守る(&K)", kIdAspectRatio, 164, 58, 76),
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
