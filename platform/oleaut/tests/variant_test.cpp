#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "plat/oleaut/variant.h"

namespace plat {
namespace {

struct Coercion {
  const char* name;
  Variant in;
  VARTYPE to;
  HRESULT expected_hr;
  Variant expected;
};

TEST(VariantChangeType, CoercionTable) {
  const Coercion cases[] = {
      {"I4 70000 to I2 overflows", Variant(int32_t{70000}), VT_I2, DISP_E_OVERFLOW, {}},
      {"I4 -32768 fits I2", Variant(int32_t{-32768}), VT_I2, S_OK, Variant(int16_t{-32768})},
      {"I4 -32769 overflows I2", Variant(int32_t{-32769}), VT_I2, DISP_E_OVERFLOW, {}},
      {"blank then letter is a mismatch", Variant(" x"), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"blanks around digits are fine", Variant(" 42 "), VT_I4, S_OK, Variant(int32_t{42})},
      {"empty text is a mismatch", Variant(""), VT_I2, DISP_E_TYPEMISMATCH, {}},
      {"text beyond I4 overflows", Variant("3000000000"), VT_I4, DISP_E_OVERFLOW, {}},
      {"text with a fraction rounds", Variant("2.5"), VT_I2, S_OK, Variant(int16_t{2})},
      {"R8 2.5 rounds to even 2", Variant(2.5), VT_I4, S_OK, Variant(int32_t{2})},
      {"R8 3.5 rounds to even 4", Variant(3.5), VT_I4, S_OK, Variant(int32_t{4})},
      {"R8 -2.5 rounds to even -2", Variant(-2.5), VT_I2, S_OK, Variant(int16_t{-2})},
      {"R4 1e10 overflows I4", Variant(1e10f), VT_I4, DISP_E_OVERFLOW, {}},
      {"NaN overflows I4", Variant(std::numeric_limits<double>::quiet_NaN()), VT_I4, DISP_E_OVERFLOW, {}},
      {"R8 1e300 overflows R4", Variant(1e300), VT_R4, DISP_E_OVERFLOW, {}},
      {"TRUE to I2 is -1", Variant::Bool(true), VT_I2, S_OK, Variant(int16_t{-1})},
      {"FALSE to I4 is 0", Variant::Bool(false), VT_I4, S_OK, Variant(int32_t{0})},
      {"5 to BOOL is TRUE", Variant(int32_t{5}), VT_BOOL, S_OK, Variant::Bool(true)},
      {"text True to BOOL", Variant("true"), VT_BOOL, S_OK, Variant::Bool(true)},
      {"text 0 to BOOL", Variant("0"), VT_BOOL, S_OK, Variant::Bool(false)},
      {"BOOL to text", Variant::Bool(true), VT_BSTR, S_OK, Variant("True")},
      {"I4 to text", Variant(int32_t{-17}), VT_BSTR, S_OK, Variant("-17")},
      {"R8 to text in the C locale", Variant(0.25), VT_BSTR, S_OK, Variant("0.25")},
      {"text to R8 in the C locale", Variant("1.5e3"), VT_R8, S_OK, Variant(1500.0)},
      {"comma decimal is a mismatch", Variant("1,5"), VT_R8, DISP_E_TYPEMISMATCH, {}},
      {"EMPTY to I2 is 0", Variant(), VT_I2, S_OK, Variant(int16_t{0})},
      {"EMPTY to text is empty", Variant(), VT_BSTR, S_OK, Variant("")},
      {"NULL to I4 is a mismatch", Variant::Null(), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"UI1 range", Variant(int32_t{256}), VT_UI1, DISP_E_OVERFLOW, {}},
      {"negative to UI1", Variant(int16_t{-1}), VT_UI1, DISP_E_OVERFLOW, {}},
      {"ERROR to I4 is a mismatch", Variant::Error(E_FAIL), VT_I4, DISP_E_TYPEMISMATCH, {}},
      {"by-reference target type", Variant(int32_t{1}), VT_I4 | VT_BYREF, DISP_E_BADVARTYPE, {}},
      {"double sign is a mismatch", Variant("--1"), VT_I4, DISP_E_TYPEMISMATCH, {}},
  };
  for (const Coercion& c : cases) {
    SCOPED_TRACE(c.name);
    Variant out(int32_t{12345});
    EXPECT_EQ(VariantChangeType(out, c.in, c.to), c.expected_hr);
    if (c.expected_hr == S_OK) {
      EXPECT_EQ(out, c.expected);
    } else {
      EXPECT_EQ(out, Variant(int32_t{12345})) << "a failed conversion leaves the target alone";
    }
  }
}

TEST(VariantChangeType, ReadsThroughReferencesAndConvertsInPlace) {
  int16_t shared = 300;
  Variant ref = Variant::ByRef(&shared);
  Variant out;
  ASSERT_EQ(VariantChangeType(out, ref, VT_BSTR), S_OK);
  EXPECT_EQ(out.bstrVal(), "300");

  Variant v("77");
  ASSERT_EQ(VariantChangeType(v, v, VT_I2), S_OK);
  EXPECT_EQ(v, Variant(int16_t{77}));
}

}  // namespace
}  // namespace plat
