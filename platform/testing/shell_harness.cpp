// The harness's side of the shell: the switch that lets ShellExecute run
// its opener under the headless backend, and choosing in the folder browser.
#include <atomic>

#include "plat/shell.h"
#include "plat/testing.h"

namespace {
std::atomic<bool> g_spawn_allowed{false};
}  // namespace

namespace plat::test {

void AllowSpawn(bool allow) { g_spawn_allowed.store(allow); }

void ChooseFolder(ModalContext& context, const std::string& path) {
  SendMessage(context.modal(), BFFM_SETSELECTION, TRUE, reinterpret_cast<LPARAM>(path.c_str()));
  context.Press(IDOK);
}

}  // namespace plat::test

extern "C" int plat_testing_spawn_allowed() { return g_spawn_allowed.load() ? 1 : 0; }
