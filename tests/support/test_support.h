// Helpers shared by the test suites: scratch folders, file bytes, the corpus
// folder and the oracle programs.
#ifndef TESTS_SUPPORT_TEST_SUPPORT_H_
#define TESTS_SUPPORT_TEST_SUPPORT_H_

#include <cstdint>
#include <string>
#include <vector>

namespace testing_support {

// A fresh folder under the temporary folder, removed with everything in it.
class ScopedTempDir {
 public:
  ScopedTempDir();
  ~ScopedTempDir();
  ScopedTempDir(const ScopedTempDir&) = delete;
  ScopedTempDir& operator=(const ScopedTempDir&) = delete;

  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string path_;
};

std::vector<uint8_t> ReadFileBytes(const std::string& path);
void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadFileText(const std::string& path);

// The corpus folder from PELRITH_CORPUS_DIR; empty when it is not set.
std::string CorpusDir();

// Skips the current test when no corpus was found at configure time.
#define PELRITH_REQUIRE_CORPUS()                                        \
  do {                                                                  \
    if (testing_support::CorpusDir().empty()) GTEST_SKIP() << "no corpus"; \
  } while (0)

// Runs a shell command; returns its exit status and fills `output` with what
// it printed on stdout.
int RunCommand(const std::string& command, std::string* output = nullptr);

// Names of the ipi* files in the temporary folder, to show none were left.
std::vector<std::string> LibraryTempFiles();

}  // namespace testing_support

#endif  // TESTS_SUPPORT_TEST_SUPPORT_H_
