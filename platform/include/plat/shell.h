// The shell: item lists naming folders and files, the folder browser, the
// special folders (mapped to the XDG folders), opening documents and
// addresses with the desktop's opener, file types, icons and links.
//
// An item list (pidl) holds one absolute UTF-8 path; it comes from the
// task allocator, so ILFree and CoTaskMemFree both free it. Only file-system
// items exist: every pidl handed out has a path.
//
// ShellExecute never goes through a command interpreter: it runs
// `xdg-open` with the target as one argument, and returns at once (the
// opener is reaped in the background). Under the headless backend each call
// is journalled as ("shell", "<verb> <target>") and nothing is run unless
// the test harness allows it.
#ifndef PLAT_SHELL_H_
#define PLAT_SHELL_H_

#include <optional>
#include <string>

#include "plat/file_system.h"
#include "plat/oleaut/errors.h"
#include "plat/types.h"

namespace plat {

// ---- Item lists -----------------------------------------------------------------------
struct ITEMIDLIST;  // opaque: its bytes belong to the shell
using PIDLIST_ABSOLUTE = ITEMIDLIST*;
using PCIDLIST_ABSOLUTE = const ITEMIDLIST*;
using LPITEMIDLIST = ITEMIDLIST*;

// The path of an item list; FALSE (and `path` emptied) for null or
// anything that is not one of ours.
BOOL SHGetPathFromIDList(PCIDLIST_ABSOLUTE pidl, std::string& path);
// An item list of an existing absolute path or "file:" URL ("." and ".."
// resolved, repeated and trailing "/" dropped). E_INVALIDARG for a null,
// empty or relative name or another URL scheme, HRESULT_FROM_WIN32(2) when
// nothing exists there. `attributes_in` selects SFGAO_ bits to report.
HRESULT SHParseDisplayName(const char* name, void* bind_context, PIDLIST_ABSOLUTE* pidl, ULONG attributes_in,
                           ULONG* attributes_out);
// An item list of an absolute path, which need not exist; null for a relative one.
PIDLIST_ABSOLUTE ILCreateFromPath(const char* path);
PIDLIST_ABSOLUTE ILClone(PCIDLIST_ABSOLUTE pidl);
BOOL ILIsEqual(PCIDLIST_ABSOLUTE a, PCIDLIST_ABSOLUTE b);
// Frees an item list (null is ignored); the same as CoTaskMemFree.
void ILFree(PIDLIST_ABSOLUTE pidl);

// ---- Special folders --------------------------------------------------------------------
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_INTERNET = 0x0001;
constexpr int CSIDL_PROGRAMS = 0x0002;
constexpr int CSIDL_CONTROLS = 0x0003;
constexpr int CSIDL_PRINTERS = 0x0004;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_FAVORITES = 0x0006;
constexpr int CSIDL_STARTUP = 0x0007;
constexpr int CSIDL_RECENT = 0x0008;
constexpr int CSIDL_SENDTO = 0x0009;
constexpr int CSIDL_BITBUCKET = 0x000A;
constexpr int CSIDL_STARTMENU = 0x000B;
constexpr int CSIDL_MYDOCUMENTS = 0x000C;
constexpr int CSIDL_MYMUSIC = 0x000D;
constexpr int CSIDL_MYVIDEO = 0x000E;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_DRIVES = 0x0011;
constexpr int CSIDL_NETWORK = 0x0012;
constexpr int CSIDL_NETHOOD = 0x0013;
constexpr int CSIDL_FONTS = 0x0014;
constexpr int CSIDL_TEMPLATES = 0x0015;
constexpr int CSIDL_APPDATA = 0x001A;
constexpr int CSIDL_PRINTHOOD = 0x001B;
constexpr int CSIDL_LOCAL_APPDATA = 0x001C;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_WINDOWS = 0x0024;
constexpr int CSIDL_SYSTEM = 0x0025;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_MYPICTURES = 0x0027;
constexpr int CSIDL_PROFILE = 0x0028;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr int CSIDL_FLAG_MASK = 0xFF00;

// The folder of a special-folder id: the desktop and the documents,
// templates and pictures folders from the XDG user folders (documents else
// $HOME); application data $XDG_CONFIG_HOME, local and common application
// data $XDG_DATA_HOME; drives, network, printers and control panel "/";
// anything else $HOME. With `create` (or CSIDL_FLAG_CREATE) a missing
// folder is made; FALSE when it does not exist afterwards.
BOOL SHGetSpecialFolderPath(HWND owner, std::string& path, int csidl, BOOL create);
HRESULT SHGetSpecialFolderLocation(HWND owner, int csidl, PIDLIST_ABSOLUTE* pidl);

// ---- Opening documents and addresses ------------------------------------------------------
constexpr int SE_ERR_FNF = 2;
constexpr int SE_ERR_PNF = 3;
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_OOM = 8;
constexpr int SE_ERR_SHARE = 26;
constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int kShellExecuteSpawned = 42;  // any value above 32 is success

// Opens `file` (a path, relative ones to `directory`, or a URL of any
// scheme) with the desktop's opener. Verbs: null, "open" (any case);
// another verb gives SE_ERR_NOASSOC. A local path that does not exist gives
// SE_ERR_FNF and runs nothing; an opener that cannot be started gives
// SE_ERR_NOASSOC; 42 once started. `parameters` are ignored (and
// journalled). The result is an integer in a handle: compare
// reinterpret_cast<intptr_t>(result) > 32.
HINSTANCE ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                       const char* directory, int show);

// ---- The folder browser ---------------------------------------------------------------------
constexpr UINT BIF_RETURNONLYFSDIRS = 0x0001;
constexpr UINT BIF_DONTGOBELOWDOMAIN = 0x0002;
constexpr UINT BIF_STATUSTEXT = 0x0004;
constexpr UINT BIF_RETURNFSANCESTORS = 0x0008;
constexpr UINT BIF_EDITBOX = 0x0010;
constexpr UINT BIF_VALIDATE = 0x0020;
constexpr UINT BIF_NEWDIALOGSTYLE = 0x0040;
constexpr UINT BIF_BROWSEFORCOMPUTER = 0x1000;
constexpr UINT BIF_BROWSEFORPRINTER = 0x2000;
constexpr UINT BIF_BROWSEINCLUDEFILES = 0x4000;

// To the callback (lparam): INITIALIZED (0), SELCHANGED (the new item's
// list, valid during the call), VALIDATEFAILED (the typed text; answer 1
// keeps the dialog open).
constexpr UINT BFFM_INITIALIZED = 1;
constexpr UINT BFFM_SELCHANGED = 2;
constexpr UINT BFFM_VALIDATEFAILED = 3;
// From the callback to the dialog window.
constexpr UINT BFFM_SETSTATUSTEXT = 0x0400 + 100;  // lparam the text
constexpr UINT BFFM_ENABLEOK = 0x0400 + 101;       // lparam non-zero enables
constexpr UINT BFFM_SETSELECTION = 0x0400 + 102;   // wparam TRUE: lparam a path; FALSE: an item list

using BFFCALLBACK = int (*)(HWND dialog, UINT message, LPARAM lparam, LPARAM data);

struct BROWSEINFO {
  HWND hwndOwner = nullptr;
  PIDLIST_ABSOLUTE pidlRoot = nullptr;  // null: "/"
  std::string* displayName = nullptr;   // gets the chosen folder's name
  const char* title = nullptr;          // the line above the list
  UINT flags = 0;
  BFFCALLBACK cb = nullptr;
  LPARAM data = 0;
  int image = 0;  // gets the chosen folder's index in the system image list
};

// The modal folder browser: a title line, a status line (BIF_STATUSTEXT),
// the path typed or chosen (BIF_EDITBOX), the list of subfolders of the
// folder being browsed, OK, Cancel and "Up". OK gives a new item list of
// the chosen folder (the caller frees it), Cancel null. OK is disabled while
// a typed path names no folder unless BIF_VALIDATE is set, when OK asks the
// callback (BFFM_VALIDATEFAILED).
PIDLIST_ABSOLUTE SHBrowseForFolder(BROWSEINFO* info);
// The browser's control ids, for tests and callbacks.
constexpr int kBrowseTitleId = 0x3742;
constexpr int kBrowseStatusId = 0x3743;
constexpr int kBrowseEditId = 0x3744;
constexpr int kBrowseListId = 0x3741;
constexpr int kBrowseUpId = 0x3745;

// ---- File types, icons and links ----------------------------------------------------------
constexpr ULONG SFGAO_LINK = 0x00010000;
constexpr ULONG SFGAO_READONLY = 0x00040000;
constexpr ULONG SFGAO_HIDDEN = 0x00080000;
constexpr ULONG SFGAO_FILESYSANCESTOR = 0x10000000;
constexpr ULONG SFGAO_FOLDER = 0x20000000;
constexpr ULONG SFGAO_FILESYSTEM = 0x40000000;

constexpr UINT SHGFI_LARGEICON = 0x000000;
constexpr UINT SHGFI_SMALLICON = 0x000001;
constexpr UINT SHGFI_OPENICON = 0x000002;
constexpr UINT SHGFI_SHELLICONSIZE = 0x000004;
constexpr UINT SHGFI_PIDL = 0x000008;
constexpr UINT SHGFI_USEFILEATTRIBUTES = 0x000010;
constexpr UINT SHGFI_ICON = 0x000100;
constexpr UINT SHGFI_DISPLAYNAME = 0x000200;
constexpr UINT SHGFI_TYPENAME = 0x000400;
constexpr UINT SHGFI_ATTRIBUTES = 0x000800;
constexpr UINT SHGFI_ICONLOCATION = 0x001000;
constexpr UINT SHGFI_EXETYPE = 0x002000;
constexpr UINT SHGFI_SYSICONINDEX = 0x004000;
constexpr UINT SHGFI_LINKOVERLAY = 0x008000;
constexpr UINT SHGFI_SELECTED = 0x010000;

struct SHFILEINFO {
  HICON hIcon = nullptr;  // SHGFI_ICON: a new icon the caller destroys
  int iIcon = 0;          // index in the system image list
  DWORD dwAttributes = 0; // SFGAO_ bits
  std::string szDisplayName;
  std::string szTypeName;
};

// The built-in system images, in this order in the system image lists.
enum class ShellImage : int { kFolder = 0, kFile, kLink, kDrive, kProgram, kImage };

// Facts about a path (any length): with SHGFI_USEFILEATTRIBUTES the path
// need not exist and `file_attributes` (FILE_ATTRIBUTE_DIRECTORY or not)
// decide; otherwise a missing path gives 0. With SHGFI_SYSICONINDEX the
// result is the system image list (small with SHGFI_SMALLICON), else
// non-zero on success. A symbolic link or a ".desktop" file has SFGAO_LINK,
// also when its target is missing. With SHGFI_PIDL `path` is an item list.
DWORD_PTR SHGetFileInfo(const char* path, DWORD file_attributes, SHFILEINFO* info, UINT flags);

// The target of a link: a symbolic link's target (absolute, resolved against
// the link's folder), or the URL or Path of a ".desktop" link. nullopt for
// anything else, a dangling symbolic link, or a link file that names nothing.
std::optional<std::string> ResolveShortcut(const char* path);

}  // namespace plat

#endif  // PLAT_SHELL_H_
