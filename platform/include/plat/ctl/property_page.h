// Property pages and the property frame. A COlePropertyPage is a child
// dialog that edits properties of one or more automation objects by name:
// its DoDataExchange pairs each DDX_ call with a DDP_ call naming the
// property, and ends with DDP_PostProcessing. Opening the page reads the
// properties into the members and the controls; Apply writes back only the
// properties whose controls the user changed (controls listed with
// IgnoreApply are not tracked). OleCreatePropertyFrame shows pages in a
// modal frame with a tab per page, OK, Cancel and Apply.
#ifndef PLAT_CTL_PROPERTY_PAGE_H_
#define PLAT_CTL_PROPERTY_PAGE_H_

#include <functional>
#include <new>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "plat/ctl/dialog.h"
#include "plat/oleaut/dispatch.h"
#include "plat/oleaut/embedding.h"

namespace plat {

// The platform's stock colour page: the colour properties of the objects
// (those named "...Color", of type VT_I4) set from 16 colours or the system colours.
inline constexpr CLSID CLSID_StockColorPage{0x0BE35201, 0x8F91, 0x11CE, {0x9D, 0xE3, 0x00, 0xAA, 0x00, 0x4B, 0xB8, 0x51}};

constexpr DWORD PROPPAGESTATUS_DIRTY = 0x1;
constexpr DWORD PROPPAGESTATUS_VALIDATE = 0x2;
constexpr DWORD PROPPAGESTATUS_CLEAN = 0x4;

struct PROPPAGEINFO {
  std::string title;
  SIZE size{};  // pixels
  std::string doc_string;
};

// The frame's side of a page.
struct IPropertyPageSite : IUnknown {
  static constexpr IID kIid{0xB196B28C, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  // PROPPAGESTATUS_ bits: the page became dirty or clean.
  virtual HRESULT OnStatusChange(DWORD flags) = 0;
  virtual HRESULT GetLocaleID(LCID* locale) = 0;
};

struct IPropertyPage : IUnknown {
  static constexpr IID kIid{0xB196B28D, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
  // Makes the page's window, a child of `parent` at `rect`, and loads it.
  virtual HRESULT Activate(HWND parent, const RECT& rect, BOOL modal) = 0;
  virtual HRESULT Deactivate() = 0;
  virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
  // The objects the page edits (their IDispatch); an empty span lets them go.
  virtual HRESULT SetObjects(std::span<IUnknown* const> objects) = 0;
  virtual HRESULT Show(UINT command) = 0;
  virtual HRESULT Move(const RECT& rect) = 0;
  // S_OK when dirty, S_FALSE when clean.
  virtual HRESULT IsPageDirty() = 0;
  // Validates and writes; E_FAIL (the page still dirty, the focus on the bad
  // field) when a value was refused.
  virtual HRESULT Apply() = 0;
};

class COlePropertyPage : public ComObject<IPropertyPage>, public CDialog {
 public:
  // The page's RT_DIALOG resource and the string-table caption, both from
  // the module of the page's class (or m_hResource).
  COlePropertyPage(UINT dialog_id, UINT caption_id);
  // A page from a template in code (it must outlive the page) with its caption.
  COlePropertyPage(const DialogTemplate* dialog, std::string caption);

  void SetModifiedFlag(BOOL modified = TRUE);
  BOOL IsModified() const { return is_modified_ ? TRUE : FALSE; }
  // Changes of this control do not make the page dirty (a browse button).
  void IgnoreApply(UINT control_id) { ignored_.insert(static_cast<int>(control_id)); }
  // The objects being edited (references held by the page).
  std::vector<IDispatch*> GetObjectArray() const;
  virtual void OnObjectsChanged() {}
  // The page's own initialisation (fill lists, limits); the properties are
  // loaded after it returns.
  BOOL OnInitDialog() override { return TRUE; }
  // Notifications of the page's controls mark them changed.
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;
  void OnOK() override {}
  void OnCancel() override {}

  // IPropertyPage.
  HRESULT SetPageSite(IPropertyPageSite* site) override;
  HRESULT Activate(HWND parent, const RECT& rect, BOOL modal) override;
  HRESULT Deactivate() override;
  HRESULT GetPageInfo(PROPPAGEINFO* info) override;
  HRESULT SetObjects(std::span<IUnknown* const> objects) override;
  HRESULT Show(UINT command) override;
  HRESULT Move(const RECT& rect) override;
  HRESULT IsPageDirty() override;
  HRESULT Apply() override;

  // ---- For the DDP_ functions ------------------------------------------------------------
  // The property's value on the first object, converted to `vt` (VT_EMPTY:
  // as it comes); false when there is no object or it does not give the property.
  bool ReadProperty(const char* name, VARTYPE vt, Variant* value);
  // When saving: queues writing `value()` to the property; a refusal puts
  // the focus on control `id`. The DDP_ functions queue only the properties
  // of controls the user changed.
  void QueueWrite(int id, const char* name, std::function<Variant()> value);
  bool IsControlChanged(int id) const { return changed_.count(id) != 0; }
  // Writes the queued properties to every object; false (the user told, the
  // focus on the control) when an object refused one.
  bool WriteQueued(CDataExchange* dx);

 protected:
  ~COlePropertyPage() override;
  std::shared_ptr<void> HoldForMessage() override;

 private:
  struct QueuedWrite {
    int id;
    std::string name;
    std::function<Variant()> value;
  };
  DialogTemplate child_template_;
  std::string caption_;
  UINT caption_id_ = 0;
  ComPtr<IPropertyPageSite> site_;
  std::vector<ComPtr<IDispatch>> objects_;
  std::set<int> ignored_;
  std::set<int> changed_;
  std::vector<QueuedWrite> queued_;
  bool is_modified_ = false;
  bool is_loading_ = false;
};

// Property exchange of a page: when loading, the member gets the property's
// value (before the DDX_ call shows it); when saving, the member's value
// (after the DDX_ call read it) is queued for the property if the user
// changed the control. A combo box with no selection leaves its property alone.
void DDP_Text(CDataExchange* dx, int id, int& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, short& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, long& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, UINT& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, float& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, double& member, const char* property);
void DDP_Text(CDataExchange* dx, int id, std::string& member, const char* property);
// A boolean property as 0 / 1, any other as its integer.
void DDP_Check(CDataExchange* dx, int id, int& member, const char* property);
// Pairs with DDX_CBIndex, or with DDX_CBValue for a list of values.
void DDP_CBIndex(CDataExchange* dx, int id, int& member, const char* property);
void DDP_CBString(CDataExchange* dx, int id, std::string& member, const char* property);
// Ends a save: writes the queued properties to the objects.
void DDP_PostProcessing(CDataExchange* dx);

// A page's field and the property it stands for, exchanged in the usual
// order: the property link first, then the field's own exchange (a list
// through its table of values, see DDX_CBValue).
void ExchangePropCheck(CDataExchange* dx, int id, int& member, const char* property);
void ExchangePropList(CDataExchange* dx, int id, int& member, const char* property, std::span<const int> values);
void ExchangePropText(CDataExchange* dx, int id, int& member, const char* property);
void ExchangePropText(CDataExchange* dx, int id, float& member, const char* property);
void ExchangePropText(CDataExchange* dx, int id, std::string& member, const char* property);
// A page's edit `id` takes at most `chars` bytes; its spin button `id`
// steps inside lower..upper.
void LimitFieldText(HWND page, int id, int chars);
void SetSpinRange(HWND page, int id, int lower, int upper);
// After a load, shows the page's new values at once (nothing when saving).
void RedrawAfterLoad(CDataExchange* dx, CWnd& page);

// The modal property frame over `owner`: a tab per page that could be made
// (CoCreateInstance of each class, the stock colour page included), OK
// (applies every dirty page, stays open on a refusal), Cancel (writes
// nothing) and Apply (enabled while a page is dirty). S_OK when the frame
// ran, E_INVALIDARG without objects or pages, else the error of making the
// first page when none could be made. Its caption is "<caption> Properties".
HRESULT OleCreatePropertyFrame(HWND owner, UINT x, UINT y, const char* caption, std::span<IDispatch* const> objects,
                               std::span<const CLSID> pages, LCID locale, DWORD reserved, void* reserved_ptr);
// The frame's control ids.
constexpr int kPropertyFrameTabId = 0x3020;
constexpr int kPropertyFrameApplyId = 0x3021;

// Makes the stock colour page (its class is registered in code on first need).
HRESULT CreateStockColorPage(const IID& iid, void** out);

// The `create` function of a PropertyPageRegistration for page class T.
template <class T>
HRESULT CreatePropertyPage(const IID& iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = nullptr;
  try {
    return MakeCom<T>()->QueryInterface(iid, out);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

// Fills the drop-down list `id` of a page, in order: with `texts`, or with
// the strings `string_ids` of `module`'s string table.
void FillComboBox(HWND page, int id, std::span<const char* const> texts);
void FillComboBoxFromStrings(HWND page, int id, HINSTANCE module, std::span<const int> string_ids);

}  // namespace plat

#endif  // PLAT_CTL_PROPERTY_PAGE_H_
