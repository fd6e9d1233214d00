// How a peer's file reaches its target in the benchmarks: the way the
// library's writers replace a file (written to a temporary beside the target,
// flushed to disk, renamed over it), so that both sides of a pair pay for
// the same flush and rename.
#ifndef PELRITH_BENCH_PEER_FILE_H_
#define PELRITH_BENCH_PEER_FILE_H_

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <string>

// The temporary a peer writes before ReplaceWithTemporary.
inline std::string PeerTemporary(const std::string& target) { return target + ".tmp"; }

// Flushes the peer's temporary to disk and renames it over `target`; false
// (the temporary removed) when a step fails or `written` is already false.
inline bool ReplaceWithTemporary(const std::string& target, bool written) {
  const std::string temp = PeerTemporary(target);
  const int fd = written ? ::open(temp.c_str(), O_RDONLY) : -1;
  bool ok = fd >= 0 && ::fsync(fd) == 0;
  if (fd >= 0) ::close(fd);
  ok = ok && std::rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) std::remove(temp.c_str());
  return ok;
}

#endif  // PELRITH_BENCH_PEER_FILE_H_
