// Reference-counted objects with interfaces: the IUnknown contract, a smart
// pointer that holds one reference, and ComObject, which gives a class the
// counting and the interface lookup of the interfaces it lists. An object is
// destroyed when its last reference goes, never earlier: a caller that needs
// it across a call holds a ComPtr for that call.
#ifndef PLAT_OLEAUT_UNKNOWN_H_
#define PLAT_OLEAUT_UNKNOWN_H_

#include <atomic>
#include <tuple>
#include <type_traits>
#include <utility>

#include "plat/oleaut/errors.h"
#include "plat/oleaut/guid.h"

namespace plat {

// Every interface names its identifier as `kIid` and its base interface as
// `Base`, so that lookups can answer for the whole chain.
struct IUnknown {
  static constexpr IID kIid{0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  virtual HRESULT QueryInterface(const IID& iid, void** out) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;

 protected:
  ~IUnknown() = default;
};
inline constexpr const IID& IID_IUnknown = IUnknown::kIid;

// Holds one reference to an interface.
template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}
  // Takes a new reference to `p`.
  ComPtr(T* p) : p_(p) {
    if (p_) p_->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.p_) {}
  ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
  template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
  ComPtr(const ComPtr<U>& other) : ComPtr(static_cast<T*>(other.get())) {}
  ~ComPtr() { reset(); }
  ComPtr& operator=(ComPtr other) noexcept {
    std::swap(p_, other.p_);
    return *this;
  }

  // Adopts a reference the caller already owns (an out-parameter's result).
  static ComPtr Attach(T* p) {
    ComPtr result;
    result.p_ = p;
    return result;
  }
  // Gives the reference away without releasing it.
  T* Detach() { return std::exchange(p_, nullptr); }
  void reset() {
    if (T* p = std::exchange(p_, nullptr)) p->Release();
  }
  T* get() const { return p_; }
  T* operator->() const { return p_; }
  T& operator*() const { return *p_; }
  explicit operator bool() const { return p_ != nullptr; }
  // For out-parameters: releases what is held and gives the slot.
  T** put() {
    reset();
    return &p_;
  }
  void** put_void() { return reinterpret_cast<void**>(put()); }

  // The object's interface U, or null.
  template <class U>
  ComPtr<U> As() const {
    ComPtr<U> result;
    if (p_) p_->QueryInterface(U::kIid, result.put_void());
    return result;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.p_ == b.p_; }

 private:
  T* p_ = nullptr;
};

namespace detail {
// Finds `iid` in the chain Iface, Iface::Base, ..., IUnknown.
template <class Iface>
constexpr bool ChainHasIid(const IID& iid) {
  if (iid == Iface::kIid) return true;
  if constexpr (std::is_same_v<Iface, IUnknown>) {
    return false;
  } else {
    return ChainHasIid<typename Iface::Base>(iid);
  }
}
}  // namespace detail

// Gives `Derived` reference counting and QueryInterface over the listed
// interfaces and their bases. The object starts with no reference; wrap it in
// a ComPtr (or call MakeCom) right after `new`. Extra identifiers (an event
// or dispatch interface known only by its id) are answered by QueryExtra.
template <class... Ifaces>
class ComObject : public Ifaces... {
 public:
  HRESULT QueryInterface(const IID& iid, void** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (iid == IID_IUnknown) {
      *out = FirstInterface();
    } else {
      (void)((detail::ChainHasIid<Ifaces>(iid) && ((*out = static_cast<Ifaces*>(this)), true)) || ...);
      if (!*out) *out = QueryExtra(iid);
    }
    if (!*out) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  ULONG AddRef() override { return ++references_; }
  ULONG Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  // The object's identity: the IUnknown of its first interface.
  IUnknown* GetUnknown() { return static_cast<IUnknown*>(FirstInterface()); }

 protected:
  ComObject() = default;
  virtual ~ComObject() = default;
  // Interfaces answered beyond the listed ones; the result is not yet counted.
  virtual void* QueryExtra(const IID& iid) { return nullptr; }
  // The references held now; 0 also while the object is being destroyed.
  ULONG ReferenceCount() const { return references_.load(); }

 private:
  void* FirstInterface() {
    using First = std::tuple_element_t<0, std::tuple<Ifaces...>>;
    return static_cast<First*>(this);
  }
  std::atomic<ULONG> references_{0};
};

// Makes a counted object and hands out its first reference.
template <class T, class... Args>
ComPtr<T> MakeCom(Args&&... args) {
  return ComPtr<T>(new T(std::forward<Args>(args)...));
}

}  // namespace plat

#endif  // PLAT_OLEAUT_UNKNOWN_H_
