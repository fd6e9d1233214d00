// The in-memory property bag.
#include "plat/oleaut/property_bag.h"

#include "../kernel/ascii.h"

namespace plat {

using internal::EqualsIgnoreCase;

const Variant* PropertyBag::Find(std::string_view name) const {
  for (const auto& [key, value] : entries_) {
    if (EqualsIgnoreCase(key, name)) return &value;
  }
  return nullptr;
}

HRESULT PropertyBag::Read(std::string_view name, Variant* value) {
  if (!value) return E_POINTER;
  const Variant* stored = Find(name);
  if (!stored) return E_INVALIDARG;
  if (value->vt() == VT_EMPTY) {
    *value = *stored;
    return S_OK;
  }
  return VariantChangeType(*value, *stored, value->vt());
}

HRESULT PropertyBag::Write(std::string_view name, const Variant& value) {
  if (value.is_byref()) return Write(name, value.Dereferenced());
  for (auto& [key, stored] : entries_) {
    if (EqualsIgnoreCase(key, name)) {
      stored = value;
      return S_OK;
    }
  }
  entries_.emplace_back(std::string(name), value);
  return S_OK;
}

bool PropertyBag::Remove(std::string_view name) {
  for (auto it = entries_.begin(); it != entries_.end(); ++it) {
    if (EqualsIgnoreCase(it->first, name)) {
      entries_.erase(it);
      return true;
    }
  }
  return false;
}

}  // namespace plat
