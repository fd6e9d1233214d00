// The image edit control against SANE's test device, driven as a host
// drives it: a page scanned into the control by Load, the user cancelling
// the scan dialog, the source list and its failures, and the source queries.
#include <gtest/gtest.h>

#include <string>

#include "acquire_test_support.h"
#include "dib_fixtures.h"
#include "edit_host.h"
#include "plat/acquire/twain_ctrl.h"
#include "plat/packed_dib.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::acquire::test::UseSaneConfig;
using plat::test::ModalContext;
using plat::test::SetModalResponder;

constexpr char kColorPattern[] = "test-picture \"Color pattern\"";

class EditSaneTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    UseSaneConfig({kColorPattern});
  }
  void TearDown() override {
    SetModalResponder(nullptr);
    EditTest::TearDown();
  }
  // The scanner as the source, an area of the device in pixels, no dialog.
  static void UseScanner(EditHost& host, float width_px, float height_px) {
    host.PutLong(kDispInputSource, qrvSrcTwain);
    host.PutString(kDispTwainSelectSourceName, "test:0");
    host.PutBool(kDispShowUI, false);
    host.PutLong(kDispTwainPaperSize, qrvSizeUserDefined);
    host.PutLong(kDispInputSrcUnit, qrvUnitPixel);
    host.PutFloat(kDispInputSrcWidth, width_px);
    host.PutFloat(kDispInputSrcHeight, height_px);
  }
};

// The page the scanner library itself delivers for the same area, taken
// through its callback.
plat::acquire::test::Picture ScanDirectly(float width_px, float height_px, int color_depth) {
  plat::acquire::test::Collector collector;
  CQRVNTwainCtrl scanner;
  EXPECT_NE(scanner.OpenDSM(nullptr), 0);
  scanner.SetCallback(7, kAcquireNotifyByCallback, reinterpret_cast<intptr_t>(&plat::acquire::test::Collector::Callback));
  scanner.SetDSname("test:0");
  EXPECT_NE(scanner.AcquireImage(1, nullptr, nullptr, 1, qrvUnitPixel, 0.0f, 0.0f, width_px, height_px, 0, 0,
                                 color_depth),
            0);
  scanner.CloseDSM();
  EXPECT_EQ(collector.deliveries.size(), 1u);
  return collector.deliveries.empty() ? plat::acquire::test::Picture{} : collector.deliveries[0].picture;
}

TEST_F(EditSaneTest, APageOfTheTestDeviceBecomesTheCurrentImage) {
  const plat::acquire::test::Picture expected = ScanDirectly(40, 30, qrvColorRGB);
  ASSERT_GT(expected.width, 0);
  EditHost host;
  ASSERT_TRUE(host.Create());
  UseScanner(host, 40, 30);
  host.PutLong(kDispTwainColorDepth, qrvColorRGB);
  EXPECT_TRUE(host.Load());
  EXPECT_EQ(host.GetErrorCode(), 0);
  const LoadedInfo info = ReadInfo(host);
  EXPECT_EQ(info.width, expected.width);
  EXPECT_EQ(info.height, expected.height);
  EXPECT_EQ(info.color_depth, qrvColorRGB);
  EXPECT_EQ(info.media_format, -1);
  EXPECT_EQ(info.compression, -1);
  EXPECT_GT(info.x_dpi, 0);
  // The control's image is the delivered page, pixel for pixel.
  ScopedGlobal dib(host.GetDIB());
  const auto view = ValidatePackedDib(dib.get());
  ASSERT_TRUE(view);
  EXPECT_EQ(view->bpp, 24);
  EXPECT_TRUE(plat::acquire::test::DecodePackedBitmap(dib.get()) == expected);
  // Grey by the scanner's depth.
  host.PutLong(kDispTwainColorDepth, qrvColorGrayscale);
  EXPECT_TRUE(host.Load());
  EXPECT_EQ(host.GetLong(kDispColorDepth), qrvColorGrayscale);
}

TEST_F(EditSaneTest, CancellingTheScanDialogFailsWithUserAbortAndKeepsTheImage) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.SetDIB(MakeDib(Spec(9, 7, 24)), true));
  ScopedGlobal before(host.GetDIB());
  UseScanner(host, 40, 30);
  host.PutBool(kDispShowUI, true);
  int shown = 0;
  SetModalResponder([&](ModalContext& modal) {
    ++shown;
    modal.Cancel();
  });
  EXPECT_FALSE(host.Load());
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(host.GetErrorCode(), qrvErrUserAbort);
  EXPECT_EQ(host.GetLong(kDispImageWidth), 9);
  ScopedGlobal after(host.GetDIB());
  EXPECT_EQ(BlockBytes(after.get()), BlockBytes(before.get()));
}

TEST_F(EditSaneTest, TheSourceListChoosesKeepsTheNameOnCancelAndReportsAMissingDevice) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  EXPECT_EQ(host.Get(kDispTwainSourceCount), Variant(int16_t{2}));
  EXPECT_EQ(host.GetIndexed(kDispTwainSourceName, 0), Variant("test:0"));
  EXPECT_EQ(host.GetIndexed(kDispTwainSourceName, 1), Variant("test:1"));
  EXPECT_EQ(host.GetIndexed(kDispTwainSourceName, 2), Variant(""));
  host.PutString(kDispTwainSelectSourceName, "test:0");
  // A cancel is no failure and keeps the name.
  SetModalResponder([](ModalContext& modal) { modal.Cancel(); });
  EXPECT_TRUE(host.SelectTwainSource());
  EXPECT_EQ(host.GetErrorCode(), 0);
  EXPECT_EQ(host.Get(kDispTwainSelectSourceName), Variant("test:0"));
  // A source list that cannot be shown, with no device configured: FALSE, 8002.
  SetModalResponder(nullptr);
  UseSaneConfig({}, false);
  EXPECT_FALSE(host.SelectTwainSource());
  EXPECT_EQ(host.GetErrorCode(), qrvErrDeviceNotInstall);
  EXPECT_EQ(host.Get(kDispTwainSelectSourceName), Variant("test:0"));
  EXPECT_EQ(host.Get(kDispTwainSourceCount), Variant(int16_t{0}));
}

}  // namespace
}  // namespace ondavel::test
