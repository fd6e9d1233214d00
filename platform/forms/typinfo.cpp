// Published-property tables and the class registry.
#include "plat/forms/typinfo.h"

#include <algorithm>

#include "plat/forms/exceptions.h"
#include "plat/forms/sysutils.h"
#include "runtime_state.h"

namespace plat {

using forms::internal::State;

void RegisterPublishedPropertiesOf(const std::type_info& type, const std::type_info& parent,
                                   bool (*is_instance)(const TObject&), std::vector<TPropInfo> props) {
  auto& tables = State().property_tables;
  tables.insert_or_assign(std::type_index(type),
                          forms::internal::PropertyTable{std::type_index(parent), is_instance, std::move(props)});
}

std::vector<const TPropInfo*> GetPropList(const TObject& object) {
  auto& tables = State().property_tables;
  // The registered classes the object belongs to, ordered from the root:
  // a class comes after the ancestors its registration chain names.
  std::vector<std::pair<int, const forms::internal::PropertyTable*>> classes;
  for (const auto& [type, table] : tables) {
    if (!table.is_instance(object)) continue;
    int depth = 0;
    for (auto parent = tables.find(table.parent); parent != tables.end() && depth < 64;
         parent = tables.find(parent->second.parent)) {
      ++depth;
    }
    classes.emplace_back(depth, &table);
  }
  std::stable_sort(classes.begin(), classes.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<const TPropInfo*> out;
  for (const auto& entry : classes) {
    for (const TPropInfo& prop : entry.second->props) out.push_back(&prop);
  }
  return out;
}

const TPropInfo* GetPropInfo(const TObject& object, const std::string& name) {
  // A descendant's property of the same name hides its ancestor's.
  const TPropInfo* found = nullptr;
  for (const TPropInfo* prop : GetPropList(object)) {
    if (SameText(prop->name, name)) found = prop;
  }
  return found;
}

namespace {

const TPropInfo& Require(const TObject& object, const std::string& name) {
  const TPropInfo* prop = GetPropInfo(object, name);
  if (prop == nullptr || !prop->get) RaiseRes<EPropertyError>(SUnknownProperty, {name});
  return *prop;
}

const TPropInfo& RequireWritable(const TObject& object, const std::string& name) {
  const TPropInfo& prop = Require(object, name);
  if (!prop.set) RaiseRes<EPropertyError>(SPropertyReadOnly, {name});
  return prop;
}

template <class T>
T Get(const TObject& object, const std::string& name) {
  TPropValue value = Require(object, name).get(object);
  if (!std::holds_alternative<T>(value)) RaiseRes<EPropertyError>(SInvalidPropertyValue);
  return std::get<T>(value);
}

}  // namespace

int64_t GetOrdProp(const TObject& object, const std::string& name) { return Get<int64_t>(object, name); }
double GetFloatProp(const TObject& object, const std::string& name) { return Get<double>(object, name); }
std::string GetStrProp(const TObject& object, const std::string& name) { return Get<std::string>(object, name); }

namespace {

void Set(TObject& object, const std::string& name, const TPropValue& value) {
  const TPropInfo& prop = RequireWritable(object, name);
  try {
    prop.set(object, value);
  } catch (const std::bad_variant_access&) {
    RaiseRes<EPropertyError>(SInvalidPropertyValue);
  }
}

}  // namespace

void SetOrdProp(TObject& object, const std::string& name, int64_t value) { Set(object, name, value); }
void SetFloatProp(TObject& object, const std::string& name, double value) { Set(object, name, value); }
void SetStrProp(TObject& object, const std::string& name, const std::string& value) { Set(object, name, value); }

void RegisterClassFactory(const std::string& class_name, const std::type_info& type, TComponentFactory factory) {
  auto& classes = State().classes;
  std::string key = UpperCase(class_name);
  auto it = classes.find(key);
  if (it != classes.end()) {
    if (it->second.type == std::type_index(type)) return;
    RaiseRes<EFilerError>(SDuplicateClass, {class_name});
  }
  classes.emplace(key, forms::internal::ClassEntry{std::type_index(type), std::move(factory)});
}

const TComponentFactory* GetClass(const std::string& class_name) {
  auto& classes = State().classes;
  auto it = classes.find(UpperCase(class_name));
  return it == classes.end() ? nullptr : &it->second.factory;
}

const TComponentFactory& FindClass(const std::string& class_name) {
  const TComponentFactory* factory = GetClass(class_name);
  if (factory == nullptr) RaiseRes<EClassNotFound>(SClassNotFound, {class_name});
  return *factory;
}

void UnRegisterClass(const std::string& class_name) { State().classes.erase(UpperCase(class_name)); }

}  // namespace plat
