#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "plat/oleaut/com.h"
#include "plat/sys_colors.h"
#include "test_control.h"
#include "test_site.h"

namespace plat {
namespace {

using testctl::CTestCtl;

using Site = test::TestSite;

// Counts property-change notifications by DISPID.
class NotifySink : public ComObject<IPropertyNotifySink> {
 public:
  HRESULT OnChanged(DISPID id) override {
    ++changed[id];
    return S_OK;
  }
  HRESULT OnRequestEdit(DISPID) override { return S_OK; }
  std::map<DISPID, int> changed;
};

ComPtr<IDispatch> NewControl() {
  ComPtr<IDispatch> control;
  EXPECT_EQ(CreateControl<CTestCtl>(IID_IDispatch, control.put_void()), S_OK);
  return control;
}

HRESULT Put(IDispatch* d, DISPID id, Variant value, EXCEPINFO* excep = nullptr) {
  Variant args[] = {std::move(value)};
  EXCEPINFO local;
  return d->Invoke(id, InvokeKind::kPropertyPut, args, nullptr, excep ? excep : &local, nullptr);
}

Variant Get(IDispatch* d, DISPID id, HRESULT* hr = nullptr, EXCEPINFO* excep = nullptr) {
  Variant result;
  EXCEPINFO local;
  const HRESULT r = d->Invoke(id, InvokeKind::kPropertyGet, {}, &result, excep ? excep : &local, nullptr);
  if (hr) *hr = r;
  return result;
}

TEST(Control, RefusedPutRaises380AndKeepsTheOldValue) {
  ComPtr<IDispatch> control = NewControl();
  struct Row {
    const char* name;
    DISPID id;
    Variant value;
  };
  const Row refused[] = {
      {"Quality 0", testctl::kQuality, Variant(int32_t{0})},
      {"Quality 11", testctl::kQuality, Variant(int32_t{11})},
      {"Scale -0.5", testctl::kScale, Variant(-0.5)},
      {"XResolution -1", testctl::kXResolution, Variant(int32_t{-1})},
      {"BorderStyle is not in the table", DISPID_BORDERSTYLE, Variant(int16_t{3})},
  };
  for (const Row& row : refused) {
    SCOPED_TRACE(row.name);
    const Variant before = Get(control.get(), row.id);
    EXCEPINFO excep;
    const HRESULT hr = Put(control.get(), row.id, row.value, &excep);
    if (row.id == DISPID_BORDERSTYLE) {
      EXPECT_EQ(hr, DISP_E_MEMBERNOTFOUND);
      continue;
    }
    EXPECT_EQ(hr, DISP_E_EXCEPTION);
    EXPECT_EQ(static_cast<uint32_t>(excep.scode), 0x800A017Cu);
    EXPECT_EQ(excep.bstrSource, "PlatTest.Ctl.1");
    EXPECT_EQ(excep.bstrDescription, "Invalid property value");
    EXPECT_EQ(Get(control.get(), row.id), before);
  }
  // A host sends enumerations as I4 and text where it has text.
  EXPECT_EQ(Put(control.get(), testctl::kQuality, Variant("7")), S_OK);
  EXPECT_EQ(Get(control.get(), testctl::kQuality), Variant(int16_t{7}));
  EXPECT_EQ(Put(control.get(), testctl::kQuality, Variant(int32_t{70000})), DISP_E_OVERFLOW);
  EXPECT_EQ(Get(control.get(), testctl::kQuality), Variant(int16_t{7}));
}

TEST(Control, ReadOnlyPropertyAndDesignMode) {
  ComPtr<IDispatch> control = NewControl();
  HRESULT hr = S_OK;
  EXPECT_EQ(Get(control.get(), testctl::kCount, &hr), Variant(int32_t{0}));
  EXPECT_EQ(hr, S_OK) << "without a site the control runs";
  EXCEPINFO excep;
  EXPECT_EQ(Put(control.get(), testctl::kCount, Variant(int32_t{5}), &excep), DISP_E_EXCEPTION);
  EXPECT_EQ(excep.scode, CTL_E_SETNOTSUPPORTED);

  ComPtr<Site> site = MakeCom<Site>();
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(false);
  ComPtr<IEmbeddedControl> embedded = control.As<IEmbeddedControl>();
  ASSERT_TRUE(embedded);
  ASSERT_EQ(embedded->SetSite(site.get()), S_OK);
  Get(control.get(), testctl::kCount, &hr, &excep);
  EXPECT_EQ(hr, DISP_E_EXCEPTION);
  EXPECT_EQ(static_cast<uint32_t>(excep.scode), 0x800A018Au);

  site->ambients[DISPID_AMBIENT_USERMODE] = Variant::Bool(true);
  Get(control.get(), testctl::kCount, &hr);
  EXPECT_EQ(hr, S_OK);
  embedded->SetSite(nullptr);
}

TEST(Control, AmbientsComeFromTheSite) {
  ComPtr<IDispatch> control = NewControl();
  auto* object = static_cast<CTestCtl*>(control.get());
  EXPECT_TRUE(object->AmbientUserMode());
  EXPECT_EQ(object->AmbientPalette(), nullptr);
  EXPECT_EQ(object->AmbientBackColor(), 0x80000005u);

  ComPtr<Site> site = MakeCom<Site>();
  site->ambients[DISPID_AMBIENT_BACKCOLOR] = Variant(int32_t{0x123456});
  site->ambients[DISPID_AMBIENT_DISPLAYNAME] = Variant("Scanner1");
  site->ambients[DISPID_AMBIENT_PALETTE] = Variant(int32_t{42});
  site->ambients[DISPID_AMBIENT_USERMODE] = Variant("not a boolean");
  ASSERT_EQ(control.As<IEmbeddedControl>()->SetSite(site.get()), S_OK);
  EXPECT_EQ(object->AmbientBackColor(), 0x123456u);
  EXPECT_EQ(object->AmbientDisplayName(), "Scanner1");
  EXPECT_EQ(HandleId(object->AmbientPalette()), 42u);
  EXPECT_TRUE(object->AmbientUserMode()) << "an ambient that does not convert counts as missing";
  ASSERT_EQ(object->InitNew(), S_OK);
  EXPECT_EQ(object->GetBackColor(), 0x123456u) << "a new control takes the container's colour";
  control.As<IEmbeddedControl>()->SetSite(nullptr);
}

TEST(Control, TranslatesColours) {
  ComPtr<IDispatch> control = NewControl();
  auto* object = static_cast<CTestCtl*>(control.get());
  ASSERT_EQ(Put(control.get(), DISPID_BACKCOLOR, Variant(static_cast<int32_t>(0x8000000F))), S_OK);
  EXPECT_EQ(object->TranslateColor(object->GetBackColor()), GetSysColor(COLOR_BTNFACE));
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), 0xC0C0C0u);
  struct Row {
    const char* name;
    OLE_COLOR color;
    COLORREF expected;
  };
  const Row rows[] = {
      {"plain RGB", 0x00123456, 0x00123456},
      {"window colour", 0x80000005, 0xFFFFFF},
      {"info background", 0x80000018, 0xE1FFFF},
      {"system index past the table", 0x8000001F, 0},
      {"palette index without a palette", 0x01000007, 0x01000007},
      {"palette-relative colour", 0x02102030, 0x02102030},
      {"unknown form", 0x04000000, 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(object->TranslateColor(row.color), row.expected);
  }
}

TEST(Control, OneNotificationPerSuccessfulPut) {
  ComPtr<IDispatch> control = NewControl();
  ComPtr<NotifySink> sink = MakeCom<NotifySink>();
  ComPtr<IConnectionPointContainer> container = control.As<IConnectionPointContainer>();
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(container->FindConnectionPoint(IPropertyNotifySink::kIid, point.put()), S_OK);
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.get(), &cookie), S_OK);

  EXPECT_EQ(Put(control.get(), testctl::kQuality, Variant(int16_t{3})), S_OK);
  EXPECT_EQ(Put(control.get(), testctl::kQuality, Variant(int16_t{3})), S_OK);
  EXPECT_EQ(Put(control.get(), testctl::kQuality, Variant(int16_t{99})), DISP_E_EXCEPTION);
  EXPECT_EQ(Put(control.get(), DISPID_BACKCOLOR, Variant(int32_t{0x00FF00})), S_OK);
  EXPECT_EQ(Put(control.get(), testctl::kCaption, Variant("x")), S_OK);
  EXPECT_EQ(sink->changed[testctl::kQuality], 2);
  EXPECT_EQ(sink->changed[DISPID_BACKCOLOR], 1);
  auto* object = static_cast<CTestCtl*>(control.get());
  EXPECT_EQ(object->changes_, 3);
  EXPECT_TRUE(object->IsModified());
  EXPECT_EQ(Get(control.get(), DISPID_BACKCOLOR), Variant(int32_t{0x00FF00}));
  point->Unadvise(cookie);
}

TEST(Control, EventsReachSinksWithTheirDeclaredTypes) {
  ComPtr<IDispatch> control = NewControl();
  ComPtr<EventSink> sink = EventSink::Create(testctl::kEventsIid);
  std::vector<Variant> seen;
  sink->On(testctl::kChangedEvent, [&](std::span<Variant> args) { seen.assign(args.begin(), args.end()); });
  sink->On(DISPID_KEYDOWN, [](std::span<Variant> args) {
    ASSERT_EQ(args[0].vt(), VT_I2 | VT_BYREF);
    *args[0].piVal() = static_cast<int16_t>(*args[0].piVal() + 100);
  });
  ASSERT_EQ(sink->Advise(control.get()), S_OK);

  Variant ok;
  Variant data_no[] = {Variant(int16_t{7})};
  ASSERT_EQ(control->Invoke(testctl::kNotify, InvokeKind::kMethod, data_no, &ok, nullptr, nullptr), S_OK);
  EXPECT_EQ(ok, Variant::Bool(true));
  ASSERT_EQ(seen.size(), 3u);
  EXPECT_EQ(seen[0], Variant(int32_t{7}));
  EXPECT_EQ(seen[1], Variant("page0007.tif"));
  EXPECT_EQ(seen[2], Variant::Bool(true));

  Variant key;
  Variant key_in[] = {Variant(int16_t{13})};
  ASSERT_EQ(control->Invoke(testctl::kPressKey, InvokeKind::kMethod, key_in, &key, nullptr, nullptr), S_OK);
  EXPECT_EQ(key, Variant(int16_t{113}));
  sink->Unadvise();
}

TEST(Control, HostReleasingTheControlInsideItsEventIsSafe) {
  const int live_before = testctl::LiveTestControls();
  ComPtr<IDispatch> control = NewControl();
  ComPtr<EventSink> sink = EventSink::Create(testctl::kEventsIid);
  ComPtr<EventSink> second = EventSink::Create(testctl::kEventsIid);
  int second_calls = 0;
  sink->On(testctl::kChangedEvent, [&](std::span<Variant>) {
    second->Unadvise();
    sink->Unadvise();
    control.reset();
    EXPECT_EQ(testctl::LiveTestControls(), live_before + 1) << "still inside the control's call";
  });
  second->On(testctl::kChangedEvent, [&](std::span<Variant>) { ++second_calls; });
  ASSERT_EQ(sink->Advise(control.get()), S_OK);
  ASSERT_EQ(second->Advise(control.get()), S_OK);
  IDispatch* raw = control.get();
  Variant data_no[] = {Variant(int32_t{1})};
  Variant result;
  EXPECT_EQ(raw->Invoke(testctl::kNotify, InvokeKind::kMethod, data_no, &result, nullptr, nullptr), S_OK);
  EXPECT_EQ(second_calls, 0);
  EXPECT_EQ(testctl::LiveTestControls(), live_before);
}

// A control that states nothing about safety.
class PlainCtl : public COleControl {
 public:
  static const DispatchMap<PlainCtl>& Map() {
    static const DispatchMap<PlainCtl> map{"_DPlain", GUID_NULL, {StockBackColor(), StockEnabled()}};
    return map;
  }
  DispatchBinding GetDispatchBinding() override { return {Map(), this}; }
  const ControlRegistration& GetControlRegistration() const override {
    static const ControlRegistration reg{GUID_NULL, "Plat.Plain.1", "Plain", 0, &CreateControl<PlainCtl>};
    return reg;
  }
  const TypeLibInfo& GetTypeLib() const override {
    static const TypeLibInfo lib{"PlainLib", GUID_NULL, 1, 0, "", {}, {}};
    return lib;
  }
};

TEST(Control, ObjectSafety) {
  ComPtr<IObjectSafety> safe;
  ASSERT_EQ(CreateControl<CTestCtl>(IObjectSafety::kIid, safe.put_void()), S_OK);
  ComPtr<IObjectSafety> plain;
  ASSERT_EQ(CreateControl<PlainCtl>(IObjectSafety::kIid, plain.put_void()), S_OK);
  struct Row {
    const char* name;
    IObjectSafety* object;
    IID iid;
    DWORD mask;
    DWORD options;
    HRESULT expected;
  };
  const Row rows[] = {
      {"both asked and set", safe.get(), IID_IDispatch, 3, 3, S_OK},
      {"one asked and set", safe.get(), IID_IDispatch, 1, 1, S_OK},
      {"asked but not set", safe.get(), IID_IDispatch, 2, 0, E_FAIL},
      {"a bit outside both", safe.get(), IID_IDispatch, 4, 4, E_FAIL},
      {"nothing asked", safe.get(), IID_IDispatch, 0, 0, S_OK},
      {"interface it lacks", safe.get(), IClassFactory::kIid, 1, 1, E_NOINTERFACE},
      {"default: nothing is safe", plain.get(), IID_IDispatch, 1, 1, E_FAIL},
      {"default: nothing asked", plain.get(), IID_IDispatch, 0, 0, S_OK},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_EQ(row.object->SetInterfaceSafetyOptions(row.iid, row.mask, row.options), row.expected);
  }
  DWORD supported = 9, enabled = 9;
  ASSERT_EQ(safe->GetInterfaceSafetyOptions(IID_IDispatch, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 3u);
  EXPECT_EQ(enabled, 3u);
  ASSERT_EQ(plain->GetInterfaceSafetyOptions(IPersistPropertyBag::kIid, &supported, &enabled), S_OK);
  EXPECT_EQ(supported, 0u);
  EXPECT_EQ(safe->GetInterfaceSafetyOptions(IClassFactory::kIid, &supported, &enabled), E_NOINTERFACE);
}

TEST(Control, DescribesItselfToHosts) {
  ComPtr<IDispatch> control = NewControl();
  ComPtr<IDispatch> by_own_iid;
  EXPECT_EQ(control->QueryInterface(testctl::kDispatchIid, by_own_iid.put_void()), S_OK);
  EXPECT_EQ(by_own_iid.get(), control.get());
  DISPID id = 0;
  EXPECT_EQ(control->GetIDsOfNames("backcolor", &id), S_OK);
  EXPECT_EQ(id, DISPID_BACKCOLOR);
  EXPECT_EQ(control->GetTypeInfo()->name, "_DTestCtl");

  const CoClassInfo* coclass = nullptr;
  ASSERT_EQ(control.As<IProvideClassInfo>()->GetClassInfo(&coclass), S_OK);
  EXPECT_EQ(coclass->clsid, testctl::kClsid);
  EXPECT_EQ(coclass->events->iid, testctl::kEventsIid);

  std::vector<std::string> names;
  std::vector<DWORD> cookies;
  ComPtr<IPerPropertyBrowsing> browsing = control.As<IPerPropertyBrowsing>();
  ASSERT_EQ(browsing->GetPredefinedStrings(testctl::kQuality, &names, &cookies), S_OK);
  EXPECT_EQ(names, (std::vector<std::string>{"1 - ptQualityLow", "5 - ptQualityMedium", "10 - ptQualityHigh"}));
  Variant value;
  ASSERT_EQ(browsing->GetPredefinedValue(testctl::kQuality, cookies[2], &value), S_OK);
  EXPECT_EQ(value, Variant(int16_t{10}));
  EXPECT_EQ(browsing->GetPredefinedStrings(testctl::kCaption, &names, &cookies), E_NOTIMPL);

  SIZE size{};
  ASSERT_EQ(control.As<IEmbeddedControl>()->GetExtent(&size), S_OK);
  EXPECT_EQ(size.cx, 28);
  EXPECT_EQ(static_cast<CTestCtl*>(control.get())->GetSafeHwnd(), nullptr);
}

}  // namespace
}  // namespace plat
