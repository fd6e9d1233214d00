// A host of the image edit control as the scanning program is one: the
// module registered by plat-regsvr into the test's own registry, the control
// created by ProgID, properties put by dispatch id with the program's
// automation types, methods invoked, and every event received by a sink.
// Also the files the tests load, made by ImageMagick and libtiff's tools.
#ifndef CONTROLS_EDIT_TESTS_EDIT_HOST_H_
#define CONTROLS_EDIT_TESTS_EDIT_HOST_H_

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Ondavel.h"
#include "plat/ctl/control.h"
#include "plat/oleaut/connection.h"
#include "plat/testing.h"

namespace ondavel::test {

// One event as the sink received it: its id and its arguments as longs
// (the key code of KeyDown and KeyUp as it came in).
struct Fired {
  plat::DISPID id = 0;
  std::vector<int32_t> args;
  bool operator==(const Fired&) const = default;
};
std::ostream& operator<<(std::ostream& out, const Fired& fired);

// plat-regsvr's exit status for `module` (with -u: unregistration).
int RunRegsvr(const std::string& module, bool unregister = false);
std::string OndavelModulePath();

class EditHost {
 public:
  EditHost() = default;
  ~EditHost() { Release(); }
  EditHost(const EditHost&) = delete;
  EditHost& operator=(const EditHost&) = delete;

  // Creates the control by ProgID and connects the sink; false on failure.
  bool Create();
  void Release();
  plat::IDispatch* dispatch() const { return control_.get(); }
  // The framework object behind the interface (for window tests).
  plat::COleControl* object() const;
  // Makes the control's window inside a new top-level window of the host.
  bool CreateWindow(const plat::RECT& rect);
  plat::HWND frame() const { return frame_ ? frame_->m_hWnd : nullptr; }

  plat::HRESULT Put(plat::DISPID id, plat::Variant value);
  void PutShort(plat::DISPID id, int16_t value) { Put(id, plat::Variant(value)); }
  void PutLong(plat::DISPID id, int32_t value) { Put(id, plat::Variant(value)); }
  void PutBool(plat::DISPID id, bool value) { Put(id, plat::Variant::Bool(value)); }
  void PutString(plat::DISPID id, const std::string& value) { Put(id, plat::Variant(value)); }
  void PutFloat(plat::DISPID id, float value) { Put(id, plat::Variant(value)); }
  plat::Variant Get(plat::DISPID id);
  plat::Variant GetIndexed(plat::DISPID id, int16_t index);
  int32_t GetLong(plat::DISPID id);
  plat::SCODE last_scode() const { return last_scode_; }
  plat::HRESULT last_hr() const { return last_hr_; }

  plat::Variant Invoke(plat::DISPID id, std::vector<plat::Variant> args = {});
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
  plat::ComPtr<plat::IDispatch> control_;
  plat::ComPtr<plat::EventSink> sink_;
  std::unique_ptr<plat::CWnd> frame_;
  plat::SCODE last_scode_ = 0;
  plat::HRESULT last_hr_ = 0;
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
// The output of a shell command.
std::string Capture(const std::string& command);

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
