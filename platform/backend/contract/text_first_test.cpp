// The backend a process chose stays its backend when text is measured before
// any window exists (as a program lays out its first form), with the system
// font engine: each case runs in a child process of its own, since a
// process picks its backend once.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <optional>
#include <string>

#include "plat/backend.h"
#include "plat/font.h"
#include "plat/font_engine.h"
#include "plat/gdi.h"
#include "plat/testing/child_process.h"
#include "plat/testing/fixture.h"
#include "plat/text.h"
#include "plat/user.h"

namespace plat {
namespace {

// Text measured on the screen's DC ("screen") or on a memory DC with a font
// made for it ("font"); false when nothing was measured.
bool MeasureText(const std::string& how) {
  static const char kText[] = "Measured first";
  const bool is_screen = how == "screen";
  HDC dc = is_screen ? GetDC(nullptr) : CreateCompatibleDC(nullptr);
  HFONT font = nullptr;
  HFONT old = nullptr;
  if (!is_screen) {
    font = CreateFont(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, "Arial");
    old = SelectObject(dc, font);
  }
  SIZE size{};
  const bool is_measured = GetTextExtentPoint32(dc, kText, sizeof kText - 1, &size) != FALSE && size.cx > 0;
  if (is_screen) {
    ReleaseDC(nullptr, dc);
  } else {
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
  }
  return is_measured;
}

// Exit codes of the children.
constexpr int kQt = 0;
constexpr int kHeadless = 1;
constexpr int kNotOnDisplay = 2;
constexpr int kNotMeasured = 3;
constexpr int kBuiltinFonts = 4;

// Measures text the way `argument` names, then reports the backend.
PLAT_TEST_CHILD_ROLE(measure_then_pick) {
  if (!MeasureText(argument)) return kNotMeasured;
  if (&ActiveFontEngine() == &BuiltinFonts()) return kBuiltinFonts;
  return backend::CurrentBackend().Name() == "qt" ? kQt : kHeadless;
}

// What `xdotool search` finds while the loop runs: whether a visible X
// window has the title, asked every 100 ms, 50 times at the most.
struct TitleSearch {
  std::string title;
  int tries = 0;
  bool is_found = false;
};
TitleSearch* title_search = nullptr;

void SearchOnTimer(HWND, UINT, UINT_PTR, DWORD) {
  TitleSearch& search = *title_search;
  search.is_found =
      !test::CommandOutput("xdotool search --onlyvisible --name '^" + search.title + "$' 2>/dev/null").empty();
  if (search.is_found || ++search.tries >= 50) PostQuitMessage(0);
}

// Measures text, then shows a window: kQt only when the window is a native
// one on the X display.
PLAT_TEST_CHILD_ROLE(measure_then_show) {
  if (!MeasureText(argument)) return kNotMeasured;
  if (backend::CurrentBackend().Name() != "qt") return kHeadless;
  TitleSearch search;
  search.title = "Measured first by " + argument;
  const HWND window = CreateWindowEx(0, "Static", search.title.c_str(), WS_OVERLAPPEDWINDOW | WS_VISIBLE, 30, 30, 200,
                                     80, nullptr, nullptr, nullptr, nullptr);
  if (window == nullptr) return kNotOnDisplay;
  title_search = &search;
  const UINT_PTR timer = SetTimer(nullptr, 0, 100, SearchOnTimer);
  MSG msg;
  while (GetMessage(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessage(&msg);
  }
  KillTimer(nullptr, timer);
  DestroyWindow(window);
  return search.is_found ? kQt : kNotOnDisplay;
}

bool HasDisplay() {
  const char* backend = std::getenv("PLAT_CONTRACT_BACKEND");
  return backend != nullptr && std::string(backend) == "qt" && std::getenv("DISPLAY") != nullptr;
}

// Variables set for the children, put back as they were at the end.
class ChildEnvironment {
 public:
  ~ChildEnvironment() {
    for (const auto& [name, value] : saved_) Put(name.c_str(), value ? value->c_str() : nullptr);
  }
  // `value` null: unset.
  void Set(const char* name, const char* value) {
    if (saved_.count(name) == 0) {
      const char* was = std::getenv(name);
      saved_[name] = was != nullptr ? std::optional<std::string>(was) : std::nullopt;
    }
    Put(name, value);
  }

 private:
  static void Put(const char* name, const char* value) {
    if (value != nullptr) setenv(name, value, 1); else unsetenv(name);
  }
  std::map<std::string, std::optional<std::string>> saved_;
};

// Without a display the process runs headless and still measures with the
// system fonts on Qt's offscreen platform, also when it asked for Qt and the
// display backend's attempt failed first.
TEST(TextFirst, WithoutADisplayTextStillUsesTheSystemFonts) {
#ifndef PLAT_TEST_HAS_QT_MODULE
  GTEST_SKIP() << "the system fonts come with the Qt module, which this tree does not build";
#endif
  struct Case {
    const char* backend;  // PLAT_BACKEND, null: unset
    const char* how;
  };
  const Case cases[] = {
      {"headless", "screen"}, {"headless", "font"}, {nullptr, "screen"}, {"qt", "screen"}, {"qt", "font"},
  };
  ChildEnvironment environment;
  environment.Set("PLAT_FONTS", "system");
  environment.Set("DISPLAY", nullptr);
  environment.Set("QT_QPA_PLATFORM", nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.backend != nullptr ? c.backend : "unset") + " by " + c.how);
    environment.Set("PLAT_BACKEND", c.backend);
    EXPECT_EQ(test::RunChild("measure_then_pick", c.how), kHeadless);
  }
}

// On a display, a process that asked for Qt gets it however it measured
// text first, and its window is a visible X window.
TEST(TextFirst, OnADisplayTheQtBackendShowsTheWindowAfterText) {
  if (!HasDisplay()) GTEST_SKIP() << "needs a display";
  ChildEnvironment environment;
  environment.Set("PLAT_FONTS", "system");
  environment.Set("QT_QPA_PLATFORM", nullptr);
  for (const char* backend : {"qt", "auto"}) {
    environment.Set("PLAT_BACKEND", backend);
    for (const char* how : {"screen", "font"}) {
      SCOPED_TRACE(std::string(backend) + " by " + how);
      EXPECT_EQ(test::RunChild("measure_then_pick", how), kQt);
      EXPECT_EQ(test::RunChild("measure_then_show", how), kQt);
    }
  }
}

}  // namespace
}  // namespace plat
