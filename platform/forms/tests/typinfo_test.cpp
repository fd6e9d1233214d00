#include "plat/forms/typinfo.h"

#include <gtest/gtest.h>

#include "plat/forms/component.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/runtime.h"

namespace {

using namespace plat;

class Base : public TComponent {
 public:
  using TComponent::TComponent;
  int width = 16;
  std::string caption;
};

enum class Style { kFlat, kRaised, kSunken };
using Styles = TSet<Style>;

class Derived : public Base {
 public:
  using Base::Base;
  double Strength() const { return strength_; }
  void SetStrength(double value) { strength_ = value; }
  Style GetStyle() const { return style_; }
  void SetStyle(Style value) { style_ = value; }
  Styles Sides() const { return sides_; }
  void SetSides(const Styles& value) { sides_ = value; }
  int Kind() const { return 2; }

 private:
  double strength_ = 0.5;
  Style style_ = Style::kRaised;
  Styles sides_;
};

class Leaf : public Derived {  // adds no properties of its own
 public:
  using Derived::Derived;
};

class RuntimeTest : public ::testing::Test {
 protected:
  void SetUp() override { forms::Init(); }
  void TearDown() override { forms::Shutdown(); }
};

void RegisterTables() {
  RegisterPublishedProperties<Base, TComponent>({
      {"Width", tkInteger, [](const TObject& o) -> TPropValue { return int64_t{static_cast<const Base&>(o).width}; },
       [](TObject& o, const TPropValue& v) { static_cast<Base&>(o).width = static_cast<int>(std::get<int64_t>(v)); },
       16, {}},
      {"Caption", tkString, [](const TObject& o) -> TPropValue { return static_cast<const Base&>(o).caption; },
       [](TObject& o, const TPropValue& v) { static_cast<Base&>(o).caption = std::get<std::string>(v); }, {},
       [](const TObject& o) { return !static_cast<const Base&>(o).caption.empty(); }},
  });
  RegisterPublishedProperties<Derived, Base>({
      MakeProp("Strength", &Derived::Strength, &Derived::SetStrength),
      MakeProp("Style", &Derived::GetStyle, &Derived::SetStyle, 1),
      MakeProp("Sides", &Derived::Sides, &Derived::SetSides),
      MakeProp("Kind", &Derived::Kind, nullptr),
  });
}

TEST_F(RuntimeTest, PropertyListsComeAncestorsFirstAndReachUnregisteredDescendants) {
  RegisterTables();
  Leaf leaf(nullptr);
  std::vector<std::string> names;
  for (const TPropInfo* p : GetPropList(leaf)) names.push_back(p->name);
  EXPECT_EQ(names, (std::vector<std::string>{"Width", "Caption", "Strength", "Style", "Sides", "Kind"}));
  Base base(nullptr);
  EXPECT_EQ(GetPropList(base).size(), 2u);

  SetOrdProp(leaf, "width", 32);
  EXPECT_EQ(leaf.width, 32);
  EXPECT_EQ(GetPropInfo(leaf, "WIDTH")->default_value, 16);
  EXPECT_FALSE(GetPropInfo(leaf, "Caption")->IsStored(leaf));
  SetStrProp(leaf, "Caption", "Go");
  EXPECT_TRUE(GetPropInfo(leaf, "Caption")->IsStored(leaf));
  SetFloatProp(leaf, "Strength", 0.25);
  EXPECT_EQ(leaf.Strength(), 0.25);
  EXPECT_EQ(GetPropInfo(leaf, "Style")->kind, tkEnumeration);
  EXPECT_EQ(GetOrdProp(leaf, "Style"), GetPropInfo(leaf, "Style")->default_value);
  SetOrdProp(leaf, "Style", 2);
  EXPECT_EQ(leaf.GetStyle(), Style::kSunken);
  SetOrdProp(leaf, "Sides", 0b101);
  EXPECT_EQ(leaf.Sides(), (Styles{Style::kFlat, Style::kSunken}));
  EXPECT_EQ(GetPropInfo(leaf, "Sides")->kind, tkSet);
  EXPECT_EQ(GetOrdProp(leaf, "Kind"), 2);
  EXPECT_THROW(SetOrdProp(leaf, "Kind", 1), EPropertyError);    // read-only
  EXPECT_THROW(SetStrProp(leaf, "Width", "x"), EPropertyError);  // wrong kind of value
  EXPECT_THROW(GetOrdProp(leaf, "Caption"), EPropertyError);
  EXPECT_THROW(GetOrdProp(leaf, "Missing"), EPropertyError);
}

TEST_F(RuntimeTest, ClassRegistryFindsFactoriesByName) {
  RegisterClass<Derived>();
  RegisterClass<Derived>();  // again with the same class: harmless
  EXPECT_THROW(RegisterClassFactory("Derived", typeid(Base), nullptr), EFilerError);
  TComponent owner(nullptr);
  TComponent* made = FindClass("derived")(&owner);
  EXPECT_NE(dynamic_cast<Derived*>(made), nullptr);
  EXPECT_EQ(made->Owner(), &owner);
  EXPECT_THROW(FindClass("Nothing"), EClassNotFound);
  UnRegisterClass("Derived");
  EXPECT_EQ(GetClass("Derived"), nullptr);
}

TEST(RuntimeLifeTest, StateExistsOnlyBetweenInitAndTheOutermostShutdown) {
  EXPECT_FALSE(forms::IsRunning());
  EXPECT_THROW(RegisterClass<Base>(), EInvalidOperation);
  forms::Init();
  forms::Init();
  RegisterClass<Base>();
  forms::Shutdown();
  EXPECT_NE(GetClass("Base"), nullptr);  // still running: one Init is open
  forms::Shutdown();
  EXPECT_FALSE(forms::IsRunning());
  forms::Init();
  EXPECT_EQ(GetClass("Base"), nullptr);  // a new start begins empty
  forms::Shutdown();
}

}  // namespace
