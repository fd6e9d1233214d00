// The process-wide table of global-memory handles. Handles are issued from a
// counter and never reused while the counter has not wrapped, so a stale handle
// finds nothing instead of a newer block.
#include "kernel/global_memory.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace {

struct GlobalBlock {
  size_t size_bytes = 0;
  unsigned lock_count = 0;
  unsigned char* bytes = nullptr;
};

constexpr unsigned kKnownFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
// Larger requests are refused before malloc, so a hostile size never reaches it.
constexpr size_t kMaxBlockBytes = size_t{1} << 34;

struct HandleTable {
  std::mutex mutex;
  std::unordered_map<HGLOBAL, GlobalBlock> blocks;
  HGLOBAL next_handle = 1;

  HGLOBAL IssueHandle() {
    while (next_handle == 0 || blocks.count(next_handle) != 0) ++next_handle;
    return next_handle++;
  }
};

HandleTable& Table() {
  static HandleTable* table = new HandleTable;  // never destroyed: handles may outlive static teardown
  return *table;
}

}  // namespace

extern "C" HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
  if ((flags & ~kKnownFlags) != 0 || bytes > kMaxBlockBytes) {
    errno = EINVAL;
    return 0;
  }
  // One byte more for empty blocks, so every live handle owns a distinct address.
  auto* memory = static_cast<unsigned char*>(
      (flags & GMEM_ZEROINIT) ? std::calloc(bytes + 1, 1) : std::malloc(bytes + 1));
  if (memory == nullptr) {
    errno = ENOMEM;
    return 0;
  }
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  HGLOBAL handle = table.IssueHandle();
  table.blocks.emplace(handle, GlobalBlock{bytes, 0, memory});
  return handle;
}

extern "C" void* GlobalLock(HGLOBAL handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.blocks.find(handle);
  if (it == table.blocks.end()) {
    errno = EINVAL;
    return nullptr;
  }
  ++it->second.lock_count;
  return it->second.bytes;
}

extern "C" int GlobalUnlock(HGLOBAL handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.blocks.find(handle);
  if (it == table.blocks.end()) {
    errno = EINVAL;
    return 0;
  }
  if (it->second.lock_count > 0) --it->second.lock_count;
  return it->second.lock_count != 0;
}

extern "C" size_t GlobalSize(HGLOBAL handle) {
  HandleTable& table = Table();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.blocks.find(handle);
  return it == table.blocks.end() ? 0 : it->second.size_bytes;
}

extern "C" HGLOBAL GlobalFree(HGLOBAL handle) {
  unsigned char* bytes = nullptr;
  {
    HandleTable& table = Table();
    std::lock_guard<std::mutex> lock(table.mutex);
    auto it = table.blocks.find(handle);
    if (it == table.blocks.end()) {
      errno = EINVAL;
      return handle;
    }
    bytes = it->second.bytes;
    table.blocks.erase(it);
  }
  std::free(bytes);
  return 0;
}
