// Attribute lists that the dispatch builds from a caller's list: the caller's
// entries first (minus the names the dispatch decides itself), then its own.
// The caller's list is never changed.
#ifndef PELRITH_CORE_OBJECTS_PAIR_LIST_H_
#define PELRITH_CORE_OBJECTS_PAIR_LIST_H_

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "core/system/system.h"

class PairList {
 public:
  // A null list or a count below 1 is an empty list, as for IpiSetAttributes.
  PairList(const IpiAttribute* list, int count, std::initializer_list<const char*> left_out = {});

  void Add(const char* name, intptr_t value) { pairs_.push_back({name, value}); }
  const IpiAttribute* data() const { return pairs_.data(); }
  int count() const { return static_cast<int>(pairs_.size()); }

 private:
  std::vector<IpiAttribute> pairs_;
};

// The value of the last entry named `name` (the one a set would leave in
// force); false when the list has none.
[[nodiscard]] bool IpiFindPair(const IpiAttribute* list, int count, const char* name, intptr_t* value);

#endif  // PELRITH_CORE_OBJECTS_PAIR_LIST_H_
