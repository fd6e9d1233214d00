// What the editing tests add to the control's test host: methods with a
// BOOL result called as bools (each call expected to reach the control),
// the current image in and out as pixels, and packed bitmaps and image files
// read as pixels.
#ifndef CONTROLS_EDIT_TESTS_EDIT_DRIVER_H_
#define CONTROLS_EDIT_TESTS_EDIT_DRIVER_H_

#include <cstdint>
#include <string>
#include <vector>

#include "edit_host.h"
#include "plat/testing/pixels.h"

namespace ondavel::test {

class EditDriver : public EditHost {
 public:
  // A method call that must reach the control; its result.
  plat::Variant Call(plat::DISPID id, std::vector<plat::Variant> args = {});
  // A method with a BOOL result.
  bool Ok(plat::DISPID id, std::vector<plat::Variant> args = {}) { return Call(id, std::move(args)).boolVal() != 0; }
  // Makes a copy of `dib` current (SetDIB with the host keeping its block).
  bool SetImage(HGLOBAL dib) { return SetDIB(dib, false); }
  // Makes a 24-bit bitmap of `image` current.
  bool SetImage(const plat::test::Image& image);
  // The current image as pixels (empty when there is none).
  plat::test::Image Current();
  int32_t Width() { return GetLong(kDispImageWidth); }
  int32_t Height() { return GetLong(kDispImageHeight); }
  int32_t Depth() { return GetLong(kDispColorDepth); }
};

// The fixture of the editing tests: EditTest with a control made by ProgID,
// released before the checks for live objects run.
class EditingTest : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    ASSERT_TRUE(host_.Create());
  }
  void TearDown() override {
    host_.Release();
    EditTest::TearDown();
  }
  // Makes `image` current as a 24-bit bitmap; returns it.
  plat::test::Image LoadImage(const plat::test::Image& image) {
    EXPECT_TRUE(host_.SetImage(image));
    return image;
  }

  EditDriver host_;
};

// The pixels of a packed bitmap (1, 4, 8 or 24 bits, uncompressed), top row
// first, as 0x00RRGGBB; empty when it is not one.
plat::test::Image ImageOfDib(HGLOBAL dib);
// The bit count of a packed bitmap; 0 when it is not one.
int BitCountOfDib(HGLOBAL dib);
// A new 24-bit bottom-up bitmap of `image` (100 dpi), freed by the caller.
HGLOBAL DibOfImage(const plat::test::Image& image);
// An image of `width` x `height` whose pixel (x, y) is distinct for x, y < 256.
plat::test::Image Pattern(int width, int height);
// `image` cut to (left, top) .. (right, bottom), exclusive.
plat::test::Image Cut(const plat::test::Image& image, int left, int top, int right, int bottom);
// Page `page` (0-based) of an image file as ImageMagick decodes it.
plat::test::Image DecodePage(const std::string& path, int page);

}  // namespace ondavel::test

#endif  // CONTROLS_EDIT_TESTS_EDIT_DRIVER_H_
