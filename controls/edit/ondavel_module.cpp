// The module object of libOndavel.so and its five exports. Start-up runs the
// framework's part first; only when that succeeds are the photo-disc and
// scanner-source libraries started, once each and in that order.
#include "ondavel_module.h"

#include "callback_window.h"
#include "module_resources.h"
#include "thumbnail_list.h"
#include "plat/acquire/pcd_ctrl.h"
#include "plat/acquire/twain_ctrl.h"

namespace ondavel {

namespace {

constexpr plat::GUID kOndavelLibId{0x6B3F1C20, 0x51D4, 0x4E8A, {0x9C, 0x37, 0x2A, 0x0E, 0x71, 0x4D, 0x0B, 0x01}};

OndavelModule g_module;

}  // namespace

const plat::TypeLibInfo& OndavelTypeLib() {
  static const plat::TypeLibInfo lib{"OndavelLib", kOndavelLibId, 1, 0, "Ondavel image edit control library", {}, {}};
  return lib;
}

const plat::TypeLibInfo& OndavelModule::GetTypeLib() const { return OndavelTypeLib(); }

std::span<const plat::ControlRegistration> OndavelModule::GetControls() const { return {}; }

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
