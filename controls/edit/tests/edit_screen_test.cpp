// The image edit control on a real screen (the Qt backend under Xvfb, run by
// scripts/screen-tests.sh, label "screen"): created by ProgID from its
// registered module, hosted in a window, photographed from the X server
// into the build tree and checked by its pixels: the design-time face in the
// back colour, and the control showing an image.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "dib_fixtures.h"
#include "edit_host.h"
#include "plat/sys_colors.h"
#include "plat/testing/pixels.h"
#include "plat/user.h"
#include "test_site.h"

namespace ondavel::test {
namespace {

using namespace plat;
using plat::test::Image;
using plat::test::PhotographWhenShown;

std::string ScreenFile(const std::string& name) {
  const std::string folder = ONDAVEL_SCREEN_DIR;
  std::system(("mkdir -p '" + folder + "'").c_str());
  return folder + "/" + name;
}

class EditScreenTest : public plat::test::PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    ASSERT_EQ(RunRegsvr(OndavelModulePath()), 0);
    WNDCLASSEX wc;
    wc.lpfnWndProc = DefWindowProc;
    wc.lpszClassName = "OndavelHost";
    wc.hbrBackground = GetSysColorBrush(COLOR_WINDOW);
    RegisterClassEx(&wc);
    window_ = CreateWindowEx(0, "OndavelHost", "Ondavel", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 40, 260, 220, nullptr,
                             nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    if (window_ != nullptr) DestroyWindow(window_);
    PlatformTest::TearDown();
  }
  HWND window_ = nullptr;
};

TEST_F(EditScreenTest, TheDesignTimeFaceIsFilledWithTheBackColour) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ComPtr<plat::test::TestSite> site = MakeCom<plat::test::TestSite>();
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(false);
  ComPtr<IEmbeddedControl> embedded = ComPtr<IDispatch>(host.dispatch()).As<IEmbeddedControl>();
  ASSERT_EQ(embedded->SetSite(site.get()), S_OK);
  host.PutLong(DISPID_BACKCOLOR, static_cast<int32_t>(0x80000000u | COLOR_BTNFACE));
  ASSERT_TRUE(host.object()->CreateControlWindow(window_, RECT{20, 20, 180, 140}));
  const uint32_t face = plat::test::ImagePixel(GetSysColor(COLOR_BTNFACE));
  const Image shot = PhotographWhenShown(host.object()->m_hWnd, ScreenFile("ondavel_face.png"), [&](const Image& i) {
    return i.width_px == 160 && i.height_px == 120 && i.At(80, 60) == face && i.At(2, 2) == face;
  });
  ASSERT_EQ(shot.width_px, 160);
  ASSERT_EQ(shot.height_px, 120);
  EXPECT_EQ(shot.At(2, 2), face);
  EXPECT_EQ(shot.At(80, 60), face);
  EXPECT_EQ(shot.At(157, 117), face);
  host.object()->DestroyWindow();
  embedded->SetSite(nullptr);
}

// Four quadrants of 80 x 60: red, green above, blue, yellow below.
uint32_t Quadrant(int x, int y) {
  if (y < 60) return x < 80 ? 0xFF0000u : 0x00FF00u;
  return x < 80 ? 0x0000FFu : 0xFFFF00u;
}

TEST_F(EditScreenTest, TheControlShowsItsImageAtItsViewsCentre) {
  EditHost host;
  ASSERT_TRUE(host.Create());
  ASSERT_TRUE(host.object()->CreateControlWindow(window_, RECT{20, 20, 180, 140}));
  ASSERT_TRUE(host.SetDIB(MakeDib(Spec(160, 120, 24, Quadrant)), true));
  const Image shot = PhotographWhenShown(host.object()->m_hWnd, ScreenFile("ondavel_image.png"), [](const Image& i) {
    return i.width_px == 160 && i.height_px == 120 && i.At(78, 58) == 0xFF0000u && i.At(81, 61) == 0xFFFF00u;
  });
  ASSERT_EQ(shot.width_px, 160);
  ASSERT_EQ(shot.height_px, 120);
  // Around the centre of the view, each quadrant's colour.
  EXPECT_EQ(shot.At(78, 58), 0xFF0000u);
  EXPECT_EQ(shot.At(81, 58), 0x00FF00u);
  EXPECT_EQ(shot.At(78, 61), 0x0000FFu);
  EXPECT_EQ(shot.At(81, 61), 0xFFFF00u);
  host.object()->DestroyWindow();
}

}  // namespace
}  // namespace ondavel::test
