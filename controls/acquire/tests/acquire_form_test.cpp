// The auto-acquire control placed on a class-library form through
// TOleControl, as the scanning program hosts it: created by ProgID from the
// test's registry, sized 28 by 28 on the form, every property put by DISPID
// with the program's automation types, a refused value raised as
// EOleException, and a photo-disc run whose FileSaveNotify events reach the
// host's handler inside the AcquireImages call.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "acquire_host.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/forms.h"
#include "plat/forms/olectrls.h"
#include "plat/forms/runtime.h"

namespace mirrask::test {
namespace {

namespace fs = std::filesystem;
using namespace plat;

class AcquireOnAForm : public AcquireTest {
 protected:
  static void SetUpTestSuite() {
    pack_ = MakePhotoDiscPack("form-pcd-fixtures");
    ASSERT_FALSE(pack_.empty());
  }
  void SetUp() override {
    AcquireTest::SetUp();
    forms::Init();
    form_ = new TForm(Application);
    form_->SetName("MainForm1");
    form_->SetBounds(100, 100, 514, 246);
    acquire_ = new TOleControl(form_, kImageAcquireProgId);
    acquire_->SetName("ImageAcquire1");
    acquire_->SetParent(form_);
    acquire_->SetLeft(480);
    acquire_->SetTop(8);
    form_->Show();
  }
  void TearDown() override {
    delete form_;
    forms::Shutdown();
    AcquireTest::TearDown();
  }
  // A photo-disc run of `count` pages saved as page01.bmp, page02.bmp, ...
  void UseDisc(int count) {
    const std::string disc = WorkPath("disc");
    FillDisc(pack_, disc, count);
    acquire_->SetIntegerProp(kDispInputSource, qrvSrcPhotoCD);
    acquire_->SetStringProp(kDispPcdPath, disc);
    acquire_->SetIntegerProp(kDispPcdDataSize, qrvPcdResBaseOver64);
    acquire_->SetStringProp(kDispSaveDataPath, SaveFolder());
    acquire_->SetStringProp(kDispFileNameFormat, "page<number:2>.<ext>");
    acquire_->SetIntegerProp(kDispMediaFormat, qrvFileBMP);
    acquire_->SetIntegerProp(kDispCompression, 1);
  }

  static std::string pack_;
  TForm* form_ = nullptr;
  TOleControl* acquire_ = nullptr;
};
std::string AcquireOnAForm::pack_;

TEST_F(AcquireOnAForm, SitsOnTheFormAtItsOwnSize) {
  HWND window = acquire_->Handle();
  EXPECT_EQ(GetParent(window), form_->Handle());
  EXPECT_EQ(FindControl(window), acquire_);
  EXPECT_EQ(acquire_->Width(), 28);
  EXPECT_EQ(acquire_->Height(), 28);
  RECT rect;
  GetWindowRect(window, &rect);
  MapWindowPoints(nullptr, form_->Handle(), reinterpret_cast<POINT*>(&rect), 2);
  EXPECT_EQ(rect.left, 480);
  EXPECT_EQ(rect.top, 8);
  EXPECT_EQ(rect.right - rect.left, 28);
}

TEST_F(AcquireOnAForm, PropertiesTakeTheProgramsTypesAndARefusalIsAnEOleException) {
  // The scan's settings, each with the type the program sends.
  acquire_->SetWordBoolProp(kDispShowUI, false);
  acquire_->SetWordBoolProp(kDispTwainAutoFeeder, true);
  acquire_->SetSmallintProp(kDispTwainResolution, 300);
  acquire_->SetIntegerProp(kDispTwainPaperSize, 4);
  acquire_->SetStringProp(kDispSaveDataPath, SaveFolder());
  acquire_->SetStringProp(kDispFileNameFormat, "ScanImage<number:4>.<ext>");
  acquire_->SetIntegerProp(kDispInitialNumber, 7);
  acquire_->SetIntegerProp(kDispMediaFormat, 102);
  acquire_->SetIntegerProp(kDispCompression, 206);
  acquire_->SetSmallintProp(kDispQuality, 4);
  acquire_->SetIntegerProp(kDispColorDepth, 1);
  acquire_->SetSmallintProp(kDispXResolution, 200);
  acquire_->SetSmallintProp(kDispYResolution, 200);
  acquire_->SetIntegerProp(kDispRotation, 2);
  EXPECT_TRUE(acquire_->GetWordBoolProp(kDispTwainAutoFeeder));
  EXPECT_EQ(acquire_->GetSmallintProp(kDispTwainResolution), 300);
  EXPECT_EQ(acquire_->GetStringProp(kDispFileNameFormat), "ScanImage<number:4>.<ext>");
  EXPECT_EQ(acquire_->GetIntegerProp(kDispInitialNumber), 7);
  EXPECT_EQ(acquire_->GetIntegerProp(kDispCompression), 206);
  EXPECT_EQ(acquire_->GetSmallintProp(kDispXResolution), 200);
  EXPECT_EQ(acquire_->GetIntegerProp(kDispRotation), 2);

  // A quality of 0 is refused and the old value stays.
  try {
    acquire_->SetSmallintProp(kDispQuality, 0);
    ADD_FAILURE() << "no exception";
  } catch (const EOleException& e) {
    EXPECT_EQ(static_cast<uint32_t>(e.ErrorCode()), 0x800A017Cu);
    EXPECT_EQ(e.Source(), kImageAcquireProgId);
  }
  EXPECT_EQ(acquire_->GetSmallintProp(kDispQuality), 4);
}

TEST_F(AcquireOnAForm, FileSaveNotifyReachesTheHandlerInsideAcquireImages) {
  UseDisc(2);
  struct Saved {
    int32_t data_no;
    std::string file_name;
    bool success;
    std::vector<std::string> files_then;
  };
  std::vector<Saved> saved;
  bool is_inside_call = false;
  acquire_->OnEvent = [&](TObject* sender, DISPID id, std::span<Variant> args) {
    EXPECT_EQ(sender, acquire_);
    EXPECT_TRUE(is_inside_call);
    if (id != kEventFileSaveNotify) return;
    ASSERT_EQ(args.size(), 3u);
    ASSERT_EQ(args[2].vt(), VT_BOOL);
    saved.push_back(Saved{args[0].lVal(), args[1].bstrVal(), args[2].boolVal() == VARIANT_TRUE, SavedFiles()});
  };
  is_inside_call = true;
  const Variant result = acquire_->InvokeMethod(kDispAcquireImages, {});
  is_inside_call = false;
  EXPECT_EQ(result, Variant::Bool(true));
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].data_no, 1);
  EXPECT_TRUE(saved[0].success);
  EXPECT_EQ(fs::path(saved[0].file_name).filename(), "page01.bmp");
  EXPECT_EQ(saved[0].files_then, std::vector<std::string>{"page01.bmp"}) << "the event follows the write";
  EXPECT_EQ(saved[1].data_no, 2);
  EXPECT_EQ(SavedFiles(), (std::vector<std::string>{"page01.bmp", "page02.bmp"}));
}

TEST_F(AcquireOnAForm, AHandlerThatFreesTheFormDuringTheRunEndsItSafely) {
  UseDisc(3);
  int events = 0;
  acquire_->OnEvent = [&](TObject*, DISPID id, std::span<Variant>) {
    if (id != kEventFileSaveNotify) return;
    ++events;
    delete form_;
    form_ = nullptr;
  };
  acquire_->InvokeMethod(kDispAcquireImages, {});
  EXPECT_EQ(events, 1) << "no event reaches a freed host";
  EXPECT_EQ(COleControl::LiveCount(), 0) << "the control went once the call returned";
}

}  // namespace
}  // namespace mirrask::test
