// Start and end of the class-library runtime. Nothing of the runtime is set
// up by static initialisation: Init() makes its state (the published-property
// tables and the class registry) and Shutdown() frees it. Calls nest; only
// the outermost Shutdown frees the state.
#ifndef PLAT_FORMS_RUNTIME_H_
#define PLAT_FORMS_RUNTIME_H_

namespace plat::forms {

void Init();
void Shutdown();
bool IsRunning();

}  // namespace plat::forms

#endif  // PLAT_FORMS_RUNTIME_H_
