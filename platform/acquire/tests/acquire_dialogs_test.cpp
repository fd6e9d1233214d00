// The three acquisition dialogs, answered through the harness's modal
// responder: the source list of SelectSource, the scan dialog and the photo
// chooser of the dialog forms of AcquireImage.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "acquire/dialogs/dialog_ids.h"
#include "acquire_test_support.h"
#include "plat/acquire/pcd_ctrl.h"
#include "plat/acquire/twain_ctrl.h"
#include "plat/dialog.h"
#include "plat/testing.h"

namespace plat::acquire::test {
namespace {

using plat::test::ModalContext;

class AcquireDialogsTest : public plat::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ::unsetenv("PLAT_SANE_LIBRARY");
  }

  // Sets drop-down `id` of the open dialog to entry `index`.
  static void Choose(ModalContext& modal, int id, int index) {
    SendDlgItemMessage(modal.modal(), id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  }
};

TEST_F(AcquireDialogsTest, SourceListChoosesCancelsOrCannotBeShown) {
  UseSaneConfig({});
  struct Case {
    const char* name;
    bool is_cancel;
    int result;
    const char* expected_name;
  };
  const Case cases[] = {{"test:1 chosen", false, 1, "test:1"}, {"cancelled", true, 0, "test:0"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::string title, first_line;
    plat::test::SetModalResponder([&](ModalContext& modal) {
      title = modal.Title();
      char line[128] = {};
      SendDlgItemMessage(modal.modal(), kSourceListId, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(line));
      first_line = line;
      if (c.is_cancel) {
        modal.Cancel();
        return;
      }
      SendDlgItemMessage(modal.modal(), kSourceListId, LB_SETCURSEL, 1, 0);
      modal.Press(IDOK);
    });
    CQRVNTwainCtrl ctrl;
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    std::string name = "test:0";
    EXPECT_EQ(ctrl.SelectSource(name), c.result);
    EXPECT_EQ(ctrl.GetLastErr(), 0);
    EXPECT_EQ(name, c.expected_name);
    ctrl.CloseDSM();
    EXPECT_EQ(title, "スキャナの選択");
    EXPECT_EQ(first_line.rfind("test:0", 0), 0u) << first_line;
  }
  plat::test::SetModalResponder([](ModalContext& modal) { ADD_FAILURE() << "no list without a device"; });
  UseSaneConfig({}, false);
  CQRVNTwainCtrl ctrl;
  ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
  std::string name = "test:0";
  EXPECT_EQ(ctrl.SelectSource(name), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrDeviceNotInstall);
  EXPECT_EQ(name, "test:0");
  ctrl.CloseDSM();
  plat::test::SetModalResponder(nullptr);
}

TEST_F(AcquireDialogsTest, ScanDialogSettingsReachTheDeviceAndCancelReports) {
  UseSaneConfig({});
  plat::test::SetModalResponder([](ModalContext& modal) {
    Choose(modal, kScanModeId, 2);        // grey
    Choose(modal, kScanResolutionId, 1);  // 75 dpi
    Choose(modal, kScanAreaId, 15);       // postcard, landscape
    CheckDlgButton(modal.modal(), kScanFeederId, BST_CHECKED);
    modal.Press(IDOK);
  });
  Collector collector;
  CQRVNTwainCtrl ctrl;
  ASSERT_NE(ctrl.SetCallback(1, kAcquireNotifyByCallback, reinterpret_cast<intptr_t>(&Collector::Callback)), 0);
  ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
  EXPECT_NE(ctrl.AcquireImage(nullptr, nullptr, 1, 3, 1), 0);
  ASSERT_EQ(collector.deliveries.size(), 3u);
  EXPECT_EQ(collector.deliveries[0].record.value1, qrvColorGrayscale);
  EXPECT_EQ(collector.deliveries[0].record.value2, 75);
  EXPECT_GT(collector.deliveries[0].picture.width, collector.deliveries[0].picture.height);

  plat::test::SetModalResponder([](ModalContext& modal) { modal.Cancel(); });
  collector.deliveries.clear();
  EXPECT_EQ(ctrl.AcquireImage(nullptr, nullptr, 1, 1, 1), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrUserAbort);
  ASSERT_EQ(collector.deliveries.size(), 1u);
  EXPECT_EQ(collector.deliveries[0].record.status, kAcquireStatusCancelled);
  ctrl.CloseDSM();
  plat::test::SetModalResponder(nullptr);
}

TEST_F(AcquireDialogsTest, PhotoChooserPicksImageSizeAndDepth) {
  const std::string disc = WorkPath("disc");
  RunCommand("mkdir -p '" + disc + "' && convert-im6.q16 -size 192x128 gradient:red-blue 'PCD:" + disc +
             "/IMG0001.PCD' && cp '" + disc + "/IMG0001.PCD' '" + disc + "/IMG0002.PCD'");
  int images_offered = 0;
  plat::test::SetModalResponder([&](ModalContext& modal) {
    images_offered = static_cast<int>(SendDlgItemMessage(modal.modal(), kPhotoImageId, CB_GETCOUNT, 0, 0));
    Choose(modal, kPhotoImageId, 1);
    Choose(modal, kPhotoDataSizeId, 0);  // 64 x 96
    Choose(modal, kPhotoColourId, 0);    // grey
    modal.Press(IDOK);
  });
  Collector collector;
  CQRVNPcdCtrl ctrl;
  ASSERT_NE(ctrl.SetCallback(2, kAcquireNotifyByCallback, reinterpret_cast<intptr_t>(&Collector::Callback)), 0);
  EXPECT_NE(ctrl.AcquireImage(disc.c_str(), nullptr, nullptr, 1, 1, qrvPcdResBase, qrvColorRGB, nullptr), 0);
  EXPECT_EQ(images_offered, 2);
  ASSERT_EQ(collector.deliveries.size(), 1u);
  EXPECT_EQ(collector.deliveries[0].record.value1, qrvColorGrayscale);
  EXPECT_EQ(collector.deliveries[0].picture.width, 96);
  EXPECT_EQ(collector.deliveries[0].picture.bit_count, 8);

  plat::test::SetModalResponder([](ModalContext& modal) { modal.Cancel(); });
  collector.deliveries.clear();
  EXPECT_EQ(ctrl.AcquireImage(disc.c_str(), nullptr, nullptr, 1, 1, qrvPcdResBase, qrvColorRGB, nullptr), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrUserAbort);
  ASSERT_EQ(collector.deliveries.size(), 1u);
  EXPECT_EQ(collector.deliveries[0].record.status, kAcquireStatusCancelled);
  plat::test::SetModalResponder(nullptr);
}

}  // namespace
}  // namespace plat::acquire::test
