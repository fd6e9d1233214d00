// The image edit control's property frame on a real screen (the Qt
// backend under Xvfb): the Properties verb opens the frame, each page is
// shown in turn and photographed into the build tree, and each picture is
// checked: the page's face has the dialog colour, and no list or edit is a
// blank patch. Run by scripts/screen-tests.sh (label "screen").
#include <gtest/gtest.h>

#include <vector>

#include "edit_host.h"
#include "plat/testing/property_pages.h"

namespace ondavel::test {
namespace {

using namespace plat;

class PropPagesScreenTest : public plat::test::PlatformTest {};

TEST_F(PropPagesScreenTest, EveryPageOfTheFrameShowsOnTheScreen) {
  ASSERT_EQ(RunRegsvr(OndavelModulePath()), 0);
  EditHost host;
  ASSERT_TRUE(host.Create());
  // Values that every edit shows.
  host.Put(kDispInputSrcWidth, Variant(210.0f));
  host.Put(kDispInputSrcHeight, Variant(297.0f));
  const std::vector<plat::test::FramePageShot> shots =
      plat::test::PhotographControlPropertyFrame(host.dispatch(), ONDAVEL_SCREEN_DIR, "ondavel_page_");
  ASSERT_EQ(shots.size(), 5u);
  plat::test::ExpectPagesDrawn(shots);
}

}  // namespace
}  // namespace ondavel::test
