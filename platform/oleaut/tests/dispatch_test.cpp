#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "plat/oleaut/dispatch.h"

namespace plat {
namespace {

constexpr IID kSampleIid{0x1A2B3C4D, 0x0001, 0x0002, {1, 2, 3, 4, 5, 6, 7, 8}};

// A small automation object with one row of every kind.
class Sample : public DispatchObject<Sample> {
 public:
  static constexpr const char* kSourceName = "Plat.Sample.1";
  static const DispatchMap<Sample>& GetDispatchMap() {
    static const DispatchMap<Sample> map{
        "_DSample",
        kSampleIid,
        {
            Member(1, "Caption", VT_BSTR, &Sample::caption_, &Sample::OnCaptionChanged),
            Member(2, "Flag", VT_BOOL, &Sample::flag_),
            Property(3, "Level", VT_I2, &Sample::GetLevel, &Sample::SetLevel),
            Property(4, "Count", VT_I4, &Sample::GetCount, nullptr),
            IndexedGet(5, "Item", VT_BSTR, VT_I2, &Sample::GetItem),
            Method(6, "Add", VT_I4, {VT_I4, VT_I2}, &Sample::Add),
            Method(7, "Swap", VT_BOOL, {VT_I2 | VT_BYREF, VT_BSTR | VT_BYREF}, &Sample::Swap),
            Method(8, "Fail", VT_EMPTY, {}, &Sample::Fail),
            Member(9, "Colour", VT_I4, &Sample::colour_),
        }};
    return map;
  }

  std::string caption_ = "start";
  BOOL flag_ = FALSE;
  OLE_COLOR colour_ = 0x80000005;
  int caption_changes_ = 0;

 private:
  void OnCaptionChanged() { ++caption_changes_; }
  int16_t GetLevel() const { return level_; }
  void SetLevel(int16_t level) {
    if (level < 1 || level > 10) throw ControlError(CTL_E_INVALIDPROPERTYVALUE);
    level_ = level;
  }
  int32_t GetCount() const { return 3; }
  std::string GetItem(int16_t index) {
    if (index < 0 || index > 2) throw ControlError(CTL_E_INVALIDPROPERTYARRAYINDEX);
    return "item" + std::to_string(index);
  }
  int32_t Add(int32_t a, int16_t b) { return a + b; }
  BOOL Swap(int16_t* number, std::string* text) {
    *number = static_cast<int16_t>(*number * 2);
    *text += "!";
    return TRUE;
  }
  void Fail() { throw ControlError(CustomControlError(1001), "custom text"); }

  int16_t level_ = 2;
};

struct Call {
  const char* name;
  DISPID id;
  InvokeKind kind;
  std::vector<Variant> args;
  HRESULT expected_hr;
  Variant expected_result;
  SCODE expected_scode;  // when DISP_E_EXCEPTION
  UINT expected_arg_err;  // when a coercion failed
};

TEST(DispatchMap, InvokeTable) {
  const auto get = InvokeKind::kPropertyGet;
  const auto put = InvokeKind::kPropertyPut;
  const auto method = InvokeKind::kMethod;
  const Call calls[] = {
      {"get member", 1, get, {}, S_OK, Variant("start"), 0, 0},
      {"get BOOL member as VT_BOOL", 2, get, {}, S_OK, Variant::Bool(false), 0, 0},
      {"get property", 3, get, {}, S_OK, Variant(int16_t{2}), 0, 0},
      {"put coerces I4 to I2", 3, put, {Variant(int32_t{7})}, S_OK, {}, 0, 0},
      {"put out of range raises 380", 3, put, {Variant(int32_t{11})}, DISP_E_EXCEPTION, {}, CTL_E_INVALIDPROPERTYVALUE, 0},
      {"put overflowing I2", 3, put, {Variant(int32_t{70000})}, DISP_E_OVERFLOW, {}, 0, 0},
      {"put unparsable text", 3, put, {Variant("x")}, DISP_E_TYPEMISMATCH, {}, 0, 0},
      {"put without value", 3, put, {}, DISP_E_BADPARAMCOUNT, {}, 0, 0},
      {"put read-only", 4, put, {Variant(int32_t{1})}, DISP_E_EXCEPTION, {}, CTL_E_SETNOTSUPPORTED, 0},
      {"get with arguments", 4, get, {Variant(int32_t{1})}, DISP_E_BADPARAMCOUNT, {}, 0, 0},
      {"indexed get", 5, get, {Variant("1")}, S_OK, Variant("item1"), 0, 0},
      {"indexed get out of range", 5, get, {Variant(int16_t{9})}, DISP_E_EXCEPTION, {}, CTL_E_INVALIDPROPERTYARRAYINDEX, 0},
      {"indexed get without index", 5, get, {}, DISP_E_BADPARAMCOUNT, {}, 0, 0},
      {"method in natural order", 6, method, {Variant(int32_t{40}), Variant(int16_t{2})}, S_OK, Variant(int32_t{42}), 0, 0},
      {"method called as get", 6, method | get, {Variant(int32_t{1}), Variant(int16_t{1})}, S_OK, Variant(int32_t{2}), 0, 0},
      {"method second argument mismatched", 6, method, {Variant(int32_t{1}), Variant("y")}, DISP_E_TYPEMISMATCH, {}, 0, 1},
      {"method second argument overflows", 6, method, {Variant(int32_t{1}), Variant(int32_t{40000})}, DISP_E_OVERFLOW, {}, 0, 1},
      {"method with too few", 6, method, {Variant(int32_t{1})}, DISP_E_BADPARAMCOUNT, {}, 0, 0},
      {"by-reference wants a reference", 7, method, {Variant(int16_t{1}), Variant("a")}, DISP_E_TYPEMISMATCH, {}, 0, 0},
      {"error with own text", 8, method, {}, DISP_E_EXCEPTION, {}, CustomControlError(1001), 0},
      {"unknown id", 99, get, {}, DISP_E_MEMBERNOTFOUND, {}, 0, 0},
      {"method invoked as put", 8, put, {Variant(int32_t{1})}, DISP_E_MEMBERNOTFOUND, {}, 0, 0},
      {"OLE_COLOR keeps its bits", 9, get, {}, S_OK, Variant(static_cast<int32_t>(0x80000005)), 0, 0},
  };
  for (const Call& c : calls) {
    SCOPED_TRACE(c.name);
    ComPtr<Sample> sample = MakeCom<Sample>();
    std::vector<Variant> args = c.args;
    Variant result;
    EXCEPINFO excep;
    UINT arg_err = 77;
    EXPECT_EQ(sample->Invoke(c.id, c.kind, args, &result, &excep, &arg_err), c.expected_hr);
    if (c.expected_hr == S_OK) {
      EXPECT_EQ(result, c.expected_result);
    }
    if (c.expected_hr == DISP_E_EXCEPTION) {
      EXPECT_EQ(excep.scode, c.expected_scode);
      EXPECT_EQ(excep.bstrSource, "Plat.Sample.1");
      EXPECT_FALSE(excep.bstrDescription.empty());
    }
    if (c.expected_hr == DISP_E_TYPEMISMATCH || c.expected_hr == DISP_E_OVERFLOW) {
      EXPECT_EQ(arg_err, c.expected_arg_err);
    }
  }
}

TEST(DispatchMap, RefusedPutKeepsOldValueAndNotifiesOncePerPut) {
  ComPtr<Sample> sample = MakeCom<Sample>();
  EXCEPINFO excep;
  UINT arg_err = 0;
  std::vector<Variant> bad{Variant(int16_t{0})};
  ASSERT_EQ(sample->Invoke(3, InvokeKind::kPropertyPut, bad, nullptr, &excep, &arg_err), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, static_cast<SCODE>(0x800A017C));
  EXPECT_EQ(excep.bstrDescription, "Invalid property value");
  Variant level;
  ASSERT_EQ(sample->Invoke(3, InvokeKind::kPropertyGet, {}, &level, &excep, &arg_err), S_OK);
  EXPECT_EQ(level, Variant(int16_t{2}));

  for (const char* text : {"a", "a", "b"}) {
    std::vector<Variant> value{Variant(text)};
    ASSERT_EQ(sample->Invoke(1, InvokeKind::kPropertyPut, value, nullptr, &excep, &arg_err), S_OK);
  }
  std::vector<Variant> wrong{Variant(sample.get())};
  EXPECT_EQ(sample->Invoke(1, InvokeKind::kPropertyPut, wrong, nullptr, &excep, &arg_err), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(sample->caption_, "b");
  EXPECT_EQ(sample->caption_changes_, 3);
}

TEST(DispatchMap, ByReferenceArgumentsWriteBack) {
  ComPtr<Sample> sample = MakeCom<Sample>();
  int16_t number = 21;
  std::string text = "hi";
  std::vector<Variant> args{Variant::ByRef(&number), Variant::ByRef(&text)};
  Variant result;
  ASSERT_EQ(sample->Invoke(7, InvokeKind::kMethod, args, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(result, Variant::Bool(true));
  EXPECT_EQ(number, 42);
  EXPECT_EQ(text, "hi!");
}

TEST(DispatchMap, NamesAndTypeInformationComeFromTheSameTable) {
  ComPtr<Sample> sample = MakeCom<Sample>();
  DISPID id = 0;
  EXPECT_EQ(sample->GetIDsOfNames("lEvEl", &id), S_OK);
  EXPECT_EQ(id, 3);
  EXPECT_EQ(sample->GetIDsOfNames("Levels", &id), DISP_E_UNKNOWNNAME);
  const InterfaceInfo* info = sample->GetTypeInfo();
  ASSERT_NE(info, nullptr);
  EXPECT_EQ(info->name, "_DSample");
  EXPECT_EQ(info->iid, kSampleIid);
  const MemberInfo* swap = info->Find(7);
  ASSERT_NE(swap, nullptr);
  EXPECT_EQ(swap->name, "Swap");
  ASSERT_EQ(swap->params.size(), 2u);
  EXPECT_EQ(swap->params[1].vt, VT_BSTR | VT_BYREF);
  EXPECT_TRUE(info->Find(4)->is_read_only);
  EXPECT_FALSE(info->Find(3)->is_read_only);
}

}  // namespace
}  // namespace plat
