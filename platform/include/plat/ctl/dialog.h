// CDialog and dialog data exchange. A CDialog runs a template of the dialog
// manager (a module's RT_DIALOG resource by id, or a template in code),
// modal (DoModal) or modeless (Create); its messages reach the object's
// handlers once WM_INITDIALOG arrives. DoDataExchange moves values between
// members and controls with the DDX_ and DDV_ functions: UpdateData(TRUE)
// reads and validates, UpdateData(FALSE) fills the controls. A value that
// does not parse or validate shows a message box, puts the focus back on
// its control (an edit's text selected) and ends the exchange with FALSE.
#ifndef PLAT_CTL_DIALOG_H_
#define PLAT_CTL_DIALOG_H_

#include <exception>
#include <span>
#include <string>

#include "plat/ctl/wnd.h"
#include "plat/dialog.h"

namespace plat {

class CDataExchange;

class CDialog : public CWnd {
 public:
  CDialog() = default;
  // The RT_DIALOG resource `template_id` of m_hResource.
  explicit CDialog(UINT template_id, CWnd* parent = nullptr) : template_id_(template_id), parent_(parent) {}
  // A template in code; it must outlive the dialog window.
  explicit CDialog(const DialogTemplate* dialog, CWnd* parent = nullptr) : template_(dialog), parent_(parent) {}

  // Runs the dialog modally (owned by the top-level window of the parent, or
  // of the main window): EndDialog's result, IDCANCEL when the dialog was
  // closed, -1 when it could not be made (no template, a window already).
  virtual INT_PTR DoModal();
  // A modeless dialog; FALSE when it could not be made.
  BOOL Create(UINT template_id, CWnd* parent = nullptr);
  BOOL CreateIndirect(const DialogTemplate* dialog, CWnd* parent = nullptr);

  // Default: UpdateData(FALSE); TRUE gives the focus to the first tab stop.
  virtual BOOL OnInitDialog();
  // Default: UpdateData(TRUE), and the dialog ends with IDOK when it succeeded.
  virtual void OnOK();
  // Default: the dialog ends with IDCANCEL.
  virtual void OnCancel();
  virtual void DoDataExchange(CDataExchange* dx) {}
  // FALSE when a value did not parse or validate (its control has the focus).
  BOOL UpdateData(BOOL save_and_validate = TRUE);
  // A modal dialog returns `result` from DoModal; a modeless one is destroyed.
  void EndDialog(int result);
  void NextDlgCtrl() const;
  void PrevDlgCtrl() const;
  void GotoDlgCtrl(CWnd* control);

  // IDOK and IDCANCEL reach OnOK and OnCancel.
  BOOL OnCommand(WPARAM wparam, LPARAM lparam) override;

  // The module whose resources the template id names; null: the module of
  // the object's own (most-derived) class. A plain CDialog made by id should
  // be told its module.
  HINSTANCE m_hResource = nullptr;
  UINT m_nIDHelp = 0;

 protected:
  // The template to make: the one in code, else the resource; null when none.
  const DialogTemplate* ResolveTemplate() const;
  // m_hResource, else the module that defines the object's class.
  HINSTANCE ResourceModule() const;
  UINT template_id() const { return template_id_; }
  void SetTemplate(UINT template_id) { template_id_ = template_id; }
  void SetTemplate(const DialogTemplate* dialog) { template_ = dialog; }
  // The owner of a modal dialog that has no parent object.
  void SetOwnerWindow(HWND owner) { owner_hwnd_ = owner; }

 private:
  friend struct DialogRouting;
  UINT template_id_ = 0;
  const DialogTemplate* template_ = nullptr;
  CWnd* parent_ = nullptr;
  HWND owner_hwnd_ = nullptr;
  bool is_modal_ = false;
};

// Ends an exchange that found a bad value (after the user was told).
class CUserException : public std::exception {
 public:
  const char* what() const noexcept override { return "the data exchange was refused"; }
};

class CDataExchange {
 public:
  CDataExchange(CWnd* dialog, BOOL save_and_validate) : m_bSaveAndValidate(save_and_validate), m_pDlgWnd(dialog) {}

  // The control `id` of the dialog, remembered as the one a failure goes back to.
  HWND PrepareCtrl(int id);
  // The same for an edit: a failure selects its text.
  HWND PrepareEditCtrl(int id);
  // Moves the focus to the last control prepared and ends the exchange
  // (throws CUserException, which UpdateData catches).
  [[noreturn]] void Fail();

  BOOL m_bSaveAndValidate;
  CWnd* m_pDlgWnd;
  HWND m_hWndLastControl = nullptr;
  BOOL m_bEditLastControl = FALSE;
  int m_idLastControl = 0;
};

// Tells the user about a refused value: a warning box owned by the dialog.
void DataExchangeMessage(CDataExchange* dx, const std::string& text);

// Edits: numbers in C notation ("Please enter an integer." / "Please enter
// a number." when the text is not one), and text.
void DDX_Text(CDataExchange* dx, int id, int& value);
void DDX_Text(CDataExchange* dx, int id, UINT& value);
void DDX_Text(CDataExchange* dx, int id, long& value);
void DDX_Text(CDataExchange* dx, int id, short& value);
void DDX_Text(CDataExchange* dx, int id, float& value);
void DDX_Text(CDataExchange* dx, int id, double& value);
void DDX_Text(CDataExchange* dx, int id, std::string& value);  // also CString
// Check boxes: 0 cleared, 1 ticked, 2 indeterminate.
void DDX_Check(CDataExchange* dx, int id, int& value);
// A check box standing for one of two values: loading ticks it when `value`
// is `ticked_value` (and clears it for any other); saving sets `value` to
// `ticked_value` or `cleared_value`.
void DDX_CheckValue(CDataExchange* dx, int id, int& value, int ticked_value, int cleared_value);
// Combo boxes: the selected index (-1 none), or the text (selected or typed).
void DDX_CBIndex(CDataExchange* dx, int id, int& index);
void DDX_CBString(CDataExchange* dx, int id, std::string& value);
// A drop-down list whose positions stand for the values of `table`, in
// order: loading selects the position of `value` (nothing when the table
// lacks it); saving sets `value` from the selected position and leaves it
// as it was when nothing is selected, so a value outside the table is never
// replaced by a guess.
void DDX_CBValue(CDataExchange* dx, int id, int& value, std::span<const int> table);
// Binds `control` to the dialog's control `id` (once).
void DDX_Control(CDataExchange* dx, int id, CWnd& control);

// Validation of the value just exchanged, when saving: "Please enter an
// integer between <min> and <max>." (a number for the double form), and
// "Please enter no more than <count> characters." (bytes of UTF-8). When
// loading, DDV_MaxChars limits the edit to `count` bytes.
void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max);
void DDV_MinMaxLong(CDataExchange* dx, long value, long min, long max);
void DDV_MinMaxDouble(CDataExchange* dx, double value, double min, double max);
void DDV_MaxChars(CDataExchange* dx, const std::string& value, int count);

// The about box of a control module: its RT_DIALOG resource `dialog_id`
// run modally over `parent` (the main window when null). DoModal's result.
INT_PTR ShowAboutBox(HINSTANCE module, CWnd* parent = nullptr, UINT dialog_id = 1);

}  // namespace plat

#endif  // PLAT_CTL_DIALOG_H_
