// A host of the auto-acquire control as the scanning program is one: the
// module registered by plat-regsvr into the test's own registry, the control
// created by ProgID, properties put by dispatch id with the program's
// automation types, methods invoked, and both events received by a sink.
#ifndef CONTROLS_ACQUIRE_TESTS_ACQUIRE_HOST_H_
#define CONTROLS_ACQUIRE_TESTS_ACQUIRE_HOST_H_

#include <functional>
#include <string>
#include <vector>

#include "Mirrask.h"
#include "plat/ctl/control.h"
#include "plat/oleaut/connection.h"
#include "plat/testing.h"

namespace mirrask::test {

// One event as the sink received it.
struct Fired {
  plat::DISPID id = 0;
  int32_t data_no = 0;
  int16_t status = 0;      // AcquireNotify
  std::string file_name;   // FileSaveNotify
  bool success = false;    // FileSaveNotify
  bool operator==(const Fired&) const = default;
};
Fired Acquired(int32_t data_no, int16_t status = plat::qrvAcquireSuccess);
Fired Saved(int32_t data_no, const std::string& file_name, bool success = true);
std::ostream& operator<<(std::ostream& out, const Fired& fired);

// plat-regsvr's exit status for `module` (with -u: unregistration).
int RunRegsvr(const std::string& module, bool unregister = false);

class AcquireHost {
 public:
  AcquireHost() = default;
  ~AcquireHost() { Release(); }
  AcquireHost(const AcquireHost&) = delete;
  AcquireHost& operator=(const AcquireHost&) = delete;

  // Creates the control by ProgID and connects the sink; false on failure.
  bool Create();
  // Disconnects and lets go of the control.
  void Release();
  plat::IDispatch* dispatch() const { return control_.get(); }
  // The framework object behind the interface (for window and drawing tests).
  plat::COleControl* object() const;

  // Puts with the automation type the program uses for that property.
  plat::HRESULT Put(plat::DISPID id, plat::Variant value);
  void PutShort(plat::DISPID id, int16_t value) { Put(id, plat::Variant(value)); }
  void PutLong(plat::DISPID id, int32_t value) { Put(id, plat::Variant(value)); }
  void PutBool(plat::DISPID id, bool value) { Put(id, plat::Variant::Bool(value)); }
  void PutString(plat::DISPID id, const std::string& value) { Put(id, plat::Variant(value)); }
  void PutFloat(plat::DISPID id, float value) { Put(id, plat::Variant(value)); }
  plat::Variant Get(plat::DISPID id);
  // The last call's exception code (0 when none was raised).
  plat::SCODE last_scode() const { return last_scode_; }
  plat::HRESULT last_hr() const { return last_hr_; }

  bool AcquireImages();
  bool SelectTwainSource();
  void Cancel();
  int16_t GetErrorCode();
  HGLOBAL GetDIB();
  bool GetMemHandle(int32_t* handle, int32_t* size);

  std::vector<Fired> fired;
  // Run inside each event after it was recorded.
  std::function<void(const Fired&)> on_acquire;
  std::function<void(const Fired&)> on_save;

 private:
  plat::Variant Invoke(plat::DISPID id, std::vector<plat::Variant> args = {});

  plat::ComPtr<plat::IDispatch> control_;
  plat::ComPtr<plat::EventSink> sink_;
  plat::SCODE last_scode_ = 0;
  plat::HRESULT last_hr_ = 0;
};

// The control module's path in the build tree.
std::string MirraskModulePath();

// A photo-disc pack written by ImageMagick (768 by 512, a gradient) into the
// build tree's `folder_name`, made anew; its path, or "" when it failed.
std::string MakePhotoDiscPack(const std::string& folder_name);
// `disc` made with `count` copies of `pack` named IMG0001.PCD, IMG0002.PCD, ...
void FillDisc(const std::string& pack, const std::string& disc, int count);

// A platform fixture for the control: the headless backend, the module
// registered by plat-regsvr into the test's registry, a save folder, and at
// the end the checks that no global block is alive (GuiTest) and that no
// probe file "~Qrv*" is left in the save folder.
class AcquireTest : public plat::test::GuiTest {
 protected:
  void SetUp() override;
  void TearDown() override;
  std::string SaveFolder() const { return WorkPath("save"); }
  std::vector<std::string> SavedFiles() const { return plat::test::ListFolder(SaveFolder()); }
};

}  // namespace mirrask::test

#endif  // CONTROLS_ACQUIRE_TESTS_ACQUIRE_HOST_H_
