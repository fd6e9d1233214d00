// The scanner-source library against SANE's test device, with scanimage run
// on the same configuration as the independent oracle of every pixel.
#include "plat/acquire/twain_ctrl.h"

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>
#include <string>
#include <vector>

#include "acquire_test_support.h"
#include "plat/testing.h"

namespace plat::acquire::test {
namespace {

constexpr char kColorPattern[] = "test-picture \"Color pattern\"";

class TwainCtrlTest : public plat::test::GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ::unsetenv("PLAT_SANE_LIBRARY");
  }
  void TearDown() override {
    ::unsetenv("PLAT_SANE_LIBRARY");
    GuiTest::TearDown();
  }

  void Configure(const std::vector<std::string>& lines, bool has_test_backend = true) {
    UseSaneConfig(lines, has_test_backend);
  }

  // What scanimage writes for test:0 with `options` on the current configuration.
  // A scanimage that hangs (it has been seen waiting on a busy device) fails
  // the case after two minutes instead of holding the whole run.
  Picture Oracle(const std::string& options, int padding_px = 0) {
    const std::string path = WorkPath("oracle.pnm");
    const int status =
        RunCommand("timeout 120 scanimage -d test:0 --format=pnm " + options + " > '" + path + "' 2>/dev/null");
    EXPECT_EQ(status, 0) << "scanimage " << options;
    return ReadPnm(path, padding_px);
  }

  // Registers `collector` in delivery mode `mode`.
  static void Route(CQRVNTwainCtrl& ctrl, Collector& collector, short mode) {
    const intptr_t target = mode == kAcquireNotifyByCallback ? reinterpret_cast<intptr_t>(&Collector::Callback)
                                                             : reinterpret_cast<intptr_t>(collector.MakeWindow());
    ASSERT_NE(ctrl.SetCallback(7, mode, target), 0);
  }
};

struct PixelCase {
  const char* name;
  std::vector<std::string> config;
  int color_depth;
  const char* scanimage_options;
  int16_t delivered_depth;
  int bit_count;
  int oracle_padding_px = 0;
};

TEST_F(TwainCtrlTest, PagesEqualScanimagePixelForPixelInBothDeliveryModes) {
  const std::vector<PixelCase> cases = {
      {"gray 1", {kColorPattern}, 1, "--mode Gray --depth 1", 1, 1},
      {"solid black at 1 bit", {}, 1, "--mode Gray --depth 1", 1, 1},
      {"gray 8", {kColorPattern}, 9, "--mode Gray --depth 8", 9, 8},
      {"gray 16, the device's mode", {kColorPattern, "depth 16"}, 0, "", 9, 8},
      {"color 8", {kColorPattern}, 12, "--mode Color --depth 8", 12, 24},
      {"color 16, the device's mode", {kColorPattern, "mode Color", "depth 16"}, 0, "", 12, 24},
      {"256 colours scan as color 8", {kColorPattern}, 8, "--mode Color --depth 8", 12, 24},
      {"three-pass", {kColorPattern, "mode Color", "three-pass true"}, 12, "", 12, 24},
      {"hand-scanner", {kColorPattern, "hand-scanner true"}, 9, "", 9, 8},
      {"pixels lost per line", {kColorPattern, "mode Color", "ppl-loss 7"}, 0, "", 12, 24, 7},
      {"short reads", {kColorPattern, "read-limit true", "read-limit-size 37"}, 12, "--mode Color --depth 8", 12, 24},
  };
  for (const PixelCase& c : cases) {
    SCOPED_TRACE(c.name);
    Configure(c.config);
    const Picture expected = Oracle(c.scanimage_options, c.oracle_padding_px);
    ASSERT_GT(expected.width, 0);
    if (std::string(c.name) == "solid black at 1 bit") {
      EXPECT_EQ(expected.pixels, std::vector<uint32_t>(expected.pixels.size(), 0));
    }
    for (short mode : {kAcquireNotifyByMessage, kAcquireNotifyByCallback}) {
      SCOPED_TRACE(mode == kAcquireNotifyByMessage ? "window message" : "callback");
      Collector collector;
      CQRVNTwainCtrl ctrl;
      Route(ctrl, collector, mode);
      ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
      ctrl.SetDSname("test:0");
      EXPECT_NE(ctrl.AcquireImage(1, nullptr, nullptr, 0, qrvSizeDefault, 0, 0, c.color_depth), 0);
      EXPECT_EQ(ctrl.GetLastErr(), 0);
      ctrl.CloseDSM();
      ASSERT_EQ(collector.deliveries.size(), 1u);
      const Delivery& page = collector.deliveries[0];
      EXPECT_EQ(page.record.status, kAcquireStatusImage);
      EXPECT_EQ(page.record.value1, c.delivered_depth);
      EXPECT_EQ(page.record.value2, 50);
      EXPECT_EQ(page.record.value3, 50);
      EXPECT_EQ(page.picture.bit_count, c.bit_count);
      EXPECT_EQ(page.picture.x_ppm, std::lround(50 / 0.0254));
      EXPECT_EQ(page.id, mode == kAcquireNotifyByCallback ? 7 : 0);
      EXPECT_EQ(page.picture.width, expected.width);
      EXPECT_EQ(page.picture.height, expected.height);
      EXPECT_TRUE(page.picture == expected);
    }
  }
}

TEST_F(TwainCtrlTest, PaperSizesFollowScanimageAndClampToTheDeviceRange) {
  struct Case {
    const char* name;
    std::vector<std::string> config;
    int paper_size;
    int resolution;
    const char* scanimage_options;
  };
  const std::vector<Case> cases = {
      {"postcard", {kColorPattern}, qrvSizePortPostcard, 100, "--resolution 100 -l 0 -t 0 -x 100 -y 148"},
      {"landscape postcard", {kColorPattern}, qrvSizeLandPostcard, 100, "--resolution 100 -l 0 -t 0 -x 148 -y 100"},
      {"B4 on a 200 mm device", {kColorPattern, "geometry_max 200.0"}, qrvSizePortB4, 50,
       "--resolution 50 -l 0 -t 0 -x 200 -y 200"},
      {"maximum", {kColorPattern}, qrvSizeMaximum, 25, "--resolution 25 -l 0 -t 0 -x 432 -y 432"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Configure(c.config);
    const Picture expected = Oracle(std::string("--mode Gray --depth 8 ") + c.scanimage_options);
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByCallback);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_NE(ctrl.AcquireImage(1, nullptr, nullptr, 0, c.paper_size, 0, c.resolution, qrvColorGrayscale), 0);
    ctrl.CloseDSM();
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].record.value2, c.resolution);
    EXPECT_TRUE(collector.deliveries[0].picture == expected)
        << collector.deliveries[0].picture.width << "x" << collector.deliveries[0].picture.height << " against "
        << expected.width << "x" << expected.height;
  }
}

TEST_F(TwainCtrlTest, AreaInEachUnitEqualsScanimage) {
  Configure({kColorPattern});
  // 1 x 2 inches from (0.5, 0.25) inch at 40 dpi: pixels 20,10 to 60,90.
  const Picture expected = Oracle("--mode Gray --depth 8 --resolution 40 -l 12.7 -t 6.35 -x 25.4 -y 50.8");
  struct Case {
    const char* name;
    int unit;
    float left, top, right, bottom;
  };
  const Case cases[] = {
      {"pixels", qrvUnitPixel, 20, 10, 60, 90},
      {"inches", qrvUnitInch, 0.5f, 0.25f, 1.5f, 2.25f},
      {"centimetres", qrvUnitCentimeter, 1.27f, 0.635f, 3.81f, 5.715f},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByCallback);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_NE(ctrl.AcquireImage(1, nullptr, nullptr, 0, c.unit, c.left, c.top, c.right, c.bottom, 0, 40,
                                qrvColorGrayscale),
              0);
    ctrl.CloseDSM();
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].picture.width, expected.width);
    EXPECT_EQ(collector.deliveries[0].picture.height, expected.height);
  }
  CQRVNTwainCtrl ctrl;
  EXPECT_EQ(ctrl.AcquireImage(1, nullptr, nullptr, 0, qrvUnitInch, 2.0f, 0.0f, 1.0f, 0.0f, 0, 40, 9), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrInvalidRectValue);
}

TEST_F(TwainCtrlTest, ListsTheTestDevicesAndScansTheFirstForAnEmptyName) {
  Configure({});
  CQRVNTwainCtrl ctrl;
  ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
  ASSERT_EQ(ctrl.GetDSnum(), 2);
  std::string name;
  EXPECT_NE(ctrl.GetDSname(0, &name), 0);
  EXPECT_EQ(name, "test:0");
  EXPECT_NE(ctrl.GetDSname(1, &name), 0);
  EXPECT_EQ(name, "test:1");
  EXPECT_EQ(ctrl.GetDSname(2, &name), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrInvalidIndex);
  ctrl.CloseDSM();

  struct Case {
    const char* wanted;
    int result;
    int16_t error;
  };
  // Two devices of the "test" backend: a moved name cannot be told apart.
  const Case cases[] = {{"", 1, 0}, {"test:1", 1, 0}, {"test:7", 0, qrvErrDeviceNotFound},
                        {"other:0", 0, qrvErrDeviceNotFound}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wanted);
    Collector collector;
    CQRVNTwainCtrl scanner;
    Route(scanner, collector, kAcquireNotifyByCallback);
    ASSERT_NE(scanner.OpenDSM(nullptr), 0);
    scanner.SetDSname(c.wanted);
    EXPECT_EQ(scanner.AcquireImage(1, nullptr, nullptr, 0, 0, 0, 0, 9) != 0, c.result != 0);
    EXPECT_EQ(scanner.GetLastErr(), c.error);
    scanner.CloseDSM();
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].record.status, c.result ? kAcquireStatusImage : kAcquireStatusError);
  }

  // One device: a remembered name of the same backend finds it.
  Configure({"number_of_devices 1"});
  Collector collector;
  CQRVNTwainCtrl single;
  Route(single, collector, kAcquireNotifyByCallback);
  ASSERT_NE(single.OpenDSM(nullptr), 0);
  single.SetDSname("test:3");
  EXPECT_NE(single.AcquireImage(1, nullptr, nullptr, 0, 0, 0, 0, 9), 0);
  single.CloseDSM();

  // No device at all.
  Configure({}, false);
  CQRVNTwainCtrl none;
  ASSERT_NE(none.OpenDSM(nullptr), 0);
  EXPECT_EQ(none.GetDSnum(), 0);
  EXPECT_EQ(none.AcquireImage(1, nullptr, nullptr, 0, 0, 0, 0, 9), 0);
  EXPECT_EQ(none.GetLastErr(), qrvErrDeviceNotInstall);
  none.CloseDSM();
}

TEST_F(TwainCtrlTest, FeederDeliversUntilEmptyOrCountAndFlatbedOnePage) {
  Configure({});
  struct Case {
    const char* name;
    int feeder;
    int count;
    size_t pages;
  };
  const Case cases[] = {{"feeder, all", 1, 0, 10}, {"feeder, 3", 1, 3, 3}, {"flatbed, 5", 0, 5, 1}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByMessage);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_NE(ctrl.AcquireImage(c.count, nullptr, nullptr, 0, qrvSizePortPostcard, c.feeder, 25, 12), 0);
    EXPECT_EQ(ctrl.GetLastErr(), 0);
    ctrl.CloseDSM();
    EXPECT_EQ(collector.deliveries.size(), c.pages);
    for (const Delivery& page : collector.deliveries) EXPECT_EQ(page.record.status, kAcquireStatusImage);
    plat::test::Pump();
    EXPECT_EQ(collector.deliveries.size(), c.pages) << "a notification after AcquireImage returned";
  }
}

TEST_F(TwainCtrlTest, DeviceStatusesOfTheFirstPageBecomeNotificationsAndErrors) {
  struct Case {
    const char* status;
    int16_t notification;
    int16_t error;
  };
  const Case cases[] = {
      {"SANE_STATUS_DEVICE_BUSY", kAcquireStatusError, qrvErrDeviceBusy},
      {"SANE_STATUS_JAMMED", kAcquireStatusError, qrvErrDeviceError},
      {"SANE_STATUS_COVER_OPEN", kAcquireStatusError, qrvErrDeviceError},
      {"SANE_STATUS_IO_ERROR", kAcquireStatusError, qrvErrDeviceError},
      {"SANE_STATUS_NO_MEM", kAcquireStatusError, qrvErrOutofMemory},
      {"SANE_STATUS_INVAL", kAcquireStatusError, qrvErrInvalidParam},
      {"SANE_STATUS_CANCELLED", kAcquireStatusCancelled, qrvErrUserAbort},
      {"SANE_STATUS_NO_DOCS", kAcquireStatusError, qrvErrUnsetMediaData},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.status);
    Configure({std::string("read-status-code \"") + c.status + "\""});
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByCallback);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_EQ(ctrl.AcquireImage(0, nullptr, nullptr, 0, 0, 1, 0, 9), 0);
    EXPECT_EQ(ctrl.GetLastErr(), c.error);
    ctrl.CloseDSM();
    ASSERT_EQ(collector.deliveries.size(), 1u);
    EXPECT_EQ(collector.deliveries[0].record.status, c.notification);
    EXPECT_EQ(collector.deliveries[0].record.image, 0u);
  }
}

TEST_F(TwainCtrlTest, ReentryIsRefusedAndCancelStopsAfterTheCurrentPage) {
  Configure({});
  {
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByCallback);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    int inner_result = -1;
    int16_t inner_error = 0;
    collector.during = [&](const Delivery&) {
      if (collector.deliveries.size() != 1) return;
      inner_result = ctrl.AcquireImage(1, nullptr, nullptr, 0, 0, 0, 0, 9);
      inner_error = ctrl.GetLastErr();
    };
    EXPECT_NE(ctrl.AcquireImage(0, nullptr, nullptr, 0, qrvSizePortPostcard, 1, 25, 9), 0);
    ctrl.CloseDSM();
    EXPECT_EQ(inner_result, 0);
    EXPECT_EQ(inner_error, qrvErrDeviceBusy);
    EXPECT_EQ(collector.deliveries.size(), 10u);
  }
  {
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByMessage);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    collector.during = [&](const Delivery&) {
      if (collector.deliveries.size() == 2) ctrl.CancelAcquire();
    };
    EXPECT_NE(ctrl.AcquireImage(0, nullptr, nullptr, 0, qrvSizePortPostcard, 1, 25, 9), 0);
    ctrl.CloseDSM();
    EXPECT_EQ(collector.deliveries.size(), 2u);
    // The object stays usable: the next run starts afresh.
    collector.during = nullptr;
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_NE(ctrl.AcquireImage(3, nullptr, nullptr, 0, qrvSizePortPostcard, 1, 25, 9), 0);
    ctrl.CloseDSM();
    EXPECT_EQ(collector.deliveries.size(), 5u);
  }
}

TEST_F(TwainCtrlTest, MissingSaneLibraryGives9911) {
  ::setenv("PLAT_SANE_LIBRARY", "/nonexistent", 1);
  CQRVNTwainCtrl ctrl;
  EXPECT_EQ(ctrl.OpenDSM(nullptr), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrTwainDllNotFound);
  EXPECT_EQ(ctrl.GetDSnum(), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrTwainDllNotFound);
  std::string name = "kept";
  EXPECT_EQ(ctrl.SelectSource(name), 0);
  EXPECT_EQ(ctrl.GetLastErr(), qrvErrTwainDllNotFound);
  EXPECT_EQ(name, "kept");
}

TEST_F(TwainCtrlTest, EverySaneCallOfARunIsMadeOnOneThread) {
  Configure({});
  ::setenv("PLAT_SANE_LIBRARY", SANE_SHIM_PATH, 1);
  void* shim = dlopen(SANE_SHIM_PATH, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(shim, nullptr) << dlerror();
  auto clear = reinterpret_cast<void (*)()>(dlsym(shim, "SaneShimClear"));
  auto log = reinterpret_cast<const char* (*)()>(dlsym(shim, "SaneShimLog"));
  ASSERT_TRUE(clear != nullptr && log != nullptr);
  clear();
  {
    Collector collector;
    CQRVNTwainCtrl ctrl;
    Route(ctrl, collector, kAcquireNotifyByCallback);
    ASSERT_NE(ctrl.OpenDSM(nullptr), 0);
    EXPECT_EQ(ctrl.GetDSnum(), 2);
    collector.during = [&](const Delivery&) {
      if (collector.deliveries.size() == 2) ctrl.CancelAcquire();
    };
    EXPECT_NE(ctrl.AcquireImage(0, nullptr, nullptr, 0, qrvSizePortPostcard, 1, 25, 12), 0);
    ctrl.CloseDSM();
    EXPECT_EQ(collector.deliveries.size(), 2u);
  }
  std::istringstream lines(log());
  std::string call, thread, detail;
  std::set<std::string> threads, calls;
  std::string opened;
  while (lines >> call >> thread) {
    std::getline(lines, detail);
    threads.insert(thread);
    calls.insert(call);
    if (call == "sane_open") opened = detail;
  }
  dlclose(shim);
  for (const char* expected : {"sane_init", "sane_get_devices", "sane_open", "sane_control_option", "sane_start",
                               "sane_get_parameters", "sane_read", "sane_cancel", "sane_close", "sane_exit"}) {
    EXPECT_EQ(calls.count(expected), 1u) << expected;
  }
  EXPECT_EQ(threads.size(), 1u);
  std::ostringstream here;
  here << std::hash<std::thread::id>()(std::this_thread::get_id());
  EXPECT_EQ(threads.count(here.str()), 0u) << "SANE was called on the calling thread";
  EXPECT_EQ(opened, " test:0");
}

}  // namespace
}  // namespace plat::acquire::test
