// Dialog data exchange: members to controls and back, with the checks that
// refuse a bad value, tell the user and put the focus back on its control.
#include <charconv>
#include <cstdio>
#include <limits>
#include <string>

#include "plat/ctl/dialog.h"

namespace plat {

namespace {

std::string TextOf(HWND control) {
  const int length = GetWindowTextLength(control);
  std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
  GetWindowText(control, text.data(), static_cast<int>(text.size()));
  text.resize(text.find('\0'));
  return text;
}

std::string_view Trimmed(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// A whole integer of type T from the control, or the "integer" refusal.
template <class T>
T ReadInteger(CDataExchange* dx, HWND control) {
  const std::string text = TextOf(control);
  std::string_view digits = Trimmed(text);
  if (!digits.empty() && digits.front() == '+') digits.remove_prefix(1);
  long long number = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number);
  if (digits.empty() || error != std::errc() || end != digits.data() + digits.size() ||
      number < static_cast<long long>(std::numeric_limits<T>::min()) ||
      number > static_cast<long long>(std::numeric_limits<T>::max())) {
    DataExchangeMessage(dx, std::is_signed_v<T> ? "Please enter an integer." : "Please enter a positive integer.");
    dx->Fail();
  }
  return static_cast<T>(number);
}

template <class T>
void ExchangeInteger(CDataExchange* dx, int id, T& value) {
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = ReadInteger<T>(dx, control);
  } else {
    SetWindowText(control, std::to_string(value).c_str());
  }
}

template <class T>
void ExchangeReal(CDataExchange* dx, int id, T& value, int digits) {
  HWND control = dx->PrepareEditCtrl(id);
  if (!dx->m_bSaveAndValidate) {
    char text[64];
    std::snprintf(text, sizeof(text), "%.*g", digits, static_cast<double>(value));
    SetWindowText(control, text);
    return;
  }
  const std::string text = TextOf(control);
  std::string_view number_text = Trimmed(text);
  if (!number_text.empty() && number_text.front() == '+') number_text.remove_prefix(1);
  double number = 0;
  const auto [end, error] = std::from_chars(number_text.data(), number_text.data() + number_text.size(), number);
  if (number_text.empty() || error != std::errc() || end != number_text.data() + number_text.size() ||
      (sizeof(T) < sizeof(double) && (number > std::numeric_limits<T>::max() || number < -std::numeric_limits<T>::max()))) {
    DataExchangeMessage(dx, "Please enter a number.");
    dx->Fail();
  }
  value = static_cast<T>(number);
}

}  // namespace

HWND CDataExchange::PrepareCtrl(int id) {
  HWND control = GetDlgItem(m_pDlgWnd->GetSafeHwnd(), id);
  m_hWndLastControl = control;
  m_bEditLastControl = FALSE;
  m_idLastControl = id;
  return control;
}

HWND CDataExchange::PrepareEditCtrl(int id) {
  HWND control = PrepareCtrl(id);
  m_bEditLastControl = TRUE;
  return control;
}

void CDataExchange::Fail() {
  if (m_bSaveAndValidate && m_hWndLastControl != nullptr && IsWindow(m_hWndLastControl)) {
    SetFocus(m_hWndLastControl);
    if (m_bEditLastControl) SendMessage(m_hWndLastControl, EM_SETSEL, 0, -1);
  }
  throw CUserException();
}

void DataExchangeMessage(CDataExchange* dx, const std::string& text) {
  HWND owner = dx->m_pDlgWnd != nullptr ? GetAncestor(dx->m_pDlgWnd->GetSafeHwnd(), GA_ROOT) : nullptr;
  MessageBox(owner, text.c_str(), nullptr, MB_OK | MB_ICONEXCLAMATION);
}

void DDX_Text(CDataExchange* dx, int id, int& value) { ExchangeInteger(dx, id, value); }
void DDX_Text(CDataExchange* dx, int id, UINT& value) { ExchangeInteger(dx, id, value); }
void DDX_Text(CDataExchange* dx, int id, long& value) { ExchangeInteger(dx, id, value); }
void DDX_Text(CDataExchange* dx, int id, short& value) { ExchangeInteger(dx, id, value); }
void DDX_Text(CDataExchange* dx, int id, float& value) { ExchangeReal(dx, id, value, std::numeric_limits<float>::digits10); }
void DDX_Text(CDataExchange* dx, int id, double& value) {
  ExchangeReal(dx, id, value, std::numeric_limits<double>::digits10);
}

void DDX_Text(CDataExchange* dx, int id, std::string& value) {
  HWND control = dx->PrepareEditCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = TextOf(control);
  } else {
    SetWindowText(control, value.c_str());
  }
}

void DDX_Check(CDataExchange* dx, int id, int& value) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = static_cast<int>(SendMessage(control, BM_GETCHECK, 0, 0));
  } else {
    SendMessage(control, BM_SETCHECK, static_cast<WPARAM>(value >= 0 && value <= 2 ? value : 0), 0);
  }
}

void DDX_CheckValue(CDataExchange* dx, int id, int& value, int ticked_value, int cleared_value) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = SendMessage(control, BM_GETCHECK, 0, 0) == BST_CHECKED ? ticked_value : cleared_value;
  } else {
    SendMessage(control, BM_SETCHECK, value == ticked_value ? BST_CHECKED : BST_UNCHECKED, 0);
  }
}

void DDX_CBIndex(CDataExchange* dx, int id, int& index) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    index = static_cast<int>(SendMessage(control, CB_GETCURSEL, 0, 0));
  } else {
    SendMessage(control, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
}

void DDX_CBValue(CDataExchange* dx, int id, int& value, std::span<const int> table) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    const LRESULT index = SendMessage(control, CB_GETCURSEL, 0, 0);
    // The selection is checked against the table before it indexes it.
    if (index >= 0 && static_cast<size_t>(index) < table.size()) value = table[static_cast<size_t>(index)];
    return;
  }
  WPARAM index = static_cast<WPARAM>(-1);
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i] == value) {
      index = i;
      break;
    }
  }
  SendMessage(control, CB_SETCURSEL, index, 0);
}

void DDX_CBString(CDataExchange* dx, int id, std::string& value) {
  HWND control = dx->PrepareCtrl(id);
  if (dx->m_bSaveAndValidate) {
    value = TextOf(control);
    return;
  }
  // An item starting with the text is selected; an editable combo shows the
  // text itself when none does.
  if (SendMessage(control, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(value.c_str())) ==
      CB_ERR) {
    if ((GetWindowLongPtr(control, GWL_STYLE) & 0x3) != CBS_DROPDOWNLIST) SetWindowText(control, value.c_str());
  }
}

void DDX_Control(CDataExchange* dx, int id, CWnd& control) {
  if (control.GetSafeHwnd() != nullptr) return;
  HWND hwnd = dx->PrepareCtrl(id);
  if (hwnd != nullptr) control.SubclassWindow(hwnd);
}

void DDV_MinMaxInt(CDataExchange* dx, int value, int min, int max) {
  if (!dx->m_bSaveAndValidate || (value >= min && value <= max)) return;
  DataExchangeMessage(dx, "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".");
  dx->Fail();
}

void DDV_MinMaxLong(CDataExchange* dx, long value, long min, long max) {
  if (!dx->m_bSaveAndValidate || (value >= min && value <= max)) return;
  DataExchangeMessage(dx, "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) + ".");
  dx->Fail();
}

void DDV_MinMaxDouble(CDataExchange* dx, double value, double min, double max) {
  if (!dx->m_bSaveAndValidate || (value >= min && value <= max)) return;
  char text[128];
  std::snprintf(text, sizeof(text), "Please enter a number between %g and %g.", min, max);
  DataExchangeMessage(dx, text);
  dx->Fail();
}

void DDV_MaxChars(CDataExchange* dx, const std::string& value, int count) {
  if (!dx->m_bSaveAndValidate) {
    if (dx->m_hWndLastControl != nullptr) SendMessage(dx->m_hWndLastControl, EM_LIMITTEXT, static_cast<WPARAM>(count), 0);
    return;
  }
  if (static_cast<int64_t>(value.size()) <= count) return;
  DataExchangeMessage(dx, "Please enter no more than " + std::to_string(count) + " characters.");
  dx->Fail();
}

}  // namespace plat
