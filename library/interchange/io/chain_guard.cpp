// Offsets already visited are kept in a set; a refused offset is not recorded,
// so visited() counts only the links a reader went on to read.
#include "interchange/io/chain_guard.h"

bool ChainGuard::Visit(uint64_t offset) {
  if (seen_.size() >= page_cap_) return false;
  return seen_.insert(offset).second;
}
