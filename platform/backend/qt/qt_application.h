// The one QGuiApplication of the process, shared by the display backend and
// the system font engine of libplat_qt.so.
#ifndef PLAT_BACKEND_QT_QT_APPLICATION_H_
#define PLAT_BACKEND_QT_QT_APPLICATION_H_

namespace plat::qt {

// Text alone needs an application on Qt's offscreen platform unless
// QT_QPA_PLATFORM names another. False when none can be started.
bool EnsureTextApplication();

// The display backend needs one on a real display: X11 (also inside a
// Wayland session, unless QT_QPA_PLATFORM is set or PLAT_ALLOW_WAYLAND=1),
// without high-DPI scaling unless a scaling variable asks for it. False when
// no display can be opened, or when text already started an offscreen one.
bool EnsureDisplayApplication();

}  // namespace plat::qt

#endif  // PLAT_BACKEND_QT_QT_APPLICATION_H_
