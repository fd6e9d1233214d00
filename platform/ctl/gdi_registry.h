// Which class-library object owns a drawing handle, and which CDCs hold a
// handle selected: the bookkeeping that lets an object be deleted safely.
#ifndef PLAT_CTL_GDI_REGISTRY_H_
#define PLAT_CTL_GDI_REGISTRY_H_

#include <mutex>

#include "plat/types.h"

namespace plat {

class CGdiObject;

namespace gdi_registry {

// Drawing objects may be used from any thread; one lock guards the books.
std::mutex& Lock();
void AddOwner(HGDIOBJ object, CGdiObject* owner);
void RemoveOwner(HGDIOBJ object, const CGdiObject* owner);
CGdiObject* FindOwner(HGDIOBJ object);

}  // namespace gdi_registry
}  // namespace plat

#endif  // PLAT_CTL_GDI_REGISTRY_H_
