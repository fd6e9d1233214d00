// The class registration under HKEY_CLASSES_ROOT as CoCreateInstance and the
// ProgID functions read it.
#ifndef PLAT_OLEAUT_CLASS_REGISTRY_H_
#define PLAT_OLEAUT_CLASS_REGISTRY_H_

#include <string>

#include "plat/oleaut/guid.h"

namespace plat::oleaut_internal {

// The class object of a registered in-process server: its module is loaded
// and attached on first use and stays loaded.
HRESULT GetRegisteredClassObject(const CLSID& clsid, const IID& iid, void** out);
HRESULT LookupProgID(const char* prog_id, CLSID* clsid);
HRESULT LookupClassProgID(const CLSID& clsid, std::string* prog_id);

}  // namespace plat::oleaut_internal

#endif  // PLAT_OLEAUT_CLASS_REGISTRY_H_
