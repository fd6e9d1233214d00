// What the shell's files share: item lists made from paths, lexical path
// clean-up, and the hook the test harness turns to let ShellExecute run.
#ifndef PLAT_SHELL_SHELL_INTERNAL_H_
#define PLAT_SHELL_SHELL_INTERNAL_H_

#include <optional>
#include <string>
#include <string_view>

#include "plat/shell.h"

namespace plat::shell {

// An absolute path with "." and ".." resolved and empty segments dropped
// (".." at the root stays at the root); nullopt for a relative path.
std::optional<std::string> CleanAbsolutePath(std::string_view path);
// The folder above a clean absolute path ("/" for "/" itself).
std::string ParentOf(const std::string& path);
// The last segment of a clean absolute path ("/" for the root).
std::string LastSegment(const std::string& path);
// `name` inside `folder`.
std::string JoinPath(const std::string& folder, const std::string& name);

// A new item list holding a clean absolute path (the path is taken as it is).
PIDLIST_ABSOLUTE MakeItemList(const std::string& clean_path);
// The path an item list holds; nullopt for null or a foreign block.
std::optional<std::string> PathOfItemList(PCIDLIST_ABSOLUTE pidl);

bool IsFolder(const std::string& path);
bool Exists(const std::string& path);

}  // namespace plat::shell

// Defined by the test harness only: non-zero lets ShellExecute run the
// opener under the headless backend.
extern "C" int plat_testing_spawn_allowed() __attribute__((weak));

#endif  // PLAT_SHELL_SHELL_INTERNAL_H_
