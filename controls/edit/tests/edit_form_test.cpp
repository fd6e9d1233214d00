// The image edit control placed on a class-library form through
// TOleControl, as the preview window hosts it: created by ProgID from the
// test's registry at 640 by 480 on the form, a file loaded and zoomed by
// DISPID with the program's automation types, and a rectangle dragged in its
// view reaching the host's handler as the dragging and dragged events.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "edit_host.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/forms/olectrls.h"
#include "plat/forms/runtime.h"

namespace ondavel::test {
namespace {

using namespace plat;

class EditOnAForm : public EditTest {
 protected:
  void SetUp() override {
    EditTest::SetUp();
    forms::Init();
    form_ = new TForm(Application);
    form_->SetName("PreviewForm1");
    form_->SetBorderStyle(bsNone);
    form_->SetBounds(100, 100, 656, 530);
    edit_ = new TOleControl(form_, kImageEditProgId);
    edit_->SetName("ImageEdit1");
    edit_->SetBounds(8, 24, 640, 480);
    edit_->SetParent(form_);
    form_->Show();
  }
  void TearDown() override {
    delete form_;
    forms::Shutdown();
    EditTest::TearDown();
  }

  TForm* form_ = nullptr;
  TOleControl* edit_ = nullptr;
};

TEST_F(EditOnAForm, LoadsAndZoomsThroughTheProgramsTypes) {
  HWND window = edit_->Handle();
  EXPECT_EQ(GetParent(window), form_->Handle());
  RECT rect;
  GetClientRect(window, &rect);
  EXPECT_EQ(rect.right, 640);
  EXPECT_EQ(rect.bottom, 480);
  edit_->SetStringProp(kDispInputFileName, Fixture("a.bmp"));
  EXPECT_EQ(edit_->InvokeMethod(kDispLoad, {}), Variant::Bool(true));
  edit_->SetSmallintProp(kDispZoom, 200);
  EXPECT_EQ(edit_->GetSmallintProp(kDispZoom), 200);
  EXPECT_EQ(edit_->GetIntegerProp(kDispImageWidth), 64);
}

TEST_F(EditOnAForm, ADraggedRectangleReachesTheHostsHandler) {
  edit_->SetStringProp(kDispInputFileName, Fixture("a.bmp"));
  ASSERT_EQ(edit_->InvokeMethod(kDispLoad, {}), Variant::Bool(true));
  edit_->SetSmallintProp(kDispZoom, 100);
  // The preview's selection state, as its handlers keep it.
  bool has_rect = false;
  int dragging = 0;
  std::vector<int32_t> rect;
  edit_->OnEvent = [&](TObject* sender, DISPID id, std::span<Variant> args) {
    EXPECT_EQ(sender, edit_);
    if (id == kEventNotifyDraggingRect) {
      ++dragging;
      has_rect = false;
    } else if (id == kEventNotifyDraggedRect) {
      ASSERT_EQ(args.size(), 4u);
      rect.clear();
      for (const Variant& arg : args) rect.push_back(arg.lVal());
      has_rect = true;
    } else if (id == kEventNotifyCancelDrag) {
      has_rect = false;
    }
  };
  HWND view = GetDlgItem(edit_->Handle(), 1);
  ASSERT_NE(view, nullptr);
  plat::test::Drag(view, POINT{10, 10}, POINT{30, 20}, 2);
  EXPECT_GT(dragging, 0);
  EXPECT_TRUE(has_rect);
  EXPECT_EQ(rect, (std::vector<int32_t>{10, 10, 30, 20}));
}

}  // namespace
}  // namespace ondavel::test
