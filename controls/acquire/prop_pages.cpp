// The auto-acquire control's property pages. Every field is bound to one
// control property by name: the property link first, then the field's own
// exchange, and at the end the framework writes back only what the user
// changed. Drop-down lists map positions to values through a table; a value
// outside the table shows no selection and is never written back.
#include "prop_pages.h"

#include <array>
#include <memory>
#include <string>

#include "Mirrask.h"
#include "plat/ctl/property_page.h"
#include "plat/ctl/slider_spin_tab.h"
#include "plat/shell.h"
#include "prop_page_ids.h"
#include "prop_page_resources.h"

namespace mirrask {

using namespace plat;

namespace {

// ---- Value tables: list position -> property value -------------------------------------

constexpr std::array<int, 2> kInputSourceValues{qrvSrcTwain, qrvSrcPhotoCD};
constexpr std::array<int, 17> kPaperSizeValues{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
constexpr std::array<int, 3> kUnitValues{qrvUnitPixel, qrvUnitInch, qrvUnitCentimeter};
constexpr std::array<int, 7> kPcdDataSizeValues{1, 2, 3, 4, 5, 6, 7};
constexpr std::array<int, 5> kMediaFormatValues{qrvFileBMP, qrvFileTIFF, qrvFileJPEG, qrvFilePCX, qrvFilePNG};
constexpr std::array<int, 7> kCompressionValues{qrvCompNone,    qrvCompRLE, qrvCompPackbits, qrvCompHuffman,
                                                qrvCompMH,      qrvCompMR,  qrvCompMMR};
constexpr std::array<int, 6> kColorDepthValues{qrvColorDefault, qrvColorBitmap,    qrvColor16,
                                               qrvColor256,     qrvColorGrayscale, qrvColorRGB};
// The strings of the offered formats and compressions (GIF and LZW left out).
constexpr std::array<int, 5> kMediaFormatStrings{kStringFirstFormat + 0, kStringFirstFormat + 1,
                                                 kStringFirstFormat + 2, kStringFirstFormat + 3,
                                                 kStringFirstFormat + 5};
constexpr std::array<int, 7> kCompressionStrings{kStringFirstCompression + 0, kStringFirstCompression + 1,
                                                 kStringFirstCompression + 3, kStringFirstCompression + 4,
                                                 kStringFirstCompression + 5, kStringFirstCompression + 6,
                                                 kStringFirstCompression + 7};

constexpr int kSpinMax = 32767;
constexpr int kRectEditChars = 7;
constexpr int kQualityChars = 2;
constexpr int kSizeEditChars = 10;
constexpr int kQualityMin = 1;
constexpr int kQualityMax = 10;

// ---- Helpers shared by the pages ---------------------------------------------------------

struct ItemListDeleter {
  void operator()(ITEMIDLIST* pidl) const { ILFree(pidl); }
};

// The platform's folder dialog over `page`; a chosen file-system folder
// replaces the text of edit `edit_id`. The item list goes back to the
// shell's allocator on every path.
void BrowseIntoEdit(COlePropertyPage& page, HINSTANCE module, int title_id, int edit_id) {
  char title[512] = {};
  LoadString(module, static_cast<UINT>(title_id), title, sizeof(title));
  BROWSEINFO info;
  info.hwndOwner = page.GetSafeHwnd();
  info.title = title;
  info.flags = BIF_RETURNONLYFSDIRS;
  const std::unique_ptr<ITEMIDLIST, ItemListDeleter> chosen(SHBrowseForFolder(&info));
  if (!chosen) return;
  std::string path;
  if (SHGetPathFromIDList(chosen.get(), path)) SetDlgItemText(page.GetSafeHwnd(), edit_id, path.c_str());
}

// ---- The pages ------------------------------------------------------------------------------

class CQRVBImgAcquirePropPage : public COlePropertyPage {
 public:
  CQRVBImgAcquirePropPage() : COlePropertyPage(kGeneralPageDialog, kGeneralPageDialog) {}

  BOOL OnInitDialog() override {
    FillComboBox(m_hWnd, kIdInputSource, InputSourceItems());
    IgnoreApply(kIdBrowseSavePath);
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropCheck(dx, kIdShowUi, show_ui_, "ShowUI");
    ExchangePropList(dx, kIdInputSource, input_source_, "InputSource", kInputSourceValues);
    ExchangePropText(dx, kIdFileNameFormat, file_name_format_, "FileNameFormat");
    ExchangePropText(dx, kIdSaveDataPath, save_data_path_, "SaveDataPath");
    ExchangePropCheck(dx, kIdAutoSave, auto_save_, "AutoSave");
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    if (LOWORD(wparam) == kIdBrowseSavePath && HIWORD(wparam) == BN_CLICKED) {
      BrowseIntoEdit(*this, ResourceModule(), kStringSaveFolderTitle, kIdSaveDataPath);
    }
    return COlePropertyPage::OnCommand(wparam, lparam);
  }

 private:
  int show_ui_ = 0;
  int input_source_ = -1;
  std::string file_name_format_;
  std::string save_data_path_;
  int auto_save_ = 0;
};

class CQRVBImgAcquirePropPage2 : public COlePropertyPage {
 public:
  CQRVBImgAcquirePropPage2() : COlePropertyPage(kScannerPageDialog, kScannerPageDialog) {}

  BOOL OnInitDialog() override {
    FillComboBox(m_hWnd, kIdPaperSize, PaperSizeItems());
    FillComboBox(m_hWnd, kIdSrcRectUnit, UnitItems());
    for (int id : {kIdSrcLeft, kIdSrcTop, kIdSrcWidth, kIdSrcHeight}) LimitFieldText(m_hWnd, id, kRectEditChars);
    for (int id : {kIdSrcLeftSpin, kIdSrcTopSpin, kIdSrcWidthSpin, kIdSrcHeightSpin}) {
      SetSpinRange(m_hWnd, id, 0, kSpinMax);
    }
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropCheck(dx, kIdAutoFeeder, auto_feeder_, "TwainAutoFeeder");
    ExchangePropList(dx, kIdPaperSize, paper_size_, "TwainPaperSize", kPaperSizeValues);
    ExchangePropList(dx, kIdSrcRectUnit, unit_, "SrcRectUnit", kUnitValues);
    ExchangePropText(dx, kIdSrcLeft, left_, "SrcLeft");
    ExchangePropText(dx, kIdSrcTop, top_, "SrcTop");
    ExchangePropText(dx, kIdSrcWidth, width_, "SrcWidth");
    ExchangePropText(dx, kIdSrcHeight, height_, "SrcHeight");
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

 private:
  int auto_feeder_ = 0;
  int paper_size_ = -1;
  int unit_ = -1;
  float left_ = 0;
  float top_ = 0;
  float width_ = 0;
  float height_ = 0;
};

class CQRVBImgAcquirePropPage3 : public COlePropertyPage {
 public:
  CQRVBImgAcquirePropPage3() : COlePropertyPage(kPhotoCdPageDialog, kPhotoCdPageDialog) {}

  BOOL OnInitDialog() override {
    FillComboBox(m_hWnd, kIdPcdDataSize, PcdDataSizeItems());
    IgnoreApply(kIdBrowsePcdPath);
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropList(dx, kIdPcdDataSize, data_size_, "PcdDataSize", kPcdDataSizeValues);
    ExchangePropText(dx, kIdPcdPath, path_, "PcdPath");
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    if (LOWORD(wparam) == kIdBrowsePcdPath && HIWORD(wparam) == BN_CLICKED) {
      BrowseIntoEdit(*this, ResourceModule(), kStringPcdFolderTitle, kIdPcdPath);
    }
    return COlePropertyPage::OnCommand(wparam, lparam);
  }

 private:
  int data_size_ = -1;
  std::string path_;
};

class CQRVBImgAcquirePropPage4 : public COlePropertyPage {
 public:
  CQRVBImgAcquirePropPage4() : COlePropertyPage(kSaveFormatPageDialog, kSaveFormatPageDialog) {}

  BOOL OnInitDialog() override {
    FillComboBoxFromStrings(m_hWnd, kIdMediaFormat, ResourceModule(), kMediaFormatStrings);
    FillComboBoxFromStrings(m_hWnd, kIdCompression, ResourceModule(), kCompressionStrings);
    FillComboBox(m_hWnd, kIdColorDepth, ColorDepthItems());
    LimitFieldText(m_hWnd, kIdQuality, kQualityChars);
    SetSpinRange(m_hWnd, kIdQualitySpin, kQualityMin, kQualityMax);
    for (int id : {kIdImageWidth, kIdImageHeight}) LimitFieldText(m_hWnd, id, kSizeEditChars);
    for (int id : {kIdImageWidthSpin, kIdImageHeightSpin}) SetSpinRange(m_hWnd, id, 0, kSpinMax);
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropText(dx, kIdQuality, quality_, "Quality");
    DDV_MinMaxInt(dx, quality_, kQualityMin, kQualityMax);
    ExchangePropText(dx, kIdImageWidth, width_, "ImageWidth");
    ExchangePropText(dx, kIdImageHeight, height_, "ImageHeight");
    ExchangePropCheck(dx, kIdAspectRatio, aspect_ratio_, "AspectRatio");
    ExchangePropList(dx, kIdMediaFormat, media_format_, "MediaFormat", kMediaFormatValues);
    ExchangePropList(dx, kIdCompression, compression_, "Compression", kCompressionValues);
    ExchangePropList(dx, kIdColorDepth, color_depth_, "ColorDepth", kColorDepthValues);
    // The box is ticked for qrvInterlaced; any other value shows it cleared
    // and applies qrvInterlaceNone, never 0.
    DDP_Check(dx, kIdInterlaced, interlaced_, "InterlacedImage");
    DDX_CheckValue(dx, kIdInterlaced, interlaced_, qrvInterlaced, qrvInterlaceNone);
    ExchangePropCheck(dx, kIdMultiPage, multi_page_, "MultiPage");
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

 private:
  int quality_ = 0;
  int width_ = 0;
  int height_ = 0;
  int aspect_ratio_ = 0;
  int media_format_ = -1;
  int compression_ = -1;
  int color_depth_ = -1;
  int interlaced_ = 0;
  int multi_page_ = 0;
};

constexpr PropertyPageRegistration kRegistrations[] = {
    {kGeneralPageClsid, kGeneralPageProgId, kPageTypeName, &CreatePropertyPage<CQRVBImgAcquirePropPage>},
    {kScannerPageClsid, kScannerPageProgId, kPageTypeName, &CreatePropertyPage<CQRVBImgAcquirePropPage2>},
    {kPhotoCdPageClsid, kPhotoCdPageProgId, kPageTypeName, &CreatePropertyPage<CQRVBImgAcquirePropPage3>},
    {kSaveFormatPageClsid, kSaveFormatPageProgId, kPageTypeName, &CreatePropertyPage<CQRVBImgAcquirePropPage4>},
};

}  // namespace

std::span<const PropertyPageRegistration> PropertyPageRegistrations() { return kRegistrations; }

std::vector<CLSID> ControlPropertyPages() {
  return {kGeneralPageClsid, kSaveFormatPageClsid, kScannerPageClsid, kPhotoCdPageClsid, CLSID_StockColorPage};
}

}  // namespace mirrask
