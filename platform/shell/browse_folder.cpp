// The folder browser: a modal dialog of our own dialog manager that lists
// only file-system folders below its root, so every item it hands out has a
// path. The callback hears of the start, of each selection and of typed
// names that name no folder (BIF_VALIDATE).
#include <dirent.h>

#include <algorithm>
#include <string>
#include <vector>

#include "plat/dialog.h"
#include "shell/shell_internal.h"

namespace plat {

namespace {

constexpr const char* kBrowseCaption = "Browse for Folder";

struct Browser {
  BROWSEINFO* info = nullptr;
  std::string root;
  std::string current;   // the folder whose subfolders the list shows
  std::string selected;  // the folder OK would give now
  std::string result;
  bool is_setting_edit = false;
  int selections = 0;  // selection changes reported so far
};

Browser* BrowserOf(HWND dialog) { return reinterpret_cast<Browser*>(GetWindowLongPtr(dialog, DWLP_USER)); }

bool IsWithinRoot(const Browser& browser, const std::string& path) {
  if (browser.root == "/" || path == browser.root) return true;
  return path.size() > browser.root.size() && path.compare(0, browser.root.size(), browser.root) == 0 &&
         path[browser.root.size()] == '/';
}

// The subfolders of `folder` (hidden ones left out), sorted by name.
std::vector<std::string> Subfolders(const std::string& folder) {
  std::vector<std::string> names;
  DIR* listing = ::opendir(folder.c_str());
  if (listing == nullptr) return names;
  while (const dirent* entry = ::readdir(listing)) {
    const std::string name = entry->d_name;
    if (name.empty() || name.front() == '.') continue;
    if (shell::IsFolder(shell::JoinPath(folder, name))) names.push_back(name);
  }
  ::closedir(listing);
  std::sort(names.begin(), names.end());
  return names;
}

int CallBack(HWND dialog, const Browser& browser, UINT message, LPARAM lparam) {
  if (browser.info->cb == nullptr) return 0;
  return browser.info->cb(dialog, message, lparam, browser.info->data);
}

void ShowPathInEdit(HWND dialog, Browser& browser) {
  if ((browser.info->flags & BIF_EDITBOX) == 0) return;
  browser.is_setting_edit = true;
  SetDlgItemText(dialog, kBrowseEditId, browser.selected.c_str());
  browser.is_setting_edit = false;
}

void FillList(HWND dialog, const Browser& browser) {
  SendDlgItemMessage(dialog, kBrowseListId, LB_RESETCONTENT, 0, 0);
  for (const std::string& name : Subfolders(browser.current)) {
    SendDlgItemMessage(dialog, kBrowseListId, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
  }
}

void ReportSelection(HWND dialog, Browser& browser) {
  ++browser.selections;
  PIDLIST_ABSOLUTE pidl = shell::MakeItemList(browser.selected);
  CallBack(dialog, browser, BFFM_SELCHANGED, reinterpret_cast<LPARAM>(pidl));
  ILFree(pidl);
}

// Makes `folder` the selection, tells the edit and the callback.
void Select(HWND dialog, Browser& browser, const std::string& folder) {
  browser.selected = folder;
  ShowPathInEdit(dialog, browser);
  EnableWindow(GetDlgItem(dialog, IDOK), TRUE);
  EnableWindow(GetDlgItem(dialog, kBrowseUpId), browser.current != browser.root ? TRUE : FALSE);
  ReportSelection(dialog, browser);
}

// Browses the folder above `folder` with `folder` chosen in its list (the
// root itself is browsed with nothing chosen).
void SelectInParent(HWND dialog, Browser& browser, std::string folder) {
  browser.current = folder == browser.root ? folder : shell::ParentOf(folder);
  FillList(dialog, browser);
  if (folder != browser.root) {
    const std::string name = shell::LastSegment(folder);
    const LRESULT index = SendDlgItemMessage(dialog, kBrowseListId, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(name.c_str()));
    SendDlgItemMessage(dialog, kBrowseListId, LB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
  Select(dialog, browser, folder);
}

// A typed name as a folder below the root: absolute, or relative to the
// folder being browsed; nullopt when it names no such folder.
std::optional<std::string> ResolveTyped(const Browser& browser, std::string text) {
  while (!text.empty() && text.back() == ' ') text.pop_back();
  while (!text.empty() && text.front() == ' ') text.erase(text.begin());
  if (text.empty()) return std::nullopt;
  std::optional<std::string> clean =
      shell::CleanAbsolutePath(text.front() == '/' ? text : shell::JoinPath(browser.current, text));
  if (!clean || !shell::IsFolder(*clean) || !IsWithinRoot(browser, *clean)) return std::nullopt;
  return clean;
}

std::string EditText(HWND dialog) {
  HWND edit = GetDlgItem(dialog, kBrowseEditId);
  std::string text(static_cast<size_t>(std::max(0, GetWindowTextLength(edit))) + 1, '\0');
  GetWindowText(edit, text.data(), static_cast<int>(text.size()));
  text.resize(text.find('\0'));
  return text;
}

void Finish(HWND dialog, Browser& browser, const std::string& folder) {
  browser.result = folder;
  EndDialog(dialog, IDOK);
}

// OK: a typed name that differs from the selection must name a folder;
// otherwise the callback decides (BIF_VALIDATE: 1 keeps the dialog open,
// 0 closes it with the selection), or the dialog stays open.
void OnOk(HWND dialog, Browser& browser) {
  if ((browser.info->flags & BIF_EDITBOX) != 0) {
    const std::string typed = EditText(dialog);
    if (typed != browser.selected) {
      if (std::optional<std::string> folder = ResolveTyped(browser, typed)) {
        Finish(dialog, browser, *folder);
        return;
      }
      if ((browser.info->flags & BIF_VALIDATE) == 0) {
        MessageBeep(MB_OK);
        return;
      }
      if (CallBack(dialog, browser, BFFM_VALIDATEFAILED, reinterpret_cast<LPARAM>(typed.c_str())) != 0) return;
    }
  }
  Finish(dialog, browser, browser.selected);
}

INT_PTR CALLBACK BrowseProc(HWND dialog, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_INITDIALOG) {
    auto* browser = reinterpret_cast<Browser*>(lparam);
    SetWindowLongPtr(dialog, DWLP_USER, lparam);
    SetDlgItemText(dialog, kBrowseTitleId, browser->info->title != nullptr ? browser->info->title : "");
    browser->current = browser->root;
    FillList(dialog, *browser);
    browser->selected = browser->root;
    ShowPathInEdit(dialog, *browser);
    EnableWindow(GetDlgItem(dialog, kBrowseUpId), FALSE);
    CallBack(dialog, *browser, BFFM_INITIALIZED, 0);
    // The first selection is the root unless the callback chose another;
    // OK stays as the callback left it.
    if (browser->selections == 0) ReportSelection(dialog, *browser);
    return TRUE;
  }
  Browser* browser = BrowserOf(dialog);
  if (browser == nullptr) return FALSE;
  switch (message) {
    case WM_COMMAND: {
      const int id = LOWORD(wparam);
      const WORD code = HIWORD(wparam);
      if (id == IDOK) {
        OnOk(dialog, *browser);
      } else if (id == IDCANCEL) {
        EndDialog(dialog, IDCANCEL);
      } else if (id == kBrowseUpId && code == BN_CLICKED) {
        if (browser->current != browser->root) SelectInParent(dialog, *browser, browser->current);
      } else if (id == kBrowseListId && (code == LBN_SELCHANGE || code == LBN_DBLCLK)) {
        const LRESULT index = SendDlgItemMessage(dialog, kBrowseListId, LB_GETCURSEL, 0, 0);
        if (index < 0) return TRUE;
        std::string name(static_cast<size_t>(std::max<LRESULT>(
                             0, SendDlgItemMessage(dialog, kBrowseListId, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0))) + 1,
                         '\0');
        SendDlgItemMessage(dialog, kBrowseListId, LB_GETTEXT, static_cast<WPARAM>(index),
                           reinterpret_cast<LPARAM>(name.data()));
        name.resize(name.find('\0'));
        const std::string folder = shell::JoinPath(browser->current, name);
        if (code == LBN_DBLCLK) {
          browser->current = folder;
          FillList(dialog, *browser);
        }
        Select(dialog, *browser, folder);
      } else if (id == kBrowseEditId && code == EN_CHANGE && !browser->is_setting_edit &&
                 (browser->info->flags & BIF_VALIDATE) == 0) {
        // Without validation OK is offered only for a name that is a folder.
        const bool is_folder = ResolveTyped(*browser, EditText(dialog)).has_value();
        EnableWindow(GetDlgItem(dialog, IDOK), is_folder ? TRUE : FALSE);
      }
      return TRUE;
    }
    case BFFM_SETSTATUSTEXT:
      SetDlgItemText(dialog, kBrowseStatusId, lparam != 0 ? reinterpret_cast<const char*>(lparam) : "");
      return TRUE;
    case BFFM_ENABLEOK:
      EnableWindow(GetDlgItem(dialog, IDOK), lparam != 0 ? TRUE : FALSE);
      return TRUE;
    case BFFM_SETSELECTION: {
      std::optional<std::string> folder;
      if (wparam != 0) {
        if (lparam != 0) folder = shell::CleanAbsolutePath(reinterpret_cast<const char*>(lparam));
      } else {
        folder = shell::PathOfItemList(reinterpret_cast<PCIDLIST_ABSOLUTE>(lparam));
      }
      // Only folders below the root can be chosen; anything else is ignored.
      if (folder && shell::IsFolder(*folder) && IsWithinRoot(*browser, *folder)) {
        SelectInParent(dialog, *browser, *folder);
      }
      return TRUE;
    }
    default: return FALSE;
  }
}

DialogTemplate BrowseTemplate(UINT flags) {
  DialogTemplate dialog;
  dialog.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
  dialog.cx = 220;
  dialog.cy = 196;
  dialog.title = kBrowseCaption;
  const DWORD visible = WS_VISIBLE;
  dialog.items.push_back({kStaticClass, "", kBrowseTitleId, visible | SS_LEFT | SS_NOPREFIX, 0, 7, 7, 206, 18});
  if ((flags & BIF_STATUSTEXT) != 0) {
    dialog.items.push_back({kStaticClass, "", kBrowseStatusId, visible | SS_LEFT | SS_NOPREFIX, 0, 7, 27, 206, 9});
  }
  if ((flags & BIF_EDITBOX) != 0) {
    dialog.items.push_back(
        {kEditClass, "", kBrowseEditId, visible | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 0, 7, 38, 206, 12});
  }
  dialog.items.push_back({kListBoxClass, "", kBrowseListId,
                          visible | WS_BORDER | WS_VSCROLL | WS_TABSTOP | LBS_NOTIFY, 0, 7, 54, 206, 112});
  dialog.items.push_back({kButtonClass, "Up", kBrowseUpId, visible | WS_TABSTOP, 0, 7, 174, 50, 14});
  dialog.items.push_back({kButtonClass, "OK", IDOK, visible | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 107, 174, 50, 14});
  dialog.items.push_back({kButtonClass, "Cancel", IDCANCEL, visible | WS_TABSTOP, 0, 163, 174, 50, 14});
  return dialog;
}

}  // namespace

PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* info) {
  if (info == nullptr) return nullptr;
  Browser browser;
  browser.info = info;
  std::optional<std::string> root = shell::PathOfItemList(info->pidlRoot);
  browser.root = root && shell::IsFolder(*root) ? *root : std::string("/");
  const DialogTemplate dialog = BrowseTemplate(info->flags);
  const INT_PTR answer =
      DialogBoxIndirectParam(nullptr, &dialog, info->hwndOwner, &BrowseProc, reinterpret_cast<LPARAM>(&browser));
  if (answer != IDOK || browser.result.empty()) return nullptr;
  if (info->displayName != nullptr) *info->displayName = shell::LastSegment(browser.result);
  SHFILEINFO file_info;
  if (SHGetFileInfo(browser.result.c_str(), 0, &file_info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON) != 0) {
    info->image = file_info.iIcon;
  }
  return shell::MakeItemList(browser.result);
}

}  // namespace plat
