// The state behind plat::forms::Init(): private to the runtime's sources.
#ifndef PLATFORM_FORMS_RUNTIME_STATE_H_
#define PLATFORM_FORMS_RUNTIME_STATE_H_

#include <map>
#include <string>
#include <typeindex>
#include <vector>

#include "plat/forms/typinfo.h"

namespace plat::forms::internal {

struct PropertyTable {
  std::type_index parent;
  bool (*is_instance)(const TObject&);
  std::vector<TPropInfo> props;
};

struct ClassEntry {
  std::type_index type;
  TComponentFactory factory;
};

struct RuntimeState {
  std::map<std::type_index, PropertyTable> property_tables;
  // Keyed by the upper-cased class name.
  std::map<std::string, ClassEntry> classes;
};

// The running runtime's state; EInvalidOperation before Init().
RuntimeState& State();

}  // namespace plat::forms::internal

#endif  // PLATFORM_FORMS_RUNTIME_STATE_H_
