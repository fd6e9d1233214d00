// Connection points and the host-side event sink. Fire walks a snapshot of
// the sinks taken before the first call and skips a sink unadvised during an
// earlier one; the owner is held for the whole fire, so a host that releases
// the object from inside its own event handler does not destroy it mid-loop.
#include "plat/oleaut/connection.h"

namespace plat {

ConnectionPoint::~ConnectionPoint() = default;

HRESULT ConnectionPoint::QueryInterface(const IID& iid, void** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (iid == IID_IUnknown || iid == IConnectionPoint::kIid) {
    *out = static_cast<IConnectionPoint*>(this);
    AddRef();
    return S_OK;
  }
  return E_NOINTERFACE;
}

HRESULT ConnectionPoint::GetConnectionInterface(IID* iid) {
  if (!iid) return E_POINTER;
  *iid = iid_;
  return S_OK;
}

HRESULT ConnectionPoint::Advise(IUnknown* sink, DWORD* cookie) {
  if (!sink || !cookie) return E_POINTER;
  *cookie = 0;
  ComPtr<IUnknown> outgoing;
  if (FAILED(sink->QueryInterface(iid_, outgoing.put_void()))) return CONNECT_E_CANNOTCONNECT;
  const DWORD id = next_cookie_++;
  sinks_.emplace(id, std::move(outgoing));
  *cookie = id;
  return S_OK;
}

HRESULT ConnectionPoint::Unadvise(DWORD cookie) {
  auto it = sinks_.find(cookie);
  if (it == sinks_.end()) return CONNECT_E_NOCONNECTION;
  // Move the reference out first: releasing the sink may re-enter this point.
  ComPtr<IUnknown> released = std::move(it->second);
  sinks_.erase(it);
  return S_OK;
}

std::vector<std::pair<DWORD, ComPtr<IUnknown>>> ConnectionPoint::Snapshot() const {
  return std::vector<std::pair<DWORD, ComPtr<IUnknown>>>(sinks_.begin(), sinks_.end());
}

void ConnectionPoint::Fire(DISPID id, std::span<Variant> args) {
  ComPtr<IUnknown> hold(owner_);
  const auto snapshot = Snapshot();
  for (const auto& [cookie, sink] : snapshot) {
    if (!IsAdvised(cookie)) continue;
    // The outgoing interface of an event point derives from IDispatch.
    auto* dispatch = static_cast<IDispatch*>(sink.get());
    EXCEPINFO excep;
    UINT arg_err = 0;
    dispatch->Invoke(id, InvokeKind::kMethod, args, nullptr, &excep, &arg_err);
  }
}

void ConnectionPoint::NotifyChanged(DISPID id) {
  ComPtr<IUnknown> hold(owner_);
  const auto snapshot = Snapshot();
  for (const auto& [cookie, sink] : snapshot) {
    if (!IsAdvised(cookie)) continue;
    static_cast<IPropertyNotifySink*>(sink.get())->OnChanged(id);
  }
}

bool ConnectionPoint::RequestEdit(DISPID id) {
  ComPtr<IUnknown> hold(owner_);
  const auto snapshot = Snapshot();
  for (const auto& [cookie, sink] : snapshot) {
    if (!IsAdvised(cookie)) continue;
    if (static_cast<IPropertyNotifySink*>(sink.get())->OnRequestEdit(id) == S_FALSE) return false;
  }
  return true;
}

HRESULT EventSink::Advise(IUnknown* source) {
  if (!source) return E_POINTER;
  Unadvise();
  ComPtr<IConnectionPointContainer> container;
  if (FAILED(source->QueryInterface(IConnectionPointContainer::kIid, container.put_void()))) return E_NOINTERFACE;
  ComPtr<IConnectionPoint> point;
  if (HRESULT hr = container->FindConnectionPoint(iid_, point.put()); FAILED(hr)) return hr;
  DWORD cookie = 0;
  if (HRESULT hr = point->Advise(GetUnknown(), &cookie); FAILED(hr)) return hr;
  point_ = std::move(point);
  cookie_ = cookie;
  return S_OK;
}

HRESULT EventSink::Unadvise() {
  if (!point_) return S_OK;
  ComPtr<IConnectionPoint> point = std::move(point_);
  point_ = nullptr;
  return point->Unadvise(std::exchange(cookie_, 0));
}

HRESULT EventSink::Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                          UINT* arg_err) {
  auto it = handlers_.find(id);
  if (it == handlers_.end()) return S_OK;
  ComPtr<IUnknown> hold(GetUnknown());
  Handler handler = it->second;  // a handler may replace itself
  handler(args);
  return S_OK;
}

void* EventSink::QueryExtra(const IID& iid) {
  return iid == iid_ ? static_cast<IDispatch*>(this) : nullptr;
}

}  // namespace plat
