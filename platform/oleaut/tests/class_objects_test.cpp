#include <gtest/gtest.h>

#include "plat/oleaut/com.h"
#include "plat/oleaut/dispatch.h"
#include "plat/oleaut/property_bag.h"
#include "plat/registry.h"
#include "plat/testing/fixture.h"

namespace plat {
namespace {

constexpr CLSID kBagClsid{0xC1A55001, 0x0001, 0x0002, {1, 1, 1, 1, 1, 1, 1, 1}};

// A factory that makes property bags: any counted class serves.
class BagFactory : public ComObject<IClassFactory> {
 public:
  HRESULT CreateInstance(IUnknown* outer, const IID& iid, void** out) override {
    if (outer) return CLASS_E_NOAGGREGATION;
    ComPtr<PropertyBag> bag = PropertyBag::Create();
    return bag->QueryInterface(iid, out);
  }
  HRESULT LockServer(BOOL) override { return S_OK; }
};

// Each test has its own empty registry.
using ClassObjects = test::PlatformTest;

TEST_F(ClassObjects, RegisteredInCodeThenRevoked) {
  ComPtr<BagFactory> factory = MakeCom<BagFactory>();
  DWORD cookie = 0;
  ASSERT_EQ(CoRegisterClassObject(kBagClsid, factory.get(), CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE, &cookie), S_OK);

  ComPtr<IPropertyBag> bag;
  ASSERT_EQ(CoCreateInstance(kBagClsid, nullptr, CLSCTX_ALL, IPropertyBag::kIid, bag.put_void()), S_OK);
  ASSERT_TRUE(bag);
  ComPtr<IDispatch> not_there;
  EXPECT_EQ(CoCreateInstance(kBagClsid, nullptr, CLSCTX_ALL, IID_IDispatch, not_there.put_void()), E_NOINTERFACE);
  EXPECT_FALSE(not_there);
  ComPtr<IUnknown> aggregated;
  EXPECT_EQ(CoCreateInstance(kBagClsid, bag.get(), CLSCTX_ALL, IID_IUnknown, aggregated.put_void()),
            CLASS_E_NOAGGREGATION);

  ASSERT_EQ(CoRevokeClassObject(cookie), S_OK);
  EXPECT_EQ(CoRevokeClassObject(cookie), E_INVALIDARG);
  ComPtr<IUnknown> gone;
  EXPECT_EQ(CoCreateInstance(kBagClsid, nullptr, CLSCTX_ALL, IID_IUnknown, gone.put_void()), REGDB_E_CLASSNOTREG);
}

TEST_F(ClassObjects, ProgIdsComeFromTheRegistry) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, "Plat.Bag.1\\CLSID", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                           nullptr),
            ERROR_SUCCESS);
  const std::string text = StringFromGUID(kBagClsid);
  ASSERT_EQ(RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)),
            ERROR_SUCCESS);
  RegCloseKey(key);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("plat.bag.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kBagClsid);
  ASSERT_EQ(CLSIDFromString("Plat.Bag.1", &clsid), S_OK);
  EXPECT_EQ(clsid, kBagClsid);
  EXPECT_EQ(CLSIDFromProgID("Plat.Bag.2", &clsid), CO_E_CLASSSTRING);
  EXPECT_EQ(CLSIDFromProgID("", &clsid), CO_E_CLASSSTRING);
  std::string prog_id;
  EXPECT_EQ(ProgIDFromCLSID(kBagClsid, &prog_id), REGDB_E_CLASSNOTREG);
}

TEST(Guid, TextFormRoundTripsAndRefusesDamage) {
  const GUID g{0x0123ABCD, 0x4567, 0x89EF, {0xDE, 0xAD, 0xBE, 0xEF, 0x00, 0x11, 0x22, 0x33}};
  const std::string text = StringFromGUID(g);
  EXPECT_EQ(text, "{0123ABCD-4567-89EF-DEAD-BEEF00112233}");
  GUID back;
  ASSERT_TRUE(GUIDFromString("{0123abcd-4567-89ef-dead-beef00112233}", &back));
  EXPECT_EQ(back, g);
  for (const char* bad : {"", "{0123ABCD-4567-89EF-DEAD-BEEF0011223}", "0123ABCD-4567-89EF-DEAD-BEEF00112233",
                          "{0123ABCD-4567-89EF-DEAD-BEEF0011223G}", "{0123ABCD+4567-89EF-DEAD-BEEF00112233}"}) {
    SCOPED_TRACE(bad);
    GUID out = g;
    EXPECT_FALSE(GUIDFromString(bad, &out));
    EXPECT_EQ(out, g);
  }
}

TEST(PropertyBag, ReadConvertsToTheAskedTypeAndNamesIgnoreCase) {
  ComPtr<PropertyBag> bag = PropertyBag::Create();
  ASSERT_EQ(bag->Write("Zoom", Variant(int32_t{150})), S_OK);
  ASSERT_EQ(bag->Write("ZOOM", Variant(int32_t{70000})), S_OK);
  EXPECT_EQ(bag->entries().size(), 1u);
  EXPECT_EQ(bag->entries()[0].first, "Zoom");
  Variant as_short(int16_t{5});
  EXPECT_EQ(bag->Read("zoom", &as_short), DISP_E_OVERFLOW);
  EXPECT_EQ(as_short, Variant(int16_t{5}));
  Variant any;
  EXPECT_EQ(bag->Read("zoom", &any), S_OK);
  EXPECT_EQ(any, Variant(int32_t{70000}));
  EXPECT_EQ(bag->Read("missing", &any), E_INVALIDARG);
}

}  // namespace
}  // namespace plat
