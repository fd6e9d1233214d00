// The module object of libOndavel.so and its five exports. Start-up runs the
// framework's part first; only when that succeeds are the photo-disc and
// scanner-source libraries started, once each and in that order.
#include "ondavel_module.h"

#include "callback_window.h"
#include "edit_type_library.h"
#include "module_resources.h"
#include "prop_pages.h"
#include "thumbnail_list.h"
#include "plat/acquire/pcd_ctrl.h"
#include "plat/acquire/twain_ctrl.h"

namespace ondavel {

namespace {

OndavelModule g_module;

}  // namespace

const plat::TypeLibInfo& OndavelModule::GetTypeLib() const { return OndavelTypeLib(); }

std::span<const plat::ControlRegistration> OndavelModule::GetControls() const {
  return {&ImageEditRegistration(), 1};
}

std::span<const plat::PropertyPageRegistration> OndavelModule::GetPropertyPages() const {
  return PropertyPageRegistrations();
}

plat::BOOL OndavelModule::InitInstance() {
  if (!COleControlModule::InitInstance()) return FALSE;
  // Their results are not needed here: each library reports again when used.
  (void)InitK7RBIPCD();
  (void)InitK7RBITWN();
  // The windows' resources and registered messages exist from load on.
  OndavelResources();
  ThumbSelChangeMessage();
  ThumbItemDblclkMessage();
  AcqNotifyMessage();
  return TRUE;
}

}  // namespace ondavel

PLAT_CONTROL_MODULE_EXPORTS(ondavel::g_module)
