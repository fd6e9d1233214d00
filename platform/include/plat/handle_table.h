// The process-wide handle table: every handle the platform gives out (global
// memory, registry keys, modules, windows, drawing objects, ...) is a 32-bit
// id into this one table, so a stale or foreign id is refused instead of
// reaching freed or wrong memory. An id is 20 bits of slot and 12 bits of
// generation; a freed slot is reused oldest-first with the next generation,
// and a slot whose generation would wrap is retired for good.
#ifndef PLAT_HANDLE_TABLE_H_
#define PLAT_HANDLE_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

namespace plat {

// What a handle names; an id is found only under the kind it was issued for.
enum class HandleKind : uint8_t {
  kGlobalMemory = 1,
  kRegistryKey,
  kModule,
  kMutex,
  kFindFile,
  kWindow,
  kDeviceContext,
  kPen,
  kBrush,
  kBitmap,
  kFont,
  kRegion,
  kPalette,
  kIcon,
  kCursor,
  kMenu,
  kAccelerator,
  kImageList,
  kTimer,
  kOther,
};

constexpr int kHandleSlotBits = 20;
constexpr uint32_t kHandleSlotMask = (uint32_t{1} << kHandleSlotBits) - 1;
constexpr uint32_t kHandleGenerationCount = uint32_t{1} << (32 - kHandleSlotBits);
// Slots below this are never issued, so small constants (the predefined
// registry roots 0x80000000-0x80000006 among them) never alias a live handle.
constexpr uint32_t kFirstHandleSlot = 16;

class HandleTable {
 public:
  // The one table of the process.
  static HandleTable& Instance();

  // A new id for `object`, or 0 when every slot is taken.
  uint32_t Insert(HandleKind kind, std::shared_ptr<void> object);
  // The object of a live id of this kind; null for a stale, foreign or unknown id.
  std::shared_ptr<void> Find(uint32_t id, HandleKind kind) const;
  // Takes the object out; the id is dead from now on. Null when it was not live.
  std::shared_ptr<void> Remove(uint32_t id, HandleKind kind);
  // Live handles of one kind (the test fixtures expect 0 at teardown).
  size_t LiveCount(HandleKind kind) const;

  HandleTable(const HandleTable&) = delete;
  HandleTable& operator=(const HandleTable&) = delete;

 private:
  HandleTable();
  ~HandleTable();
  struct State;
  std::unique_ptr<State> state_;
};

// A typed view of the table for one kind of object.
template <class T, HandleKind Kind>
struct Handles {
  static uint32_t Insert(std::shared_ptr<T> object) {
    return HandleTable::Instance().Insert(Kind, std::move(object));
  }
  static std::shared_ptr<T> Find(uint32_t id) {
    return std::static_pointer_cast<T>(HandleTable::Instance().Find(id, Kind));
  }
  static std::shared_ptr<T> Remove(uint32_t id) {
    return std::static_pointer_cast<T>(HandleTable::Instance().Remove(id, Kind));
  }
  static size_t LiveCount() { return HandleTable::Instance().LiveCount(Kind); }
};

}  // namespace plat

#endif  // PLAT_HANDLE_TABLE_H_
