// Late-bound calls: IDispatch, the descriptions of interfaces and their
// members, and DispatchMap, the one declarative table per class that answers
// Invoke, GetIDsOfNames and the type information. Arguments travel in natural
// order (for a put, the value is the last); no exception leaves Invoke.
#ifndef PLAT_OLEAUT_DISPATCH_H_
#define PLAT_OLEAUT_DISPATCH_H_

#include <functional>
#include <initializer_list>
#include <stdexcept>
#include <span>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <vector>

#include "plat/oleaut/variant.h"

namespace plat {

enum class InvokeKind : WORD {
  kMethod = 1,
  kPropertyGet = 2,
  kPropertyPut = 4,
  kPropertyPutRef = 8,
};
constexpr InvokeKind operator|(InvokeKind a, InvokeKind b) {
  return static_cast<InvokeKind>(static_cast<WORD>(a) | static_cast<WORD>(b));
}
constexpr bool HasKind(InvokeKind kinds, InvokeKind kind) {
  return (static_cast<WORD>(kinds) & static_cast<WORD>(kind)) != 0;
}

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr DISPID DISPID_VALUE = 0;

enum class MemberKind : uint8_t {
  kProperty,         // get, and put unless read-only
  kIndexedProperty,  // get with one index argument
  kMethod,           // also every event
};

struct ParamInfo {
  ParamInfo(VARTYPE type, const char* param_name = "") : vt(type), name(param_name) {}
  VARTYPE vt;
  std::string name;
};

struct MemberInfo {
  DISPID id = 0;
  std::string name;
  MemberKind kind = MemberKind::kMethod;
  VARTYPE vt = VT_EMPTY;  // property type, or method result (VT_EMPTY: none)
  std::vector<ParamInfo> params;
  bool is_read_only = false;
};

// One dispatch or event interface as type information.
struct InterfaceInfo {
  InterfaceInfo() = default;
  InterfaceInfo(std::string interface_name, const IID& interface_iid, std::vector<MemberInfo> interface_members)
      : name(std::move(interface_name)), iid(interface_iid), members(std::move(interface_members)) {}
  const MemberInfo* Find(DISPID id) const;
  // Case-insensitive (ASCII), as GetIDsOfNames answers.
  const MemberInfo* FindName(std::string_view member_name) const;

  std::string name;
  IID iid;
  std::vector<MemberInfo> members;
};

// An event of an event interface.
MemberInfo Event(DISPID id, const char* name, std::initializer_list<ParamInfo> params = {});

struct IDispatch : IUnknown {
  static constexpr IID kIid{0x00020400, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
  using Base = IUnknown;
  // DISP_E_UNKNOWNNAME when no member has this name (case-insensitive).
  virtual HRESULT GetIDsOfNames(std::string_view name, DISPID* id) = 0;
  // DISP_E_MEMBERNOTFOUND for an unknown id or a kind the member lacks,
  // DISP_E_BADPARAMCOUNT for a wrong count, a coercion failure's code with
  // *arg_err set to the argument's index, DISP_E_EXCEPTION with *excep filled
  // when the member raises an error.
  virtual HRESULT Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                         UINT* arg_err) = 0;
  // The description of this interface; it lives as long as the object's module.
  virtual const InterfaceInfo* GetTypeInfo() = 0;
};
inline constexpr const IID& IID_IDispatch = IDispatch::kIid;

// ---- Conversions between member values and variants --------------------------

template <class T>
struct IsStringLike : std::bool_constant<std::is_convertible_v<const std::string&, T> &&
                                         std::is_class_v<T> && !std::is_same_v<T, Variant>> {};

// A variant of type `vt` holding `value`.
template <class F>
Variant MakeVariant(const F& value, VARTYPE vt) {
  if constexpr (std::is_same_v<F, Variant>) {
    return value;
  } else if constexpr (std::is_pointer_v<F>) {
    using P = std::remove_cv_t<std::remove_pointer_t<F>>;
    if constexpr (std::is_same_v<P, char>) {
      return Variant(value);
    } else if constexpr (std::is_same_v<P, std::string> || std::is_base_of_v<std::string, P>) {
      return Variant::ByRef(static_cast<std::string*>(value));
    } else if constexpr (std::is_base_of_v<IDispatch, P>) {
      return Variant(static_cast<IDispatch*>(value));
    } else if constexpr (std::is_base_of_v<IUnknown, P>) {
      return Variant(static_cast<IUnknown*>(value));
    } else if constexpr (std::is_arithmetic_v<P> && sizeof(P) == 2) {
      return vt == (VT_BOOL | VT_BYREF) ? Variant::ByRefBool(reinterpret_cast<VARIANT_BOOL*>(value))
                                        : Variant::ByRef(reinterpret_cast<int16_t*>(value));
    } else {
      static_assert(std::is_arithmetic_v<P> && sizeof(P) == 4, "no by-reference variant for this type");
      return Variant::ByRef(reinterpret_cast<int32_t*>(value));
    }
  } else if constexpr (std::is_arithmetic_v<F>) {
    switch (vt) {
      case VT_BOOL: return Variant::Bool(value != 0);
      case VT_I2: return Variant(static_cast<int16_t>(value));
      case VT_R4: return Variant(static_cast<float>(value));
      case VT_R8: return Variant(static_cast<double>(value));
      case VT_UI1: return Variant(static_cast<uint8_t>(value));
      case VT_ERROR: return Variant::Error(static_cast<SCODE>(value));
      default: return Variant(static_cast<int32_t>(value));
    }
  } else {
    static_assert(IsStringLike<F>::value || std::is_convertible_v<const F&, std::string_view>,
                  "no variant for this member type");
    return Variant(std::string(value));
  }
}

// The member value of a variant that already has the member's type.
template <class F>
F FromVariant(const Variant& v) {
  using D = std::remove_cv_t<std::remove_reference_t<F>>;
  if constexpr (std::is_same_v<D, Variant>) {
    return v;
  } else if constexpr (std::is_same_v<D, const char*>) {
    return v.bstrVal().c_str();
  } else if constexpr (std::is_pointer_v<D>) {
    using P = std::remove_pointer_t<D>;
    if constexpr (std::is_same_v<P, std::string>) {
      return v.pbstrVal();
    } else if constexpr (std::is_same_v<P, IDispatch>) {
      return v.pdispVal();
    } else if constexpr (std::is_same_v<P, IUnknown>) {
      return v.punkVal();
    } else if constexpr (sizeof(P) == 2) {
      return reinterpret_cast<D>(v.piVal());
    } else {
      static_assert(sizeof(P) == 4, "no by-reference variant for this type");
      return reinterpret_cast<D>(v.plVal());
    }
  } else if constexpr (std::is_arithmetic_v<D>) {
    switch (v.vt()) {
      case VT_BOOL: return static_cast<D>(v.boolVal() != 0 ? 1 : 0);
      case VT_I2: return static_cast<D>(v.iVal());
      case VT_R4: return static_cast<D>(v.fltVal());
      case VT_R8: return static_cast<D>(v.dblVal());
      case VT_UI1: return static_cast<D>(v.bVal());
      case VT_I4:
      case VT_ERROR:
        if constexpr (std::is_unsigned_v<D>) return static_cast<D>(static_cast<uint32_t>(v.lVal()));
        return static_cast<D>(v.lVal());
      default: return D{};
    }
  } else {
    return D(v.bstrVal());
  }
}

// ---- The declarative table ----------------------------------------------------

// One row of a dispatch table; `self` is the object the table belongs to.
struct DispatchEntry {
  MemberInfo info;
  std::function<void(void* self, Variant& result)> get;
  std::function<void(void* self, const Variant& value)> put;
  std::function<void(void* self, std::span<Variant> args, Variant& result)> call;
};

// A row for class T; rows of a base class convert to rows of T.
template <class T>
struct TypedEntry {
  DispatchEntry entry;

  TypedEntry(DispatchEntry e) : entry(std::move(e)) {}
  template <class B, class = std::enable_if_t<std::is_base_of_v<B, T> && !std::is_same_v<B, T>>>
  TypedEntry(const TypedEntry<B>& base) : entry(base.entry) {
    auto rebase = [](void* self) -> void* { return static_cast<B*>(static_cast<T*>(self)); };
    if (auto get = entry.get) entry.get = [get, rebase](void* self, Variant& r) { get(rebase(self), r); };
    if (auto put = entry.put) entry.put = [put, rebase](void* self, const Variant& v) { put(rebase(self), v); };
    if (auto call = entry.call) {
      entry.call = [call, rebase](void* self, std::span<Variant> a, Variant& r) { call(rebase(self), a, r); };
    }
  }
};

namespace detail {
template <class M>
struct MemberFn;
template <class C, class R, class... A>
struct MemberFn<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<A...>;
};
template <class C, class R, class... A>
struct MemberFn<R (C::*)(A...) const> : MemberFn<R (C::*)(A...)> {};

template <class C, class Fn, class... A, size_t... I>
decltype(auto) CallWithArgs(C& object, Fn fn, [[maybe_unused]] std::span<Variant> args, std::tuple<A...>*, std::index_sequence<I...>) {
  return (object.*fn)(FromVariant<A>(args[I])...);
}
}  // namespace detail

// A member variable; `on_changed` (or nullptr) runs after every successful put.
template <class T, class F, class C = T>
TypedEntry<T> Member(DISPID id, const char* name, VARTYPE vt, F T::*field, void (C::*on_changed)() = nullptr) {
  DispatchEntry e;
  e.info = MemberInfo{id, name, MemberKind::kProperty, vt, {}, false};
  e.get = [field, vt](void* self, Variant& r) { r = MakeVariant(static_cast<T*>(self)->*field, vt); };
  e.put = [field, on_changed](void* self, const Variant& v) {
    T& object = *static_cast<T*>(self);
    object.*field = FromVariant<F>(v);
    if (on_changed) (object.*on_changed)();
  };
  return TypedEntry<T>(std::move(e));
}

// A property with a get function and a set function (nullptr: read-only; a
// put then raises CTL_E_SETNOTSUPPORTED).
template <class G, class S>
auto Property(DISPID id, const char* name, VARTYPE vt, G get, S set) {
  using T = typename detail::MemberFn<G>::Class;
  DispatchEntry e;
  e.info = MemberInfo{id, name, MemberKind::kProperty, vt, {}, std::is_null_pointer_v<S>};
  e.get = [get, vt](void* self, Variant& r) { r = MakeVariant((static_cast<T*>(self)->*get)(), vt); };
  if constexpr (std::is_null_pointer_v<S>) {
    e.put = [](void*, const Variant&) { throw ControlError(CTL_E_SETNOTSUPPORTED); };
  } else {
    using V = std::tuple_element_t<0, typename detail::MemberFn<S>::Args>;
    e.put = [set](void* self, const Variant& v) { (static_cast<T*>(self)->*set)(FromVariant<V>(v)); };
  }
  return TypedEntry<T>(std::move(e));
}

// A read-only property with one index argument.
template <class G>
auto IndexedGet(DISPID id, const char* name, VARTYPE vt_result, VARTYPE vt_index, G get) {
  using T = typename detail::MemberFn<G>::Class;
  using I = std::tuple_element_t<0, typename detail::MemberFn<G>::Args>;
  DispatchEntry e;
  e.info = MemberInfo{id, name, MemberKind::kIndexedProperty, vt_result, {ParamInfo(vt_index, "Index")}, true};
  e.call = [get, vt_result](void* self, std::span<Variant> args, Variant& r) {
    r = MakeVariant((static_cast<T*>(self)->*get)(FromVariant<I>(args[0])), vt_result);
  };
  return TypedEntry<T>(std::move(e));
}

// A method; `params` gives each argument's type (VT_BYREF | type for an
// argument the method writes back) in the order of the function's parameters.
template <class Fn>
auto Method(DISPID id, const char* name, VARTYPE vt_result, std::initializer_list<ParamInfo> params, Fn fn) {
  using Traits = detail::MemberFn<Fn>;
  using T = typename Traits::Class;
  using Args = typename Traits::Args;
  DispatchEntry e;
  e.info = MemberInfo{id, name, MemberKind::kMethod, vt_result, std::vector<ParamInfo>(params), false};
  e.call = [fn, vt_result](void* self, std::span<Variant> args, Variant& r) {
    T& object = *static_cast<T*>(self);
    constexpr size_t kCount = std::tuple_size_v<Args>;
    if constexpr (std::is_void_v<typename Traits::Result>) {
      detail::CallWithArgs(object, fn, args, static_cast<Args*>(nullptr), std::make_index_sequence<kCount>());
    } else {
      r = MakeVariant(
          detail::CallWithArgs(object, fn, args, static_cast<Args*>(nullptr), std::make_index_sequence<kCount>()),
          vt_result);
    }
  };
  if (std::tuple_size_v<Args> != e.info.params.size()) throw std::logic_error("dispatch row: parameter count");
  return TypedEntry<T>(std::move(e));
}

// The untyped part of a table: lookups and the invoke frame.
class DispatchMapBase {
 public:
  const InterfaceInfo& Info() const { return info_; }
  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) const;
  // Runs one call on `self`, which must be the table's class. `source` names
  // the object in EXCEPINFO (a ProgID).
  HRESULT Invoke(void* self, std::string_view source, DISPID id, InvokeKind kind, std::span<Variant> args,
                 Variant* result, EXCEPINFO* excep, UINT* arg_err) const;

 protected:
  DispatchMapBase(std::string name, const IID& iid, std::vector<DispatchEntry> entries);

 private:
  InterfaceInfo info_;
  std::vector<DispatchEntry> entries_;
};

template <class T>
class DispatchMap : public DispatchMapBase {
 public:
  DispatchMap(std::string name, const IID& iid, std::initializer_list<TypedEntry<T>> rows)
      : DispatchMapBase(std::move(name), iid, Entries(rows)) {}

  HRESULT Invoke(T& self, std::string_view source, DISPID id, InvokeKind kind, std::span<Variant> args,
                 Variant* result, EXCEPINFO* excep, UINT* arg_err) const {
    return DispatchMapBase::Invoke(&self, source, id, kind, args, result, excep, arg_err);
  }

 private:
  static std::vector<DispatchEntry> Entries(std::initializer_list<TypedEntry<T>> rows) {
    std::vector<DispatchEntry> out;
    out.reserve(rows.size());
    for (const TypedEntry<T>& row : rows) out.push_back(row.entry);
    return out;
  }
};

// A table bound to one object of its class, for code that does not know the
// class (a framework base calling its derived control's table).
class DispatchBinding {
 public:
  template <class T>
  DispatchBinding(const DispatchMap<T>& map, T* self) : map_(&map), self_(self) {}
  const DispatchMapBase& map() const { return *map_; }
  HRESULT Invoke(std::string_view source, DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result,
                 EXCEPINFO* excep, UINT* arg_err) const {
    return map_->Invoke(self_, source, id, kind, args, result, excep, arg_err);
  }

 private:
  const DispatchMapBase* map_;
  void* self_;
};

// IDispatch for a plain counted class T with `static const DispatchMap<T>& GetDispatchMap()`.
template <class T, class... More>
class DispatchObject : public ComObject<IDispatch, More...> {
 public:
  HRESULT GetIDsOfNames(std::string_view name, DISPID* id) override {
    return T::GetDispatchMap().GetIDsOfNames(name, id);
  }
  HRESULT Invoke(DISPID id, InvokeKind kind, std::span<Variant> args, Variant* result, EXCEPINFO* excep,
                 UINT* arg_err) override {
    ComPtr<IUnknown> hold(this->GetUnknown());
    return T::GetDispatchMap().Invoke(static_cast<T&>(*this), T::kSourceName, id, kind, args, result, excep,
                                      arg_err);
  }
  const InterfaceInfo* GetTypeInfo() override { return &T::GetDispatchMap().Info(); }
};

}  // namespace plat

#endif  // PLAT_OLEAUT_DISPATCH_H_
