// Where the benchmarks put the files they write: under $TMPDIR (or /tmp),
// named with the process id so that runs side by side never share a file,
// and removed (with a peer's temporary beside them) when the program ends.
#ifndef PELRITH_BENCH_TEMP_PATH_H_
#define PELRITH_BENCH_TEMP_PATH_H_

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>

class BenchTempFiles {
 public:
  ~BenchTempFiles() {
    for (const std::string& path : paths_) {
      std::remove(path.c_str());
      std::remove((path + ".tmp").c_str());
    }
  }
  const std::string& Add(std::string path) { return *paths_.insert(std::move(path)).first; }

 private:
  std::set<std::string> paths_;
};

inline std::string TempPath(const std::string& name) {
  static BenchTempFiles files;
  const char* dir = std::getenv("TMPDIR");
  return files.Add(std::string(dir != nullptr && dir[0] != '\0' ? dir : "/tmp") + "/pelrith_" +
                   std::to_string(::getpid()) + "_" + name);
}

#endif  // PELRITH_BENCH_TEMP_PATH_H_
