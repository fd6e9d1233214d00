// The suite's per-user folder, $XDG_CONFIG_HOME/quorvel_k (by default
// ~/.config/quorvel_k), where bare ini names resolve and the registry lives.
#ifndef PLAT_USER_FOLDER_H_
#define PLAT_USER_FOLDER_H_

#include <string>

namespace plat {

// The per-user folder, made (mode 0700) on first use; no trailing "/". The
// path is given even when it cannot be made: writes there then fail.
std::string UserFolder();

// The user's home folder: $HOME when it is absolute, else the password
// entry's, else "/tmp".
std::string HomeFolder();

// Makes `path` and every missing folder above it (mode 0700); true when the
// folder exists afterwards.
bool MakeFolders(const std::string& path);

}  // namespace plat

#endif  // PLAT_USER_FOLDER_H_
