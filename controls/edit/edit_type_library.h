// The type library OndavelLib as tables: the coclass ImageEdit with its
// dispatch and event interfaces, the enumerations, and the registration of
// the control class.
#ifndef CONTROLS_EDIT_EDIT_TYPE_LIBRARY_H_
#define CONTROLS_EDIT_EDIT_TYPE_LIBRARY_H_

#include "plat/oleaut/registration.h"
#include "plat/oleaut/typelib.h"

namespace ondavel {

const plat::TypeLibInfo& OndavelTypeLib();
const plat::ControlRegistration& ImageEditRegistration();

}  // namespace ondavel

#endif  // CONTROLS_EDIT_EDIT_TYPE_LIBRARY_H_
