// The control module of Mirrask: its type library, its one creatable class,
// and the module handle its resources are registered under.
#ifndef CONTROLS_ACQUIRE_ACQUIRE_MODULE_H_
#define CONTROLS_ACQUIRE_ACQUIRE_MODULE_H_

#include "plat/oleaut/registration.h"
#include "plat/types.h"

namespace mirrask {

const plat::TypeLibInfo& MirraskTypeLib();
const plat::ControlRegistration& ImageAcquireRegistration();
plat::HINSTANCE ModuleInstance();

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_ACQUIRE_MODULE_H_
