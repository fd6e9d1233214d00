// The dispatch-calling host of a control module; see plat/testing/control_host.h.
#include "plat/testing/control_host.h"

#include <sys/wait.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>

#include "plat/oleaut/com.h"

namespace plat::test {

int RunRegsvr(const std::string& module, bool unregister) {
  const std::string command =
      std::string("'") + PLAT_REGSVR_PATH + "' -s " + (unregister ? "-u " : "") + "'" + module + "'";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool ControlHost::CreateControl(const char* prog_id, const IID& events_iid,
                                const std::function<void(EventSink&)>& add_handlers) {
  CLSID clsid;
  if (CLSIDFromProgID(prog_id, &clsid) != S_OK) return false;
  if (CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch, control_.put_void()) != S_OK) {
    return false;
  }
  sink_ = EventSink::Create(events_iid);
  add_handlers(*sink_);
  return sink_->Advise(control_.get()) == S_OK;
}

void ControlHost::Attach(ComPtr<IDispatch> control) {
  ReleaseControl();
  control_ = std::move(control);
}

void ControlHost::Disconnect() {
  if (sink_) sink_->Unadvise();
  sink_ = nullptr;
}

void ControlHost::ReleaseControl() {
  Disconnect();
  control_ = nullptr;
}

COleControl* ControlHost::object() const {
  if (!control_) return nullptr;
  ComPtr<IEmbeddedControl> embedded = control_.As<IEmbeddedControl>();
  return embedded ? dynamic_cast<COleControl*>(embedded.get()) : nullptr;
}

HRESULT ControlHost::Call(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result) {
  EXCEPINFO excep;
  last_scode_ = 0;
  last_hr_ = control_->Invoke(id, kind, args, result, &excep, nullptr);
  if (last_hr_ == DISP_E_EXCEPTION) last_scode_ = excep.scode;
  return last_hr_;
}

HRESULT ControlHost::Put(DISPID id, Variant value) {
  Variant args[] = {std::move(value)};
  return Call(id, InvokeKind::kPropertyPut, args, nullptr);
}

Variant ControlHost::Get(DISPID id) {
  Variant result;
  Call(id, InvokeKind::kPropertyGet, {}, &result);
  return result;
}

Variant ControlHost::GetIndexed(DISPID id, int16_t index) {
  Variant result;
  Variant args[] = {Variant(index)};
  Call(id, InvokeKind::kPropertyGet, args, &result);
  return result;
}

int32_t ControlHost::GetLong(DISPID id) {
  Variant as_long;
  return VariantChangeType(as_long, Get(id), VT_I4) == S_OK ? as_long.lVal() : -999999;
}

Variant ControlHost::Invoke(DISPID id, std::vector<Variant> args) {
  Variant result;
  Call(id, InvokeKind::kMethod, args, &result);
  return result;
}

void ExpectPutsAcceptedOrRefused(ControlHost& host, const std::vector<PutCase>& cases, SCODE refusal) {
  for (const PutCase& c : cases) {
    SCOPED_TRACE(c.name);
    const Variant before = host.Get(c.id);
    const HRESULT hr = host.Put(c.id, c.value);
    const SCODE scode = host.last_scode();
    const Variant after = host.Get(c.id);
    if (c.is_accepted) {
      EXPECT_EQ(hr, S_OK);
      Variant expected;
      ASSERT_EQ(VariantChangeType(expected, c.value, after.vt()), S_OK);
      EXPECT_EQ(after, expected);
    } else {
      EXPECT_EQ(hr, DISP_E_EXCEPTION);
      EXPECT_EQ(scode, refusal);
      EXPECT_EQ(after, before);
    }
  }
}

namespace {

ComPtr<IPersistPropertyBag> Persistence(ControlHost& host) {
  return ComPtr<IDispatch>(host.dispatch()).As<IPersistPropertyBag>();
}

}  // namespace

void ExpectSavedAndLoaded(ControlHost& first, ControlHost& second, const std::vector<PersistedValue>& values,
                          int32_t version, std::span<const char* const> unlisted, SavedControl& saved) {
  saved.defaults.clear();
  for (const PersistedValue& p : values) {
    saved.defaults.push_back(first.Get(p.id));
    ASSERT_EQ(first.Put(p.id, p.value), S_OK) << p.name;
  }
  saved.bag = PropertyBag::Create();
  ASSERT_EQ(Persistence(first)->Save(saved.bag.get(), TRUE, TRUE), S_OK);
  const Variant* stored_version = saved.bag->Find("_Version");
  ASSERT_NE(stored_version, nullptr);
  EXPECT_EQ(stored_version->lVal(), version);
  std::set<std::string> left_out = {"_Version", "_ExtentX", "_ExtentY"};
  left_out.insert(unlisted.begin(), unlisted.end());
  std::vector<std::string> names;
  for (const auto& entry : saved.bag->entries()) {
    if (left_out.count(entry.first) == 0) names.push_back(entry.first);
  }
  std::vector<std::string> expected_names;
  for (const PersistedValue& p : values) expected_names.push_back(p.name);
  EXPECT_EQ(names, expected_names);

  ASSERT_EQ(Persistence(second)->Load(saved.bag.get()), S_OK);
  for (const PersistedValue& p : values) {
    SCOPED_TRACE(p.name);
    Variant expected;
    const Variant got = second.Get(p.id);
    ASSERT_EQ(VariantChangeType(expected, p.value, got.vt()), S_OK);
    EXPECT_EQ(got, expected);
  }
}

void ExpectEmptyBagGivesDefaults(ControlHost& host, const std::vector<PersistedValue>& values,
                                 const std::vector<Variant>& defaults) {
  ComPtr<PropertyBag> empty = PropertyBag::Create();
  ASSERT_EQ(Persistence(host)->Load(empty.get()), S_OK);
  ASSERT_EQ(defaults.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    SCOPED_TRACE(values[i].name);
    EXPECT_EQ(host.Get(values[i].id), defaults[i]);
  }
}

}  // namespace plat::test
