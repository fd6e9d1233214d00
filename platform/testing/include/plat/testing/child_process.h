// Child processes for tests that need a second process: the test program
// starts itself again with a role name, and the role's body runs in place of
// the tests (before any test starts) and gives the exit code. The child sees
// the parent's environment, so it shares the parent test's folders.
#ifndef PLAT_TESTING_CHILD_PROCESS_H_
#define PLAT_TESTING_CHILD_PROCESS_H_

#include <sys/types.h>

#include <string>

namespace plat::test {

using ChildRole = int (*)(const std::string& argument);

// Registers a role under `name`; used through PLAT_TEST_CHILD_ROLE.
bool RegisterChildRole(const char* name, ChildRole role);

// In a child: tells the parent it has reached the point it waits for.
void SignalReady();

class ChildProcess {
 public:
  ChildProcess() = default;
  ~ChildProcess();  // kills and reaps a child still running
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  // Starts this program again in `role` with `argument`; false when it cannot.
  bool Start(const std::string& role, const std::string& argument = {});
  // Waits until the child calls SignalReady; false when it ended first.
  bool WaitReady();
  // Kills the child with SIGKILL and reaps it.
  void Kill();
  // Waits for the exit: the exit code, 128 + the signal, or -1.
  int Wait();

 private:
  pid_t pid_ = -1;
  int ready_fd_ = -1;
};

// Starts a child in `role` and waits for it: its exit code as Wait gives it.
int RunChild(const std::string& role, const std::string& argument = {});

}  // namespace plat::test

#define PLAT_TEST_CHILD_ROLE(name)                                                         \
  static int PlatChildRole_##name(const std::string& argument);                           \
  [[maybe_unused]] static const bool plat_child_role_registered_##name =                   \
      ::plat::test::RegisterChildRole(#name, &PlatChildRole_##name);                        \
  static int PlatChildRole_##name([[maybe_unused]] const std::string& argument)

#endif  // PLAT_TESTING_CHILD_PROCESS_H_
