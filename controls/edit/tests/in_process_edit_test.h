// A fixture of the edit control made in process, without registration, and
// driven through its dispatch interface by the harness's control host; each
// call is expected to succeed.
#ifndef CONTROLS_EDIT_TESTS_IN_PROCESS_EDIT_TEST_H_
#define CONTROLS_EDIT_TESTS_IN_PROCESS_EDIT_TEST_H_

#include <vector>

#include "image_edit_ctrl.h"
#include "plat/testing.h"
#include "plat/testing/control_host.h"

namespace ondavel::test {

class InProcessEditTest : public plat::test::GuiTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // A property as a long.
  int32_t Get(plat::DISPID id);
  void Put(plat::DISPID id, plat::Variant value);
  // A method's Boolean result.
  bool Call(plat::DISPID id, std::vector<plat::Variant> args = {});
  // SetDIB with the control as the block's owner.
  bool SetDIB(HGLOBAL dib);

  plat::ComPtr<CQRVNImgEditCtrl> control_;
  plat::test::ControlHost host_;
};

}  // namespace ondavel::test

#endif  // CONTROLS_EDIT_TESTS_IN_PROCESS_EDIT_TEST_H_
