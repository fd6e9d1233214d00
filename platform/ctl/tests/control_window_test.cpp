// The control window of the test control: input given as a user gives it
// fires the stock events synchronously, with their arguments.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/ctl/control.h"
#include "plat/oleaut/connection.h"
#include "plat/testing.h"
#include "test_control.h"

namespace plat {
namespace {

using backend::MouseButton;
using test::GuiTest;

struct Fired {
  DISPID id;
  std::vector<Variant> args;
};

class ControlWindowTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    ASSERT_TRUE(host_.CreateEx(0, nullptr, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, CRect(0, 0, 300, 200), nullptr,
                               0));
    control_ = MakeCom<testctl::CTestCtl>();
    sink_ = EventSink::Create(testctl::kEventsIid);
    for (DISPID id : {DISPID_MOUSEDOWN, DISPID_MOUSEUP, DISPID_CLICK, DISPID_DBLCLICK, DISPID_KEYDOWN, DISPID_KEYUP}) {
      sink_->On(id, [this, id](std::span<Variant> args) {
        fired_.push_back(Fired{id, std::vector<Variant>(args.begin(), args.end())});
      });
    }
    ASSERT_EQ(sink_->Advise(control_->GetUnknown()), S_OK);
    ASSERT_TRUE(control_->CreateControlWindow(host_.m_hWnd, CRect(10, 20, 110, 70)));
  }
  void TearDown() override {
    sink_->Unadvise();
    sink_ = nullptr;
    control_ = nullptr;
    host_.DestroyWindow();
    GuiTest::TearDown();
  }
  std::vector<DISPID> FiredIds() const {
    std::vector<DISPID> ids;
    for (const Fired& fired : fired_) ids.push_back(fired.id);
    return ids;
  }

  CWnd host_;
  ComPtr<testctl::CTestCtl> control_;
  ComPtr<EventSink> sink_;
  std::vector<Fired> fired_;
};

TEST_F(ControlWindowTest, IsAChildOfItsOwnClassSizedToTheExtent) {
  HWND hwnd = control_->m_hWnd;
  ASSERT_NE(hwnd, nullptr);
  char name[64] = {};
  GetClassName(hwnd, name, sizeof(name));
  EXPECT_STREQ(name, "PlatTest.Ctl.1.Ctl");
  EXPECT_EQ(GetParent(hwnd), host_.m_hWnd);
  SIZE extent{};
  control_->GetExtent(&extent);
  EXPECT_EQ(extent.cx, 100);
  EXPECT_EQ(extent.cy, 50);
  // The host's extent moves the window; a second window is refused.
  control_->SetExtent(SIZE{60, 40});
  CRect client;
  control_->GetClientRect(&client);
  EXPECT_EQ(client, CRect(0, 0, 60, 40));
  EXPECT_FALSE(control_->CreateControlWindow(host_.m_hWnd, CRect(0, 0, 5, 5)));
}

TEST_F(ControlWindowTest, ClickFiresMouseDownWithButtonShiftAndClientPoint) {
  struct Case {
    const char* name;
    MouseButton button;
    std::vector<UINT> held_keys;
    POINT point;
    short expected_button;
    short expected_shift;
    bool expects_click;
  };
  const Case cases[] = {
      {"left", MouseButton::kLeft, {}, {5, 6}, 1, 0, true},
      {"right with shift", MouseButton::kRight, {VK_SHIFT}, {99, 49}, 2, 1, false},
      {"middle with ctrl", MouseButton::kMiddle, {VK_CONTROL}, {0, 0}, 4, 2, false},
      {"left with shift and ctrl", MouseButton::kLeft, {VK_SHIFT, VK_CONTROL}, {50, 25}, 1, 3, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (UINT key : c.held_keys) test::KeyDown(key);
    fired_.clear();
    test::Click(control_->m_hWnd, c.point, c.button);
    for (UINT key : c.held_keys) test::KeyUp(key);

    std::vector<DISPID> expected{DISPID_MOUSEDOWN, DISPID_MOUSEUP};
    if (c.expects_click) expected.push_back(DISPID_CLICK);
    std::vector<DISPID> mouse_ids;
    for (DISPID id : FiredIds()) {
      if (id != DISPID_KEYDOWN && id != DISPID_KEYUP) mouse_ids.push_back(id);
    }
    EXPECT_EQ(mouse_ids, expected);
    const Fired* down = nullptr;
    for (const Fired& fired : fired_) {
      if (fired.id == DISPID_MOUSEDOWN) down = &fired;
    }
    ASSERT_NE(down, nullptr);
    ASSERT_EQ(down->args.size(), 4u);
    EXPECT_EQ(down->args[0], Variant(int16_t{c.expected_button}));
    EXPECT_EQ(down->args[1], Variant(int16_t{c.expected_shift}));
    EXPECT_EQ(down->args[2], Variant(int32_t{c.point.x}));
    EXPECT_EQ(down->args[3], Variant(int32_t{c.point.y}));
    // The button is let go: nothing keeps the mouse.
    EXPECT_EQ(GetCapture(), nullptr);
  }
}

TEST_F(ControlWindowTest, ReleasingOutsideFiresMouseUpButNoClick) {
  test::MouseDown(control_->m_hWnd, POINT{5, 5});
  EXPECT_EQ(GetCapture(), control_->m_hWnd);
  test::MouseUp(control_->m_hWnd, POINT{150, 5});  // beyond the right edge: captured, still ours
  EXPECT_EQ(FiredIds(), (std::vector<DISPID>{DISPID_MOUSEDOWN, DISPID_MOUSEUP}));
  ASSERT_EQ(fired_[1].args.size(), 4u);
  EXPECT_EQ(fired_[1].args[2], Variant(int32_t{150}));
}

TEST_F(ControlWindowTest, KeyDownByReferenceChangesOrTakesTheKey) {
  struct Case {
    const char* name;
    UINT key;
    short set_to;  // -1: the handler leaves the key alone
    std::vector<testctl::CTestCtl::KeyMessage> passed_on;
  };
  const Case cases[] = {
      {"changed", 'A', 'B', {{WM_KEYDOWN, 'B'}}},
      {"taken", 'C', 0, {}},
      {"left alone", 'D', -1, {{WM_KEYDOWN, 'D'}}},
  };
  control_->SetFocus();
  ASSERT_EQ(GetFocus(), control_->m_hWnd);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<Variant> seen;
    sink_->On(DISPID_KEYDOWN, [&](std::span<Variant> args) {
      seen.assign(args.begin(), args.end());
      ASSERT_EQ(args[0].vt(), VT_I2 | VT_BYREF);
      if (c.set_to >= 0) *args[0].piVal() = c.set_to;
    });
    control_->keys_passed_on_.clear();
    test::KeyDown(c.key);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], Variant(int16_t{0}));
    std::vector<testctl::CTestCtl::KeyMessage> downs;
    for (const auto& message : control_->keys_passed_on_) {
      if (message.message == WM_KEYDOWN) downs.push_back(message);
    }
    EXPECT_EQ(downs, c.passed_on);
    test::KeyUp(c.key);
  }
}

TEST_F(ControlWindowTest, KeyDownCarriesTheShiftState) {
  control_->SetFocus();
  std::vector<std::pair<int16_t, int16_t>> seen;  // key, shift
  sink_->On(DISPID_KEYDOWN, [&](std::span<Variant> args) { seen.emplace_back(*args[0].piVal(), args[1].iVal()); });
  test::KeyDown(VK_SHIFT);
  test::KeyDown('X');
  test::KeyUp('X');
  test::KeyUp(VK_SHIFT);
  ASSERT_EQ(seen.size(), 2u);
  EXPECT_EQ(seen[1], (std::pair<int16_t, int16_t>{'X', 1}));
}

TEST_F(ControlWindowTest, HostReleasingTheControlInsideMouseDownIsSafe) {
  const int live_before = testctl::LiveTestControls();
  HWND hwnd = control_->m_hWnd;
  sink_->On(DISPID_MOUSEDOWN, [&](std::span<Variant>) {
    sink_->Unadvise();
    control_ = nullptr;
    EXPECT_EQ(testctl::LiveTestControls(), live_before) << "still inside the control's message";
  });
  test::Click(hwnd, POINT{3, 3});
  // The control lived to the end of the message, then went with its window.
  EXPECT_EQ(testctl::LiveTestControls(), live_before - 1);
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(ControlWindowTest, PaintDrawsTheBackColourAndDisablingStopsInput) {
  control_->SetBackColor(RGB(0, 128, 255));
  test::Pump();
  const test::Image shot = test::Snapshot(control_->m_hWnd);
  ASSERT_GT(shot.width_px, 50);
  EXPECT_EQ(shot.At(50, 25) & 0xFFFFFFu, 0x0080FFu);

  control_->SetEnabled(FALSE);
  EXPECT_FALSE(IsWindowEnabled(control_->m_hWnd));
  fired_.clear();
  test::Click(control_->m_hWnd, POINT{5, 5});
  EXPECT_TRUE(fired_.empty());
}

}  // namespace
}  // namespace plat
