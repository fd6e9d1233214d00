// The option list every entry point takes: pairs of a name and a
// pointer-sized value. Names are matched exactly and case-sensitively; a
// later pair overrides an earlier one of the same name; names an entry point
// does not know are ignored. The list is only read, never kept.
#ifndef PELRITH_API_FRAME_OPTIONS_H_
#define PELRITH_API_FRAME_OPTIONS_H_

#include <cstdint>
#include <optional>
#include <vector>

#include "Pelrith.h"
#include "core/system/system.h"

class CmiOptions {
 public:
  CmiOptions(const IpiAttributePair* pairs, int32_t count)
      : pairs_(count > 0 ? pairs : nullptr),
        count_(count > 0 && pairs != nullptr ? count : 0),
        valid_(count <= 0 || pairs != nullptr) {}

  // False when the caller gave a count but no list.
  bool valid() const { return valid_; }

  // The value of the last pair named `name`.
  std::optional<intptr_t> Find(const char* name) const;
  intptr_t Value(const char* name, intptr_t fallback) const { return Find(name).value_or(fallback); }

  // Where the context keeps intermediate images: global-memory blocks (223)
  // when "repository" is absent or 33, else temporary files (83).
  int32_t Repository() const;

  // The pairs as the library's attribute list, in the caller's order
  // (for handing on to a reader or writer).
  std::vector<IpiAttribute> AsAttributes() const;

 private:
  const IpiAttributePair* pairs_;
  int32_t count_;
  bool valid_;
};

#endif  // PELRITH_API_FRAME_OPTIONS_H_
