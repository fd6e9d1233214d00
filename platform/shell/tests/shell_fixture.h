// What the shell tests share: a fixture that keeps HOME, PATH and the XDG
// variables as they were, and a fake opener first on PATH.
#ifndef PLAT_SHELL_TESTS_SHELL_FIXTURE_H_
#define PLAT_SHELL_TESTS_SHELL_FIXTURE_H_

#include <sys/stat.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "plat/testing.h"
#include "plat/user_folder.h"

namespace plat::test {

class ShellTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    for (const char* name : {"HOME", "PATH", "XDG_DATA_HOME", "FAKE_OPEN_OUT", "FAKE_OPEN_WAIT"}) {
      const char* value = std::getenv(name);
      saved_.push_back({name, value != nullptr, value != nullptr ? value : ""});
    }
    ASSERT_TRUE(MakeFolders(WorkPath("home")));
    ::setenv("HOME", WorkPath("home").c_str(), 1);
  }
  void TearDown() override {
    for (const Saved& saved : saved_) {
      if (saved.was_set) {
        ::setenv(saved.name.c_str(), saved.value.c_str(), 1);
      } else {
        ::unsetenv(saved.name.c_str());
      }
    }
    GuiTest::TearDown();
  }

  // A fake xdg-open, first on PATH: it writes its arguments, each ended by
  // a NUL, to $FAKE_OPEN_OUT; with $FAKE_OPEN_WAIT set it first waits (at
  // most ten seconds) for that file to exist, and writes "timeout" if it never does.
  void InstallFakeOpener() {
    const std::string bin = WorkPath("bin");
    ASSERT_TRUE(MakeFolders(bin));
    WriteFileBytes(bin + "/xdg-open",
                   "#!/bin/sh\n"
                   "if [ -n \"$FAKE_OPEN_WAIT\" ]; then\n"
                   "  i=0\n"
                   "  while [ ! -e \"$FAKE_OPEN_WAIT\" ]; do\n"
                   "    i=$((i+1)); if [ $i -gt 1000 ]; then printf timeout > \"$FAKE_OPEN_OUT\"; exit 1; fi\n"
                   "    sleep 0.01\n"
                   "  done\n"
                   "fi\n"
                   "printf '%s\\0' \"$@\" > \"$FAKE_OPEN_OUT.part\" && mv \"$FAKE_OPEN_OUT.part\" \"$FAKE_OPEN_OUT\"\n");
    ::chmod((bin + "/xdg-open").c_str(), 0755);
    const char* path = std::getenv("PATH");
    ::setenv("PATH", (bin + ":" + (path != nullptr ? path : "/usr/bin:/bin")).c_str(), 1);
    AllowSpawn();
  }

 private:
  struct Saved {
    std::string name;
    bool was_set;
    std::string value;
  };
  std::vector<Saved> saved_;
};

}  // namespace plat::test

#endif  // PLAT_SHELL_TESTS_SHELL_FIXTURE_H_
