// The slots of the process-wide handle table. Free slots wait in a queue, so
// the slot freed longest ago is reused first and a just-freed id stays dead as
// long as possible; each reuse bumps the slot's generation.
#include "plat/handle_table.h"

#include <deque>
#include <mutex>
#include <vector>

namespace plat {

namespace {

struct Slot {
  uint32_t generation = 0;  // of the live or the last issued id
  HandleKind kind = HandleKind::kOther;
  std::shared_ptr<void> object;  // null while free
};

uint32_t SlotOf(uint32_t id) { return id & kHandleSlotMask; }
uint32_t GenerationOf(uint32_t id) { return id >> kHandleSlotBits; }

}  // namespace

struct HandleTable::State {
  mutable std::mutex mutex;
  std::vector<Slot> slots = std::vector<Slot>(kFirstHandleSlot);
  std::deque<uint32_t> free_slots;
  std::vector<size_t> live_by_kind = std::vector<size_t>(256);

  const Slot* LiveSlot(uint32_t id, HandleKind kind) const {
    const uint32_t slot = SlotOf(id);
    if (slot < kFirstHandleSlot || slot >= slots.size()) return nullptr;
    const Slot& entry = slots[slot];
    if (!entry.object || entry.generation != GenerationOf(id) || entry.kind != kind) return nullptr;
    return &entry;
  }
};

HandleTable::HandleTable() : state_(std::make_unique<State>()) {}
HandleTable::~HandleTable() = default;

HandleTable& HandleTable::Instance() {
  static HandleTable* table = new HandleTable;  // never destroyed: handles may outlive static teardown
  return *table;
}

uint32_t HandleTable::Insert(HandleKind kind, std::shared_ptr<void> object) {
  if (!object) return 0;
  std::lock_guard<std::mutex> lock(state_->mutex);
  uint32_t slot = 0;
  uint32_t generation = 1;  // generation 0 is never issued, so no id is 0
  if (!state_->free_slots.empty()) {
    slot = state_->free_slots.front();
    state_->free_slots.pop_front();
    generation = state_->slots[slot].generation + 1;
  } else if (state_->slots.size() <= kHandleSlotMask) {
    slot = static_cast<uint32_t>(state_->slots.size());
    state_->slots.emplace_back();
  } else {
    return 0;
  }
  Slot& entry = state_->slots[slot];
  entry.generation = generation;
  entry.kind = kind;
  entry.object = std::move(object);
  ++state_->live_by_kind[static_cast<size_t>(kind)];
  return (generation << kHandleSlotBits) | slot;
}

std::shared_ptr<void> HandleTable::Find(uint32_t id, HandleKind kind) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  const Slot* entry = state_->LiveSlot(id, kind);
  return entry ? entry->object : nullptr;
}

std::shared_ptr<void> HandleTable::Remove(uint32_t id, HandleKind kind) {
  std::lock_guard<std::mutex> lock(state_->mutex);
  if (state_->LiveSlot(id, kind) == nullptr) return nullptr;
  const uint32_t slot = SlotOf(id);
  Slot& entry = state_->slots[slot];
  std::shared_ptr<void> object = std::move(entry.object);
  entry.object.reset();
  --state_->live_by_kind[static_cast<size_t>(kind)];
  // The last generation retires the slot, so no later id can equal an earlier one.
  if (entry.generation + 1 < kHandleGenerationCount) state_->free_slots.push_back(slot);
  return object;
}

size_t HandleTable::LiveCount(HandleKind kind) const {
  std::lock_guard<std::mutex> lock(state_->mutex);
  return state_->live_by_kind[static_cast<size_t>(kind)];
}

}  // namespace plat
