// The image store of the edit control in process: who owns which block
// after each move, the display copy on 16- and 256-colour screens, the
// acquisition notification, and the page window's grid.
#include <gtest/gtest.h>

#include "dib_fixtures.h"
#include "image_edit_ctrl.h"
#include "in_process_edit_test.h"
#include "plat/packed_dib.h"
#include "plat/testing.h"

namespace ondavel::test {
namespace {

using namespace plat;

using ImageStoreTest = InProcessEditTest;

TEST(PageGrid, RowsAndColumnsFollowTheScreenAndThePageCount) {
  struct Case {
    int pages, width, height;
    PageGrid expected;
  };
  const Case cases[] = {
      {12, 1024, 768, {2, 6, false}},  // 3 x 6 = 18 cells for 12 pages: two rows
      {3, 1024, 768, {1, 3, false}},   // one row of three
      {18, 1024, 768, {3, 6, true}},   // exactly full: the list may scroll
      {40, 1024, 768, {3, 6, true}},
      {2, 200, 150, {1, 1, true}},     // a small screen still gets one cell
      {5, 100, 50, {1, 1, true}},
      {7, 1280, 1024, {1, 7, false}},  // 5 x 8 = 40 cells: one row of seven
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.pages << " pages on " << c.width << "x" << c.height);
    const PageGrid grid = ComputePageGrid(c.pages, c.width, c.height);
    EXPECT_EQ(grid.rows, c.expected.rows);
    EXPECT_EQ(grid.columns, c.expected.columns);
    EXPECT_EQ(grid.can_scroll, c.expected.can_scroll);
  }
}

TEST(DisplayCopy, TargetDepthByScreenAndImage) {
  struct Case {
    int screen;
    int16_t image;
    int16_t expected;
  };
  const Case cases[] = {
      {4, qrvColor256, qrvColor16}, {4, qrvColorGrayscale, qrvColor16}, {4, qrvColorRGB, qrvColor16},
      {4, qrvColor16, 0},           {4, qrvColorBitmap, 0},             {8, qrvColorRGB, qrvColor256},
      {8, qrvColorGrayscale, 0},    {8, qrvColor256, 0},                {16, qrvColorRGB, 0},
      {32, qrvColorRGB, 0},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DisplayCopyDepth(c.screen, c.image), c.expected) << c.screen << " / " << c.image;
  }
}

TEST_F(ImageStoreTest, EachMoveKeepsOneOwnerPerBlock) {
  CQRVNImgEditCtrl& c = *control_;
  EXPECT_EQ(c.SetCurrentImage(0), 0);
  EXPECT_EQ(c.ReplaceCurrentImage(0), 0);
  const HGLOBAL first = MakeDib(Spec(4, 3, 24));
  ASSERT_TRUE(SetDIB(first));
  EXPECT_EQ(c.current_image(), first);
  ASSERT_NE(c.base_image(), 0u);
  EXPECT_NE(c.base_image(), first);
  EXPECT_EQ(BlockBytes(c.base_image()), BlockBytes(first));
  EXPECT_EQ(c.base_color_depth(), qrvColorRGB);
  EXPECT_EQ(c.undo_image(), 0u);
  EXPECT_EQ(c.undo_color_depth(), qrvUnknown);
  const HGLOBAL base = c.base_image();

  // An edit: the old image becomes the undo image, the base stays.
  const HGLOBAL edited = MakeDib(Spec(4, 3, 24, [](int, int) { return 0x123456u; }));
  EXPECT_EQ(c.ReplaceCurrentImage(edited), 1);
  EXPECT_EQ(c.current_image(), edited);
  EXPECT_EQ(c.undo_image(), first);
  EXPECT_EQ(c.undo_color_depth(), qrvColorRGB);
  EXPECT_EQ(c.base_image(), base);
  // A second edit frees the first undo image; the same block twice changes nothing.
  const HGLOBAL again = MakeDib(Spec(2, 2, 24));
  EXPECT_EQ(c.ReplaceCurrentImage(again), 1);
  EXPECT_EQ(c.undo_image(), edited);
  EXPECT_EQ(c.ReplaceCurrentImage(again), 1);
  EXPECT_EQ(c.undo_image(), edited);
  EXPECT_EQ(c.current_image(), again);

  // A new image drops the undo image and makes a new base.
  const HGLOBAL fresh = MakeDib(Spec(5, 5, 8));
  ASSERT_TRUE(SetDIB(fresh));
  EXPECT_EQ(c.undo_image(), 0u);
  EXPECT_EQ(BlockBytes(c.base_image()), BlockBytes(fresh));
  EXPECT_EQ(c.base_color_depth(), qrvColor256);
  // Destruction frees the rest; the fixture counts the live blocks.
}

TEST_F(ImageStoreTest, TheDisplayCopyFollowsTheScreenDepthAndAutoColorDecrease) {
  CQRVNImgEditCtrl& c = *control_;
  ASSERT_TRUE(SetDIB(MakeDib(Spec(6, 4, 24, [](int x, int y) { return uint32_t(x * 40) << 16 | uint32_t(y * 60); }))));
  EXPECT_EQ(c.display_copy(), 0u) << "a 32-bit screen shows the image itself";

  plat::test::SetReportedDepth(8);
  ASSERT_TRUE(SetDIB(MakeDib(Spec(6, 4, 24, [](int x, int) { return uint32_t(x * 40); }))));
  ASSERT_NE(c.display_copy(), 0u);
  auto view = ValidatePackedDib(c.display_copy());
  ASSERT_TRUE(view);
  EXPECT_EQ(view->bpp, 8);
  // Switched off, the copy goes; on again, it comes back.
  Put(kDispAutoColorDecrease, Variant::Bool(false));
  EXPECT_EQ(c.display_copy(), 0u);
  Put(kDispAutoColorDecrease, Variant::Bool(true));
  EXPECT_NE(c.display_copy(), 0u);

  // A grey image needs no copy on 256 colours, a 4-bit one on 16 colours.
  ASSERT_TRUE(SetDIB(MakeDib(Spec(6, 4, 8))));
  EXPECT_EQ(c.display_copy(), 0u);
  plat::test::SetReportedDepth(4);
  ASSERT_TRUE(SetDIB(MakeDib(Spec(6, 4, 24))));
  ASSERT_NE(c.display_copy(), 0u);
  view = ValidatePackedDib(c.display_copy());
  ASSERT_TRUE(view);
  EXPECT_EQ(view->bpp, 4);
  ASSERT_TRUE(SetDIB(MakeDib(Spec(6, 4, 4))));
  EXPECT_EQ(c.display_copy(), 0u);
}

TEST_F(ImageStoreTest, AnAcquisitionNotificationMakesACopyCurrentOrChangesNothing) {
  CQRVNImgEditCtrl& c = *control_;
  ASSERT_TRUE(SetDIB(MakeDib(Spec(9, 7, 24))));
  const HGLOBAL before = c.current_image();
  ScopedGlobal page(MakeDib(Spec(5, 3, 8)));
  // Aborted and cancelled acquisitions change nothing.
  for (int16_t status : {kAcquireStatusError, kAcquireStatusCancelled}) {
    AcquireNotifyRecord record{page.get(), status, qrvColorGrayscale, 200, 100};
    EXPECT_EQ(c.HandleAcqNotify(record), 0);
    EXPECT_EQ(c.current_image(), before);
  }
  // A page whose block does not lock leaves the image and every field.
  const HGLOBAL gone = MakeDib(Spec(2, 2, 24));
  ASSERT_EQ(GlobalFree(gone), 0u);
  AcquireNotifyRecord dead{gone, kAcquireStatusImage, qrvColorRGB, 300, 300};
  EXPECT_EQ(c.HandleAcqNotify(dead), 0);
  EXPECT_EQ(c.current_image(), before);
  EXPECT_EQ(Get(kDispImageWidth), 9);
  EXPECT_EQ(Get(kDispImageHeight), 7);
  EXPECT_EQ(Get(kDispColorDepth), qrvColorRGB);
  EXPECT_EQ(Get(kDispXResolution), 0);

  // A delivered page: a copy becomes current (the library keeps its
  // block); grey by the record's depth, resolutions from the record.
  AcquireNotifyRecord record{page.get(), kAcquireStatusImage, qrvColorGrayscale, 200, 100};
  EXPECT_EQ(c.HandleAcqNotify(record), 1);
  EXPECT_NE(c.current_image(), page.get());
  EXPECT_EQ(BlockBytes(c.current_image()), BlockBytes(page.get()));
  EXPECT_EQ(Get(kDispImageWidth), 5);
  EXPECT_EQ(Get(kDispImageHeight), 3);
  EXPECT_EQ(Get(kDispColorDepth), qrvColorGrayscale);
  EXPECT_EQ(Get(kDispMediaFormat), -1);
  EXPECT_EQ(Get(kDispCompression), -1);
  EXPECT_EQ(Get(kDispXResolution), 200);
  EXPECT_EQ(Get(kDispYResolution), 100);
  EXPECT_EQ(c.base_color_depth(), qrvColorGrayscale);
  // A depth that contradicts the bit count does not win: a 24-bit page
  // stays colour.
  ScopedGlobal colour(MakeDib(Spec(4, 4, 24)));
  AcquireNotifyRecord odd{colour.get(), kAcquireStatusImage, qrvColorBitmap, 0, 0};
  EXPECT_EQ(c.HandleAcqNotify(odd), 1);
  EXPECT_EQ(Get(kDispColorDepth), qrvColorRGB);
}

}  // namespace
}  // namespace ondavel::test
