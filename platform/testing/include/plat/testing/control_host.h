// A host of a control module as a program is one: the module registered by
// plat-regsvr, the control created by ProgID, properties put and read by
// dispatch id, methods invoked, and events received by a sink. Each
// control's own host adds its events and its methods' argument shapes.
// Also the checks every control's properties share: puts accepted or
// refused by their value sets, and persistence through a property bag.
#ifndef PLAT_TESTING_CONTROL_HOST_H_
#define PLAT_TESTING_CONTROL_HOST_H_

#include <functional>
#include <span>
#include <string>
#include <vector>

#include "plat/ctl/control.h"
#include "plat/oleaut/connection.h"
#include "plat/oleaut/property_bag.h"

namespace plat::test {

// plat-regsvr's exit status for `module`, run silently (with -u: unregistration).
int RunRegsvr(const std::string& module, bool unregister = false);

class ControlHost {
 public:
  ControlHost() = default;
  virtual ~ControlHost() { ReleaseControl(); }
  ControlHost(const ControlHost&) = delete;
  ControlHost& operator=(const ControlHost&) = delete;

  // Hosts a control made in process rather than by ProgID, with no sink.
  void Attach(ComPtr<IDispatch> control);
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

// A put through dispatch and its outcome: an accepted value reads back as
// put (in the property's own type); a refused one raises `refusal` as the
// exception code and leaves the old value.
struct PutCase {
  const char* name;
  DISPID id;
  Variant value;
  bool is_accepted;
};
void ExpectPutsAcceptedOrRefused(ControlHost& host, const std::vector<PutCase>& cases, SCODE refusal);

// A persisted property with a value other than its default, and the name
// it is stored under.
struct PersistedValue {
  DISPID id;
  const char* name;
  Variant value;
};

// What ExpectSavedAndLoaded leaves for the rest of a test.
struct SavedControl {
  ComPtr<PropertyBag> bag;
  std::vector<Variant> defaults;  // of `values`, read before the puts
};

// Puts `values` on `first`, saves it into a new bag and checks that the
// bag carries `version` under "_Version" and stores exactly the values, in
// their order and under their names (the version, the extents and
// `unlisted` left out of the comparison); then loads the bag into `second`
// and checks that each value reads back.
void ExpectSavedAndLoaded(ControlHost& first, ControlHost& second, const std::vector<PersistedValue>& values,
                          int32_t version, std::span<const char* const> unlisted, SavedControl& saved);
// Loads an empty bag into `host` and checks that each of `values` is back to its default.
void ExpectEmptyBagGivesDefaults(ControlHost& host, const std::vector<PersistedValue>& values,
                                 const std::vector<Variant>& defaults);

}  // namespace plat::test

#endif  // PLAT_TESTING_CONTROL_HOST_H_
