#include "acquire/sane/backend_threads.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

namespace plat::acquire {

namespace {

constexpr std::chrono::milliseconds kPollInterval{1};

std::vector<pid_t> ThreadsOfProcess() {
  std::vector<pid_t> ids;
  DIR* dir = opendir("/proc/self/task");
  if (dir == nullptr) return ids;
  while (const dirent* entry = readdir(dir)) {
    char* end = nullptr;
    const long id = std::strtol(entry->d_name, &end, 10);
    if (end != entry->d_name && *end == '\0' && id > 0) ids.push_back(static_cast<pid_t>(id));
  }
  closedir(dir);
  std::sort(ids.begin(), ids.end());
  return ids;
}

// The state letter of /proc/self/task/<id>/stat; 0 once the thread is gone.
char StateOf(pid_t id) {
  const std::string path = "/proc/self/task/" + std::to_string(id) + "/stat";
  FILE* file = std::fopen(path.c_str(), "re");
  if (file == nullptr) return 0;
  char line[512] = {};
  const size_t got = std::fread(line, 1, sizeof line - 1, file);
  std::fclose(file);
  // The command name may hold spaces and parentheses: the state follows the last ')'.
  const char* close = static_cast<const char*>(memrchr(line, ')', got));
  if (close == nullptr || close + 2 >= line + got) return 0;
  return close[2];
}

// Running or runnable threads may be anywhere, an allocation included.
bool IsRunning(char state) { return state == 'R'; }

}  // namespace

void BackendThreads::NoteExisting() { existing_ = ThreadsOfProcess(); }

bool BackendThreads::WaitUntilIdle(std::chrono::milliseconds bound) const {
  const pid_t self = gettid();
  const auto deadline = std::chrono::steady_clock::now() + bound;
  for (;;) {
    bool busy = false;
    for (const pid_t id : ThreadsOfProcess()) {
      if (id == self || std::binary_search(existing_.begin(), existing_.end(), id)) continue;
      busy = busy || IsRunning(StateOf(id));
    }
    if (!busy) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(kPollInterval);
  }
}

}  // namespace plat::acquire
