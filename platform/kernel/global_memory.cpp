// Global-memory blocks in the process-wide handle table. A freed handle's id
// is dead for good (see handle_table.h), so a stale handle finds nothing
// instead of a newer block.
//
// The bytes of a freed large block (a page of an image) are kept for the next
// large request instead of going back to the system: a fresh mapping costs a
// page fault for every 4 KiB at first touch, which for a scanned page is far
// more than the work done on it, and a library call makes and frees several
// such blocks. Only a few blocks are kept, and none in a sanitizer build, where
// reusing freed memory would hide a use after GlobalFree.
#include "plat/global_memory.h"

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <vector>

#include "fault_hook.h"
#include "plat/handle_table.h"

#if defined(__SANITIZE_ADDRESS__)
#define PLAT_KEEP_FREED_BLOCKS 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define PLAT_KEEP_FREED_BLOCKS 0
#endif
#endif
#ifndef PLAT_KEEP_FREED_BLOCKS
#define PLAT_KEEP_FREED_BLOCKS 1
#endif

namespace {

// Blocks from this size on are kept when freed; at most this many, holding
// at most this much, and a kept block serves a request of at least half its
// size.
constexpr size_t kKeptMinBytes = size_t{1} << 20;
constexpr size_t kKeptMaxBlocks = 4;
constexpr size_t kKeptMaxTotalBytes = size_t{256} << 20;

struct KeptBytes {
  unsigned char* bytes;
  size_t capacity_bytes;
};

// Freed large blocks, oldest first.
class KeptBlocks {
 public:
  // Bytes of at least `capacity_bytes` from a kept block, or null: the
  // smallest that fits, and of equal ones the last freed, whose bytes are the
  // likeliest to be in the cache still. (Taking the oldest made a call that
  // frees its result before the next one alternate between two page-sized
  // blocks, and every call missed the cache on the result.)
  unsigned char* Take(size_t capacity_bytes, size_t* taken_capacity) {
    if (!PLAT_KEEP_FREED_BLOCKS || capacity_bytes < kKeptMinBytes) return nullptr;
    std::lock_guard<std::mutex> lock(mutex_);
    size_t best = kept_.size();
    for (size_t i = 0; i < kept_.size(); ++i) {
      const size_t capacity = kept_[i].capacity_bytes;
      if (capacity < capacity_bytes || capacity / 2 > capacity_bytes) continue;
      if (best == kept_.size() || capacity <= kept_[best].capacity_bytes) best = i;
    }
    if (best == kept_.size()) return nullptr;
    unsigned char* bytes = kept_[best].bytes;
    *taken_capacity = kept_[best].capacity_bytes;
    total_bytes_ -= *taken_capacity;
    kept_.erase(kept_.begin() + static_cast<std::ptrdiff_t>(best));
    return bytes;
  }

  // Keeps `bytes` or frees them; the oldest kept blocks make room.
  void Give(unsigned char* bytes, size_t capacity_bytes) {
    if (!PLAT_KEEP_FREED_BLOCKS || capacity_bytes < kKeptMinBytes || capacity_bytes > kKeptMaxTotalBytes) {
      std::free(bytes);
      return;
    }
    std::vector<unsigned char*> released;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      while (!kept_.empty() &&
             (kept_.size() >= kKeptMaxBlocks || total_bytes_ + capacity_bytes > kKeptMaxTotalBytes)) {
        released.push_back(kept_.front().bytes);
        total_bytes_ -= kept_.front().capacity_bytes;
        kept_.erase(kept_.begin());
      }
      kept_.push_back({bytes, capacity_bytes});
      total_bytes_ += capacity_bytes;
    }
    for (unsigned char* old : released) std::free(old);
  }

 private:
  std::mutex mutex_;
  std::vector<KeptBytes> kept_;
  size_t total_bytes_ = 0;
};

KeptBlocks& Kept() {
  // Never destroyed: blocks may be freed by other static destructors.
  static KeptBlocks* kept = new KeptBlocks;
  return *kept;
}

struct GlobalBlock {
  size_t size_bytes = 0;
  size_t capacity_bytes = 0;
  std::atomic<unsigned> lock_count{0};
  unsigned char* bytes = nullptr;

  ~GlobalBlock() {
    if (bytes != nullptr) Kept().Give(bytes, capacity_bytes);
  }
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
  // A test may ask for this allocation to fail, as an exhausted heap would.
  if (plat::internal::ShouldFailGlobalAlloc()) {
    errno = ENOMEM;
    return 0;
  }
  auto block = std::make_shared<GlobalBlock>();
  // One byte more for empty blocks, so every live handle owns a distinct address.
  block->capacity_bytes = bytes + 1;
  block->bytes = Kept().Take(bytes + 1, &block->capacity_bytes);
  if (block->bytes != nullptr) {
    if ((flags & GMEM_ZEROINIT) != 0) std::memset(block->bytes, 0, bytes + 1);
  } else {
    block->bytes = static_cast<unsigned char*>(
        (flags & GMEM_ZEROINIT) ? std::calloc(bytes + 1, 1) : std::malloc(bytes + 1));
  }
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
