// The test control module as a host meets it: registered by its own
// DllRegisterServer, created by ProgID through the registry, loaded and
// attached by CoCreateInstance. This program does not link the module.
#include <gtest/gtest.h>

#include <string>

#include "plat/ctl/property_page.h"
#include "plat/modules.h"
#include "plat/oleaut/com.h"
#include "plat/registry.h"
#include "plat/testing/fixture.h"
#include "test_control.h"
#include "test_site.h"
#include "tests/support/test_support.h"

namespace plat {
namespace {

using testing_support::ReadFileText;

constexpr DISPID kQuality = 4;
constexpr DISPID kCount = 6;

class Registration : public test::PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    module_ = LoadLibrary(PLAT_TESTCTL_PATH);
    ASSERT_NE(module_, nullptr);
    ASSERT_NE(GetModuleFileName(module_, module_path_), 0u);
    register_ = reinterpret_cast<DllRegisterServerFunction>(GetProcAddress(module_, "DllRegisterServer"));
    unregister_ = reinterpret_cast<DllRegisterServerFunction>(GetProcAddress(module_, "DllUnregisterServer"));
    ASSERT_TRUE(register_ && unregister_);
  }
  std::string Hive() const { return ReadFileText(RegistryDir() + "/HKCR.reg"); }
  // The hive with the module's absolute path written as @MODULE@.
  std::string HiveWithModuleMarker() const {
    std::string text = Hive();
    for (size_t at = text.find(module_path_); at != std::string::npos; at = text.find(module_path_)) {
      text.replace(at, module_path_.size(), "@MODULE@");
    }
    return text;
  }
  void SetClassesRootText(const char* path, const char* value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyEx(HKEY_CLASSES_ROOT, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueEx(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                            static_cast<DWORD>(std::string(value).size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(key);
  }

  HMODULE module_ = nullptr;
  std::string module_path_;
  DllRegisterServerFunction register_ = nullptr;
  DllRegisterServerFunction unregister_ = nullptr;
};

TEST_F(Registration, WritesTheGoldenKeysAndRestoresTheHive) {
  // Someone else's class is registered already and must come through untouched.
  SetClassesRootText("CLSID\\{0A0B0C0D-0001-0002-0304-050607080910}", "Other Control");
  SetClassesRootText("Other.Ctl.1\\CLSID", "{0A0B0C0D-0001-0002-0304-050607080910}");
  const std::string before = Hive();

  ASSERT_EQ(register_(), S_OK);
  EXPECT_EQ(HiveWithModuleMarker(), ReadFileText(PLAT_TESTCTL_GOLDEN));
  ASSERT_EQ(register_(), S_OK) << "registering twice changes nothing";
  EXPECT_EQ(HiveWithModuleMarker(), ReadFileText(PLAT_TESTCTL_GOLDEN));

  ASSERT_EQ(unregister_(), S_OK);
  EXPECT_EQ(Hive(), before);
}

TEST_F(Registration, CreatedByProgIdThroughTheRegistry) {
  ASSERT_EQ(register_(), S_OK);
  CLSID clsid;
  ASSERT_EQ(CLSIDFromProgID("PlatTest.Ctl.1", &clsid), S_OK);
  std::string prog_id;
  ASSERT_EQ(ProgIDFromCLSID(clsid, &prog_id), S_OK);
  EXPECT_EQ(prog_id, "PlatTest.Ctl.1");

  ComPtr<IDispatch> control;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control.put_void()), S_OK);
  ComPtr<IDispatch> second;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, second.put_void()), S_OK);
  auto starts = reinterpret_cast<int (*)()>(GetProcAddress(module_, "PlatTestModuleStarts"));
  ASSERT_NE(starts, nullptr);
  EXPECT_EQ(starts(), 1) << "attached once, after the framework set its handle";

  Variant args[] = {Variant(int32_t{11})};
  EXCEPINFO excep;
  EXPECT_EQ(control->Invoke(kQuality, InvokeKind::kPropertyPut, args, nullptr, &excep, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(excep.scode), 0x800A017Cu);
  EXPECT_EQ(excep.bstrSource, "PlatTest.Ctl.1");
  Variant quality;
  ASSERT_EQ(control->Invoke(kQuality, InvokeKind::kPropertyGet, {}, &quality, &excep, nullptr), S_OK);
  EXPECT_EQ(quality, Variant(int16_t{2}));

  ComPtr<test::TestSite> site = MakeCom<test::TestSite>();
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(false);
  ComPtr<IEmbeddedControl> embedded = control.As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  embedded->SetSite(site.get());
  Variant count;
  EXPECT_EQ(control->Invoke(kCount, InvokeKind::kPropertyGet, {}, &count, &excep, nullptr), DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(excep.scode), 0x800A018Au);
  embedded->SetSite(nullptr);
  ASSERT_EQ(unregister_(), S_OK);
}

TEST_F(Registration, PagesAreServedWithTheirModulesResources) {
  ASSERT_EQ(register_(), S_OK);
  std::string prog_id;
  ASSERT_EQ(ProgIDFromCLSID(testctl::kPageClsid, &prog_id), S_OK);
  EXPECT_EQ(prog_id, "PlatTest.Page.1");
  ComPtr<IPropertyPage> page;
  ASSERT_EQ(CoCreateInstance(testctl::kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IPropertyPage::kIid, page.put_void()),
            S_OK);
  PROPPAGEINFO info;
  ASSERT_EQ(page->GetPageInfo(&info), S_OK);
  EXPECT_EQ(info.title, "全般");  // the module's string, found through the page's own class
  EXPECT_GT(info.size.cx, info.size.cy);
  EXPECT_GT(info.size.cy, 0);
  page.reset();
  ASSERT_EQ(unregister_(), S_OK);
  ComPtr<IUnknown> gone;
  EXPECT_EQ(CoCreateInstance(testctl::kPageClsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, gone.put_void()),
            REGDB_E_CLASSNOTREG);
}

TEST_F(Registration, MissingClassesAndModulesAreReported) {
  const CLSID unknown{0x0BADC0DE, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
  ComPtr<IUnknown> object;
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, object.put_void()), REGDB_E_CLASSNOTREG);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID("No.Such.1", &clsid), CO_E_CLASSSTRING);
  std::string prog_id;
  EXPECT_EQ(ProgIDFromCLSID(unknown, &prog_id), REGDB_E_CLASSNOTREG);

  const std::string key = "CLSID\\" + StringFromGUID(unknown) + "\\InprocServer32";
  SetClassesRootText(key.c_str(), (root() + "/missing/libNothing.so").c_str());
  EXPECT_EQ(CoCreateInstance(unknown, nullptr, CLSCTX_ALL, IID_IUnknown, object.put_void()), CO_E_DLLNOTFOUND);
  EXPECT_FALSE(object);
}

}  // namespace
}  // namespace plat
