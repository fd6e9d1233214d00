// Guard for chains read from files (directories, records, frames): each link
// is visited once, and a chain longer than the page cap is refused, so a
// looping or endless chain cannot hold a reader forever.
#ifndef PELRITH_INTERCHANGE_IO_CHAIN_GUARD_H_
#define PELRITH_INTERCHANGE_IO_CHAIN_GUARD_H_

#include <cstdint>
#include <unordered_set>

class ChainGuard {
 public:
  static constexpr uint32_t kDefaultPageCap = 65535;

  explicit ChainGuard(uint32_t page_cap = kDefaultPageCap) : page_cap_(page_cap) {}

  // True the first time an offset is seen while fewer than page_cap links
  // have been visited; false for a repeated offset or past the cap.
  [[nodiscard]] bool Visit(uint64_t offset);
  uint32_t visited() const { return static_cast<uint32_t>(seen_.size()); }

 private:
  std::unordered_set<uint64_t> seen_;
  uint32_t page_cap_;
};

#endif  // PELRITH_INTERCHANGE_IO_CHAIN_GUARD_H_
