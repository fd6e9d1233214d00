// A host of the image edit control as the scanning program is one (the
// harness's control host with the control's events, methods and window),
// and the files the tests load, made by ImageMagick and libtiff's tools.
#ifndef CONTROLS_EDIT_TESTS_EDIT_HOST_H_
#define CONTROLS_EDIT_TESTS_EDIT_HOST_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ondavel.h"
#include "plat/ctl/control.h"
#include "plat/testing.h"
#include "plat/testing/control_host.h"

namespace ondavel::test {

// One event as the sink received it: its id and its arguments as longs
// (the key code of KeyDown and KeyUp as it came in).
struct Fired {
  plat::DISPID id = 0;
  std::vector<int32_t> args;
  bool operator==(const Fired&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Fired& fired);

using plat::test::RunRegsvr;
std::string OndavelModulePath();

class EditHost : public plat::test::ControlHost {
 public:
  EditHost() = default;
  ~EditHost() override { Release(); }

  // Creates the control by ProgID and connects the sink; false on failure.
  bool Create();
  // Also destroys the control's window and the host's window around it.
  void Release();
  // Makes the control's window inside a new top-level window of the host.
  bool CreateWindow(const plat::RECT& rect);
  plat::HWND frame() const { return frame_ ? frame_->m_hWnd : nullptr; }

  // Load after putting InputFileName (as a string) and, when given, the page.
  bool LoadFile(const std::string& name);
  bool Load() { return Invoke(kDispLoad).boolVal() != 0; }
  int16_t GetErrorCode() { return Invoke(kDispGetErrorCode).iVal(); }
  bool SetDIB(HGLOBAL dib, bool is_owner);
  HGLOBAL GetDIB();
  bool SetMemHandle(HGLOBAL block, int32_t size);
  bool SelectTwainSource() { return Invoke(kDispSelectTwainSource).boolVal() != 0; }

  std::vector<Fired> fired;
  // Run inside each event after it was recorded.
  std::function<void(const Fired&)> on_event;

 private:
  std::unique_ptr<plat::CWnd> frame_;
};

// The image information a load sets, as the host reads it.
struct LoadedInfo {
  int32_t width = 0;
  int32_t height = 0;
  int32_t color_depth = 0;
  int32_t compression = 0;
  int32_t media_format = 0;
  int32_t interlaced = 0;
  int32_t x_dpi = 0;
  int32_t y_dpi = 0;
  int32_t selected_page = 0;
  bool operator==(const LoadedInfo&) const = default;
};
std::ostream& operator<<(std::ostream& out, const LoadedInfo& info);
LoadedInfo ReadInfo(EditHost& host);

// Fixture files, made once per test program in the build tree: a.bmp
// (24-bit, 150 dpi), a.png (8-bit grey), a.jpg, a.pcx (200 dpi), three.tif
// (64x48, 40x30 grey at 100 dpi, 20x10; PackBits), one.tif (one page).
std::string FixtureDir();
std::string Fixture(const std::string& name);
using plat::test::CommandOutput;

// A platform fixture for the control: the headless backend, the module
// registered by plat-regsvr into the test's registry, and at the end the
// checks that no window, drawing object or global block is alive.
class EditTest : public plat::test::GuiTest {
 protected:
  static void SetUpTestSuite();
  void SetUp() override;
};

}  // namespace ondavel::test

#endif  // CONTROLS_EDIT_TESTS_EDIT_HOST_H_
