// The image edit control's copy as another program sees it (the Qt backend
// under Xvfb, run by scripts/screen-tests.sh): a rectangle copied the way
// the scanning program copies a dragged one is fetched by xclip as PNG and
// decodes, with ImageMagick, to exactly that rectangle's pixels.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

#include "edit_driver.h"
#include "plat/user.h"

extern char** environ;

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::Image;

// Runs `argv` with stdout on `out` while this thread keeps answering the X
// server (xclip asks us for the clipboard); its exit code, -1 when it could
// not run or took longer than 10 s.
int RunWhileServing(const std::vector<std::string>& argv, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (spawned != 0) return -1;
  // A thread timer wakes the wait, so the child's end is seen promptly.
  const UINT_PTR timer = SetTimer(nullptr, 0, 20, nullptr);
  int status = 0, result = -1;
  for (int round = 0; round < 500; ++round) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      result = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      pid = -1;
      break;
    }
    WaitMessage();
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessage(&msg);
    }
  }
  KillTimer(nullptr, timer);
  if (pid > 0) {
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
  }
  return result;
}

class EditClipboardScreenTest : public plat::test::PlatformTest {};

TEST_F(EditClipboardScreenTest, XclipReadsTheCopiedRectangleAsPng) {
  ASSERT_EQ(RunRegsvr(OndavelModulePath()), 0);
  EditDriver host;
  ASSERT_TRUE(host.Create());
  const Image image = Pattern(64, 48);
  ASSERT_TRUE(host.SetImage(image));
  // The dragged rectangle (left, top, right, bottom) = (9, 7, 41, 30), copied
  // as the program copies it: left, top, width, height.
  const RECT dragged{9, 7, 41, 30};
  ASSERT_TRUE(host.Ok(kDispCopyToClipboard, {Variant(int32_t{dragged.left}), Variant(int32_t{dragged.top}),
                                             Variant(int32_t{dragged.right - dragged.left}),
                                             Variant(int32_t{dragged.bottom - dragged.top})}))
      << host.GetErrorCode();
  const std::string png = WorkPath("copied.png");
  ASSERT_EQ(RunWhileServing({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"}, png), 0);
  EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(png),
                                    Cut(image, dragged.left, dragged.top, dragged.right, dragged.bottom),
                                    "ondavel_clipboard"));
  EXPECT_TRUE(host.Ok(kDispDelete));
}

}  // namespace
}  // namespace ondavel::test
