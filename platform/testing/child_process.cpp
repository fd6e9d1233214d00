// Child runs of the test program; see child_process.h. The role runs from a
// GoogleTest environment, which starts only after every static registration,
// and the child ends with _Exit so no test of the program runs in it.
#include "plat/testing/child_process.h"

#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <map>

namespace plat::test {
namespace {

constexpr const char* kRoleVariable = "PLAT_TEST_CHILD_ROLE";
constexpr const char* kArgumentVariable = "PLAT_TEST_CHILD_ARGUMENT";
constexpr int kReadyFd = 97;  // the pipe's write end in the child

std::map<std::string, ChildRole>& Roles() {
  static std::map<std::string, ChildRole> roles;
  return roles;
}

class ChildRoleEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    const char* role = ::getenv(kRoleVariable);
    if (role == nullptr) return;
    const auto found = Roles().find(role);
    if (found == Roles().end()) {
      std::fprintf(stderr, "unknown child role %s\n", role);
      std::_Exit(125);
    }
    const char* argument = ::getenv(kArgumentVariable);
    std::fflush(stdout);
    const int code = found->second(argument != nullptr ? argument : "");
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(code);
  }
};

bool InstallEnvironment() {
  ::testing::AddGlobalTestEnvironment(new ChildRoleEnvironment);
  return true;
}

}  // namespace

bool RegisterChildRole(const char* name, ChildRole role) {
  static const bool installed = InstallEnvironment();
  (void)installed;
  Roles()[name] = role;
  return true;
}

void SignalReady() {
  const char byte = 'r';
  if (::write(kReadyFd, &byte, 1) != 1) std::perror("ready signal");
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0) Kill();
  if (ready_fd_ >= 0) ::close(ready_fd_);
}

bool ChildProcess::Start(const std::string& role, const std::string& argument) {
  int fds[2];
  if (::pipe2(fds, O_CLOEXEC) != 0) return false;
  std::fflush(stdout);
  std::fflush(stderr);
  const pid_t pid = ::fork();
  if (pid < 0) {
    ::close(fds[0]);
    ::close(fds[1]);
    return false;
  }
  if (pid == 0) {
    ::dup2(fds[1], kReadyFd);  // dup2 clears close-on-exec on the copy
    ::setenv(kRoleVariable, role.c_str(), 1);
    ::setenv(kArgumentVariable, argument.c_str(), 1);
    char program[] = "/proc/self/exe";
    char filter[] = "--gtest_brief=1";
    char* argv[] = {program, filter, nullptr};
    ::execv(program, argv);
    std::_Exit(126);
  }
  ::close(fds[1]);
  pid_ = pid;
  ready_fd_ = fds[0];
  return true;
}

bool ChildProcess::WaitReady() {
  char byte;
  ssize_t got;
  do {
    got = ::read(ready_fd_, &byte, 1);
  } while (got < 0 && errno == EINTR);
  return got == 1;
}

void ChildProcess::Kill() {
  if (pid_ <= 0) return;
  ::kill(pid_, SIGKILL);
  (void)Wait();
}

int ChildProcess::Wait() {
  if (pid_ <= 0) return -1;
  int status = 0;
  pid_t done;
  do {
    done = ::waitpid(pid_, &status, 0);
  } while (done < 0 && errno == EINTR);
  pid_ = -1;
  if (done < 0) return -1;
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

int RunChild(const std::string& role, const std::string& argument) {
  ChildProcess child;
  if (!child.Start(role, argument)) return -1;
  return child.Wait();
}

}  // namespace plat::test
