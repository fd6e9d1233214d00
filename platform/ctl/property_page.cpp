// COlePropertyPage and the DDP_ exchange: properties read by name when the
// page opens, and written back by name, only for the controls the user
// changed, when the page is applied.
#include "plat/ctl/property_page.h"

#include "plat/resources.h"
#include "plat/updown.h"

namespace plat {

namespace {

// Notification codes that mean the user changed a control's value.
bool IsChangeCode(WORD code) {
  return code == BN_CLICKED || code == CBN_SELCHANGE || code == CBN_EDITCHANGE || code == EN_CHANGE;
}

COlePropertyPage* PageOf(CDataExchange* dx) { return dynamic_cast<COlePropertyPage*>(dx->m_pDlgWnd); }

// Loads the member from the property (a property the objects lack leaves it).
template <class T>
void LoadMember(COlePropertyPage* page, const char* property, VARTYPE vt, T& member) {
  Variant value;
  if (page->ReadProperty(property, vt, &value)) member = FromVariant<T>(value);
}

template <class T>
void ExchangeProperty(CDataExchange* dx, int id, T& member, const char* property, VARTYPE vt) {
  COlePropertyPage* page = PageOf(dx);
  if (page == nullptr || property == nullptr) return;
  if (!dx->m_bSaveAndValidate) {
    LoadMember(page, property, vt, member);
    return;
  }
  if (!page->IsControlChanged(id)) return;
  T* where = &member;
  page->QueueWrite(id, property, [where, vt] { return MakeVariant(*where, vt); });
}

}  // namespace

COlePropertyPage::COlePropertyPage(UINT dialog_id, UINT caption_id) : CDialog(dialog_id), caption_id_(caption_id) {}

COlePropertyPage::COlePropertyPage(const DialogTemplate* dialog, std::string caption)
    : CDialog(dialog), caption_(std::move(caption)) {}

COlePropertyPage::~COlePropertyPage() = default;

std::shared_ptr<void> COlePropertyPage::HoldForMessage() {
  if (ReferenceCount() == 0) return nullptr;
  IUnknown* unknown = GetUnknown();
  unknown->AddRef();
  return std::shared_ptr<void>(unknown, [](void* held) { static_cast<IUnknown*>(held)->Release(); });
}

void COlePropertyPage::SetModifiedFlag(BOOL modified) {
  is_modified_ = modified != FALSE;
  if (site_) site_->OnStatusChange(is_modified_ ? PROPPAGESTATUS_DIRTY | PROPPAGESTATUS_VALIDATE : PROPPAGESTATUS_CLEAN);
}

std::vector<IDispatch*> COlePropertyPage::GetObjectArray() const {
  std::vector<IDispatch*> objects;
  for (const ComPtr<IDispatch>& object : objects_) objects.push_back(object.get());
  return objects;
}

BOOL COlePropertyPage::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  const WORD code = HIWORD(wparam);
  // A combo box left with nothing selected has no value to apply.
  const bool is_empty_choice =
      code == CBN_SELCHANGE && ::plat::SendMessage(reinterpret_cast<HWND>(lparam), CB_GETCURSEL, 0, 0) < 0;
  if (lparam != 0 && !is_loading_ && IsChangeCode(code) && !is_empty_choice && ignored_.count(id) == 0) {
    changed_.insert(id);
    SetModifiedFlag(TRUE);
  }
  // Not CDialog's: a page's controls with the ids of OK or Cancel are just controls.
  return CWnd::OnCommand(wparam, lparam);
}

HRESULT COlePropertyPage::SetPageSite(IPropertyPageSite* site) {
  site_ = site;
  return S_OK;
}

HRESULT COlePropertyPage::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  const DialogTemplate* dialog = ResolveTemplate();
  if (dialog == nullptr) return E_FAIL;
  if (caption_.empty() && caption_id_ != 0) {
    char text[512] = {};
    LoadString(ResourceModule(), caption_id_, text, sizeof(text));
    caption_ = text;
  }
  info->title = caption_;
  const LONG base = GetDialogBaseUnits();
  info->size = SIZE{dialog->cx * LOWORD(base) / 4, dialog->cy * HIWORD(base) / 8};
  info->doc_string.clear();
  return S_OK;
}

HRESULT COlePropertyPage::SetObjects(std::span<IUnknown* const> objects) {
  std::vector<ComPtr<IDispatch>> dispatches;
  for (IUnknown* object : objects) {
    ComPtr<IDispatch> dispatch;
    if (object == nullptr || FAILED(object->QueryInterface(IID_IDispatch, dispatch.put_void()))) return E_NOINTERFACE;
    dispatches.push_back(dispatch);
  }
  objects_ = std::move(dispatches);
  OnObjectsChanged();
  return S_OK;
}

HRESULT COlePropertyPage::Activate(HWND parent, const RECT& rect, BOOL modal) {
  (void)modal;
  if (m_hWnd != nullptr) return S_OK;
  const DialogTemplate* source = ResolveTemplate();
  if (source == nullptr) return E_FAIL;
  // The page is a hidden child control of the frame, whatever its template says.
  child_template_ = *source;
  child_template_.style = (source->style & ~(WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | DS_MODALFRAME |
                                             WS_VISIBLE | WS_DISABLED | DS_CENTER)) |
                          WS_CHILD | DS_CONTROL;
  child_template_.ex_style |= WS_EX_CONTROLPARENT;
  child_template_.x = 0;
  child_template_.y = 0;
  ComPtr<IUnknown> hold(GetUnknown());
  is_loading_ = true;
  if (!CreateIndirect(&child_template_, CWnd::FromHandle(parent))) {
    is_loading_ = false;
    return E_FAIL;
  }
  MoveWindow(rect, FALSE);
  UpdateData(FALSE);
  changed_.clear();
  is_modified_ = false;
  is_loading_ = false;
  return S_OK;
}

HRESULT COlePropertyPage::Deactivate() {
  ComPtr<IUnknown> hold(GetUnknown());
  if (m_hWnd != nullptr) DestroyWindow();
  return S_OK;
}

HRESULT COlePropertyPage::Show(UINT command) {
  if (m_hWnd == nullptr) return E_UNEXPECTED;
  // A shown page lies over its frame's tab control.
  if (command != SW_HIDE) SetWindowPos(nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  ShowWindow(static_cast<int>(command));
  return S_OK;
}

HRESULT COlePropertyPage::Move(const RECT& rect) {
  if (m_hWnd == nullptr) return E_UNEXPECTED;
  MoveWindow(rect);
  return S_OK;
}

HRESULT COlePropertyPage::IsPageDirty() { return is_modified_ ? S_OK : S_FALSE; }

HRESULT COlePropertyPage::Apply() {
  if (!is_modified_) return S_OK;
  if (m_hWnd == nullptr) return E_UNEXPECTED;
  ComPtr<IUnknown> hold(GetUnknown());
  queued_.clear();
  const BOOL is_saved = UpdateData(TRUE);
  queued_.clear();
  if (!is_saved) return E_FAIL;
  changed_.clear();
  SetModifiedFlag(FALSE);
  return S_OK;
}

bool COlePropertyPage::ReadProperty(const char* name, VARTYPE vt, Variant* value) {
  if (objects_.empty()) return false;
  IDispatch* object = objects_.front().get();
  DISPID id = 0;
  if (FAILED(object->GetIDsOfNames(name, &id))) return false;
  Variant got;
  EXCEPINFO excep;
  UINT arg_err = 0;
  if (FAILED(object->Invoke(id, InvokeKind::kPropertyGet, {}, &got, &excep, &arg_err))) return false;
  if (vt == VT_EMPTY) {
    *value = std::move(got);
    return true;
  }
  return SUCCEEDED(VariantChangeType(*value, got, vt));
}

void COlePropertyPage::QueueWrite(int id, const char* name, std::function<Variant()> value) {
  queued_.push_back({id, name, std::move(value)});
}

bool COlePropertyPage::WriteQueued(CDataExchange* dx) {
  std::vector<QueuedWrite> queued = std::move(queued_);
  queued_.clear();
  for (const QueuedWrite& write : queued) {
    for (const ComPtr<IDispatch>& object : objects_) {
      DISPID id = 0;
      if (FAILED(object->GetIDsOfNames(write.name, &id))) continue;  // this object has no such property
      Variant argument = write.value();
      EXCEPINFO excep;
      UINT arg_err = 0;
      if (SUCCEEDED(object->Invoke(id, InvokeKind::kPropertyPut, std::span<Variant>(&argument, 1), nullptr, &excep,
                                   &arg_err))) {
        continue;
      }
      dx->PrepareEditCtrl(write.id);
      DataExchangeMessage(dx, excep.bstrDescription.empty() ? "Invalid property value." : excep.bstrDescription);
      dx->Fail();
    }
  }
  return true;
}

void DDP_Text(CDataExchange* dx, int id, int& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_I4);
}
void DDP_Text(CDataExchange* dx, int id, short& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_I2);
}
void DDP_Text(CDataExchange* dx, int id, long& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_I4);
}
void DDP_Text(CDataExchange* dx, int id, UINT& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_I4);
}
void DDP_Text(CDataExchange* dx, int id, float& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_R4);
}
void DDP_Text(CDataExchange* dx, int id, double& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_R8);
}
void DDP_Text(CDataExchange* dx, int id, std::string& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_BSTR);
}

void DDP_Check(CDataExchange* dx, int id, int& member, const char* property) {
  COlePropertyPage* page = PageOf(dx);
  if (page == nullptr || property == nullptr) return;
  if (dx->m_bSaveAndValidate) {
    ExchangeProperty(dx, id, member, property, VT_I4);
    return;
  }
  Variant value;
  if (!page->ReadProperty(property, VT_EMPTY, &value)) return;
  // VARIANT_TRUE is -1: a boolean shows as a tick.
  if (value.vt() == VT_BOOL) {
    member = value.boolVal() != 0 ? 1 : 0;
  } else if (SUCCEEDED(VariantChangeType(value, value, VT_I4))) {
    member = value.lVal();
  }
}

void DDP_CBIndex(CDataExchange* dx, int id, int& member, const char* property) {
  COlePropertyPage* page = PageOf(dx);
  if (page == nullptr || property == nullptr) return;
  // With nothing selected there is no value to write: the property stays.
  if (dx->m_bSaveAndValidate && SendDlgItemMessage(page->GetSafeHwnd(), id, CB_GETCURSEL, 0, 0) < 0) return;
  ExchangeProperty(dx, id, member, property, VT_I4);
}

void DDP_CBString(CDataExchange* dx, int id, std::string& member, const char* property) {
  ExchangeProperty(dx, id, member, property, VT_BSTR);
}

void ExchangePropCheck(CDataExchange* dx, int id, int& member, const char* property) {
  DDP_Check(dx, id, member, property);
  DDX_Check(dx, id, member);
}

void ExchangePropList(CDataExchange* dx, int id, int& member, const char* property, std::span<const int> values) {
  DDP_CBIndex(dx, id, member, property);
  DDX_CBValue(dx, id, member, values);
}

void ExchangePropText(CDataExchange* dx, int id, int& member, const char* property) {
  DDP_Text(dx, id, member, property);
  DDX_Text(dx, id, member);
}

void ExchangePropText(CDataExchange* dx, int id, float& member, const char* property) {
  DDP_Text(dx, id, member, property);
  DDX_Text(dx, id, member);
}

void ExchangePropText(CDataExchange* dx, int id, std::string& member, const char* property) {
  DDP_Text(dx, id, member, property);
  DDX_Text(dx, id, member);
}

void LimitFieldText(HWND page, int id, int chars) {
  SendDlgItemMessage(page, id, EM_LIMITTEXT, static_cast<WPARAM>(chars), 0);
}

void SetSpinRange(HWND page, int id, int lower, int upper) {
  SendDlgItemMessage(page, id, UDM_SETRANGE32, static_cast<WPARAM>(lower), upper);
}

void RedrawAfterLoad(CDataExchange* dx, CWnd& page) {
  if (dx->m_bSaveAndValidate) return;
  page.Invalidate();
  page.UpdateWindow();
}

void FillComboBox(HWND page, int id, std::span<const char* const> texts) {
  for (const char* text : texts) SendDlgItemMessage(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
}

void FillComboBoxFromStrings(HWND page, int id, HINSTANCE module, std::span<const int> string_ids) {
  for (int string_id : string_ids) {
    char text[512] = {};
    LoadString(module, static_cast<UINT>(string_id), text, sizeof(text));
    SendDlgItemMessage(page, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  }
}

void DDP_PostProcessing(CDataExchange* dx) {
  COlePropertyPage* page = PageOf(dx);
  if (page == nullptr || !dx->m_bSaveAndValidate) return;
  page->WriteQueued(dx);
}

}  // namespace plat
