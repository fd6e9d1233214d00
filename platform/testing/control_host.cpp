// The dispatch-calling host of a control module; see plat/testing/control_host.h.
#include "plat/testing/control_host.h"

#include <sys/wait.h>

#include <cstdlib>

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

}  // namespace plat::test
