// The showcase on a real X server: every top-level window (with a message
// box up and a combo box's list dropped down), cut from a
// screenshot of the root window (ImageMagick's import), shows exactly what
// the headless backend showed in its rectangle, and input given by xdotool
// reaches the window procedures at the client points it was aimed at. Runs
// under scripts/screen-tests.sh; the screenshots and the crops stay in
// PLAT_ARTIFACT_DIR.
#include <gtest/gtest.h>
#include <xcb/xcb.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "plat/testing/pixels.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct WindowInfo {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int client_x = 0;
  int client_y = 0;
  std::vector<std::array<int, 4>> shape;  // window coordinates; empty: the whole window
  int width() const { return right - left; }
  int height() const { return bottom - top; }
  bool InShape(int x, int y) const {
    if (shape.empty()) return true;
    for (const auto& r : shape) {
      if (x >= r[0] && x < r[2] && y >= r[1] && y < r[3]) return true;
    }
    return false;
  }
};

std::string Env(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : fallback;
}

std::string ArtifactDir() {
  const std::string dir = Env("PLAT_ARTIFACT_DIR", "/tmp") + "/showcase";
  fs::create_directories(dir);
  return dir;
}

std::map<std::string, WindowInfo> ReadWindowList(const std::string& path) {
  std::map<std::string, WindowInfo> windows;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string kind;
    std::string name;
    fields >> kind >> name;
    if (kind == "window") {
      WindowInfo& window = windows[name];
      fields >> window.left >> window.top >> window.right >> window.bottom >> window.client_x >> window.client_y;
    } else if (kind == "shape") {
      std::array<int, 4> rect{};
      fields >> rect[0] >> rect[1] >> rect[2] >> rect[3];
      windows[name].shape.push_back(rect);
    }
  }
  return windows;
}

std::string Crop(const WindowInfo& w) {
  return std::to_string(w.width()) + "x" + std::to_string(w.height()) + "+" + std::to_string(w.left) + "+" + std::to_string(w.top);
}

int Shell(const std::string& command) { return std::system(command.c_str()); }

// The showcase running on the display, ended (SIGTERM) with the test.
class ShownShowcase {
 public:
  explicit ShownShowcase(const std::string& dir) {
    std::vector<std::string> argv{PLAT_SHOWCASE_PATH, "show", dir};
    std::vector<char*> args;
    for (std::string& arg : argv) args.push_back(arg.data());
    args.push_back(nullptr);
    if (posix_spawn(&pid_, args[0], nullptr, nullptr, args.data(), environ) != 0) pid_ = -1;
  }
  ~ShownShowcase() {
    if (pid_ <= 0) return;
    kill(pid_, SIGTERM);
    int status = 0;
    waitpid(pid_, &status, 0);
  }
  bool IsRunning() const {
    int status = 0;
    return pid_ > 0 && waitpid(pid_, &status, WNOHANG) == 0;
  }

 private:
  pid_t pid_ = -1;
};

std::vector<std::string> JournalLines(const std::string& path) {
  std::vector<std::string> lines;
  std::ifstream in(path);
  std::string line;
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

// Waits up to `rounds` tenths of a second for `line` in the journal.
bool WaitForJournalLine(const std::string& path, const std::string& line, int rounds = 100) {
  for (int round = 0; round < rounds; ++round) {
    for (const std::string& seen : JournalLines(path)) {
      if (seen == line) return true;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return false;
}

class ShowcaseOnScreen : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "run under scripts/screen-tests.sh";
    dir_ = ArtifactDir();
    fs::remove_all(dir_ + "/headless");
    fs::remove_all(dir_ + "/screen");
    fs::create_directories(dir_ + "/headless");
    fs::create_directories(dir_ + "/screen");
    // The same program, headless, fonts from the system as on the screen.
    ASSERT_EQ(Shell("env PLAT_BACKEND=headless PLAT_FONTS=system '" PLAT_SHOWCASE_PATH "' snapshot '" + dir_ + "/headless'"), 0);
    expected_ = ReadWindowList(dir_ + "/headless/windows.txt");
    ASSERT_FALSE(expected_.empty());
    shown_ = new ShownShowcase(dir_ + "/screen");
    for (int round = 0; round < 100 && !fs::exists(dir_ + "/screen/windows.txt"); ++round) {
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    ASSERT_TRUE(fs::exists(dir_ + "/screen/windows.txt")) << "the showcase did not come up";
    shown_windows_ = ReadWindowList(dir_ + "/screen/windows.txt");
  }
  static void TearDownTestSuite() {
    delete shown_;
    shown_ = nullptr;
  }

  static std::string dir_;
  static std::map<std::string, WindowInfo> expected_;
  static std::map<std::string, WindowInfo> shown_windows_;
  static ShownShowcase* shown_;
};

std::string ShowcaseOnScreen::dir_;
std::map<std::string, WindowInfo> ShowcaseOnScreen::expected_;
std::map<std::string, WindowInfo> ShowcaseOnScreen::shown_windows_;
ShownShowcase* ShowcaseOnScreen::shown_ = nullptr;

TEST_F(ShowcaseOnScreen, EveryWindowLooksAsItDoesHeadless) {
  const std::string screenshot = dir_ + "/screen/root.png";
  // The message box and the dropped-down list of the combo box are windows of their own.
  for (const char* name : {"main", "shaped", "message", "list"}) ASSERT_EQ(expected_.count(name), 1u) << name;
  std::map<std::string, size_t> differences;
  // The windows appear once the X server has mapped and exposed them: take
  // screenshots until all match, for at most 10 s.
  for (int attempt = 0; attempt < 20; ++attempt) {
    ASSERT_TRUE(shown_->IsRunning());
    ASSERT_EQ(Shell("import-im6.q16 -window root '" + screenshot + "'"), 0);
    const plat::test::Image screen = plat::test::DecodeWithImageMagick(screenshot);
    ASSERT_EQ(screen.width_px, 1024);
    ASSERT_EQ(screen.height_px, 768);
    const uint32_t root = screen.At(1023, 767);
    differences.clear();
    for (const auto& [name, window] : expected_) {
      ASSERT_EQ(shown_windows_.count(name), 1u) << name;
      const WindowInfo& shown = shown_windows_.at(name);
      ASSERT_EQ(Crop(shown), Crop(window)) << name << " is placed elsewhere on the screen";
      const plat::test::Image want = plat::test::DecodeWithImageMagick(dir_ + "/headless/" + name + ".png");
      const plat::test::Image seen = plat::test::Crop(screen, plat::RECT{window.left, window.top, window.right, window.bottom});
      ASSERT_EQ(want.width_px, window.width()) << name;
      ASSERT_EQ(want.height_px, window.height()) << name;
      ASSERT_EQ(seen.width_px, window.width()) << name;
      ASSERT_EQ(seen.height_px, window.height()) << name;
      size_t& differing = differences[name];
      for (int y = 0; y < window.height(); ++y) {
        for (int x = 0; x < window.width(); ++x) {
          // Outside a window's shape the X server's root shows through.
          const uint32_t expected = window.InShape(x, y) ? want.At(x, y) : root;
          if (seen.At(x, y) != expected) ++differing;
        }
      }
    }
    bool all_equal = true;
    for (const auto& [name, count] : differences) all_equal = all_equal && count == 0;
    if (all_equal) break;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
  }
  for (const auto& [name, count] : differences) {
    EXPECT_EQ(count, 0u) << name << ": pixels differing from the headless snapshot (" << dir_ << ")";
    Shell("convert-im6.q16 '" + screenshot + "' -crop " + Crop(expected_.at(name)) + " +repage '" + dir_ + "/screen/" + name + ".png'");
  }
}

// The message box and the list go away; then the input tests begin.
void Proceed(const std::string& dir) {
  std::ofstream(dir + "/screen/proceed") << "go\n";
  ASSERT_TRUE(WaitForJournalLine(dir + "/screen/journal.txt", "closed"));
}

TEST_F(ShowcaseOnScreen, ClicksArriveAtTheClientPointAimedAt) {
  Proceed(dir_);
  struct Case {
    std::string window;
    int x;
    int y;
    std::string expected;  // the journal line
  };
  const WindowInfo& main = shown_windows_.at("main");
  const WindowInfo& shaped = shown_windows_.at("shaped");
  const Case cases[] = {
      {"main", 12, 230, "WM_LBUTTONDOWN main 12 230"},
      // The middle of the elliptic child (client 230,110 in the main window, 160x100).
      {"main", 310, 160, "WM_LBUTTONDOWN ellipse 80 50"},
      // Inside the child's rectangle but outside its ellipse: the parent gets it.
      {"main", 233, 113, "WM_LBUTTONDOWN main 233 113"},
      {"shaped", 120, 100, "WM_LBUTTONDOWN shaped 120 100"},
  };
  for (const Case& c : cases) {
    const WindowInfo& window = c.window == "main" ? main : shaped;
    const int x = window.left + window.client_x + c.x;
    const int y = window.top + window.client_y + c.y;
    ASSERT_EQ(Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"), 0);
    EXPECT_TRUE(WaitForJournalLine(dir_ + "/screen/journal.txt", c.expected)) << c.expected;
  }
}

TEST_F(ShowcaseOnScreen, KeysArriveAsVirtualKeysAndCharacters) {
  const WindowInfo& main = shown_windows_.at("main");
  // Activate the main window by a click in its client area first.
  const int x = main.left + main.client_x + 20;
  const int y = main.top + main.client_y + 200;
  ASSERT_EQ(Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " click 1"), 0);
  ASSERT_TRUE(WaitForJournalLine(dir_ + "/screen/journal.txt", "WM_LBUTTONDOWN main 20 200"));
  struct Case {
    const char* keysym;
    std::vector<std::string> expected;
  };
  const Case cases[] = {
      {"a", {"WM_KEYDOWN main 0x41", "WM_CHAR main 0x0061"}},
      {"shift+a", {"WM_KEYDOWN main 0x10", "WM_CHAR main 0x0041"}},
      {"Return", {"WM_KEYDOWN main 0x0D", "WM_CHAR main 0x000D"}},
      {"semicolon", {"WM_KEYDOWN main 0xBA", "WM_CHAR main 0x003B"}},
      {"F5", {"WM_KEYDOWN main 0x74"}},
      {"Left", {"WM_KEYDOWN main 0x25"}},
      {"KP_Add", {"WM_KEYDOWN main 0x6B"}},
      {"Henkan_Mode", {"WM_KEYDOWN main 0x1C"}},
      {"Muhenkan", {"WM_KEYDOWN main 0x1D"}},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(Shell(std::string("xdotool key ") + c.keysym), 0);
    for (const std::string& line : c.expected) EXPECT_TRUE(WaitForJournalLine(dir_ + "/screen/journal.txt", line)) << c.keysym << ": " << line;
  }
}

// Last: it moves the main window. Without a window manager the window system
// tracks the drag on the caption itself.
TEST_F(ShowcaseOnScreen, DraggingTheCaptionMovesTheWindow) {
  const WindowInfo& main = shown_windows_.at("main");
  const int x = main.left + 120;
  const int y = main.top + main.client_y / 4;  // inside the caption, above the menu bar
  ASSERT_EQ(Shell("xdotool mousemove " + std::to_string(x) + " " + std::to_string(y) + " mousedown 1 mousemove " +
                std::to_string(x + 30) + " " + std::to_string(y + 20) + " sleep 0.2 mousemove " + std::to_string(x + 60) + " " +
                std::to_string(y + 40) + " sleep 0.2 mouseup 1"),
            0);
  const std::string moved = "WM_EXITSIZEMOVE main " + std::to_string(main.left + 60) + " " + std::to_string(main.top + 40) + " " +
                            std::to_string(main.right + 60) + " " + std::to_string(main.bottom + 40);
  EXPECT_TRUE(WaitForJournalLine(dir_ + "/screen/journal.txt", moved)) << moved;
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
  xcb_intern_atom_reply_t* reply =
      xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
  xcb_atom_t atom = XCB_ATOM_NONE;
  if (reply != nullptr) atom = reply->atom;
  std::free(reply);
  return atom;
}

// What a window manager sends when the user closes a window.
bool SendCloseRequest(uint32_t window) {
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (connection == nullptr || xcb_connection_has_error(connection) != 0) return false;
  xcb_client_message_event_t event{};
  event.response_type = XCB_CLIENT_MESSAGE;
  event.format = 32;
  event.window = window;
  event.type = Atom(connection, "WM_PROTOCOLS");
  event.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
  event.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&event));
  const bool is_sent = xcb_flush(connection) > 0;
  xcb_disconnect(connection);
  return is_sent;
}

// The very last: closing the main window ends the program.
TEST_F(ShowcaseOnScreen, TheSystemsCloseRequestIsTheCloseCommand) {
  FILE* search = popen("xdotool search --name 'Showcase$'", "r");
  ASSERT_NE(search, nullptr);
  unsigned long window = 0;
  const bool is_found = std::fscanf(search, "%lu", &window) == 1;
  pclose(search);
  ASSERT_TRUE(is_found) << "no X window with the main window's title";
  // Under a heavy load a request now and then goes unanswered (the cause is
  // not found yet); a user would ask again, and so does the test, three
  // times at most.
  bool is_closed = false;
  for (int attempt = 0; attempt < 3 && !is_closed; ++attempt) {
    ASSERT_TRUE(SendCloseRequest(static_cast<uint32_t>(window)));
    is_closed = WaitForJournalLine(dir_ + "/screen/journal.txt", "WM_SYSCOMMAND main SC_CLOSE", 30);
  }
  EXPECT_TRUE(is_closed);
  bool has_ended = false;
  for (int round = 0; round < 100 && !has_ended; ++round) {
    has_ended = !shown_->IsRunning();
    if (!has_ended) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  EXPECT_TRUE(has_ended) << "the showcase still runs after its main window was closed";
}

}  // namespace
