// Shared test helpers; see test_support.h.
#include "tests/support/test_support.h"
#include "tests/support/patch_byte.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>

namespace testing_support {

namespace fs = std::filesystem;

namespace {
std::string TempRoot() {
  const char* folder = ::getenv("TMPDIR");
  return (folder != nullptr && folder[0] != '\0') ? folder : "/tmp";
}
}  // namespace

ScopedTempDir::ScopedTempDir() {
  std::string pattern = TempRoot() + "/pelrith-test-XXXXXX";
  std::vector<char> name(pattern.begin(), pattern.end());
  name.push_back('\0');
  if (::mkdtemp(name.data()) == nullptr) {
    ADD_FAILURE() << "cannot make a scratch folder";
    return;
  }
  path_ = name.data();
}

ScopedTempDir::~ScopedTempDir() {
  if (path_.empty()) return;
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

std::vector<std::string> ScopedTempDir::List() const {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadFileText(const std::string& path) {
  std::vector<uint8_t> bytes = ReadFileBytes(path);
  return std::string(bytes.begin(), bytes.end());
}

std::string CorpusDir() {
  const char* folder = ::getenv("PELRITH_CORPUS_DIR");
  return folder != nullptr ? folder : "";
}

int RunCommand(const std::string& command, std::string* output) {
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return -1;
  std::array<char, 4096> buffer;
  std::string text;
  size_t got;
  while ((got = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0) text.append(buffer.data(), got);
  int status = ::pclose(pipe);
  if (output != nullptr) *output = text;
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> LibraryTempFiles() {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(TempRoot(), ignored)) {
    std::string name = entry.path().filename().string();
    if (name.rfind("ipi", 0) == 0) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

void PatchByte(std::vector<uint8_t>& bytes, size_t offset, uint8_t expected, uint8_t value) {
  ASSERT_LT(offset, bytes.size());
  ASSERT_EQ(bytes[offset], expected) << "fixture changed at offset " << offset;
  bytes[offset] = value;
}

}  // namespace testing_support
