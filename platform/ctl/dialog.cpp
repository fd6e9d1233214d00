// CDialog: templates of the dialog manager run modal or modeless, with the
// window bound to its object from WM_INITDIALOG on.
#include "plat/ctl/dialog.h"

#include "plat/modules.h"
#include "plat/resources.h"

namespace plat {

struct DialogRouting {
  // The dialog procedure of every CDialog: binds the object on
  // WM_INITDIALOG; later messages reach it through the window hook, and
  // this procedure leaves them to the dialog manager.
  static INT_PTR CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam) {
    (void)wparam;
    if (message != WM_INITDIALOG) return FALSE;
    auto* dialog = reinterpret_cast<CDialog*>(lparam);
    if (dialog == nullptr || !dialog->SubclassWindow(hwnd)) return TRUE;
    return dialog->OnInitDialog();
  }
};

HINSTANCE CDialog::ResourceModule() const {
  // The object's vtable lives in the module that defines its class, whose
  // resources hold its dialogs and strings.
  return m_hResource != nullptr ? m_hResource : GetModuleHandleFromAddress(*reinterpret_cast<void* const*>(this));
}

const DialogTemplate* CDialog::ResolveTemplate() const {
  if (template_ != nullptr) return template_;
  if (template_id_ == 0) return nullptr;
  HRSRC resource = FindResource(ResourceModule(), MAKEINTRESOURCE(template_id_), MAKEINTRESOURCE(RT_DIALOG));
  if (resource == nullptr) return nullptr;
  return static_cast<const DialogTemplate*>(reinterpret_cast<const ResourceEntry*>(resource)->data);
}

INT_PTR CDialog::DoModal() {
  if (m_hWnd != nullptr) return -1;
  const DialogTemplate* dialog = ResolveTemplate();
  if (dialog == nullptr) return -1;
  HWND owner = CWnd::GetSafeOwnerHwnd(parent_ != nullptr ? parent_->GetSafeHwnd() : owner_hwnd_);
  is_modal_ = true;
  const INT_PTR result =
      DialogBoxIndirectParam(nullptr, dialog, owner, &DialogRouting::Proc, reinterpret_cast<LPARAM>(this));
  is_modal_ = false;
  return result;
}

BOOL CDialog::Create(UINT template_id, CWnd* parent) {
  template_id_ = template_id;
  template_ = nullptr;
  parent_ = parent;
  return CreateIndirect(ResolveTemplate(), parent);
}

BOOL CDialog::CreateIndirect(const DialogTemplate* dialog, CWnd* parent) {
  if (m_hWnd != nullptr || dialog == nullptr) return FALSE;
  parent_ = parent;
  is_modal_ = false;
  HWND hwnd = CreateDialogIndirectParam(nullptr, dialog, parent != nullptr ? parent->GetSafeHwnd() : nullptr,
                                        &DialogRouting::Proc, reinterpret_cast<LPARAM>(this));
  return hwnd != nullptr && m_hWnd == hwnd ? TRUE : FALSE;
}

BOOL CDialog::OnInitDialog() {
  UpdateData(FALSE);
  return TRUE;
}

void CDialog::OnOK() {
  if (!UpdateData(TRUE)) return;
  EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

BOOL CDialog::UpdateData(BOOL save_and_validate) {
  if (m_hWnd == nullptr) return FALSE;
  CDataExchange exchange(this, save_and_validate);
  try {
    DoDataExchange(&exchange);
  } catch (const CUserException&) {
    return FALSE;
  }
  return TRUE;
}

void CDialog::EndDialog(int result) {
  if (m_hWnd == nullptr) return;
  if (is_modal_) {
    ::plat::EndDialog(m_hWnd, result);
  } else {
    DestroyWindow();
  }
}

void CDialog::NextDlgCtrl() const { ::plat::SendMessage(m_hWnd, WM_NEXTDLGCTL, 0, FALSE); }
void CDialog::PrevDlgCtrl() const { ::plat::SendMessage(m_hWnd, WM_NEXTDLGCTL, 1, FALSE); }
void CDialog::GotoDlgCtrl(CWnd* control) {
  if (control != nullptr) ::plat::SendMessage(m_hWnd, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control->GetSafeHwnd()), TRUE);
}

BOOL CDialog::OnCommand(WPARAM wparam, LPARAM lparam) {
  const int id = LOWORD(wparam);
  if ((id == IDOK || id == IDCANCEL) && HIWORD(wparam) == BN_CLICKED) {
    // A disabled button does not act, however the command came.
    HWND button = ::plat::GetDlgItem(m_hWnd, id);
    if (button != nullptr && !::plat::IsWindowEnabled(button)) return TRUE;
    if (id == IDOK) {
      OnOK();
    } else {
      OnCancel();
    }
    return TRUE;
  }
  return CWnd::OnCommand(wparam, lparam);
}

INT_PTR ShowAboutBox(HINSTANCE module, CWnd* parent, UINT dialog_id) {
  CDialog about(dialog_id, parent);
  about.m_hResource = module;
  return about.DoModal();
}

}  // namespace plat
