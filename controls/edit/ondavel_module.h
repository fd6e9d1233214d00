// The image edit control's module: its type library, its control classes
// and its start-up (the framework's first, then the two acquisition
// libraries').
#ifndef CONTROLS_EDIT_ONDAVEL_MODULE_H_
#define CONTROLS_EDIT_ONDAVEL_MODULE_H_

#include "plat/ctl/module.h"

namespace ondavel {

class OndavelModule : public plat::COleControlModule {
 public:
  const plat::TypeLibInfo& GetTypeLib() const override;
  std::span<const plat::ControlRegistration> GetControls() const override;
  std::span<const plat::PropertyPageRegistration> GetPropertyPages() const override;
  plat::BOOL InitInstance() override;
};

}  // namespace ondavel

#endif  // CONTROLS_EDIT_ONDAVEL_MODULE_H_
