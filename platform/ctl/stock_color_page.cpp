// The stock colour page: picks a colour property of the objects (a VT_I4
// property whose name ends in "Color") and sets it to one of 16 colours or
// to a system colour. Only the properties the user set are written.
#include <array>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "plat/ctl/property_page.h"
#include "plat/gdi.h"
#include "plat/sys_colors.h"

namespace plat {

namespace {

constexpr int kPropertyListId = 100;
constexpr int kSystemListId = 101;
constexpr int kFirstSwatchId = 200;
constexpr int kSwatchCount = 16;
constexpr OLE_COLOR kSystemColorFlag = 0x80000000;

// The 16 colours of the palette, left to right, top to bottom (0x00BBGGRR).
constexpr std::array<OLE_COLOR, kSwatchCount> kSwatches{
    RGB(0, 0, 0),     RGB(128, 0, 0),   RGB(0, 128, 0),     RGB(128, 128, 0),
    RGB(0, 0, 128),   RGB(128, 0, 128), RGB(0, 128, 128),   RGB(128, 128, 128),
    RGB(192, 192, 192), RGB(255, 0, 0), RGB(0, 255, 0),     RGB(255, 255, 0),
    RGB(0, 0, 255),   RGB(255, 0, 255), RGB(0, 255, 255),   RGB(255, 255, 255),
};

// The system colours by index, as the list names them.
constexpr std::array<const char*, 25> kSystemColorNames{
    "Scroll Bars",       "Desktop",         "Active Title Bar",     "Inactive Title Bar",
    "Menu Bar",          "Window Background", "Window Frame",       "Menu Text",
    "Window Text",       "Active Title Bar Text", "Active Border",  "Inactive Border",
    "Application Workspace", "Highlight",  "Highlight Text",       "Button Face",
    "Button Shadow",     "Disabled Text",   "Button Text",          "Inactive Title Bar Text",
    "Button Highlight",  "Button Dark Shadow", "Button Light Shadow", "ToolTip Text",
    "ToolTip",
};

DialogTemplate MakeTemplate() {
  DialogTemplate dialog;
  dialog.style = WS_CHILD | DS_CONTROL;
  dialog.cx = 250;
  dialog.cy = 110;
  const DWORD visible = WS_VISIBLE;
  dialog.items = {
      {kStaticClass, "&Property Name:", -1, visible, 0, 7, 7, 110, 9},
      {kComboBoxClass, "", kPropertyListId, visible | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 7, 18, 110, 80},
      {kStaticClass, "System &Color:", -1, visible, 0, 7, 40, 110, 9},
      {kComboBoxClass, "", kSystemListId, visible | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, 7, 51, 110, 120},
  };
  for (int i = 0; i < kSwatchCount; ++i) {
    dialog.items.push_back({kButtonClass, "", kFirstSwatchId + i, visible | WS_TABSTOP | BS_OWNERDRAW, 0,
                            130 + (i % 4) * 28, 7 + (i / 4) * 22, 24, 18});
  }
  return dialog;
}

const DialogTemplate& Template() {
  static const DialogTemplate dialog = MakeTemplate();
  return dialog;
}

bool EndsWithColor(const std::string& name) {
  constexpr std::string_view kSuffix = "Color";
  return name.size() >= kSuffix.size() && name.compare(name.size() - kSuffix.size(), kSuffix.size(), kSuffix) == 0;
}

class StockColorPage : public COlePropertyPage {
 public:
  StockColorPage() : COlePropertyPage(&Template(), "Color") {}

  BOOL OnInitDialog() override {
    IgnoreApply(kPropertyListId);  // choosing which property to edit changes nothing
    for (size_t i = 0; i < kSystemColorNames.size(); ++i) {
      SendDlgItemMessage(m_hWnd, kSystemListId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(kSystemColorNames[i]));
    }
    return TRUE;
  }

  void DoDataExchange(CDataExchange* dx) override {
    if (!dx->m_bSaveAndValidate) {
      Load();
      return;
    }
    for (const auto& [name, value] : values_) {
      if (changed_names_.count(name) == 0) continue;
      const OLE_COLOR colour = value;
      QueueWrite(kSystemListId, name.c_str(), [colour] { return Variant(static_cast<int32_t>(colour)); });
    }
    DDP_PostProcessing(dx);
    changed_names_.clear();
  }

  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    const int id = LOWORD(wparam);
    const WORD code = HIWORD(wparam);
    if (id >= kFirstSwatchId && id < kFirstSwatchId + kSwatchCount && code == BN_CLICKED) {
      SetColour(kSwatches[static_cast<size_t>(id - kFirstSwatchId)]);
    } else if (id == kSystemListId && code == CBN_SELCHANGE) {
      const LRESULT index = SendDlgItemMessage(m_hWnd, kSystemListId, CB_GETCURSEL, 0, 0);
      if (index >= 0) SetColour(kSystemColorFlag | static_cast<OLE_COLOR>(index));
    } else if (id == kPropertyListId && code == CBN_SELCHANGE) {
      ShowSelected();
    }
    return COlePropertyPage::OnCommand(wparam, lparam);
  }

  void OnDrawItem(int id, DRAWITEMSTRUCT* item) override {
    if (item == nullptr || id < kFirstSwatchId || id >= kFirstSwatchId + kSwatchCount) return;
    RECT rect = item->rcItem;
    DrawEdge(item->hDC, &rect, (item->itemState & ODS_SELECTED) != 0 ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_ADJUST);
    InflateRect(&rect, -2, -2);
    HBRUSH brush = CreateSolidBrush(kSwatches[static_cast<size_t>(id - kFirstSwatchId)]);
    FillRect(item->hDC, &rect, brush);
    DeleteObject(brush);
    if ((item->itemState & ODS_FOCUS) != 0) DrawFocusRect(item->hDC, &item->rcItem);
  }

 private:
  std::string SelectedName() const {
    const LRESULT index = SendDlgItemMessage(m_hWnd, kPropertyListId, CB_GETCURSEL, 0, 0);
    if (index < 0 || static_cast<size_t>(index) >= names_.size()) return {};
    return names_[static_cast<size_t>(index)];
  }

  void SetColour(OLE_COLOR colour) {
    const std::string name = SelectedName();
    if (name.empty()) return;
    values_[name] = colour;
    changed_names_.insert(name);
    ShowSelected();
  }

  // The system list shows the selected property's system colour, if it is one.
  void ShowSelected() {
    const auto found = values_.find(SelectedName());
    WPARAM index = static_cast<WPARAM>(-1);
    if (found != values_.end() && (found->second & kSystemColorFlag) != 0 &&
        (found->second & ~kSystemColorFlag) < kSystemColorNames.size()) {
      index = found->second & ~kSystemColorFlag;
    }
    SendDlgItemMessage(m_hWnd, kSystemListId, CB_SETCURSEL, index, 0);
  }

  void Load() {
    names_.clear();
    values_.clear();
    changed_names_.clear();
    SendDlgItemMessage(m_hWnd, kPropertyListId, CB_RESETCONTENT, 0, 0);
    const std::vector<IDispatch*> objects = GetObjectArray();
    if (objects.empty()) return;
    const InterfaceInfo* info = objects.front()->GetTypeInfo();
    if (info == nullptr) return;
    for (const MemberInfo& member : info->members) {
      if (member.kind != MemberKind::kProperty || member.vt != VT_I4 || member.is_read_only || !EndsWithColor(member.name)) {
        continue;
      }
      Variant value;
      if (!ReadProperty(member.name.c_str(), VT_I4, &value)) continue;
      names_.push_back(member.name);
      values_[member.name] = static_cast<OLE_COLOR>(value.lVal());
      SendDlgItemMessage(m_hWnd, kPropertyListId, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(member.name.c_str()));
    }
    SendDlgItemMessage(m_hWnd, kPropertyListId, CB_SETCURSEL, 0, 0);
    ShowSelected();
  }

  std::vector<std::string> names_;
  std::map<std::string, OLE_COLOR> values_;
  std::set<std::string> changed_names_;
};

}  // namespace

HRESULT CreateStockColorPage(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  ComPtr<StockColorPage> page = MakeCom<StockColorPage>();
  return page->QueryInterface(iid, out);
}

}  // namespace plat
