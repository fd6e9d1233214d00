// Attribute lists built by the dispatch; see pair_list.h.
#include "core/objects/pair_list.h"

#include <cstring>

namespace {

bool IsNamed(const char* name, std::initializer_list<const char*> names) {
  if (name == nullptr) return false;
  for (const char* candidate : names) {
    if (std::strcmp(name, candidate) == 0) return true;
  }
  return false;
}

}  // namespace

PairList::PairList(const IpiAttribute* list, int count, std::initializer_list<const char*> left_out) {
  if (list == nullptr || count < 1) return;
  pairs_.reserve(static_cast<size_t>(count) + 4);
  for (int i = 0; i < count; ++i) {
    if (!IsNamed(list[i].name, left_out)) pairs_.push_back(list[i]);
  }
}

bool IpiFindPair(const IpiAttribute* list, int count, const char* name, intptr_t* value) {
  if (list == nullptr || name == nullptr) return false;
  bool found = false;
  for (int i = 0; i < count; ++i) {
    if (list[i].name != nullptr && std::strcmp(list[i].name, name) == 0) {
      *value = list[i].value;
      found = true;
    }
  }
  return found;
}
