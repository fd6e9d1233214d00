// The acquisition dialogs on the platform's dialog manager: templates in
// code, texts in Japanese, each run modally on the calling thread.
#include "acquire/dialogs/acquire_dialogs.h"

#include <algorithm>
#include <string>

#include "acquire/dialogs/dialog_ids.h"
#include "plat/acquire/acquire_constants.h"
#include "plat/dialog.h"

namespace plat::acquire {

namespace {

constexpr DWORD kDialogStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
constexpr DWORD kTab = WS_CHILD | WS_VISIBLE | WS_TABSTOP;
constexpr DWORD kLabel = WS_CHILD | WS_VISIBLE | SS_LEFT;
constexpr DWORD kDropList = kTab | CBS_DROPDOWNLIST | WS_VSCROLL;

// Shows `dialog` modally; 1 confirmed, 0 cancelled, -1 with 8000 when it
// could not be made.
int Run(const DialogTemplate& dialog, HWND owner, DLGPROC proc, void* context, int& error) {
  const INT_PTR answer = DialogBoxIndirectParam(nullptr, &dialog, owner, proc, reinterpret_cast<LPARAM>(context));
  if (answer == IDOK) return 1;
  if (answer == -1) {
    error = qrvErrDeviceError;
    return -1;
  }
  return 0;
}

template <typename Context>
Context* ContextOf(HWND dialog, UINT message, LPARAM lparam) {
  if (message == WM_INITDIALOG) SetWindowLongPtr(dialog, DWLP_USER, lparam);
  return reinterpret_cast<Context*>(GetWindowLongPtr(dialog, DWLP_USER));
}

void AddChoice(HWND dialog, int id, const char* text) {
  SendDlgItemMessage(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

int Selected(HWND dialog, int id) { return static_cast<int>(SendDlgItemMessage(dialog, id, CB_GETCURSEL, 0, 0)); }

// The source list.

struct SourceListContext {
  const std::vector<SourceEntry>* sources;
  std::string* name;
};

const DialogTemplate kSourceListTemplate{
    .style = kDialogStyle,
    .cx = 220,
    .cy = 118,
    .title = "スキャナの選択",
    .items = {
        {kStaticClass, "使用するスキャナを選んでください:", -1, kLabel, 0, 7, 7, 206, 10},
        {kListBoxClass, "", kSourceListId, kTab | WS_BORDER | WS_VSCROLL | LBS_NOTIFY, 0, 7, 19, 206, 72},
        {kButtonClass, "選択", IDOK, kTab | BS_DEFPUSHBUTTON, 0, 109, 97, 50, 14},
        {kButtonClass, "キャンセル", IDCANCEL, kTab, 0, 163, 97, 50, 14},
    }};

INT_PTR SourceListProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* context = ContextOf<SourceListContext>(dialog, message, lparam);
  if (context == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      int selected = 0;
      for (size_t i = 0; i < context->sources->size(); ++i) {
        const SourceEntry& source = (*context->sources)[i];
        std::string line = source.name;
        if (!source.vendor.empty() || !source.model.empty()) line += "  (" + source.vendor + " " + source.model + ")";
        SendDlgItemMessage(dialog, kSourceListId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
        if (source.name == *context->name) selected = static_cast<int>(i);
      }
      SendDlgItemMessage(dialog, kSourceListId, LB_SETCURSEL, static_cast<WPARAM>(selected), 0);
      return TRUE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wparam);
      if (id == kSourceListId && HIWORD(wparam) == LBN_DBLCLK) id = IDOK;
      if (id == IDOK) {
        const auto chosen = static_cast<int>(SendDlgItemMessage(dialog, kSourceListId, LB_GETCURSEL, 0, 0));
        if (chosen < 0 || static_cast<size_t>(chosen) >= context->sources->size()) return TRUE;
        *context->name = (*context->sources)[static_cast<size_t>(chosen)].name;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    }
    default:
      return FALSE;
  }
}

// The scan dialog.

struct ColourChoice {
  const char* text;
  int code;
};
constexpr ColourChoice kScanColours[] = {{"スキャナの設定", qrvColorDefault},
                                         {"白黒 (1 ビット)", qrvColorBitmap},
                                         {"グレースケール (8 ビット)", qrvColorGrayscale},
                                         {"フルカラー (24 ビット)", qrvColorRGB}};
constexpr int kResolutions[] = {0, 75, 100, 150, 200, 300, 400, 600};
// The program's paper list, in code order from "scanner default".
constexpr const char* kPaperTexts[] = {
    "スキャナの既定値", "スキャナの最大値", nullptr, "A3 縦", "A4 縦", "A5 縦", "B4 縦", "B5 縦", "A3 横",
    "A4 横",            "A5 横",            "B4 横", "B5 横", "レター", "リーガル", "はがき 縦", "はがき 横"};

const DialogTemplate kScanTemplate{
    .style = kDialogStyle,
    .cx = 220,
    .cy = 112,
    .title = "スキャン",
    .items = {
        {kStaticClass, "読み取りモード:", -1, kLabel, 0, 7, 9, 60, 10},
        {kComboBoxClass, "", kScanModeId, kDropList, 0, 70, 7, 143, 80},
        {kStaticClass, "解像度:", -1, kLabel, 0, 7, 27, 60, 10},
        {kComboBoxClass, "", kScanResolutionId, kDropList, 0, 70, 25, 143, 80},
        {kStaticClass, "読み取り範囲:", -1, kLabel, 0, 7, 45, 60, 10},
        {kComboBoxClass, "", kScanAreaId, kDropList, 0, 70, 43, 143, 120},
        {kButtonClass, "自動給紙 (ADF) を使う", kScanFeederId, kTab | BS_AUTOCHECKBOX, 0, 70, 62, 143, 12},
        {kButtonClass, "スキャン", IDOK, kTab | BS_DEFPUSHBUTTON, 0, 109, 91, 50, 14},
        {kButtonClass, "キャンセル", IDCANCEL, kTab, 0, 163, 91, 50, 14},
    }};

INT_PTR ScanProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* choice = ContextOf<ScanChoice>(dialog, message, lparam);
  if (choice == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG: {
      for (const ColourChoice& colour : kScanColours) AddChoice(dialog, kScanModeId, colour.text);
      for (int dpi : kResolutions) {
        AddChoice(dialog, kScanResolutionId, dpi == 0 ? "スキャナの設定" : (std::to_string(dpi) + " dpi").c_str());
      }
      // Every paper code but the user-defined area, which needs a rectangle.
      for (const char* text : kPaperTexts) {
        if (text != nullptr) AddChoice(dialog, kScanAreaId, text);
      }
      SendDlgItemMessage(dialog, kScanModeId, CB_SETCURSEL, 0, 0);
      SendDlgItemMessage(dialog, kScanResolutionId, CB_SETCURSEL, 0, 0);
      SendDlgItemMessage(dialog, kScanAreaId, CB_SETCURSEL, 0, 0);
      CheckDlgButton(dialog, kScanFeederId, choice->use_feeder ? BST_CHECKED : BST_UNCHECKED);
      return TRUE;
    }
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        const int mode = Selected(dialog, kScanModeId);
        const int resolution = Selected(dialog, kScanResolutionId);
        const int area = Selected(dialog, kScanAreaId);
        choice->color_code = mode >= 0 && mode < 4 ? kScanColours[mode].code : qrvColorDefault;
        choice->resolution_dpi = resolution >= 0 && resolution < 8 ? kResolutions[resolution] : 0;
        // The list skips code 2: entries from the third on stand for codes 3 and up.
        choice->paper_size = area < 0 ? qrvSizeDefault : area < 2 ? area : area + 1;
        choice->use_feeder = IsDlgButtonChecked(dialog, kScanFeederId) == BST_CHECKED;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

// The photo chooser.

struct PhotoContext {
  PhotoChoice* choice;
  int image_count;
};

constexpr const char* kDataSizeTexts[] = {"64 x 96", "128 x 192", "256 x 384", "512 x 768"};
constexpr ColourChoice kPhotoColours[] = {{"グレースケール (8 ビット)", qrvColorGrayscale},
                                          {"フルカラー (24 ビット)", qrvColorRGB}};

const DialogTemplate kPhotoTemplate{
    .style = kDialogStyle,
    .cx = 200,
    .cy = 96,
    .title = "フォト CD の画像",
    .items = {
        {kStaticClass, "画像:", -1, kLabel, 0, 7, 9, 56, 10},
        {kComboBoxClass, "", kPhotoImageId, kDropList, 0, 66, 7, 127, 120},
        {kStaticClass, "データサイズ:", -1, kLabel, 0, 7, 27, 56, 10},
        {kComboBoxClass, "", kPhotoDataSizeId, kDropList, 0, 66, 25, 127, 80},
        {kStaticClass, "色数:", -1, kLabel, 0, 7, 45, 56, 10},
        {kComboBoxClass, "", kPhotoColourId, kDropList, 0, 66, 43, 127, 80},
        {kButtonClass, "取り込み", IDOK, kTab | BS_DEFPUSHBUTTON, 0, 89, 75, 50, 14},
        {kButtonClass, "キャンセル", IDCANCEL, kTab, 0, 143, 75, 50, 14},
    }};

INT_PTR PhotoProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  auto* context = ContextOf<PhotoContext>(dialog, message, lparam);
  if (context == nullptr) return FALSE;
  PhotoChoice& choice = *context->choice;
  switch (message) {
    case WM_INITDIALOG:
      for (int image = 1; image <= context->image_count; ++image) {
        AddChoice(dialog, kPhotoImageId, ("IMG" + std::string(image < 1000 ? "0" : "") +
                                          std::string(image < 100 ? "0" : "") + std::string(image < 10 ? "0" : "") +
                                          std::to_string(image))
                                             .c_str());
      }
      for (const char* text : kDataSizeTexts) AddChoice(dialog, kPhotoDataSizeId, text);
      for (const ColourChoice& colour : kPhotoColours) AddChoice(dialog, kPhotoColourId, colour.text);
      SendDlgItemMessage(dialog, kPhotoImageId, CB_SETCURSEL, static_cast<WPARAM>(choice.image - 1), 0);
      SendDlgItemMessage(dialog, kPhotoDataSizeId, CB_SETCURSEL, static_cast<WPARAM>(choice.data_size - 1), 0);
      SendDlgItemMessage(dialog, kPhotoColourId, CB_SETCURSEL, choice.color_code == qrvColorGrayscale ? 0 : 1, 0);
      return TRUE;
    case WM_COMMAND:
      if (LOWORD(wparam) == IDOK) {
        const int image = Selected(dialog, kPhotoImageId);
        const int size = Selected(dialog, kPhotoDataSizeId);
        const int colour = Selected(dialog, kPhotoColourId);
        if (image >= 0) choice.image = image + 1;
        if (size >= 0 && size < 4) choice.data_size = size + 1;
        if (colour >= 0 && colour < 2) choice.color_code = kPhotoColours[colour].code;
        EndDialog(dialog, IDOK);
        return TRUE;
      }
      if (LOWORD(wparam) == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
        return TRUE;
      }
      return FALSE;
    default:
      return FALSE;
  }
}

}  // namespace

int RunSourceListDialog(HWND owner, const std::vector<SourceEntry>& sources, std::string& name, int& error) {
  SourceListContext context{&sources, &name};
  return Run(kSourceListTemplate, owner, &SourceListProc, &context, error);
}

int RunScanDialog(HWND owner, ScanChoice& choice, int& error) {
  return Run(kScanTemplate, owner, &ScanProc, &choice, error);
}

int RunPhotoDialog(HWND owner, int image_count, PhotoChoice& choice, int& error) {
  if (image_count <= 0) {
    error = qrvErrUnsetMediaData;
    return -1;
  }
  choice.image = std::min(std::max(choice.image, 1), image_count);
  PhotoContext context{&choice, image_count};
  return Run(kPhotoTemplate, owner, &PhotoProc, &context, error);
}

}  // namespace plat::acquire
