// What every display backend promises the window system, driven through
// the seam alone: native windows that show the pixels presented to them where
// and in the shape they were told, the pointer's position, the grab, waits
// that end at their deadline or at a wake-up from another thread, and the
// system clipboard. PLAT_CONTRACT_BACKEND picks the backend: "headless"
// (read back from its virtual screen) or "qt" (read back from the X server
// with ImageMagick's import; run under Xvfb, with xclip for the clipboard).
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "plat/backend.h"
#include "plat/clock.h"
#include "plat/headless.h"
#include "plat/messages.h"
#include "plat/packed_dib.h"
#include "plat/qt_module.h"
#include "plat/testing/child_process.h"
#include "plat/testing/pixels.h"

extern char** environ;

namespace plat {
namespace {

using backend::Backend;

std::string BackendName() {
  const char* name = std::getenv("PLAT_CONTRACT_BACKEND");
  return name != nullptr ? name : "headless";
}

bool IsQt() { return BackendName() == "qt"; }

// Fake window handles: the seam never looks inside them.
HWND FakeWindow(uintptr_t n) { return reinterpret_cast<HWND>(0x7000 + n); }

Backend& Seam() { return backend::CurrentBackend(); }

// Lets the backend run its own events for about `ms` milliseconds.
void Settle(int ms) {
  const uint64_t until = CurrentClock().MonotonicMs() + static_cast<uint64_t>(ms);
  while (CurrentClock().MonotonicMs() < until) {
    backend::WaitRequest request;
    request.deadline_ms = std::min(until, CurrentClock().MonotonicMs() + 20);
    Seam().WaitForEvents(request);
  }
}

// A rectangle of the screen as 0x00RRGGBB pixels, row by row.
std::vector<uint32_t> ReadScreen(const RECT& rect) {
  if (!IsQt()) return plat::test::Crop(headless::CurrentHeadless()->SnapshotScreen(), rect).pixels;
  return plat::test::PhotographScreen(rect).pixels;
}

// A test pattern: every pixel different, so a shifted or cut picture shows.
std::vector<uint32_t> Pattern(int width, int height, uint32_t seed) {
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
          ((static_cast<uint32_t>(x) * 7 + seed) & 0xFF) << 16 | ((static_cast<uint32_t>(y) * 5) & 0xFF) << 8 |
          ((static_cast<uint32_t>(x + y) * 3 + seed) & 0xFF);
    }
  }
  return pixels;
}

class Window {
 public:
  Window(uintptr_t n, RECT rect, backend::TopLevelKind kind = backend::TopLevelKind::kNormal)
      : hwnd_(FakeWindow(n)), rect_(rect), pixels_(Pattern(rect.right - rect.left, rect.bottom - rect.top, static_cast<uint32_t>(n) * 40)) {
    backend::TopLevelSpec spec;
    spec.hwnd = hwnd_;
    spec.kind = kind;
    spec.rect = rect;
    spec.title = "契約 " + std::to_string(n);
    created_ = Seam().Create(spec);
  }
  ~Window() {
    if (created_) Seam().Destroy(hwnd_);
  }
  HWND hwnd() const { return hwnd_; }
  bool created() const { return created_; }
  const std::vector<uint32_t>& pixels() const { return pixels_; }
  int width() const { return rect_.right - rect_.left; }
  int height() const { return rect_.bottom - rect_.top; }
  void Present() const {
    backend::PixelView view;
    view.pixels = pixels_.data();
    view.width_px = width();
    view.height_px = height();
    view.stride_bytes = static_cast<size_t>(width()) * 4;
    Seam().Present(hwnd_, view, {RECT{0, 0, width(), height()}});
  }
  // Presents again until the screen at `where` shows `expected` (a native
  // window shows pixels only once the display exposed it); the last reading.
  std::vector<uint32_t> PresentUntilShown(const RECT& where, const std::vector<uint32_t>& expected) const {
    std::vector<uint32_t> seen;
    for (int attempt = 0; attempt < 50; ++attempt) {
      Present();
      Settle(IsQt() ? 60 : 0);
      seen = ReadScreen(where);
      if (seen == expected) break;
    }
    return seen;
  }
  void Move(RECT rect) {
    rect_ = rect;
    Seam().SetGeometry(hwnd_, rect);
  }

 private:
  HWND hwnd_;
  RECT rect_;
  std::vector<uint32_t> pixels_;
  bool created_ = false;
};

class SeamContract : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    if (IsQt()) {
      std::string error;
      auto factory = reinterpret_cast<Backend* (*)()>(FindQtModuleSymbol(backend::kQtBackendFactory, &error));
      ASSERT_NE(factory, nullptr) << error;
      Backend* made = factory();
      ASSERT_NE(made, nullptr) << "no display: run under xvfb-run";
      backend::InstallBackend(std::unique_ptr<Backend>(made));
    } else {
      backend::InstallBackend(headless::CreateHeadlessBackend(headless::Options{}));
    }
  }
  // Where no window of these tests ever lies.
  static uint32_t DesktopPixel() { return ReadScreen(RECT{1000, 740, 1001, 741})[0]; }
};

TEST_F(SeamContract, ShowsThePresentedPixelsWhereTheWindowIs) {
  ASSERT_EQ(Seam().Name(), BackendName());
  const backend::ScreenInfo screen = Seam().Screen();
  EXPECT_EQ(screen.width_px, 1024);
  EXPECT_EQ(screen.height_px, 768);
  EXPECT_EQ(screen.bits_per_pixel, 32);

  Window window(1, RECT{40, 30, 200, 130});
  ASSERT_TRUE(window.created());
  Seam().SetTitle(window.hwnd(), "新しい題");
  Seam().Show(window.hwnd(), true);
  Seam().Raise(window.hwnd());
  EXPECT_EQ(window.PresentUntilShown(RECT{40, 30, 200, 130}, window.pixels()), window.pixels());

  // Moved and still showing the same pixels; the old place is the desktop again.
  window.Move(RECT{300, 200, 460, 300});
  EXPECT_EQ(window.PresentUntilShown(RECT{300, 200, 460, 300}, window.pixels()), window.pixels());
  const uint32_t desktop = DesktopPixel();
  EXPECT_EQ(ReadScreen(RECT{40, 30, 41, 31})[0], desktop);

  // Text input at a caret and away again, and a beep: taken without a fuss
  // (the headless backend journals the beep).
  const RECT caret{60, 50, 62, 66};
  Seam().SetTextInput(window.hwnd(), &caret);
  Seam().SetTextInput(nullptr, nullptr);
  Seam().Beep(0x30);
  if (auto* headless = headless::CurrentHeadless()) {
    const auto journal = headless->GetJournal();
    ASSERT_FALSE(journal.empty());
    EXPECT_EQ(journal.back(), (headless::JournalEntry{"beep", "48"}));
  }

  // Hidden: nothing of it is left on the screen.
  Seam().Show(window.hwnd(), false);
  Settle(IsQt() ? 200 : 0);
  EXPECT_EQ(ReadScreen(RECT{310, 210, 311, 211})[0], desktop);
}

TEST_F(SeamContract, AShapeCutsTheWindow) {
  Window window(2, RECT{100, 400, 180, 460});
  ASSERT_TRUE(window.created());
  // An L of two rectangles: the top band and the left column.
  const std::vector<RECT> shape{RECT{0, 0, 80, 20}, RECT{0, 20, 30, 60}};
  Seam().SetShape(window.hwnd(), &shape);
  Seam().Show(window.hwnd(), true);
  const uint32_t desktop = DesktopPixel();
  std::vector<uint32_t> expected = window.pixels();
  for (int y = 20; y < 60; ++y) {
    for (int x = 30; x < 80; ++x) expected[static_cast<size_t>(y) * 80 + static_cast<size_t>(x)] = desktop;
  }
  EXPECT_EQ(window.PresentUntilShown(RECT{100, 400, 180, 460}, expected), expected);

  // No shape: the whole window again.
  Seam().SetShape(window.hwnd(), nullptr);
  EXPECT_EQ(window.PresentUntilShown(RECT{100, 400, 180, 460}, window.pixels()), window.pixels());
}

// The grab as the headless backend records it (a native grab shows only to the user).
void ExpectGrab(HWND expected) {
  if (auto* headless = headless::CurrentHeadless()) {
    EXPECT_EQ(headless->PointerGrab(), expected);
  }
}

TEST_F(SeamContract, PointerPositionCursorAndGrab) {
  Window window(3, RECT{500, 100, 600, 160});
  ASSERT_TRUE(window.created());
  Seam().Show(window.hwnd(), true);
  window.PresentUntilShown(RECT{500, 100, 600, 160}, window.pixels());
  for (const POINT at : {POINT{510, 110}, POINT{0, 0}, POINT{1023, 767}}) {
    Seam().SetCursorPos(at);
    Settle(IsQt() ? 50 : 0);
    const POINT now = Seam().CursorPos();
    EXPECT_EQ(now.x, at.x);
    EXPECT_EQ(now.y, at.y);
  }
  backend::CursorImage beam;
  beam.system_id = IDC_IBEAM;
  Seam().SetCursor(&beam);
  backend::CursorImage drawn;
  drawn.width_px = 4;
  drawn.height_px = 4;
  drawn.hotspot = POINT{1, 2};
  drawn.argb.assign(16, 0xFF102030);
  Seam().SetCursor(&drawn);
  Seam().SetCursor(nullptr);
  Seam().SetPointerGrab(window.hwnd());
  ExpectGrab(window.hwnd());
  Seam().SetPointerGrab(nullptr);
  ExpectGrab(nullptr);
  {
    // A window that goes away drops its grab.
    Window grabbing(4, RECT{620, 100, 660, 140});
    Seam().Show(grabbing.hwnd(), true);
    Seam().SetPointerGrab(grabbing.hwnd());
  }
  ExpectGrab(nullptr);
  Seam().SetPointerGrab(nullptr);
}

TEST_F(SeamContract, WaitsEndAtTheDeadlineOrAtAWakeUpFromAnotherThread) {
  // A deadline already passed: back at once.
  backend::WaitRequest passed;
  passed.deadline_ms = CurrentClock().MonotonicMs();
  Seam().WaitForEvents(passed);

  // A deadline ahead: back no earlier than it, with nothing else happening.
  for (int round = 0; round < 3; ++round) {
    backend::WaitRequest request;
    request.deadline_ms = CurrentClock().MonotonicMs() + 40;
    uint64_t now = 0;
    while ((now = CurrentClock().MonotonicMs()) < request.deadline_ms) Seam().WaitForEvents(request);
    EXPECT_GE(now, request.deadline_ms);
  }

  // No deadline: only the other thread's wake-up ends the wait (a missing
  // wake-up hangs here, or the headless backend reports a stall).
  for (int round = 0; round < 3; ++round) {
    std::atomic<bool> is_woken{false};
    std::thread worker([&] {
      std::this_thread::sleep_for(std::chrono::milliseconds(30));
      is_woken = true;
      Seam().Wake();
    });
    backend::WaitRequest request;
    request.is_waiting_for_worker = true;
    while (!is_woken) Seam().WaitForEvents(request);
    worker.join();
  }

  // A wake-up that comes before the wait is not lost.
  Seam().Wake();
  backend::WaitRequest request;
  request.is_waiting_for_worker = true;
  Seam().WaitForEvents(request);
}

std::vector<uint8_t> Dib24(int width, int height, const std::vector<uint32_t>& pixels) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + stride * static_cast<size_t>(height));
  BITMAPINFOHEADER header{};
  header.biSize = sizeof(header);
  header.biWidth = width;
  header.biHeight = height;
  header.biPlanes = 1;
  header.biBitCount = 24;
  std::memcpy(dib.data(), &header, sizeof(header));
  for (int y = 0; y < height; ++y) {
    uint8_t* row = dib.data() + sizeof(header) + stride * static_cast<size_t>(height - 1 - y);
    for (int x = 0; x < width; ++x) {
      const uint32_t p = pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
      row[x * 3] = static_cast<uint8_t>(p);
      row[x * 3 + 1] = static_cast<uint8_t>(p >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(p >> 16);
    }
  }
  return dib;
}

// The pixels of a packed DIB, top row first; empty when the gate refuses it.
std::vector<uint32_t> DibPixels(const std::vector<uint8_t>& bytes) {
  std::vector<uint32_t> pixels;
  const auto view = ValidatePackedDib(bytes.data(), bytes.size());
  if (!view || view->compression != BI_RGB || view->bpp != 24) return pixels;
  for (int y = 0; y < view->height; ++y) {
    const BYTE* row = view->TopRow(y);
    for (int x = 0; x < view->width; ++x) {
      pixels.push_back(uint32_t{row[x * 3 + 2]} << 16 | uint32_t{row[x * 3 + 1]} << 8 | row[x * 3]);
    }
  }
  return pixels;
}

TEST_F(SeamContract, ClipboardPublishAndFetch) {
  const std::vector<uint32_t> pixels = Pattern(5, 3, 9);
  const std::string text = "画像 a\tb";
  const std::vector<uint8_t> custom{0, 1, 2, 250};
  Seam().SystemClipboard().Publish({
      backend::ClipboardItem{CF_TEXT, "", std::vector<uint8_t>(text.begin(), text.end())},
      backend::ClipboardItem{CF_DIB, "", Dib24(5, 3, pixels)},
      backend::ClipboardItem{0xC123, "Contract Format", custom},
  });
  Settle(IsQt() ? 50 : 0);
  backend::Clipboard& clipboard = Seam().SystemClipboard();
  EXPECT_TRUE(clipboard.Available(CF_TEXT, ""));
  EXPECT_TRUE(clipboard.Available(CF_DIB, ""));
  EXPECT_TRUE(clipboard.Available(0xC123, "Contract Format"));
  EXPECT_FALSE(clipboard.Available(0xC124, "Another Format"));
  const auto fetched_text = clipboard.Fetch(CF_TEXT, "");
  ASSERT_TRUE(fetched_text.has_value());
  EXPECT_EQ(std::string(fetched_text->begin(), fetched_text->end()), text);
  const auto fetched_dib = clipboard.Fetch(CF_DIB, "");
  ASSERT_TRUE(fetched_dib.has_value());
  EXPECT_EQ(DibPixels(*fetched_dib), pixels);
  EXPECT_EQ(clipboard.Fetch(0xC123, "Contract Format"), custom);
  EXPECT_FALSE(clipboard.Fetch(0xC124, "Another Format").has_value());

  // Withdrawn: nothing is offered.
  clipboard.Publish({});
  Settle(IsQt() ? 50 : 0);
  EXPECT_FALSE(clipboard.Available(CF_DIB, ""));
  EXPECT_FALSE(clipboard.Fetch(CF_TEXT, "").has_value());
}

// Starts `argv` with stdout on `out` (if given); the pid or -1.
pid_t Spawn(const std::vector<std::string>& argv, const std::string& out) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!out.empty()) posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return spawned == 0 ? pid : -1;
}

// Runs `argv` while the backend keeps answering the X server (xclip talks
// to us); the exit code, -1 when it failed or took longer than 10 s.
int RunWhileServing(const std::vector<std::string>& argv, const std::string& out) {
  const pid_t pid = Spawn(argv, out);
  if (pid < 0) return -1;
  int status = 0;
  for (int round = 0; round < 500; ++round) {
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    Settle(20);
  }
  kill(pid, SIGKILL);
  waitpid(pid, &status, 0);
  return -1;
}

std::string TempPath(const std::string& name) {
  const char* folder = std::getenv("TMPDIR");
  return std::string(folder != nullptr ? folder : "/tmp") + "/seam-" + std::to_string(getpid()) + "-" + name;
}

TEST_F(SeamContract, ClipboardImagesCrossToOtherPrograms) {
  if (!IsQt()) GTEST_SKIP() << "another program's clipboard needs a display";
  // Ours, read by xclip as PNG and decoded by ImageMagick.
  const std::vector<uint32_t> pixels = Pattern(7, 4, 21);
  Seam().SystemClipboard().Publish({backend::ClipboardItem{CF_DIB, "", Dib24(7, 4, pixels)}});
  const std::string png = TempPath("ours.png");
  ASSERT_EQ(RunWhileServing({"xclip", "-selection", "clipboard", "-t", "image/png", "-o"}, png), 0);
  EXPECT_TRUE(plat::test::SameImage(plat::test::DecodeWithImageMagick(png), plat::test::Image{7, 4, pixels}, "clipboard_ours"));

  // Theirs: a PNG with an alpha channel given by xclip arrives as a 24-bit
  // bottom-up DIB of the same colours.
  const std::string theirs = TempPath("theirs.png");
  ASSERT_EQ(std::system(("convert-im6.q16 -size 6x5 gradient:red-blue -alpha set -channel A -evaluate set 100% +channel "
                         "PNG32:'" + theirs + "'").c_str()),
            0);
  const std::vector<uint32_t> given = plat::test::DecodeWithImageMagick(theirs).pixels;
  ASSERT_EQ(given.size(), 30u);
  // xclip serves its image in the foreground until it is ended; it takes
  // the clipboard from an empty one, so what arrives can only be its image.
  Seam().SystemClipboard().Publish({});
  Settle(50);
  ASSERT_FALSE(Seam().SystemClipboard().Available(CF_DIB, ""));
  const pid_t xclip = Spawn({"xclip", "-quiet", "-selection", "clipboard", "-t", "image/png", "-i", theirs}, "/dev/null");
  ASSERT_GT(xclip, 0);
  std::optional<std::vector<uint8_t>> dib;
  for (int attempt = 0; attempt < 50 && !(dib = Seam().SystemClipboard().Fetch(CF_DIB, "")); ++attempt) Settle(40);
  kill(xclip, SIGTERM);
  int status = 0;
  waitpid(xclip, &status, 0);
  ASSERT_TRUE(dib.has_value());
  const auto view = ValidatePackedDib(dib->data(), dib->size());
  ASSERT_TRUE(view.has_value());
  EXPECT_EQ(view->headerSize, 40);
  EXPECT_EQ(view->bpp, 24);
  EXPECT_FALSE(view->topDown);
  EXPECT_EQ(DibPixels(*dib), given);
  std::remove(png.c_str());
  std::remove(theirs.c_str());
}

// A process left to pick its own backend: exit code 0 for qt, 1 for headless.
PLAT_TEST_CHILD_ROLE(pick_backend) {
  const std::string_view name = backend::CurrentBackend().Name();
  return name == "qt" ? 0 : name == "headless" ? 1 : 2;
}

TEST(BackendChoice, AutoTakesTheDisplayWhenOneIsReachable) {
  if (!IsQt()) GTEST_SKIP() << "needs a display";
  const std::string display = std::getenv("DISPLAY");
  struct Case {
    const char* backend;  // PLAT_BACKEND, null: unset
    std::string display;  // DISPLAY, empty: unset
    int expected;
  };
  const Case cases[] = {
      {nullptr, display, 0},       {"auto", display, 0},         {"qt", display, 0},
      {"headless", display, 1},    {nullptr, "", 1},             {"auto", ":987", 1},
      {"qt", ":987", 1},
  };
  for (const Case& c : cases) {
    if (c.backend != nullptr) setenv("PLAT_BACKEND", c.backend, 1); else unsetenv("PLAT_BACKEND");
    if (!c.display.empty()) setenv("DISPLAY", c.display.c_str(), 1); else unsetenv("DISPLAY");
    EXPECT_EQ(test::RunChild("pick_backend"), c.expected) << (c.backend ? c.backend : "unset") << " on \"" << c.display << "\"";
  }
  unsetenv("PLAT_BACKEND");
  setenv("DISPLAY", display.c_str(), 1);
}

// The settings a display backend chose for Qt: bit 0 the X11 platform,
// bit 1 high-DPI scaling off.
PLAT_TEST_CHILD_ROLE(display_settings) {
  if (backend::CurrentBackend().Name() != "qt") return 4;
  const char* platform = std::getenv("QT_QPA_PLATFORM");
  const char* scaling = std::getenv("QT_ENABLE_HIGHDPI_SCALING");
  return (platform != nullptr && std::string(platform) == "xcb" ? 1 : 0) |
         (scaling != nullptr && std::string(scaling) == "0" ? 2 : 0);
}

TEST(BackendChoice, X11EvenInAWaylandSessionAndNoScalingUnlessAsked) {
  if (!IsQt()) GTEST_SKIP() << "needs a display";
  setenv("PLAT_BACKEND", "qt", 1);
  unsetenv("QT_QPA_PLATFORM");
  unsetenv("QT_ENABLE_HIGHDPI_SCALING");
  setenv("WAYLAND_DISPLAY", "wayland-contract", 1);
  EXPECT_EQ(test::RunChild("display_settings"), 3);
  setenv("QT_SCALE_FACTOR", "2", 1);
  EXPECT_EQ(test::RunChild("display_settings"), 1);
  unsetenv("QT_SCALE_FACTOR");
  unsetenv("WAYLAND_DISPLAY");
  unsetenv("PLAT_BACKEND");
}

}  // namespace
}  // namespace plat
