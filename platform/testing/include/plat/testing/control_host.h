// A host of a control module as a program is one: the module registered by
// plat-regsvr, the control created by ProgID, properties put and read by
// dispatch id, methods invoked, and events received by a sink. Each
// control's own host adds its events and its methods' argument shapes.
#ifndef PLAT_TESTING_CONTROL_HOST_H_
#define PLAT_TESTING_CONTROL_HOST_H_

#include <functional>
#include <string>
#include <vector>

#include "plat/ctl/control.h"
#include "plat/oleaut/connection.h"

namespace plat::test {

// plat-regsvr's exit status for `module`, run silently (with -u: unregistration).
int RunRegsvr(const std::string& module, bool unregister = false);

class ControlHost {
 public:
  ControlHost() = default;
  virtual ~ControlHost() { ReleaseControl(); }
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  IDispatch* dispatch() const { return control_.get(); }
  // The framework object behind the interface (for window and drawing tests).
  COleControl* object() const;

  // Each call records its result and, for a raised exception, its code.
  HRESULT Put(DISPID id, Variant value);
  void PutShort(DISPID id, int16_t value) { Put(id, Variant(value)); }
  void PutLong(DISPID id, int32_t value) { Put(id, Variant(value)); }
  void PutBool(DISPID id, bool value) { Put(id, Variant::Bool(value)); }
  void PutString(DISPID id, const std::string& value) { Put(id, Variant(value)); }
  void PutFloat(DISPID id, float value) { Put(id, Variant(value)); }
  Variant Get(DISPID id);
  Variant GetIndexed(DISPID id, int16_t index);
  // A property as a long; -999999 when it does not convert.
  int32_t GetLong(DISPID id);
  Variant Invoke(DISPID id, std::vector<Variant> args = {});
  // The last call's exception code (0 when none was raised) and result.
  SCODE last_scode() const { return last_scode_; }
  HRESULT last_hr() const { return last_hr_; }

 protected:
  // Creates the control by `prog_id`, lets `add_handlers` fill a sink of
  // `events_iid` and connects it; false on any failure.
  bool CreateControl(const char* prog_id, const IID& events_iid, const std::function<void(EventSink&)>& add_handlers);
  // Disconnects the sink: no event is recorded after it.
  void Disconnect();
  // Disconnects and lets go of the control.
  void ReleaseControl();

 private:
  HRESULT Call(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result);

  ComPtr<IDispatch> control_;
  ComPtr<EventSink> sink_;
  SCODE last_scode_ = 0;
  HRESULT last_hr_ = 0;
};

}  // namespace plat::test

#endif  // PLAT_TESTING_CONTROL_HOST_H_
