// ShellExecute: documents and addresses opened by the desktop's opener,
// run with an argument vector (no command interpreter sees the name) and
// reaped by a detached waiter, so the caller never waits for the viewer.
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <string>
#include <thread>

#include "plat/headless.h"
#include "shell/shell_internal.h"
#include "user/window_system.h"

extern char** environ;

namespace plat {

namespace {

constexpr const char* kOpener = "xdg-open";

HINSTANCE ResultOf(int code) { return reinterpret_cast<HINSTANCE>(static_cast<intptr_t>(code)); }

bool IsOpenVerb(const char* verb) {
  if (verb == nullptr || verb[0] == '\0') return true;
  const std::string_view text(verb);
  if (text.size() != 4) return false;
  for (size_t i = 0; i < 4; ++i) {
    if (std::tolower(static_cast<unsigned char>(text[i])) != "open"[i]) return false;
  }
  return true;
}

// "scheme:" with a scheme of two or more characters; a path never has one
// here, as paths always start with "/" or name a relative file.
bool IsUrl(std::string_view text) {
  const size_t colon = text.find(':');
  if (colon == std::string_view::npos || colon < 2) return false;
  if (!std::isalpha(static_cast<unsigned char>(text[0]))) return false;
  for (size_t i = 1; i < colon; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (!std::isalnum(c) && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// Starts the opener with `target` as its one argument; the waiter thread
// reaps it whenever it ends. False when it could not be started.
bool Spawn(const std::string& target) {
  std::string program(kOpener);
  std::string argument(target);
  char* argv[] = {program.data(), argument.data(), nullptr};
  pid_t pid = -1;
  if (::posix_spawnp(&pid, kOpener, nullptr, nullptr, argv, environ) != 0) return false;
  std::thread([pid] {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
  }).detach();
  return true;
}

bool IsHeadless() { return headless::CurrentHeadless() != nullptr; }

}  // namespace

HINSTANCE ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                       const char* directory, int show) {
  (void)owner;
  (void)show;
  if (file == nullptr || file[0] == '\0') return ResultOf(SE_ERR_FNF);
  if (!IsOpenVerb(verb)) return ResultOf(SE_ERR_NOASSOC);
  std::string target(file);
  if (!IsUrl(target)) {
    if (target.front() != '/' && directory != nullptr && directory[0] != '\0') {
      target = shell::JoinPath(directory, target);
    }
    struct stat info;
    if (::stat(target.c_str(), &info) != 0) return ResultOf(SE_ERR_FNF);
    // A name the opener could read as an option is passed as a path.
    if (target.front() == '-') target = "./" + target;
  }
  backend::Backend& backend = user::Backend();
  if (parameters != nullptr && parameters[0] != '\0') {
    backend.Journal("shell", std::string("parameters ignored: ") + parameters);
  }
  if (IsHeadless()) {
    backend.Journal("shell", "open " + target);
    const bool is_allowed = plat_testing_spawn_allowed != nullptr && plat_testing_spawn_allowed() != 0;
    if (!is_allowed) return ResultOf(kShellExecuteSpawned);
  }
  return ResultOf(Spawn(target) ? kShellExecuteSpawned : SE_ERR_NOASSOC);
}

}  // namespace plat
