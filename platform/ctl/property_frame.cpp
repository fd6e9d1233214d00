// The modal property frame: a tab per page over the pages' area, OK,
// Cancel and Apply. Pages are made when their tab is first shown; OK and
// Apply apply every dirty page in turn, showing each, and stop at the first
// that refuses a value (its field keeps the focus).
#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "plat/ctl/property_page.h"
#include "plat/gdi.h"
#include "plat/oleaut/com.h"
#include "plat/tab_control.h"

namespace plat {

namespace {

constexpr int kMarginPx = 7;
constexpr int kButtonWidthPx = 75;
constexpr int kButtonHeightPx = 23;
constexpr int kButtonGapPx = 6;

class PropertyFrame;

// The pages' site: any status change re-reads which pages are dirty.
class FrameSite : public ComObject<IPropertyPageSite> {
 public:
  explicit FrameSite(PropertyFrame* frame) : frame_(frame) {}
  HRESULT OnStatusChange(DWORD flags) override;
  HRESULT GetLocaleID(LCID* locale) override {
    if (locale == nullptr) return E_POINTER;
    *locale = locale_;
    return S_OK;
  }
  void Detach() { frame_ = nullptr; }
  LCID locale_ = 0;

 private:
  PropertyFrame* frame_;
};

struct PageSlot {
  ComPtr<IPropertyPage> page;
  PROPPAGEINFO info;
  bool is_active = false;
};

class PropertyFrame : public CDialog {
 public:
  PropertyFrame(std::vector<PageSlot> pages, std::string caption, HWND owner, POINT position, LCID locale)
      : pages_(std::move(pages)), owner_(owner), position_(position) {
    frame_template_.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | (position.x == 0 && position.y == 0 ? DS_CENTER : 0);
    frame_template_.cx = 200;
    frame_template_.cy = 150;
    caption_ = std::move(caption) + " Properties";
    frame_template_.title = caption_.c_str();
    frame_template_.items = {
        {kTabControlClass, "", kPropertyFrameTabId, WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS, 0, 0, 0, 10, 10},
        {kButtonClass, "OK", IDOK, WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 0, 0, 10, 10},
        {kButtonClass, "Cancel", IDCANCEL, WS_VISIBLE | WS_TABSTOP, 0, 0, 0, 10, 10},
        {kButtonClass, "&Apply", kPropertyFrameApplyId, WS_VISIBLE | WS_TABSTOP | WS_DISABLED, 0, 0, 0, 10, 10},
    };
    SetTemplate(&frame_template_);
    SetOwnerWindow(owner);
    site_ = MakeCom<FrameSite>(this);
    site_->locale_ = locale;
    for (PageSlot& slot : pages_) slot.page->SetPageSite(site_.get());
  }
  ~PropertyFrame() override {
    site_->Detach();
    for (PageSlot& slot : pages_) slot.page->SetPageSite(nullptr);
  }

  void UpdateApply() {
    if (m_hWnd == nullptr) return;
    bool is_dirty = false;
    for (PageSlot& slot : pages_) is_dirty = is_dirty || (slot.is_active && slot.page->IsPageDirty() == S_OK);
    ::plat::EnableWindow(::plat::GetDlgItem(m_hWnd, kPropertyFrameApplyId), is_dirty ? TRUE : FALSE);
  }

  BOOL OnInitDialog() override {
    CWnd* tab = GetDlgItem(kPropertyFrameTabId);
    for (size_t i = 0; i < pages_.size(); ++i) {
      TCITEM item;
      item.mask = TCIF_TEXT;
      item.pszText = pages_[i].info.title.data();
      tab->SendMessage(TCM_INSERTITEM, i, reinterpret_cast<LPARAM>(&item));
    }
    Layout();
    SelectPage(0);
    return TRUE;
  }

  void OnOK() override {
    if (ApplyAll()) EndDialog(IDOK);
  }

  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override {
    if (LOWORD(wparam) == kPropertyFrameApplyId && HIWORD(wparam) == BN_CLICKED) {
      HWND apply = ::plat::GetDlgItem(m_hWnd, kPropertyFrameApplyId);
      if (apply != nullptr && ::plat::IsWindowEnabled(apply)) {
        const size_t shown = current_;
        if (ApplyAll()) SelectPage(shown);
      }
      return TRUE;
    }
    return CDialog::OnCommand(wparam, lparam);
  }

  BOOL OnNotify(WPARAM wparam, LPARAM lparam, LRESULT* result) override {
    const auto* header = reinterpret_cast<const NMHDR*>(lparam);
    if (header != nullptr && header->idFrom == kPropertyFrameTabId && header->code == TCN_SELCHANGE) {
      const auto selected = GetDlgItem(kPropertyFrameTabId)->SendMessage(TCM_GETCURSEL);
      if (selected >= 0) SelectPage(static_cast<size_t>(selected));
      *result = 0;
      return TRUE;
    }
    return CDialog::OnNotify(wparam, lparam, result);
  }

  void OnDestroy() override {
    for (PageSlot& slot : pages_) {
      if (slot.is_active) slot.page->Deactivate();
      slot.is_active = false;
    }
    CDialog::OnDestroy();
  }

 private:
  // The frame sized round the largest page, buttons under the tabs on the right.
  void Layout() {
    SIZE largest{0, 0};
    for (const PageSlot& slot : pages_) {
      largest.cx = std::max(largest.cx, slot.info.size.cx);
      largest.cy = std::max(largest.cy, slot.info.size.cy);
    }
    CWnd* tab = GetDlgItem(kPropertyFrameTabId);
    RECT tab_rect{0, 0, largest.cx, largest.cy};
    tab->SendMessage(TCM_ADJUSTRECT, TRUE, reinterpret_cast<LPARAM>(&tab_rect));
    OffsetRect(&tab_rect, kMarginPx - tab_rect.left, kMarginPx - tab_rect.top);
    tab->MoveWindow(tab_rect);
    page_rect_ = tab_rect;
    tab->SendMessage(TCM_ADJUSTRECT, FALSE, reinterpret_cast<LPARAM>(&page_rect_));
    const int client_width = std::max<int>(tab_rect.right + kMarginPx, 3 * kButtonWidthPx + 2 * kButtonGapPx + 2 * kMarginPx);
    const int buttons_top = tab_rect.bottom + kMarginPx;
    int x = client_width - kMarginPx - kButtonWidthPx;
    for (int id : {kPropertyFrameApplyId, IDCANCEL, IDOK}) {
      GetDlgItem(id)->MoveWindow(x, buttons_top, kButtonWidthPx, kButtonHeightPx);
      x -= kButtonWidthPx + kButtonGapPx;
    }
    RECT window{0, 0, client_width, buttons_top + kButtonHeightPx + kMarginPx};
    AdjustWindowRectEx(&window, GetStyle(), FALSE, GetExStyle());
    RECT now{};
    GetWindowRect(&now);
    POINT origin{now.left, now.top};
    if (position_.x != 0 || position_.y != 0) {
      origin = position_;
      if (owner_ != nullptr) ::plat::ClientToScreen(owner_, &origin);
    }
    SetWindowPos(nullptr, origin.x, origin.y, window.right - window.left, window.bottom - window.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }

  void SelectPage(size_t index) {
    if (index >= pages_.size()) return;
    if (index != current_ && current_ < pages_.size() && pages_[current_].is_active) {
      pages_[current_].page->Show(SW_HIDE);
    }
    PageSlot& slot = pages_[index];
    if (!slot.is_active) slot.is_active = SUCCEEDED(slot.page->Activate(m_hWnd, page_rect_, TRUE));
    current_ = index;
    GetDlgItem(kPropertyFrameTabId)->SendMessage(TCM_SETCURSEL, index);
    if (slot.is_active) slot.page->Show(SW_SHOW);
    UpdateApply();
  }

  // Applies the dirty pages in order, each shown while it applies.
  bool ApplyAll() {
    for (size_t i = 0; i < pages_.size(); ++i) {
      PageSlot& slot = pages_[i];
      if (!slot.is_active || slot.page->IsPageDirty() != S_OK) continue;
      if (i != current_) SelectPage(i);
      if (FAILED(slot.page->Apply())) {
        UpdateApply();
        return false;
      }
    }
    UpdateApply();
    return true;
  }

  std::vector<PageSlot> pages_;
  HWND owner_;
  POINT position_;
  std::string caption_;
  DialogTemplate frame_template_;
  ComPtr<FrameSite> site_;
  RECT page_rect_{};
  size_t current_ = SIZE_MAX;
};

HRESULT FrameSite::OnStatusChange(DWORD flags) {
  (void)flags;
  if (frame_ != nullptr) frame_->UpdateApply();
  return S_OK;
}

void RegisterStockPages() {
  static const bool registered = [] {
    class StockFactory : public ComObject<IClassFactory> {
     public:
      HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
        if (out == nullptr) return E_POINTER;
        *out = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        return CreateStockColorPage(iid, out);
      }
      HRESULT LockServer(BOOL) override { return S_OK; }
    };
    ComPtr<StockFactory> factory = MakeCom<StockFactory>();
    DWORD cookie = 0;
    return SUCCEEDED(CoRegisterClassObject(CLSID_StockColorPage, factory->GetUnknown(), CLSCTX_INPROC_SERVER,
                                           REGCLS_MULTIPLEUSE, &cookie));
  }();
  (void)registered;
}

}  // namespace

HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, const char* caption, std::span<IDispatch* const> objects,
                               std::span<const CLSID> pages, LCID locale, DWORD reserved, void* reserved_ptr) {
  (void)reserved;
  (void)reserved_ptr;
  if (objects.empty() || pages.empty()) return E_INVALIDARG;
  for (IDispatch* object : objects) {
    if (object == nullptr) return E_INVALIDARG;
  }
  RegisterStockPages();
  std::vector<IUnknown*> unknowns(objects.begin(), objects.end());
  std::vector<PageSlot> slots;
  HRESULT first_error = S_OK;
  for (const CLSID& clsid : pages) {
    PageSlot slot;
    HRESULT result = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IPropertyPage::kIid, slot.page.put_void());
    if (SUCCEEDED(result)) result = slot.page->SetObjects(unknowns);
    if (SUCCEEDED(result)) result = slot.page->GetPageInfo(&slot.info);
    if (FAILED(result)) {
      if (first_error == S_OK) first_error = result;
      if (slot.page) slot.page->SetObjects({});
      continue;
    }
    slots.push_back(std::move(slot));
  }
  if (slots.empty()) return first_error;
  std::vector<ComPtr<IPropertyPage>> held;
  for (const PageSlot& slot : slots) held.push_back(slot.page);
  {
    PropertyFrame frame(std::move(slots), caption != nullptr ? caption : "", owner,
                        POINT{static_cast<LONG>(x), static_cast<LONG>(y)}, locale);
    frame.DoModal();
  }
  for (const ComPtr<IPropertyPage>& page : held) page->SetObjects({});
  return S_OK;
}

}  // namespace plat
