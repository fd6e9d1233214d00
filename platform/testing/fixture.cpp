// The platform test fixture; see fixture.h.
#include "plat/testing/fixture.h"

#include <dirent.h>
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "plat/clock.h"
#include "plat/handle_table.h"
#include "plat/registry.h"
#include "plat/temp_file.h"

namespace plat::test {
namespace {

constexpr const char* kVariables[] = {"PLAT_REGISTRY_DIR", "XDG_CONFIG_HOME", "TMPDIR", "XDG_RUNTIME_DIR"};
constexpr HandleKind kCheckedKinds[] = {HandleKind::kRegistryKey, HandleKind::kFindFile, HandleKind::kMutex};

}  // namespace

void PlatformTest::SetUp() {
  std::string pattern = TempFolder() + "/plat-test-XXXXXX";
  ASSERT_NE(::mkdtemp(pattern.data()), nullptr) << "cannot make a test folder under " << TempFolder();
  root_ = pattern;
  for (const char* sub : {"/work", "/config", "/registry", "/tmp", "/runtime"}) {
    std::filesystem::create_directory(root_ + sub);
  }
  const std::string values[] = {RegistryDir(), ConfigHome(), TempDir(), RuntimeDir()};
  for (size_t i = 0; i < std::size(kVariables); ++i) {
    const char* old = ::getenv(kVariables[i]);
    saved_.push_back(SavedVariable{kVariables[i], old != nullptr, old != nullptr ? old : ""});
    ::setenv(kVariables[i], values[i].c_str(), 1);
  }
  SetRegistryRoot(nullptr);
  SetClock(nullptr);
  for (HandleKind kind : kCheckedKinds) live_handles_.push_back(HandleTable::Instance().LiveCount(kind));
}

void PlatformTest::TearDown() {
  for (size_t i = 0; i < live_handles_.size(); ++i) {
    EXPECT_EQ(HandleTable::Instance().LiveCount(kCheckedKinds[i]), live_handles_[i])
        << "handles of kind " << static_cast<int>(kCheckedKinds[i]) << " left open";
  }
  SetRegistryRoot(nullptr);
  SetClock(nullptr);
  for (const SavedVariable& variable : saved_) {
    if (variable.was_set) {
      ::setenv(variable.name.c_str(), variable.value.c_str(), 1);
    } else {
      ::unsetenv(variable.name.c_str());
    }
  }
  if (!root_.empty()) {
    std::error_code ignored;
    // A test may leave read-only folders behind; make them writable first.
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
      if (it->is_directory(ignored) && !it->is_symlink(ignored)) {
        std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ignored);
      }
    }
    std::filesystem::remove_all(root_, ignored);
  }
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << "cannot write " << path;
}

std::string CommandOutput(const std::string& command) {
  std::string out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t got = 0;
  while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, got);
  pclose(pipe);
  return out;
}

std::vector<std::string> ListFolder(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(path, ignored)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace plat::test
