// The image edit control's property pages. Every field is bound to one
// control property by name: the property link first, then the field's own
// exchange, and at the end the framework writes back only what the user
// changed. Lists are filled from value tables and map positions to values;
// a value outside its table shows no selection and is never written back.
#include "prop_pages.h"

#include <string>

#include "edit_constants.h"
#include "plat/ctl/property_page.h"
#include "prop_page_ids.h"
#include "prop_page_resources.h"

namespace ondavel {

using namespace plat;

namespace {

constexpr int kQualityChars = 2;
constexpr int kQualityMin = 1;
constexpr int kQualityMax = 10;
constexpr int kThresholdChars = 3;
constexpr int kThresholdMin = 0;
constexpr int kThresholdMax = 255;
constexpr int kRectEditChars = 7;
constexpr int kRectSpinMax = 32767;

// A list filled from its table, and bound through it to `property`.
class TableList {
 public:
  explicit TableList(std::span<const ValueString> table) : values_(ValuesOf(table)), strings_(StringIdsOf(table)) {}
  void Fill(HWND page, int id, HINSTANCE module) const { FillComboBoxFromStrings(page, id, module, strings_); }
  void Exchange(CDataExchange* dx, int id, int& member, const char* property) const {
    ExchangePropList(dx, id, member, property, values_);
  }

 private:
  std::vector<int> values_;
  std::vector<int> strings_;
};

// ---- The pages ------------------------------------------------------------------------------

class CQRVNImgEditPropPage : public COlePropertyPage {
 public:
  CQRVNImgEditPropPage() : COlePropertyPage(kGeneralPageDialog, kStringGeneralCaption) {}

  BOOL OnInitDialog() override {
    input_sources_.Fill(m_hWnd, kIdInputSource, ResourceModule());
    compressions_.Fill(m_hWnd, kIdSaveCompression, ResourceModule());
    formats_.Fill(m_hWnd, kIdSaveMediaFormat, ResourceModule());
    LimitFieldText(m_hWnd, kIdSaveQuality, kQualityChars);
    SetSpinRange(m_hWnd, kIdSaveQualitySpin, kQualityMin, kQualityMax);
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropCheck(dx, kIdShowUi, show_ui_, "ShowUI");
    input_sources_.Exchange(dx, kIdInputSource, input_source_, "InputSource");
    compressions_.Exchange(dx, kIdSaveCompression, compression_, "SaveCompression");
    // Ticked for qrvInterlaced; any other value shows it cleared, and
    // applying writes qrvInterlaceNone or qrvInterlaced, never 0.
    DDP_Check(dx, kIdSaveInterlaced, interlaced_, "SaveInterlacedImage");
    DDX_CheckValue(dx, kIdSaveInterlaced, interlaced_, plat::qrvInterlaced, plat::qrvInterlaceNone);
    formats_.Exchange(dx, kIdSaveMediaFormat, media_format_, "SaveMediaFormat");
    ExchangePropCheck(dx, kIdAutoColorDecrease, auto_color_decrease_, "AutoColorDecrease");
    ExchangePropText(dx, kIdSaveQuality, quality_, "SaveQuality");
    DDV_MinMaxInt(dx, quality_, kQualityMin, kQualityMax);
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

 private:
  const TableList input_sources_{InputSourceTable()};
  const TableList compressions_{CompressionTable()};
  const TableList formats_{FileFormatTable()};
  int show_ui_ = 0;
  int input_source_ = -1;
  int compression_ = -1;
  int interlaced_ = 0;
  int media_format_ = -1;
  int auto_color_decrease_ = 0;
  int quality_ = 0;
};

class CEditSizePropPage : public COlePropertyPage {
 public:
  CEditSizePropPage() : COlePropertyPage(kSizePageDialog, kStringSizeCaption) {}

  BOOL OnInitDialog() override {
    horz_.Fill(m_hWnd, kIdHorzPos, ResourceModule());
    vert_.Fill(m_hWnd, kIdVertPos, ResourceModule());
    interpolation_.Fill(m_hWnd, kIdInterpolation, ResourceModule());
    morphology_.Fill(m_hWnd, kIdMorphology, ResourceModule());
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropCheck(dx, kIdAspectRatio, aspect_ratio_, "AspectRatio");
    horz_.Exchange(dx, kIdHorzPos, horz_pos_, "HorzPos");
    vert_.Exchange(dx, kIdVertPos, vert_pos_, "VertPos");
    interpolation_.Exchange(dx, kIdInterpolation, interpolation_value_, "Interpolation");
    morphology_.Exchange(dx, kIdMorphology, morphology_value_, "Morphology");
    DDP_PostProcessing(dx);
  }

 private:
  const TableList horz_{HorzPosTable()};
  const TableList vert_{VertPosTable()};
  const TableList interpolation_{InterpolationTable()};
  const TableList morphology_{MorphologyTable()};
  int aspect_ratio_ = 0;
  int horz_pos_ = -1;
  int vert_pos_ = -1;
  int interpolation_value_ = -1;
  int morphology_value_ = -1;
};

class CEditColorPropPage : public COlePropertyPage {
 public:
  CEditColorPropPage() : COlePropertyPage(kColorPageDialog, kStringColorCaption) {}

  BOOL OnInitDialog() override {
    reductions_.Fill(m_hWnd, kIdColorReduction, ResourceModule());
    LimitFieldText(m_hWnd, kIdThreshold, kThresholdChars);
    SetSpinRange(m_hWnd, kIdThresholdSpin, kThresholdMin, kThresholdMax);
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    reductions_.Exchange(dx, kIdColorReduction, reduction_, "ColorReduction");
    ExchangePropText(dx, kIdThreshold, threshold_, "Threshold");
    DDV_MinMaxInt(dx, threshold_, kThresholdMin, kThresholdMax);
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

 private:
  const TableList reductions_{ColorReductionTable()};
  int reduction_ = -1;
  int threshold_ = 0;
};

class CEditTwainPropPage : public COlePropertyPage {
 public:
  CEditTwainPropPage() : COlePropertyPage(kTwainPageDialog, kStringTwainCaption) {}

  BOOL OnInitDialog() override {
    paper_sizes_.Fill(m_hWnd, kIdTwainPaperSize, ResourceModule());
    units_.Fill(m_hWnd, kIdInputSrcUnit, ResourceModule());
    depths_.Fill(m_hWnd, kIdTwainColorDepth, ResourceModule());
    for (int id : {kIdInputSrcLeft, kIdInputSrcTop, kIdInputSrcWidth, kIdInputSrcHeight}) {
      LimitFieldText(m_hWnd, id, kRectEditChars);
    }
    for (int id : {kIdInputSrcLeftSpin, kIdInputSrcTopSpin, kIdInputSrcWidthSpin, kIdInputSrcHeightSpin}) {
      SetSpinRange(m_hWnd, id, 0, kRectSpinMax);
    }
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    ExchangePropCheck(dx, kIdTwainAutoFeeder, auto_feeder_, "TwainAutoFeeder");
    paper_sizes_.Exchange(dx, kIdTwainPaperSize, paper_size_, "TwainPaperSize");
    ExchangePropText(dx, kIdInputSrcHeight, height_, "InputSrcHeight");
    ExchangePropText(dx, kIdInputSrcLeft, left_, "InputSrcLeft");
    ExchangePropText(dx, kIdInputSrcTop, top_, "InputSrcTop");
    ExchangePropText(dx, kIdInputSrcWidth, width_, "InputSrcWidth");
    units_.Exchange(dx, kIdInputSrcUnit, unit_, "InputSrcUnit");
    depths_.Exchange(dx, kIdTwainColorDepth, color_depth_, "TwainColorDepth");
    DDP_PostProcessing(dx);
    RedrawAfterLoad(dx, *this);
  }

 private:
  const TableList paper_sizes_{PaperSizeTable()};
  const TableList units_{UnitTable()};
  const TableList depths_{TwainColorDepthTable()};
  int auto_feeder_ = 0;
  int paper_size_ = -1;
  float height_ = 0;
  float left_ = 0;
  float top_ = 0;
  float width_ = 0;
  int unit_ = -1;
  int color_depth_ = -1;
};

class CEditPcdPropPage : public COlePropertyPage {
 public:
  CEditPcdPropPage() : COlePropertyPage(kPcdPageDialog, kStringPcdCaption) {}

  BOOL OnInitDialog() override {
    depths_.Fill(m_hWnd, kIdPcdSelectColorDepth, ResourceModule());
    sizes_.Fill(m_hWnd, kIdPcdSelectDataSize, ResourceModule());
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    depths_.Exchange(dx, kIdPcdSelectColorDepth, color_depth_, "PcdSelectColorDepth");
    sizes_.Exchange(dx, kIdPcdSelectDataSize, data_size_, "PcdSelectDataSize");
    DDP_PostProcessing(dx);
  }

 private:
  const TableList depths_{PcdColorDepthTable()};
  const TableList sizes_{PcdDataSizeTable()};
  int color_depth_ = -1;
  int data_size_ = -1;
};

// Each class is registered under its type name: the module's page type
// name for the general page, its caption for the others.
constexpr PropertyPageRegistration kRegistrations[] = {
    {kGeneralPageClsid, kGeneralPageProgId, kPageTypeName, &CreatePropertyPage<CQRVNImgEditPropPage>},
    {kSizePageClsid, kSizePageProgId, kSizeCaption, &CreatePropertyPage<CEditSizePropPage>},
    {kColorPageClsid, kColorPageProgId, kColorCaption, &CreatePropertyPage<CEditColorPropPage>},
    {kTwainPageClsid, kTwainPageProgId, kTwainCaption, &CreatePropertyPage<CEditTwainPropPage>},
    {kPcdPageClsid, kPcdPageProgId, kPcdCaption, &CreatePropertyPage<CEditPcdPropPage>},
};

}  // namespace

std::span<const PropertyPageRegistration> PropertyPageRegistrations() { return kRegistrations; }

std::vector<CLSID> ControlPropertyPages() {
  return {kGeneralPageClsid, kSizePageClsid, kColorPageClsid, kTwainPageClsid, kPcdPageClsid};
}

}  // namespace ondavel
