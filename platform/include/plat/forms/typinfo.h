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
