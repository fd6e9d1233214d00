// The auto-acquire control's four property pages: their classes as the
// module serves and registers them, and the control's page list.
#ifndef CONTROLS_ACQUIRE_PROP_PAGES_H_
#define CONTROLS_ACQUIRE_PROP_PAGES_H_

#include <span>
#include <vector>

#include "plat/oleaut/registration.h"

namespace mirrask {

// General, scanner, Photo CD and save format, each with its factory.
std::span<const plat::PropertyPageRegistration> PropertyPageRegistrations();

// The pages the control shows, in order: general, save format, scanner,
// Photo CD, then the platform's stock colour page.
std::vector<plat::CLSID> ControlPropertyPages();

}  // namespace mirrask

#endif  // CONTROLS_ACQUIRE_PROP_PAGES_H_
