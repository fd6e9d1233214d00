#include "api/frame/options.h"

#include <cstring>

#include "core/codes.h"

namespace {
constexpr intptr_t kRepositoryOptionGlobalMemory = 33;
}  // namespace

std::optional<intptr_t> CmiOptions::Find(const char* name) const {
  std::optional<intptr_t> found;
  for (int32_t i = 0; i < count_; ++i) {
    if (pairs_[i].name != nullptr && std::strcmp(pairs_[i].name, name) == 0) found = pairs_[i].value;
  }
  return found;
}

int32_t CmiOptions::Repository() const {
  const std::optional<intptr_t> value = Find("repository");
  if (!value || *value == kRepositoryOptionGlobalMemory) return kRepositoryGlobalBlock;
  return kRepositoryFile;
}

std::vector<IpiAttribute> CmiOptions::AsAttributes() const {
  std::vector<IpiAttribute> list;
  list.reserve(static_cast<size_t>(count_));
  for (int32_t i = 0; i < count_; ++i) {
    if (pairs_[i].name != nullptr) list.push_back({pairs_[i].name, pairs_[i].value});
  }
  return list;
}
