// The GoogleTest fixture of platform tests: each test gets its own folder with
// its own registry ($PLAT_REGISTRY_DIR), per-user folder ($XDG_CONFIG_HOME),
// temporary folder ($TMPDIR) and runtime folder for named mutexes
// ($XDG_RUNTIME_DIR), all removed afterwards, and a check that
// the test closed every registry key, search and mutex handle it opened.
#ifndef PLAT_TESTING_FIXTURE_H_
#define PLAT_TESTING_FIXTURE_H_

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <vector>

namespace plat::test {

class PlatformTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The test's own folder; scratch files go to WorkPath(name).
  const std::string& root() const { return root_; }
  std::string WorkPath(const std::string& name) const { return root_ + "/work/" + name; }
  std::string ConfigHome() const { return root_ + "/config"; }
  std::string RegistryDir() const { return root_ + "/registry"; }
  std::string TempDir() const { return root_ + "/tmp"; }
  std::string RuntimeDir() const { return root_ + "/runtime"; }

 private:
  struct SavedVariable {
    std::string name;
    bool was_set = false;
    std::string value;
  };
  std::string root_;
  std::vector<SavedVariable> saved_;
  std::vector<size_t> live_handles_;
};

// Bytes of a file ("" when it is missing), and a file written from bytes.
std::string ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::string& bytes);
// The names in a folder, sorted, "." and ".." left out.
std::vector<std::string> ListFolder(const std::string& path);
// What a shell command writes to its standard output ("" when it cannot run).
std::string CommandOutput(const std::string& command);

}  // namespace plat::test

#endif  // PLAT_TESTING_FIXTURE_H_
