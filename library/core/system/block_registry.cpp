// The registered allocator: at most 16384 live blocks per context, each zeroed
// and rounded up to a multiple of 4 bytes. Blocks are found by address in a
// map, so a foreign or already freed address is ignored instead of reaching
// free(), and every block still registered is released with the context.
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <mutex>
#include <unordered_set>

#include "core/status.h"
#include "core/system/system.h"

namespace {

// Larger requests fail with -1 before malloc.
constexpr size_t kMaxBlockBytes = size_t{1} << 32;

std::mutex g_open_systems_mutex;
auto* g_open_systems = new std::unordered_set<const IpiSystem*>;  // never destroyed
std::atomic<size_t> g_blocks_released_at_close{0};

}  // namespace

void IpiRegisterOpenSystem(const IpiSystem* sys) {
  std::lock_guard<std::mutex> lock(g_open_systems_mutex);
  g_open_systems->insert(sys);
}

void IpiUnregisterOpenSystem(const IpiSystem* sys) {
  std::lock_guard<std::mutex> lock(g_open_systems_mutex);
  g_open_systems->erase(sys);
}

bool IpiIsOpenSystemAddress(const IpiSystem* sys) {
  std::lock_guard<std::mutex> lock(g_open_systems_mutex);
  return g_open_systems->count(sys) != 0;
}

void* IpiAlloc(IpiSystem* sys, size_t size_bytes) {
  if (IpiCheckSystem(sys) != 0) return nullptr;
  size_t slot = sys->registry_lowest_free;
  while (slot < sys->registry.size() && sys->registry[slot] != nullptr) ++slot;
  sys->registry_lowest_free = slot;
  if (slot >= kRegistrySlots || size_bytes > kMaxBlockBytes) {
    errno = ENOMEM;
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  const size_t rounded = (size_bytes + 3) & ~size_t{3};
  void* block = std::calloc(rounded == 0 ? 4 : rounded, 1);
  if (block == nullptr) {
    errno = ENOMEM;
    IpiReportError(sys, kIpiSystemFailure);
    return nullptr;
  }
  if (slot == sys->registry.size()) {
    sys->registry.push_back(block);
  } else {
    sys->registry[slot] = block;
  }
  sys->block_slots.emplace(block, slot);
  sys->registry_lowest_free = slot + 1;
  return block;
}

void IpiFree(IpiSystem* sys, void* block) {
  if (block == nullptr || !IpiIsOpenSystemAddress(sys)) return;
  auto it = sys->block_slots.find(block);
  if (it == sys->block_slots.end()) return;
  const size_t slot = it->second;
  sys->block_slots.erase(it);
  sys->registry[slot] = nullptr;
  if (slot < sys->registry_lowest_free) sys->registry_lowest_free = slot;
  std::free(block);
}

void IpiReleaseAllBlocks(IpiSystem* sys) {
  for (size_t i = 0; i < sys->registry.size(); ++i) {
    if (sys->registry[i] != nullptr) {
      std::free(sys->registry[i]);
      sys->registry[i] = nullptr;
      ++g_blocks_released_at_close;
    }
  }
  sys->block_slots.clear();
  sys->registry.clear();
  sys->registry.shrink_to_fit();
}

size_t IpiBlocksReleasedAtClose() { return g_blocks_released_at_close.load(); }
