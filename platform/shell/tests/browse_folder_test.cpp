// The folder browser driven by a responder: the order of callbacks, typed
// names with and without validation, and the item list it hands back.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "plat/dialog.h"
#include "plat/oleaut/com.h"
#include "plat/shell.h"
#include "shell_fixture.h"

namespace plat::test {
namespace {

struct Heard {
  UINT message;
  std::string text;  // the path of SELCHANGED, the typed name of VALIDATEFAILED
  bool operator==(const Heard&) const = default;
};

void PrintTo(const Heard& heard, std::ostream* out) { *out << "{" << heard.message << ", \"" << heard.text << "\"}"; }

struct Recorder {
  std::vector<Heard> heard;
  int validate_answer = 0;
  std::string status_at_start;
  std::string select_at_start;
};

int RecordingCallback(HWND dialog, UINT message, LPARAM lparam, LPARAM data) {
  auto* recorder = reinterpret_cast<Recorder*>(data);
  switch (message) {
    case BFFM_INITIALIZED:
      recorder->heard.push_back({message, ""});
      if (!recorder->status_at_start.empty()) {
        SendMessage(dialog, BFFM_SETSTATUSTEXT, 0, reinterpret_cast<LPARAM>(recorder->status_at_start.c_str()));
      }
      if (!recorder->select_at_start.empty()) {
        SendMessage(dialog, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(recorder->select_at_start.c_str()));
      }
      return 0;
    case BFFM_SELCHANGED: {
      std::string path;
      SHGetPathFromIDList(reinterpret_cast<PCIDLIST_ABSOLUTE>(lparam), path);
      recorder->heard.push_back({message, path});
      return 0;
    }
    case BFFM_VALIDATEFAILED:
      recorder->heard.push_back({message, reinterpret_cast<const char*>(lparam)});
      return recorder->validate_answer;
    default: return 0;
  }
}

// The path of an item list the browser gave; the list is freed.
std::string TakePath(PIDLIST_ABSOLUTE pidl) {
  std::string path;
  EXPECT_TRUE(SHGetPathFromIDList(pidl, path));
  ILFree(pidl);
  return path;
}

std::string TextOf(HWND dialog, int id) {
  char text[512] = {};
  GetDlgItemText(dialog, id, text, sizeof(text));
  return text;
}

class BrowseFolderTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    for (const char* folder : {"root/Scans", "root/Scans/2026", "root/Photos", "root/.hidden"}) {
      ASSERT_TRUE(MakeFolders(WorkPath(folder)));
    }
    WriteFileBytes(WorkPath("root/file.txt"), "not a folder");
    root_ = ILCreateFromPath(WorkPath("root").c_str());
    info_.pidlRoot = root_;
    info_.title = "保存先フォルダを選んでください";
    info_.displayName = &display_name_;
    info_.cb = &RecordingCallback;
    info_.data = reinterpret_cast<LPARAM>(&recorder_);
  }
  void TearDown() override {
    ILFree(root_);
    ShellTest::TearDown();
  }

  PIDLIST_ABSOLUTE root_ = nullptr;
  BROWSEINFO info_;
  std::string display_name_;
  Recorder recorder_;
};

TEST_F(BrowseFolderTest, OkGivesTheChosenFolderAfterTheCallbacks) {
  info_.flags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
  recorder_.status_at_start = "Choose where scans go";
  std::vector<std::string> listed;
  std::string status;
  SetModalResponder([&](ModalContext& context) {
    HWND list = GetDlgItem(context.modal(), kBrowseListId);
    for (LRESULT i = 0; i < SendMessage(list, LB_GETCOUNT, 0, 0); ++i) {
      char name[64] = {};
      SendMessage(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(name));
      listed.push_back(name);
    }
    status = TextOf(context.modal(), kBrowseStatusId);
    EXPECT_EQ(TextOf(context.modal(), kBrowseTitleId), info_.title);
    ChooseFolder(context, WorkPath("root/Scans/2026"));
  });
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolder(&info_);
  ASSERT_NE(chosen, nullptr);
  std::string path;
  EXPECT_TRUE(SHGetPathFromIDList(chosen, path));
  EXPECT_EQ(path, WorkPath("root/Scans/2026"));
  PIDLIST_ABSOLUTE parsed = nullptr;
  ASSERT_EQ(SHParseDisplayName(path.c_str(), nullptr, &parsed, 0, nullptr), S_OK);
  EXPECT_TRUE(ILIsEqual(chosen, parsed));
  CoTaskMemFree(parsed);
  CoTaskMemFree(chosen);  // the caller frees with the task allocator
  EXPECT_EQ(display_name_, "2026");
  EXPECT_EQ(info_.image, static_cast<int>(ShellImage::kFolder));
  EXPECT_EQ(listed, (std::vector<std::string>{"Photos", "Scans"}));  // folders only, hidden ones left out
  EXPECT_EQ(status, "Choose where scans go");
  EXPECT_EQ(recorder_.heard, (std::vector<Heard>{{BFFM_INITIALIZED, ""},
                                                 {BFFM_SELCHANGED, WorkPath("root")},
                                                 {BFFM_SELCHANGED, WorkPath("root/Scans/2026")}}));
}

TEST_F(BrowseFolderTest, SelectionFromTheCallbackAndTheListIsReported) {
  recorder_.select_at_start = WorkPath("root/Photos");
  // Outside the root, or not a folder: ignored. "Scans" picked in the list,
  // entered with a double click, then "Up"; the dialog stays open, so the
  // responder answers again.
  int rounds = 0;
  SetModalResponder([&, first = true](ModalContext& context) mutable {
    ++rounds;
    if (!first) {
      context.Press(IDOK);
      return;
    }
    first = false;
    HWND dialog = context.modal();
    SendMessage(dialog, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(WorkPath("").c_str()));
    SendMessage(dialog, BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(WorkPath("root/file.txt").c_str()));
    HWND list = GetDlgItem(dialog, kBrowseListId);
    SendMessage(list, LB_SETCURSEL, 1, 0);
    SendMessage(dialog, WM_COMMAND, MAKEWPARAM(kBrowseListId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
    EXPECT_EQ(SendMessage(list, LB_GETCOUNT, 0, 0), 1);  // "2026"
    context.Press(kBrowseUpId);
  });
  EXPECT_EQ(TakePath(SHBrowseForFolder(&info_)), WorkPath("root/Scans"));  // "Up" from inside Scans chooses Scans in the root's list
  EXPECT_EQ(rounds, 2);
  EXPECT_EQ(recorder_.heard, (std::vector<Heard>{{BFFM_INITIALIZED, ""},
                                                 {BFFM_SELCHANGED, WorkPath("root/Photos")},
                                                 {BFFM_SELCHANGED, WorkPath("root/Scans")},
                                                 {BFFM_SELCHANGED, WorkPath("root/Scans")}}));
}

TEST_F(BrowseFolderTest, ValidationKeepsTheDialogOpenWhenAsked) {
  info_.flags = BIF_EDITBOX | BIF_VALIDATE;
  recorder_.validate_answer = 1;
  int rounds = 0;
  SetModalResponder([&](ModalContext& context) {
    ++rounds;
    HWND dialog = context.modal();
    if (rounds == 1) {
      EXPECT_EQ(TextOf(dialog, kBrowseEditId), WorkPath("root"));
      SetDlgItemText(dialog, kBrowseEditId, "no such folder");
      EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDOK)));  // OK asks the callback instead
      context.Press(IDOK);
    } else {
      context.Cancel();
    }
  });
  EXPECT_EQ(SHBrowseForFolder(&info_), nullptr);  // Cancel gives nothing
  EXPECT_EQ(rounds, 2);                            // the answer 1 kept the dialog open
  EXPECT_EQ(recorder_.heard, (std::vector<Heard>{{BFFM_INITIALIZED, ""},
                                                 {BFFM_SELCHANGED, WorkPath("root")},
                                                 {BFFM_VALIDATEFAILED, "no such folder"}}));

  // Answered 0, the dialog closes with the folder still selected.
  recorder_ = {};
  SetModalResponder([&](ModalContext& context) {
    SetDlgItemText(context.modal(), kBrowseEditId, WorkPath("root/nothing").c_str());
    context.Press(IDOK);
  });
  EXPECT_EQ(TakePath(SHBrowseForFolder(&info_)), WorkPath("root"));
}

TEST_F(BrowseFolderTest, TypedNamesEnableOkOnlyForFoldersWithoutValidation) {
  info_.flags = BIF_EDITBOX;
  struct Case {
    std::string typed;
    bool is_enabled;
  };
  const std::vector<Case> cases = {
      {"Scans", true}, {"Scans/2026", true}, {WorkPath("root/Photos"), true}, {"file.txt", false},
      {"missing", false}, {"..", false}, {WorkPath(""), false}, {"", false},
  };
  std::vector<bool> enabled;
  SetModalResponder([&](ModalContext& context) {
    HWND dialog = context.modal();
    for (const Case& c : cases) {
      SetDlgItemText(dialog, kBrowseEditId, c.typed.c_str());
      enabled.push_back(IsWindowEnabled(GetDlgItem(dialog, IDOK)) != FALSE);
    }
    SetDlgItemText(dialog, kBrowseEditId, "Scans/2026");
    context.Press(IDOK);
  });
  EXPECT_EQ(TakePath(SHBrowseForFolder(&info_)), WorkPath("root/Scans/2026"));
  for (size_t i = 0; i < cases.size(); ++i) {
    SCOPED_TRACE(cases[i].typed);
    EXPECT_EQ(enabled[i], cases[i].is_enabled);
  }
}

}  // namespace
}  // namespace plat::test
