#include "backend/qt/qt_application.h"

#include <xcb/xcb.h>

#include <QGuiApplication>

#include <cstdlib>
#include <cstring>
#include <string>

namespace plat::qt {

namespace {

bool started_for_text = false;

bool IsSet(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0';
}

void StartApplication() {
  static int argc = 1;
  static char name[] = "plat";
  static char* argv[] = {name, nullptr};
  new QGuiApplication(argc, argv);  // lives for the process
}

// Qt ends the process when its platform cannot connect; ask first. The
// probe stays connected until Qt has its own connection: an X server still
// closing the probe now and then refused the very next one.
class X11Probe {
 public:
  explicit X11Probe(bool is_wanted)
      : connection_(is_wanted && IsSet("DISPLAY") ? xcb_connect(nullptr, nullptr) : nullptr) {}
  ~X11Probe() {
    if (connection_ != nullptr) xcb_disconnect(connection_);
  }
  X11Probe(const X11Probe&) = delete;
  X11Probe& operator=(const X11Probe&) = delete;
  bool is_open() const { return connection_ != nullptr && xcb_connection_has_error(connection_) == 0; }

 private:
  xcb_connection_t* connection_;
};

}  // namespace

bool EnsureTextApplication() {
  if (QGuiApplication::instance() != nullptr) return true;
  if (!IsSet("QT_QPA_PLATFORM")) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    started_for_text = true;
  }
  StartApplication();
  return QGuiApplication::instance() != nullptr;
}

bool EnsureDisplayApplication() {
  if (QGuiApplication::instance() != nullptr) return !started_for_text;
  const bool allow_wayland = std::getenv("PLAT_ALLOW_WAYLAND") != nullptr && std::strcmp(std::getenv("PLAT_ALLOW_WAYLAND"), "1") == 0;
  const bool is_platform_chosen = IsSet("QT_QPA_PLATFORM");
  const std::string platform = is_platform_chosen ? std::getenv("QT_QPA_PLATFORM") : allow_wayland ? "" : "xcb";
  const bool needs_x11 = platform.rfind("xcb", 0) == 0 || (platform.empty() && !IsSet("WAYLAND_DISPLAY"));
  const X11Probe x11(needs_x11);
  if (needs_x11 && !x11.is_open()) return false;
  if (platform.rfind("wayland", 0) == 0 && !IsSet("WAYLAND_DISPLAY")) return false;
  // Named only once the display is known to open: after a refusal, text
  // may still start its offscreen application, which X11 would end.
  if (!is_platform_chosen && !platform.empty()) setenv("QT_QPA_PLATFORM", platform.c_str(), 1);
  static const char* const kScalingVariables[] = {"QT_ENABLE_HIGHDPI_SCALING", "QT_SCALE_FACTOR", "QT_SCREEN_SCALE_FACTORS",
                                                  "QT_AUTO_SCREEN_SCALE_FACTOR", "QT_SCALE_FACTOR_ROUNDING_POLICY",
                                                  "QT_USE_PHYSICAL_DPI"};
  bool wants_scaling = false;
  for (const char* variable : kScalingVariables) wants_scaling = wants_scaling || IsSet(variable);
  if (!wants_scaling) setenv("QT_ENABLE_HIGHDPI_SCALING", "0", 1);
  StartApplication();
  return QGuiApplication::instance() != nullptr;
}

}  // namespace plat::qt
