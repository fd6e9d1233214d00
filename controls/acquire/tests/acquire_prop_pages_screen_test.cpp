// The auto-acquire control's property frame on a real screen (the Qt
// backend under Xvfb): the Properties verb opens the frame, each page is
// shown in turn and photographed into the build tree, and each picture is
// checked: the page's face has the dialog colour, and no list or edit is a
// blank patch. Run by scripts/screen-tests.sh (label "screen").
#include <gtest/gtest.h>

#include <vector>

#include "acquire_host.h"
#include "plat/testing/property_pages.h"

namespace mirrask::test {
namespace {

using namespace plat;

class PropPagesScreenTest : public plat::test::PlatformTest {};

TEST_F(PropPagesScreenTest, EveryPageOfTheFrameShowsOnTheScreen) {
  ASSERT_EQ(RunRegsvr(MirraskModulePath()), 0);
  AcquireHost host;
  ASSERT_TRUE(host.Create());
  // Values that every edit shows.
  host.PutString(kDispFileNameFormat, "scan<number:4>");
  host.PutString(kDispSaveDataPath, "/srv/scans");
  host.PutString(kDispPcdPath, "/media/cd");
  host.PutFloat(kDispSrcWidth, 210.0f);
  host.PutFloat(kDispSrcHeight, 297.0f);
  host.PutLong(kDispImageWidth, 1654);
  host.PutLong(kDispImageHeight, 2339);
  const std::vector<plat::test::FramePageShot> shots =
      plat::test::PhotographControlPropertyFrame(host.dispatch(), MIRRASK_SCREEN_DIR, "mirrask_page_");
  ASSERT_EQ(shots.size(), 5u);  // four pages of its own and the stock colour page
  plat::test::ExpectPagesDrawn(shots);
}

}  // namespace
}  // namespace mirrask::test
