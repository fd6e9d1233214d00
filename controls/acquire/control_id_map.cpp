// The process-wide id map of the auto-acquire controls, under one lock.
#include "control_id_map.h"

#include <unordered_map>

#include "plat/sync.h"

namespace mirrask {
namespace {

struct IdMap {
  IdMap() { plat::InitializeCriticalSection(&lock); }
  ~IdMap() { plat::DeleteCriticalSection(&lock); }
  plat::CRITICAL_SECTION lock;
  std::unordered_map<uint16_t, CQRVBImgAcquireCtrl*> controls;
};

IdMap* g_map = nullptr;

class Locked {
 public:
  explicit Locked(IdMap& map) : map_(map) { plat::EnterCriticalSection(&map_.lock); }
  ~Locked() { plat::LeaveCriticalSection(&map_.lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;

 private:
  IdMap& map_;
};

}  // namespace

void CreateControlIdMap() {
  if (g_map == nullptr) g_map = new IdMap;
}

void DestroyControlIdMap() {
  delete g_map;
  g_map = nullptr;
}

uint16_t RegisterControlId(CQRVBImgAcquireCtrl* control) {
  if (g_map == nullptr) return 0;
  Locked hold(*g_map);
  // At most `size` ids are taken, so one of size + 1 .. 1 is free.
  for (size_t id = g_map->controls.size() + 1; id >= 1; --id) {
    if (id > UINT16_MAX) continue;
    const auto key = static_cast<uint16_t>(id);
    if (g_map->controls.count(key) == 0) {
      g_map->controls.emplace(key, control);
      return key;
    }
  }
  return 0;
}

void UnregisterControlId(uint16_t id) {
  if (g_map == nullptr || id == 0) return;
  Locked hold(*g_map);
  g_map->controls.erase(id);
}

CQRVBImgAcquireCtrl* LookupControlId(uint16_t id) {
  if (g_map == nullptr) return nullptr;
  Locked hold(*g_map);
  const auto it = g_map->controls.find(id);
  return it == g_map->controls.end() ? nullptr : it->second;
}

}  // namespace mirrask
