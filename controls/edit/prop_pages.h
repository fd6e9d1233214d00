// The image edit control's five property pages: their classes as the
// module serves and registers them, and the control's page list.
#ifndef CONTROLS_EDIT_PROP_PAGES_H_
#define CONTROLS_EDIT_PROP_PAGES_H_

#include <span>
#include <vector>

#include "plat/oleaut/registration.h"

namespace ondavel {

// General, resizing, colour-reduction, scanner and photo-disc pages, each
// with its factory.
std::span<const plat::PropertyPageRegistration> PropertyPageRegistrations();

// The pages the control shows, in that order.
std::vector<plat::CLSID> ControlPropertyPages();

}  // namespace ondavel

#endif  // CONTROLS_EDIT_PROP_PAGES_H_
