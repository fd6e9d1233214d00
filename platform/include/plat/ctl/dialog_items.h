// The usual items of a dialog template in code, with the styles a property
// page or form dialog gives them (positions and sizes in dialog units). A
// label goes just before its field so that its mnemonic reaches the field;
// a spin button goes just after its edit, which it takes as its buddy.
#ifndef PLAT_CTL_DIALOG_ITEMS_H_
#define PLAT_CTL_DIALOG_ITEMS_H_

#include "plat/dialog.h"
#include "plat/updown.h"

namespace plat {

inline DialogItemTemplate DialogLabel(const char* text, int x, int y, int cx) {
  return {kStaticClass, text, -1, WS_VISIBLE | SS_LEFT, 0, x, y, cx, 8};
}

inline DialogItemTemplate DialogGroupBox(const char* text, int x, int y, int cx, int cy) {
  return {kButtonClass, text, -1, WS_VISIBLE | BS_GROUPBOX, 0, x, y, cx, cy};
}

inline DialogItemTemplate DialogCheckBox(const char* text, int id, int x, int y, int cx) {
  return {kButtonClass, text, id, WS_VISIBLE | WS_TABSTOP | BS_AUTOCHECKBOX, 0, x, y, cx, 10};
}

inline DialogItemTemplate DialogPushButton(const char* text, int id, int x, int y, int cx) {
  return {kButtonClass, text, id, WS_VISIBLE | WS_TABSTOP, 0, x, y, cx, 14};
}

// A drop-down list; `drop_cy` is its height with the list dropped.
inline DialogItemTemplate DialogDropDownList(int id, int x, int y, int cx, int drop_cy) {
  return {kComboBoxClass, "", id, WS_VISIBLE | WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST, 0, x, y, cx, drop_cy};
}

inline DialogItemTemplate DialogEdit(int id, int x, int y, int cx) {
  return {kEditClass, "", id, WS_VISIBLE | WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL, 0, x, y, cx, 12};
}

// A spin button that takes the item before it as its buddy, shows its
// position there as plain digits and sits at the buddy's right edge.
inline DialogItemTemplate DialogSpinButton(int id, int x, int y) {
  return {kUpDownClass, "", id,
          WS_VISIBLE | UDS_AUTOBUDDY | UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, x, y, 10,
          12};
}

// A template for a property page: a child control dialog of `cx` x `cy`.
inline DialogTemplate PropertyPageTemplate(int cx, int cy, std::vector<DialogItemTemplate> items) {
  DialogTemplate dialog;
  dialog.style = WS_CHILD | DS_CONTROL;
  dialog.cx = cx;
  dialog.cy = cy;
  dialog.items = std::move(items);
  return dialog;
}

}  // namespace plat

#endif  // PLAT_CTL_DIALOG_ITEMS_H_
