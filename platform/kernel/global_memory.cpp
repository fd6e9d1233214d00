// Global-memory blocks in the process-wide handle table. A freed handle's id
// is dead for good (see handle_table.h), so a stale handle finds nothing
// instead of a newer block.
#include "plat/global_memory.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <memory>

#include "plat/handle_table.h"

namespace {

struct GlobalBlock {
  size_t size_bytes = 0;
  std::atomic<unsigned> lock_count{0};
  unsigned char* bytes = nullptr;

  ~GlobalBlock() { std::free(bytes); }
};

using GlobalBlocks = plat::Handles<GlobalBlock, plat::HandleKind::kGlobalMemory>;

constexpr unsigned kKnownFlags = GMEM_MOVEABLE | GMEM_ZEROINIT | GMEM_DDESHARE;
// Larger requests are refused before malloc, so a hostile size never reaches it.
constexpr size_t kMaxBlockBytes = size_t{1} << 34;

std::shared_ptr<GlobalBlock> FindBlock(HGLOBAL handle) {
  std::shared_ptr<GlobalBlock> block = GlobalBlocks::Find(handle);
  if (!block) errno = EINVAL;
  return block;
}

}  // namespace

extern "C" HGLOBAL GlobalAlloc(unsigned flags, size_t bytes) {
  if ((flags & ~kKnownFlags) != 0 || bytes > kMaxBlockBytes) {
    errno = EINVAL;
    return 0;
  }
  auto block = std::make_shared<GlobalBlock>();
  // One byte more for empty blocks, so every live handle owns a distinct address.
  block->bytes = static_cast<unsigned char*>(
      (flags & GMEM_ZEROINIT) ? std::calloc(bytes + 1, 1) : std::malloc(bytes + 1));
  if (block->bytes == nullptr) {
    errno = ENOMEM;
    return 0;
  }
  block->size_bytes = bytes;
  const HGLOBAL handle = GlobalBlocks::Insert(std::move(block));
  if (handle == 0) errno = ENOMEM;
  return handle;
}

extern "C" void* GlobalLock(HGLOBAL handle) {
  std::shared_ptr<GlobalBlock> block = FindBlock(handle);
  if (!block) return nullptr;
  ++block->lock_count;
  return block->bytes;
}

extern "C" int GlobalUnlock(HGLOBAL handle) {
  std::shared_ptr<GlobalBlock> block = FindBlock(handle);
  if (!block) return 0;
  unsigned count = block->lock_count.load();
  while (count > 0 && !block->lock_count.compare_exchange_weak(count, count - 1)) {
  }
  return count > 1;
}

extern "C" size_t GlobalSize(HGLOBAL handle) {
  std::shared_ptr<GlobalBlock> block = GlobalBlocks::Find(handle);
  return block ? block->size_bytes : 0;
}

extern "C" HGLOBAL GlobalFree(HGLOBAL handle) {
  if (!GlobalBlocks::Remove(handle)) {
    errno = EINVAL;
    return handle;
  }
  return 0;
}
