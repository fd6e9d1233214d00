// ShellExecute through a fake opener, item lists, special folders, file
// types and links.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "plat/gdi.h"
#include "plat/image_list.h"
#include "plat/oleaut/com.h"
#include "plat/shell.h"
#include "shell_fixture.h"

namespace plat::test {
namespace {

intptr_t Code(HINSTANCE result) { return reinterpret_cast<intptr_t>(result); }

// The arguments the fake opener wrote, once it has written them (real time,
// at most twenty seconds); empty when it never did.
std::vector<std::string> WaitForArguments(const std::string& out) {
  for (int i = 0; i < 2000 && ::access(out.c_str(), F_OK) != 0; ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  const std::string bytes = ReadFileBytes(out);
  std::vector<std::string> arguments;
  size_t start = 0;
  for (size_t end = bytes.find('\0'); end != std::string::npos; end = bytes.find('\0', start)) {
    arguments.push_back(bytes.substr(start, end - start));
    start = end + 1;
  }
  if (start < bytes.size()) arguments.push_back(bytes.substr(start));
  return arguments;
}

class CurrentFolder {
 public:
  explicit CurrentFolder(const std::string& folder) {
    char previous[4096];
    previous_ = ::getcwd(previous, sizeof(previous)) != nullptr ? previous : "/";
    EXPECT_EQ(::chdir(folder.c_str()), 0);
  }
  ~CurrentFolder() { (void)::chdir(previous_.c_str()); }

 private:
  std::string previous_;
};

TEST_F(ShellTest, EachNameReachesTheOpenerAsOneLiteralArgument) {
  InstallFakeOpener();
  const std::string docs = WorkPath("docs");
  ASSERT_TRUE(MakeFolders(docs));
  struct Case {
    const char* file;
    const char* directory;  // null: the current folder, which is `docs`
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"Readme with space.txt", "docs", docs + "/Readme with space.txt"},
      {"it's \"quoted\".txt", "docs", docs + "/it's \"quoted\".txt"},
      {"$(touch pwned).txt", "docs", docs + "/$(touch pwned).txt"},
      {"-rf", nullptr, "./-rf"},
      {"a;b|c&d`e`.txt", nullptr, "a;b|c&d`e`.txt"},
      {"https://example.com/a b?q=$(x)&r='y'", nullptr, "https://example.com/a b?q=$(x)&r='y'"},
      {"mailto:someone@example.com?subject=Hello World", nullptr, "mailto:someone@example.com?subject=Hello World"},
  };
  CurrentFolder inside(docs);
  int round = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    if (std::string(c.file).find(':') == std::string::npos) WriteFileBytes(docs + "/" + c.file, "x");
    const std::string out = WorkPath("args." + std::to_string(round++));
    ::setenv("FAKE_OPEN_OUT", out.c_str(), 1);
    const std::string directory = c.directory != nullptr ? WorkPath(c.directory) : std::string();
    EXPECT_EQ(Code(ShellExecute(nullptr, "open", c.file, nullptr, c.directory != nullptr ? directory.c_str() : nullptr,
                                SW_SHOWNORMAL)),
              kShellExecuteSpawned);
    EXPECT_EQ(WaitForArguments(out), (std::vector<std::string>{c.expected}));
  }
  // Nothing the names carried was run.
  EXPECT_EQ(ListFolder(docs), (std::vector<std::string>{"$(touch pwned).txt", "-rf", "Readme with space.txt",
                                                         "a;b|c&d`e`.txt", "it's \"quoted\".txt"}));
}

TEST_F(ShellTest, RefusalsAreReturnedAndRunNothing) {
  InstallFakeOpener();
  WriteFileBytes(WorkPath("Readme.txt"), "read me");
  struct Case {
    const char* name;
    const char* verb;
    const char* file;
    intptr_t code;
  };
  const Case cases[] = {
      {"missing file", "OPEN", "/nowhere/Readme.txt", SE_ERR_FNF},
      {"missing relative file", nullptr, "nothing.txt", SE_ERR_FNF},
      {"empty name", "open", "", SE_ERR_FNF},
      {"null name", "open", nullptr, SE_ERR_FNF},
      {"another verb", "print", "Readme.txt", SE_ERR_NOASSOC},
  };
  const std::string directory = WorkPath("");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ClearJournal();
    EXPECT_EQ(Code(ShellExecute(nullptr, c.verb, c.file, nullptr, directory.c_str(), SW_SHOWNORMAL)), c.code);
    EXPECT_TRUE(GetJournal().empty());  // nothing was started
  }
  // Without an opener on PATH the failure is returned as "no association".
  ::setenv("PATH", WorkPath("empty-bin").c_str(), 1);
  EXPECT_EQ(Code(ShellExecute(nullptr, "OPEN", "Readme.txt", nullptr, directory.c_str(), SW_SHOWNORMAL)),
            SE_ERR_NOASSOC);
}

TEST_F(ShellTest, ReturnsBeforeTheOpenerEnds) {
  InstallFakeOpener();
  WriteFileBytes(WorkPath("Readme.txt"), "read me");
  const std::string out = WorkPath("args");
  const std::string go = WorkPath("go");
  ::setenv("FAKE_OPEN_OUT", out.c_str(), 1);
  ::setenv("FAKE_OPEN_WAIT", go.c_str(), 1);
  // The opener waits for a file this thread makes only after the call returned.
  EXPECT_EQ(Code(ShellExecute(nullptr, nullptr, WorkPath("Readme.txt").c_str(), "--ignored", nullptr, SW_SHOW)),
            kShellExecuteSpawned);
  WriteFileBytes(go, "");
  EXPECT_EQ(WaitForArguments(out), (std::vector<std::string>{WorkPath("Readme.txt")}));
  EXPECT_EQ(GetJournal(), (std::vector<JournalEntry>{{"shell", "parameters ignored: --ignored"},
                                                      {"shell", "open " + WorkPath("Readme.txt")}}));
}

TEST_F(ShellTest, HeadlessRunsNothingUnlessAllowed) {
  WriteFileBytes(WorkPath("Readme.txt"), "read me");
  ::setenv("PATH", WorkPath("empty-bin").c_str(), 1);  // a start would fail with 31
  EXPECT_EQ(Code(ShellExecute(nullptr, "open", WorkPath("Readme.txt").c_str(), nullptr, nullptr, SW_SHOW)),
            kShellExecuteSpawned);
  EXPECT_EQ(GetJournal(), (std::vector<JournalEntry>{{"shell", "open " + WorkPath("Readme.txt")}}));
}

TEST_F(ShellTest, ItemListsHoldCleanPaths) {
  ASSERT_TRUE(MakeFolders(WorkPath("a/b")));
  struct Case {
    std::string name;
    HRESULT result;
    std::string path;
  };
  const std::vector<Case> cases = {
      {WorkPath("a/b"), S_OK, WorkPath("a/b")},
      {WorkPath("a//./c/../b/"), S_OK, WorkPath("a/b")},
      {"file://" + WorkPath("a/b"), S_OK, WorkPath("a/b")},
      {"/", S_OK, "/"},
      {WorkPath("a/missing"), MakeResult(0x80070002), ""},
      {"relative/path", E_INVALIDARG, ""},
      {"http://example.com/", E_INVALIDARG, ""},
      {"", E_INVALIDARG, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PIDLIST_ABSOLUTE pidl = nullptr;
    ULONG attributes = 0;
    EXPECT_EQ(SHParseDisplayName(c.name.c_str(), nullptr, &pidl, SFGAO_FOLDER | SFGAO_LINK, &attributes), c.result);
    std::string path = "stale";
    EXPECT_EQ(SHGetPathFromIDList(pidl, path), c.result == S_OK ? TRUE : FALSE);
    EXPECT_EQ(path, c.path);
    EXPECT_EQ(attributes, c.result == S_OK ? SFGAO_FOLDER : 0u);
    if (pidl != nullptr) {
      PIDLIST_ABSOLUTE copy = ILClone(pidl);
      EXPECT_TRUE(ILIsEqual(pidl, copy));
      ILFree(copy);
    }
    CoTaskMemFree(pidl);  // the task allocator frees item lists too
  }
  // A block that is not an item list has no path.
  void* foreign = CoTaskMemAlloc(64);
  std::memset(foreign, 0, 64);
  std::string path;
  EXPECT_FALSE(SHGetPathFromIDList(static_cast<PIDLIST_ABSOLUTE>(foreign), path));
  CoTaskMemFree(foreign);
}

TEST_F(ShellTest, SpecialFoldersFollowTheXdgFolders) {
  const std::string home = WorkPath("home");
  const std::string config = ConfigHome();
  ASSERT_TRUE(MakeFolders(config));
  const std::string user_dirs = "# written by xdg-user-dirs-update\n"
                                "XDG_DESKTOP_DIR=\"$HOME/デスクトップ\"\n"
                                "XDG_DOCUMENTS_DIR=\"$HOME/Documents\"\n"
                                "XDG_PICTURES_DIR=\"" + WorkPath("pictures") + "\"\n"
                                "XDG_TEMPLATES_DIR=\"relative/ignored\"\n";
  struct Case {
    const char* name;
    bool has_user_dirs;
    bool has_config_home;
    int csidl;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"desktop", true, true, CSIDL_DESKTOP, home + "/デスクトップ"},
      {"desktop folder", true, true, CSIDL_DESKTOPDIRECTORY, home + "/デスクトップ"},
      {"desktop default", false, true, CSIDL_DESKTOP, home + "/Desktop"},
      {"documents", true, true, CSIDL_PERSONAL, home + "/Documents"},
      {"documents default", false, true, CSIDL_PERSONAL, home},
      {"pictures absolute", true, true, CSIDL_MYPICTURES, WorkPath("pictures")},
      {"templates unusable", true, true, CSIDL_TEMPLATES, home},
      {"app data", true, true, CSIDL_APPDATA, config},
      {"app data default", true, false, CSIDL_APPDATA, home + "/.config"},
      {"local app data default", true, true, CSIDL_LOCAL_APPDATA, home + "/.local/share"},
      {"drives", true, true, CSIDL_DRIVES, "/"},
      {"printers", true, true, CSIDL_PRINTERS, "/"},
      {"control panel", true, true, CSIDL_CONTROLS, "/"},
      {"anything else", true, true, CSIDL_FONTS, home},
      {"no folder at all", true, true, 0xFEFE, home},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    if (c.has_user_dirs) {
      WriteFileBytes(config + "/user-dirs.dirs", user_dirs);
    } else {
      ::unlink((config + "/user-dirs.dirs").c_str());
    }
    if (!c.has_config_home) ::unsetenv("XDG_CONFIG_HOME");
    std::string path;
    EXPECT_TRUE(SHGetSpecialFolderPath(nullptr, path, c.csidl | CSIDL_FLAG_CREATE, FALSE));
    EXPECT_EQ(path, c.expected);
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHGetSpecialFolderLocation(nullptr, c.csidl, &pidl), S_OK);
    std::string from_pidl;
    EXPECT_TRUE(SHGetPathFromIDList(pidl, from_pidl));
    EXPECT_EQ(from_pidl, c.expected);
    ILFree(pidl);
  }
  // Without CSIDL_FLAG_CREATE a missing folder is no success.
  ::setenv("XDG_DATA_HOME", WorkPath("data-missing").c_str(), 1);
  std::string path = "stale";
  EXPECT_FALSE(SHGetSpecialFolderPath(nullptr, path, CSIDL_LOCAL_APPDATA, FALSE));
  EXPECT_EQ(path, "");
}

TEST_F(ShellTest, FileInfoGivesTypesImagesAndLinks) {
  ASSERT_TRUE(MakeFolders(WorkPath("folder")));
  WriteFileBytes(WorkPath("Readme.txt"), "x");
  WriteFileBytes(WorkPath("scan.TIF"), "x");
  WriteFileBytes(WorkPath("data.xyz"), "x");
  WriteFileBytes(WorkPath("README"), "x");
  WriteFileBytes(WorkPath("site.desktop"), "[Desktop Entry]\nType=Link\nURL=https://example.com/\n");
  ASSERT_EQ(::symlink("Readme.txt", WorkPath("link").c_str()), 0);
  ASSERT_EQ(::symlink("gone.txt", WorkPath("dangling").c_str()), 0);
  // A path longer than any fixed buffer.
  std::string deep = WorkPath("d");
  for (int i = 0; i < 12; ++i) deep += "/" + std::string(40, static_cast<char>('a' + i));
  ASSERT_TRUE(MakeFolders(deep));
  WriteFileBytes(deep + "/photo.png", "x");
  ASSERT_EQ(::symlink((deep + "/photo.png").c_str(), WorkPath("deep-link").c_str()), 0);

  struct Case {
    std::string path;
    std::string type_name;
    ShellImage image;
    ULONG attributes;  // beyond SFGAO_FILESYSTEM
    std::optional<std::string> target;
  };
  const std::vector<Case> cases = {
      {WorkPath("folder"), "ファイル フォルダ", ShellImage::kFolder, SFGAO_FOLDER | SFGAO_FILESYSANCESTOR, std::nullopt},
      {WorkPath("Readme.txt"), "テキスト ドキュメント", ShellImage::kFile, 0, std::nullopt},
      {WorkPath("scan.TIF"), "TIFF イメージ", ShellImage::kImage, 0, std::nullopt},
      {WorkPath("data.xyz"), "XYZ ファイル", ShellImage::kFile, 0, std::nullopt},
      {WorkPath("README"), "ファイル", ShellImage::kFile, 0, std::nullopt},
      {WorkPath("site.desktop"), "ショートカット", ShellImage::kLink, SFGAO_LINK, "https://example.com/"},
      {WorkPath("link"), "ショートカット", ShellImage::kLink, SFGAO_LINK, WorkPath("Readme.txt")},
      {WorkPath("dangling"), "ショートカット", ShellImage::kLink, SFGAO_LINK, std::nullopt},
      {deep + "/photo.png", "PNG イメージ", ShellImage::kImage, 0, std::nullopt},
      {WorkPath("deep-link"), "ショートカット", ShellImage::kLink, SFGAO_LINK, deep + "/photo.png"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    SHFILEINFO info;
    const DWORD_PTR list = SHGetFileInfo(c.path.c_str(), 0, &info,
                                         SHGFI_SYSICONINDEX | SHGFI_SMALLICON | SHGFI_TYPENAME | SHGFI_ATTRIBUTES |
                                             SHGFI_DISPLAYNAME);
    ASSERT_NE(list, 0u);
    EXPECT_EQ(ImageList_GetImageCount(reinterpret_cast<HIMAGELIST>(list)), 6);
    EXPECT_EQ(info.szTypeName, c.type_name);
    EXPECT_EQ(info.iIcon, static_cast<int>(c.image));
    EXPECT_EQ(info.dwAttributes & ~(SFGAO_READONLY | SFGAO_HIDDEN), SFGAO_FILESYSTEM | c.attributes);
    EXPECT_EQ(info.szDisplayName, c.path.substr(c.path.rfind('/') + 1));
    EXPECT_EQ(ResolveShortcut(c.path.c_str()), c.target);
  }
  // Nothing there: no answer, unless the caller gives the attributes.
  SHFILEINFO info;
  EXPECT_EQ(SHGetFileInfo(WorkPath("absent.bmp").c_str(), 0, &info, SHGFI_TYPENAME), 0u);
  EXPECT_NE(SHGetFileInfo("absent.bmp", FILE_ATTRIBUTE_NORMAL, &info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES), 0u);
  EXPECT_EQ(info.szTypeName, "ビットマップ イメージ");
  EXPECT_NE(SHGetFileInfo("any", FILE_ATTRIBUTE_DIRECTORY, &info, SHGFI_TYPENAME | SHGFI_USEFILEATTRIBUTES), 0u);
  EXPECT_EQ(info.szTypeName, "ファイル フォルダ");
  // Icons are new ones the caller destroys; the large list is its own.
  const DWORD_PTR large = SHGetFileInfo(WorkPath("link").c_str(), 0, &info,
                                        SHGFI_ICON | SHGFI_LINKOVERLAY | SHGFI_SYSICONINDEX);
  ASSERT_NE(info.hIcon, nullptr);
  ICONINFO icon;
  ASSERT_TRUE(GetIconInfo(info.hIcon, &icon));
  BITMAP bitmap;
  GetObject(icon.hbmColor, sizeof(bitmap), &bitmap);
  EXPECT_EQ(bitmap.bmWidth, 32);
  DeleteObject(icon.hbmColor);
  DeleteObject(icon.hbmMask);
  DestroyIcon(info.hIcon);
  int cx = 0;
  int cy = 0;
  ImageList_GetIconSize(reinterpret_cast<HIMAGELIST>(large), &cx, &cy);
  EXPECT_EQ(cx, 32);
}

}  // namespace
}  // namespace plat::test
