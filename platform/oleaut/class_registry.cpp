// Until the registry store is part of the kernel, no class is registered
// beyond those registered in code.
#include "class_registry.h"

#include "plat/oleaut/errors.h"

namespace plat::oleaut_internal {

HRESULT GetRegisteredClassObject(const CLSID&, const IID&, void**) { return REGDB_E_CLASSNOTREG; }
HRESULT LookupProgID(const char*, CLSID*) { return CO_E_CLASSSTRING; }
HRESULT LookupClassProgID(const CLSID&, std::string*) { return REGDB_E_CLASSNOTREG; }

}  // namespace plat::oleaut_internal
