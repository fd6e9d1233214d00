// Outgoing interfaces: connection points that call the sinks a host advised,
// property-change notification, and EventSink, a host-side sink that routes
// events to functions. A fire holds its object for the whole call, iterates a
// snapshot of the sinks and skips a sink unadvised meanwhile.
#ifndef PLAT_OLEAUT_CONNECTION_H_
#define PLAT_OLEAUT_CONNECTION_H_

#include <functional>
#include <map>
#include <span>
#include <vector>

#include "plat/oleaut/dispatch.h"

namespace plat {

struct IConnectionPoint : IUnknown {
  static constexpr IID kIid{0xB196B286, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  virtual HRESULT GetConnectionInterface(IID* iid) = 0;
  // CONNECT_E_CANNOTCONNECT when the sink lacks the outgoing interface.
  virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
  // CONNECT_E_NOCONNECTION for an unknown cookie.
  virtual HRESULT Unadvise(DWORD cookie) = 0;
};

struct IConnectionPointContainer : IUnknown {
  static constexpr IID kIid{0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  // CONNECT_E_NOCONNECTION when the object has no such outgoing interface.
  virtual HRESULT FindConnectionPoint(const IID& iid, IConnectionPoint** out) = 0;
};

struct IPropertyNotifySink : IUnknown {
  static constexpr IID kIid{0x9BFBBC02, 0xEFF1, 0x101A, {0x84, 0xED, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
  using Base = IUnknown;
  virtual HRESULT OnChanged(DISPID id) = 0;
  // S_FALSE refuses the change.
  virtual HRESULT OnRequestEdit(DISPID id) = 0;
};

// A connection point owned by (and counted with) another object.
class ConnectionPoint : public IConnectionPoint {
 public:
  ConnectionPoint(IUnknown* owner, const IID& iid) : owner_(owner), iid_(iid) {}
  ConnectionPoint(const ConnectionPoint&) = delete;
  ConnectionPoint& operator=(const ConnectionPoint&) = delete;
  ~ConnectionPoint();

  HRESULT QueryInterface(const IID& iid, void** out) override;
  ULONG AddRef() override { return owner_->AddRef(); }
  ULONG Release() override { return owner_->Release(); }
  HRESULT GetConnectionInterface(IID* iid) override;
  HRESULT Advise(IUnknown* sink, DWORD* cookie) override;
  HRESULT Unadvise(DWORD cookie) override;

  const IID& iid() const { return iid_; }
  // For an owner that learns its outgoing interface after construction.
  void set_iid(const IID& iid) { iid_ = iid; }
  size_t sink_count() const { return sinks_.size(); }
  // Calls Invoke(id, method) on every dispatch sink; by-reference arguments
  // carry the sinks' changes back to the caller.
  void Fire(DISPID id, std::span<Variant> args);
  // Calls OnChanged(id) on every property-notify sink.
  void NotifyChanged(DISPID id);
  // False when a property-notify sink refuses the change.
  bool RequestEdit(DISPID id);

 private:
  std::vector<std::pair<DWORD, ComPtr<IUnknown>>> Snapshot() const;
  bool IsAdvised(DWORD cookie) const { return sinks_.count(cookie) != 0; }

  IUnknown* owner_;
  IID iid_;
  std::map<DWORD, ComPtr<IUnknown>> sinks_;  // the sink's outgoing interface
  DWORD next_cookie_ = 1;
};

// A host's event sink: answers the event interface `iid` and calls the
// function registered for each DISPID; events without one are accepted.
class EventSink : public ComObject<IDispatch> {
 public:
  using Handler = std::function<void(std::span<Variant> args)>;
  static ComPtr<EventSink> Create(const IID& events_iid) { return MakeCom<EventSink>(events_iid); }
  explicit EventSink(const IID& events_iid) : iid_(events_iid) {}

  void On(DISPID id, Handler handler) { handlers_[id] = std::move(handler); }
  // Connects to the source's connection point for this sink's interface.
  HRESULT Advise(IUnknown* source);
  // Disconnects; harmless when not connected.
  HRESULT Unadvise();

  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                 UINT* arg_err) override;
  const InterfaceInfo* GetTypeInfo() override { return nullptr; }

 protected:
  void* QueryExtra(const IID& iid) override;

 private:
  IID iid_;
  std::map<DISPID, Handler> handlers_;
  ComPtr<IConnectionPoint> point_;
  DWORD cookie_ = 0;
};

}  // namespace plat

#endif  // PLAT_OLEAUT_CONNECTION_H_
