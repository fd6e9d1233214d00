// A host of the auto-acquire control as the scanning program is one: the
// harness's control host with the control's two events and its methods.
#ifndef CONTROLS_ACQUIRE_TESTS_ACQUIRE_HOST_H_
#define CONTROLS_ACQUIRE_TESTS_ACQUIRE_HOST_H_

#include <functional>
#include <string>
#include <vector>

#include "Mirrask.h"
#include "plat/ctl/control.h"
#include "plat/testing.h"
#include "plat/testing/control_host.h"

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

using plat::test::RunRegsvr;

class AcquireHost : public plat::test::ControlHost {
 public:
  AcquireHost() = default;
  ~AcquireHost() override { Release(); }

  // Creates the control by ProgID and connects the sink; false on failure.
  bool Create();
  // Disconnects and lets go of the control.
  void Release() { ReleaseControl(); }

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
