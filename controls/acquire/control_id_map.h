// ControlIdMap: the process-wide map from a control's 16-bit id (the id the
// acquisition libraries call back with) to the control. Built when the module
// starts and destroyed when it ends; every operation holds its one critical
// section for exactly that operation.
#ifndef CONTROLS_ACQUIRE_CONTROL_ID_MAP_H_
#define CONTROLS_ACQUIRE_CONTROL_ID_MAP_H_

#include <cstdint>

namespace mirrask {

class CQRVBImgAcquireCtrl;

void CreateControlIdMap();
void DestroyControlIdMap();
// The first id, counting down from (registered controls + 1), that is free;
// 0 when there is no map.
uint16_t RegisterControlId(CQRVBImgAcquireCtrl* control);
void UnregisterControlId(uint16_t id);
// Null for an id that is not registered.
CQRVBImgAcquireCtrl* LookupControlId(uint16_t id);

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_CONTROL_ID_MAP_H_
