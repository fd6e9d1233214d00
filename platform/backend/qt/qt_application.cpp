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

// Qt ends the process when its platform cannot connect; ask first.
bool CanOpenX11Display() {
  if (!IsSet("DISPLAY")) return false;
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  const bool is_open = connection != nullptr && xcb_connection_has_error(connection) == 0;
  if (connection != nullptr) xcb_disconnect(connection);
  return is_open;
}

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
  if (!IsSet("QT_QPA_PLATFORM") && !allow_wayland) setenv("QT_QPA_PLATFORM", "xcb", 1);
  const std::string platform = IsSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : std::string();
  if (platform.rfind("xcb", 0) == 0 && !CanOpenX11Display()) return false;
  if (platform.rfind("wayland", 0) == 0 && !IsSet("WAYLAND_DISPLAY")) return false;
  if (platform.empty() && !IsSet("WAYLAND_DISPLAY") && !CanOpenX11Display()) return false;
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
