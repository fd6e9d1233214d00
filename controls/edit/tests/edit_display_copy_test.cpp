// The display copy after an edit that changes the colour depth, in process:
// it is made for the new depth, not for the depth the image had before.
#include <gtest/gtest.h>

#include "dib_fixtures.h"
#include "image_edit_ctrl.h"
#include "in_process_edit_test.h"
#include "plat/packed_dib.h"
#include "plat/testing.h"

namespace ondavel::test {
namespace {

using namespace plat;

class EditDisplayCopyTest : public InProcessEditTest {
 protected:
  // The bit count of the display copy, 0 when there is none.
  int DisplayBits() {
    const auto view = ValidatePackedDib(control_->display_copy());
    return view ? view->bpp : 0;
  }
};

TEST_F(EditDisplayCopyTest, IsMadeForTheDepthAnEditLeaves) {
  plat::test::SetReportedDepth(4);
  ASSERT_TRUE(SetDIB(MakeDib(Spec(12, 8, 24))));
  EXPECT_EQ(DisplayBits(), 4);
  // A bilevel image needs no copy on 16 colours.
  ASSERT_TRUE(Call(kDispChangeColorDepth, {Variant(int16_t{qrvColorBitmap})}));
  EXPECT_EQ(DisplayBits(), 0);
  // Back to 24 bits (undo), then grey: each gets its 16-colour copy.
  ASSERT_TRUE(Call(kDispUndo, {}));
  EXPECT_EQ(DisplayBits(), 4);
  ASSERT_TRUE(Call(kDispChangeColorDepth, {Variant(int16_t{qrvColorGrayscale})}));
  EXPECT_EQ(DisplayBits(), 4);
  ASSERT_TRUE(Call(kDispChangeColorDepth, {Variant(int16_t{qrvColor16})}));
  EXPECT_EQ(DisplayBits(), 0);
  ASSERT_TRUE(Call(kDispReset, {}));
  EXPECT_EQ(DisplayBits(), 4);
}

}  // namespace
}  // namespace ondavel::test
