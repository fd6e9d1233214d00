// The test control module.
#include "test_control.h"

#include <atomic>
#include <span>

#include "plat/ctl/module.h"
#include "plat/ctl/property_page.h"
#include "plat/resources.h"

namespace plat::testctl {
namespace {

std::atomic<int> g_live{0};

const InterfaceInfo& EventTable() {
  static const InterfaceInfo events{"_DTestCtlEvents",
                                    kEventsIid,
                                    {
                                        Event(kChangedEvent, "Changed",
                                              {{VT_I4, "DataNo"}, {VT_BSTR, "FileName"}, {VT_BOOL, "Success"}}),
                                        StockKeyDown(),
                                        StockKeyUp(),
                                        StockKeyPress(),
                                        StockClick(),
                                        StockDblClick(),
                                        StockMouseDown(),
                                        StockMouseMove(),
                                        StockMouseUp(),
                                    }};
  return events;
}

const TypeLibInfo& TypeLib() {
  static const TypeLibInfo lib{
      "PlatTestLib",
      kLibId,
      1,
      0,
      "PlatTest control library",
      {CoClassInfo{"TestCtl", kClsid, &CTestCtl::Map().Info(), &EventTable()}},
      {EnumInfo{"QualityConstants", {{"ptQualityLow", 1}, {"ptQualityMedium", 5}, {"ptQualityHigh", 10}}}},
  };
  return lib;
}

const ControlRegistration kRegistration{kClsid, kProgId, "PlatTest Control", 0x20181, &CreateControl<CTestCtl>};

struct Predefined {
  DWORD value;
  const char* name;
};
constexpr Predefined kQualityNames[] = {{1, "ptQualityLow"}, {5, "ptQualityMedium"}, {10, "ptQualityHigh"}};

std::atomic<int> g_module_starts{0};

// The module's property page: its dialog and caption are resources of this module.
constexpr int kPageDialogId = 100;
constexpr int kPageCaptionId = 101;
constexpr int kPageQualityId = 201;
const DialogTemplate kPageTemplate{
    .style = WS_CHILD | DS_CONTROL,
    .cx = 160,
    .cy = 48,
    .items = {{kEditClass, "", kPageQualityId, WS_VISIBLE | WS_TABSTOP | WS_BORDER, 0, 7, 7, 40, 12}}};
constexpr char kPageCaption[] = "全般";
const ResourceEntry kResources[] = {
    {RT_DIALOG, kPageDialogId, nullptr, &kPageTemplate, sizeof(DialogTemplate)},
    {RT_STRING, kPageCaptionId, nullptr, kPageCaption, sizeof(kPageCaption) - 1},
};

class CTestPage : public COlePropertyPage {
 public:
  CTestPage() : COlePropertyPage(kPageDialogId, kPageCaptionId) {}
  void DoDataExchange(CDataExchange* dx) override {
    DDP_Text(dx, kPageQualityId, quality_, "Quality");
    DDX_Text(dx, kPageQualityId, quality_);
    DDP_PostProcessing(dx);
  }

 private:
  short quality_ = 0;
};

HRESULT CreateTestPage(const IID& iid, void** out) { return MakeCom<CTestPage>()->QueryInterface(iid, out); }

const PropertyPageRegistration kPageRegistration{kPageClsid, "PlatTest.Page.1", "PlatTest Page", &CreateTestPage};

class CTestModule : public COleControlModule {
 public:
  const TypeLibInfo& GetTypeLib() const override { return TypeLib(); }
  std::span<const ControlRegistration> GetControls() const override { return {&kRegistration, 1}; }
  std::span<const PropertyPageRegistration> GetPropertyPages() const override { return {&kPageRegistration, 1}; }
  // Counts start-ups that saw the module's handle set by the framework first.
  BOOL InitInstance() override {
    if (m_hInstance) ++g_module_starts;
    return RegisterModuleResources(m_hInstance, kResources, std::size(kResources));
  }
  int ExitInstance() override {
    UnregisterModuleResources(m_hInstance);
    return 0;
  }
};

CTestModule g_module;

}  // namespace

int LiveTestControls() { return g_live.load(); }

CTestCtl::CTestCtl() {
  ++g_live;
  SetInitialSize(28, 28);
}

CTestCtl::~CTestCtl() { --g_live; }

const DispatchMap<CTestCtl>& CTestCtl::Map() {
  static const DispatchMap<CTestCtl> map{
      "_DTestCtl",
      kDispatchIid,
      {
          Member(kCaption, "Caption", VT_BSTR, &CTestCtl::caption_, &CTestCtl::OnMemberChanged),
          Member(kAutoSize, "AutoSize", VT_BOOL, &CTestCtl::auto_size_, &CTestCtl::OnMemberChanged),
          Member(kFillColor, "FillColor", VT_I4, &CTestCtl::fill_color_, &CTestCtl::OnMemberChanged),
          Property(kQuality, "Quality", VT_I2, &CTestCtl::GetQuality, &CTestCtl::SetQuality),
          Property(kScale, "Scale", VT_R4, &CTestCtl::GetScale, &CTestCtl::SetScale),
          Property(kCount, "Count", VT_I4, &CTestCtl::GetCount, nullptr),
          Property(kXResolution, "XResolution", VT_I2, &CTestCtl::GetXResolution, &CTestCtl::SetXResolution),
          StockBackColor(),
          Method(kNotify, "Notify", VT_BOOL, {{VT_I4, "DataNo"}}, &CTestCtl::Notify),
          Method(kPressKey, "PressKey", VT_I2, {{VT_I2, "KeyCode"}}, &CTestCtl::PressKey),
          StockAboutBox(),
      }};
  return map;
}

DispatchBinding CTestCtl::GetDispatchBinding() { return {Map(), this}; }
const ControlRegistration& CTestCtl::GetControlRegistration() const { return kRegistration; }
const TypeLibInfo& CTestCtl::GetTypeLib() const { return TypeLib(); }

void CTestCtl::OnMemberChanged() {
  ++changes_;
  SetModifiedFlag();
}

void CTestCtl::SetQuality(short quality) {
  if (quality < 1 || quality > 10) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
  quality_ = quality;
  OnMemberChanged();
  BoundPropertyChanged(kQuality);
}

void CTestCtl::SetScale(float scale) {
  if (!(scale >= 0.0f)) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
  scale_ = scale;
  OnMemberChanged();
  BoundPropertyChanged(kScale);
}

int32_t CTestCtl::GetCount() {
  if (!AmbientUserMode()) GetNotSupported();
  return count_;
}

void CTestCtl::SetXResolution(short dpi) {
  if (dpi < 0) ThrowError(CTL_E_INVALIDPROPERTYVALUE);
  x_resolution_ = dpi;
  OnMemberChanged();
  BoundPropertyChanged(kXResolution);
}

BOOL CTestCtl::Notify(int32_t data_no) {
  ++count_;
  CString name;
  name.Format("page%04d.tif", static_cast<int>(data_no));
  FireEvent(kChangedEvent, data_no, name, TRUE);
  return TRUE;
}

LRESULT CTestCtl::DefWindowProc(UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR) {
    keys_passed_on_.push_back({message, static_cast<UINT>(wparam)});
  }
  return COleControl::DefWindowProc(message, wparam, lparam);
}

short CTestCtl::PressKey(short key) {
  FireKeyDown(&key, 0);
  return key;
}

void CTestCtl::DoPropExchange(CPropExchange* px) {
  ExchangeVersion(px, kVersion);
  ExchangeStockProps(px);
  PX_String(px, "Caption", caption_, "");
  PX_Bool(px, "AutoSize", auto_size_, TRUE);
  PX_Color(px, "FillColor", fill_color_, 0xFFFFFF);
  PX_Short(px, "Quality", quality_, 2);
  if (px->IsLoading() && (quality_ < 1 || quality_ > 10)) quality_ = 2;
  PX_Float(px, "Scale", scale_, 1.0f);
  if (px->GetVersion() >= kVersion) {
    PX_Short(px, "XResolution", x_resolution_, 0);
  } else {
    x_resolution_ = 0;
  }
}

BOOL CTestCtl::OnGetPredefinedStrings(DISPID id, std::vector<CString>* strings, std::vector<DWORD>* cookies) {
  if (id != kQuality) return FALSE;
  for (const Predefined& p : kQualityNames) {
    CString text;
    text.Format("%u - %s", static_cast<unsigned>(p.value), p.name);
    strings->push_back(text);
    cookies->push_back(p.value);
  }
  return TRUE;
}

BOOL CTestCtl::OnGetPredefinedValue(DISPID id, DWORD cookie, Variant* value) {
  if (id != kQuality) return FALSE;
  *value = Variant(static_cast<int16_t>(cookie));
  return TRUE;
}

}  // namespace plat::testctl

PLAT_CONTROL_MODULE_EXPORTS(plat::testctl::g_module)

// How often the module started with its handle known (tests look it up by name).
extern "C" __attribute__((visibility("default"))) int PlatTestModuleStarts() {
  return plat::testctl::g_module_starts.load();
}
