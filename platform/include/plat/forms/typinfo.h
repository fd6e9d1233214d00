// Published-property tables: the classes that store their settings list
// their published properties (name, kind, getter, setter, declared default,
// stored condition) once, and generic code walks them with GetPropList.
// Also the class registry that finds a class by name. Both live in the
// runtime started by plat::forms::Init().
#ifndef PLAT_FORMS_TYPINFO_H_
#define PLAT_FORMS_TYPINFO_H_

#include <cstdint>
#include <functional>
#include <optional>
#include <type_traits>
#include <string>
#include <typeinfo>
#include <variant>
#include <vector>

#include "plat/forms/object.h"

namespace plat {

enum class TTypeKind {
  tkInteger,
  tkChar,
  tkEnumeration,
  tkSet,
  tkFloat,
  tkString,
  tkClass,
  tkMethod,
  tkVariant,
  tkInt64,
};
using enum TTypeKind;

// Ordinal kinds (integer, char, enumeration, set, int64) travel as int64_t,
// floats as double, strings as std::string, classes as TObject*.
using TPropValue = std::variant<int64_t, double, std::string, TObject*>;

struct TPropInfo {
  std::string name;
  TTypeKind kind = tkInteger;
  std::function<TPropValue(const TObject& object)> get;
  // Empty for a read-only property.
  std::function<void(TObject& object, const TPropValue& value)> set;
  // The declared default of an ordinal property; none means "no default".
  std::optional<int64_t> default_value;
  // Empty means always stored.
  std::function<bool(const TObject& object)> stored;

  bool IsStored(const TObject& object) const { return !stored || stored(object); }
};

namespace internal {

template <class V>
constexpr TTypeKind PropKindOf() {
  if constexpr (std::is_same_v<V, bool> || std::is_enum_v<V>) {
    return tkEnumeration;
  } else if constexpr (std::is_same_v<V, char>) {
    return tkChar;
  } else if constexpr (std::is_integral_v<V>) {
    return sizeof(V) > 4 ? tkInt64 : tkInteger;
  } else if constexpr (std::is_floating_point_v<V>) {
    return tkFloat;
  } else if constexpr (std::is_same_v<V, std::string>) {
    return tkString;
  } else if constexpr (requires(V v) { v.bits(); }) {
    return tkSet;
  } else {
    static_assert(std::is_pointer_v<V>, "unsupported property type");
    return tkClass;
  }
}

template <class V>
TPropValue ToPropValue(const V& v) {
  constexpr TTypeKind kind = PropKindOf<V>();
  if constexpr (kind == tkFloat) {
    return static_cast<double>(v);
  } else if constexpr (kind == tkString) {
    return v;
  } else if constexpr (kind == tkSet) {
    return static_cast<int64_t>(v.bits());
  } else if constexpr (kind == tkClass) {
    return static_cast<TObject*>(v);
  } else {
    return static_cast<int64_t>(v);
  }
}

template <class V>
V FromPropValue(const TPropValue& value) {
  constexpr TTypeKind kind = PropKindOf<V>();
  if constexpr (kind == tkFloat) {
    return static_cast<V>(std::get<double>(value));
  } else if constexpr (kind == tkString) {
    return std::get<std::string>(value);
  } else if constexpr (kind == tkSet) {
    return V::FromBits(static_cast<uint64_t>(std::get<int64_t>(value)));
  } else if constexpr (kind == tkClass) {
    return dynamic_cast<V>(std::get<TObject*>(value));
  } else {
    return static_cast<V>(std::get<int64_t>(value));
  }
}

}  // namespace internal

// A property row from a getter and a setter of T (the setter may take its
// value by copy or by const reference); the kind follows the value's type
// (bool and enumerations: tkEnumeration, TSet: tkSet, std::string: tkString,
// ...). A value of the wrong alternative raises std::bad_variant_access,
// which SetOrdProp and its kin never pass on.
template <class T, class G, class S>
TPropInfo MakeProp(std::string name, G (T::*getter)() const, void (T::*setter)(S),
                   std::optional<int64_t> default_value = {}) {
  using V = std::decay_t<G>;
  static_assert(std::is_same_v<std::decay_t<S>, V>, "getter and setter disagree on the type");
  TPropInfo info;
  info.name = std::move(name);
  info.kind = internal::PropKindOf<V>();
  info.get = [getter](const TObject& o) { return internal::ToPropValue<V>((static_cast<const T&>(o).*getter)()); };
  if (setter != nullptr) {
    info.set = [setter](TObject& o, const TPropValue& v) { (static_cast<T&>(o).*setter)(internal::FromPropValue<V>(v)); };
  }
  info.default_value = default_value;
  return info;
}

// A read-only property row.
template <class T, class G>
TPropInfo MakeProp(std::string name, G (T::*getter)() const, std::nullptr_t,
                   std::optional<int64_t> default_value = {}) {
  using V = std::decay_t<G>;
  return MakeProp<T, G, V>(std::move(name), getter, static_cast<void (T::*)(V)>(nullptr), default_value);
}

// Registers the published properties that class T declares itself (not its
// ancestors'). Parent is the nearest ancestor whose properties come first,
// or TObject. A second registration of T replaces the first.
// Raises EInvalidOperation when the runtime is not started.
void RegisterPublishedPropertiesOf(const std::type_info& type, const std::type_info& parent,
                                   bool (*is_instance)(const TObject&), std::vector<TPropInfo> props);

template <class T, class Parent = TObject>
void RegisterPublishedProperties(std::vector<TPropInfo> props) {
  static_assert(std::is_base_of_v<Parent, T>);
  RegisterPublishedPropertiesOf(
      typeid(T), typeid(Parent), [](const TObject& o) { return dynamic_cast<const T*>(&o) != nullptr; },
      std::move(props));
}

// Every published property of the object's class, ancestors' first, each
// class's in the order it registered them.
std::vector<const TPropInfo*> GetPropList(const TObject& object);
// The property of that name (ignoring case), null when none.
const TPropInfo* GetPropInfo(const TObject& object, const std::string& name);

// Typed access; EPropertyError for an unknown or read-only property and
// for a value of another kind.
int64_t GetOrdProp(const TObject& object, const std::string& name);
void SetOrdProp(TObject& object, const std::string& name, int64_t value);
double GetFloatProp(const TObject& object, const std::string& name);
void SetFloatProp(TObject& object, const std::string& name, double value);
std::string GetStrProp(const TObject& object, const std::string& name);
void SetStrProp(TObject& object, const std::string& name, const std::string& value);

// The class registry: a factory by class name (compared ignoring case).
class TComponent;
using TComponentFactory = std::function<TComponent*(TComponent* owner)>;
// Registering a name twice with the same type is harmless; another type under
// a registered name raises EFilerError.
void RegisterClassFactory(const std::string& class_name, const std::type_info& type,
                          TComponentFactory factory);
template <class T>
void RegisterClass() {
  RegisterClassFactory(ClassNameOf(typeid(T)), typeid(T),
                       [](TComponent* owner) -> TComponent* { return new T(owner); });
}
// Null when no class of that name is registered.
const TComponentFactory* GetClass(const std::string& class_name);
// Raises EClassNotFound when none is registered.
const TComponentFactory& FindClass(const std::string& class_name);
void UnRegisterClass(const std::string& class_name);

}  // namespace plat

#endif  // PLAT_FORMS_TYPINFO_H_
