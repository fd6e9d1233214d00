// TObject and TPersistent: class names from the dynamic type, assignment.
#include "plat/forms/object.h"

#include <cxxabi.h>

#include <cstdlib>
#include <memory>
#include <typeinfo>

#include "plat/forms/exceptions.h"

namespace plat {

std::string ClassNameOf(const std::type_info& type) {
  int status = 0;
  std::unique_ptr<char, void (*)(void*)> demangled(
      abi::__cxa_demangle(type.name(), nullptr, nullptr, &status), std::free);
  std::string name = status == 0 && demangled ? demangled.get() : type.name();
  // Drop template arguments' tail and every namespace or enclosing class.
  size_t depth = 0, last = 0;
  for (size_t i = 0; i < name.size(); ++i) {
    char c = name[i];
    if (c == '<') ++depth;
    if (c == '>' && depth > 0) --depth;
    if (depth == 0 && c == ':' && i + 1 < name.size() && name[i + 1] == ':') last = i + 2;
  }
  return name.substr(last);
}

TObject::~TObject() = default;

std::string TObject::ClassName() const { return ClassNameOf(typeid(*this)); }

void TPersistent::Assign(const TPersistent* source) {
  if (source != nullptr) {
    source->AssignTo(this);
    return;
  }
  AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  std::string source_name = source ? source->ClassName() : std::string("nil");
  RaiseRes<EConvertError>(SCannotAssign, {source_name, ClassName()});
}

std::string TPersistent::GetNamePath() const {
  // An owned persistent is named after its owner's path.
  TPersistent* owner = GetOwner();
  std::string path = owner ? owner->GetNamePath() : std::string();
  return path.empty() ? ClassName() : path;
}

}  // namespace plat
