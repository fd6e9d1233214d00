// The in-process fixture of the edit control; see in_process_edit_test.h.
#include "in_process_edit_test.h"

#include <utility>

namespace ondavel::test {

using namespace plat;

void InProcessEditTest::SetUp() {
  GuiTest::SetUp();
  control_ = MakeCom<CQRVNImgEditCtrl>();
  ASSERT_TRUE(control_->binding().IsBound());
  host_.Attach(ComPtr<IDispatch>(control_.get()));
}

void InProcessEditTest::TearDown() {
  host_.Attach(nullptr);
  control_ = nullptr;
  plat::test::SetReportedDepth(32);
  GuiTest::TearDown();
}

int32_t InProcessEditTest::Get(DISPID id) {
  const Variant value = host_.Get(id);
  EXPECT_EQ(host_.last_hr(), S_OK);
  Variant as_long;
  EXPECT_EQ(VariantChangeType(as_long, value, VT_I4), S_OK);
  return as_long.lVal();
}

void InProcessEditTest::Put(DISPID id, Variant value) { EXPECT_EQ(host_.Put(id, std::move(value)), S_OK); }

bool InProcessEditTest::Call(DISPID id, std::vector<Variant> args) {
  const Variant result = host_.Invoke(id, std::move(args));
  EXPECT_EQ(host_.last_hr(), S_OK);
  return result.boolVal() != 0;
}

bool InProcessEditTest::SetDIB(HGLOBAL dib) {
  return Call(kDispSetDIB, {Variant(static_cast<int32_t>(dib)), Variant::Bool(true)});
}

}  // namespace ondavel::test
