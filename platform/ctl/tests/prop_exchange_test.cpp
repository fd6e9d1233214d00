#include <gtest/gtest.h>

#include "test_control.h"

namespace plat {
namespace {

using testctl::CTestCtl;

ComPtr<CTestCtl> NewControl() {
  ComPtr<IUnknown> unknown;
  EXPECT_EQ(CreateControl<CTestCtl>(IID_IUnknown, unknown.put_void()), S_OK);
  ComPtr<IPersistPropertyBag> persist = unknown.As<IPersistPropertyBag>();
  return ComPtr<CTestCtl>(static_cast<CTestCtl*>(persist.get()));
}

TEST(PropExchange, VersionTwoBagKeepsTheGatedField) {
  ComPtr<CTestCtl> writer = NewControl();
  writer->x_resolution_ = 300;
  writer->quality_ = 9;
  writer->caption_ = "scan";
  writer->SetModifiedFlag();
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  ASSERT_EQ(writer->Save(bag.get(), TRUE, TRUE), S_OK);
  EXPECT_FALSE(writer->IsModified());
  ASSERT_NE(bag->Find("_Version"), nullptr);
  EXPECT_EQ(*bag->Find("_Version"), Variant(int32_t{0x00020000}));
  EXPECT_EQ(*bag->Find("XResolution"), Variant(int16_t{300}));

  ComPtr<CTestCtl> reader = NewControl();
  ASSERT_EQ(reader->Load(bag.get()), S_OK);
  EXPECT_EQ(reader->x_resolution_, 300);
  EXPECT_EQ(reader->quality_, 9);
  EXPECT_EQ(reader->caption_, "scan");
  EXPECT_FALSE(reader->IsModified());
}

TEST(PropExchange, OlderBagsAndWrongValuesGiveDefaults) {
  struct Row {
    const char* name;
    const char* property;
    Variant stored;
  };
  const Row rows[] = {
      {"1.x bag drops the gated field", "_Version", Variant(int32_t{0x00010005})},
      {"text for a short", "Quality", Variant("many")},
      {"short out of I2", "Quality", Variant(int32_t{70000})},
      {"short outside the allowed set", "Quality", Variant(int16_t{42})},
      {"text for a BOOL", "AutoSize", Variant("maybe")},
      {"float beyond R4", "Scale", Variant(1e300)},
      {"text for a colour", "FillColor", Variant("blue")},
      {"object for a string", "Caption", Variant(PropertyBag::Create().get())},
      {"NULL for a short", "XResolution", Variant::Null()},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ComPtr<CTestCtl> writer = NewControl();
    writer->x_resolution_ = 300;
    writer->quality_ = 9;
    writer->auto_size_ = FALSE;
    writer->scale_ = 2.0f;
    writer->fill_color_ = 0x123456;
    writer->caption_ = "kept";
    ComPtr<PropertyBag> bag = PropertyBag::Create();
    ASSERT_EQ(writer->Save(bag.get(), TRUE, TRUE), S_OK);
    ASSERT_EQ(bag->Write(row.property, row.stored), S_OK);

    ComPtr<CTestCtl> reader = NewControl();
    reader->quality_ = 5;  // not the default: a refused value must not stay either
    ASSERT_EQ(reader->Load(bag.get()), S_OK);
    const std::string p = row.property;
    EXPECT_EQ(reader->x_resolution_, (p == "_Version" || p == "XResolution") ? 0 : 300);
    EXPECT_EQ(reader->quality_, p == "Quality" ? 2 : 9);
    EXPECT_EQ(reader->auto_size_, p == "AutoSize" ? TRUE : FALSE);
    EXPECT_EQ(reader->scale_, p == "Scale" ? 1.0f : 2.0f);
    EXPECT_EQ(reader->fill_color_, p == "FillColor" ? 0xFFFFFFu : 0x123456u);
    EXPECT_EQ(reader->caption_, p == "Caption" ? "" : "kept");
  }
}

TEST(PropExchange, ResetStateGivesEveryDefault) {
  ComPtr<CTestCtl> control = NewControl();
  control->caption_ = "x";
  control->auto_size_ = FALSE;
  control->fill_color_ = 1;
  control->quality_ = 9;
  control->scale_ = 3;
  control->x_resolution_ = 72;
  control->SetBackColor(0x0000FF);
  ASSERT_EQ(control->InitNew(), S_OK);
  EXPECT_EQ(control->caption_, "");
  EXPECT_EQ(control->auto_size_, TRUE);
  EXPECT_EQ(control->fill_color_, 0xFFFFFFu);
  EXPECT_EQ(control->quality_, 2);
  EXPECT_EQ(control->scale_, 1.0f);
  EXPECT_EQ(control->x_resolution_, 0);
  EXPECT_EQ(control->GetBackColor(), 0x80000005u) << "the window colour without an ambient";
  EXPECT_FALSE(control->IsModified());
}

TEST(PropExchange, SavingOnlyChangedValuesLeavesDefaultsOut) {
  ComPtr<CTestCtl> control = NewControl();
  ASSERT_EQ(control->InitNew(), S_OK);
  control->quality_ = 4;
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  ASSERT_EQ(control->Save(bag.get(), FALSE, FALSE), S_OK);
  std::vector<std::string> names;
  for (const auto& [name, value] : bag->entries()) names.push_back(name);
  EXPECT_EQ(names, (std::vector<std::string>{"_Version", "Quality"}));
}

TEST(PropExchange, UnsignedValuesKeepTheirRange) {
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  bag->Write("Big", Variant(int32_t{65535}));
  bag->Write("TooBig", Variant(int32_t{65536}));
  bag->Write("Negative", Variant(int32_t{-1}));
  bag->Write("Bits", Variant(static_cast<int32_t>(0x80000005)));
  CPropbagPropExchange px(bag.get(), TRUE);
  USHORT u = 0;
  PX_UShort(&px, "Big", u, 7);
  EXPECT_EQ(u, 65535);
  PX_UShort(&px, "TooBig", u, 7);
  EXPECT_EQ(u, 7);
  PX_UShort(&px, "Negative", u, 8);
  EXPECT_EQ(u, 8);
  ULONG bits = 0;
  PX_ULong(&px, "Bits", bits, 0);
  EXPECT_EQ(bits, 0x80000005u);
  double d = 5;
  EXPECT_FALSE(PX_Double(&px, "Missing", d));
  EXPECT_EQ(d, 5) << "without a default a missing value keeps the variable";

  ComPtr<PropertyBag> out = PropertyBag::Create();
  CPropbagPropExchange save(out.get(), FALSE);
  ULONG colour = 0x80000005;
  PX_ULong(&save, "Bits", colour, 0);
  CPropbagPropExchange load(out.get(), TRUE);
  ULONG back = 0;
  PX_ULong(&load, "Bits", back, 0);
  EXPECT_EQ(back, 0x80000005u);
}

}  // namespace
}  // namespace plat
