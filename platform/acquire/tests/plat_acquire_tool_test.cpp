// The plat-acquire tool against SANE's test device: the BMP files it writes
// are read by ImageMagick, and files already in the folder are never touched.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "acquire_test_support.h"
#include "plat/testing.h"

namespace plat::acquire::test {
namespace {

class PlatAcquireToolTest : public plat::test::PlatformTest {
 protected:
  void SetUp() override {
    PlatformTest::SetUp();
    plat::test::UseSaneTestDevice();
  }

  int Tool(const std::string& arguments, const std::string& output) {
    std::string command = PLAT_ACQUIRE_PATH;
    command.append(" ").append(arguments).append(" > '").append(output).append("' 2>/dev/null");
    return RunCommand(command);
  }
};

TEST_F(PlatAcquireToolTest, ListsTheSources) {
  ASSERT_EQ(Tool("--list", WorkPath("list.txt")), 0);
  EXPECT_EQ(plat::test::ReadFileBytes(WorkPath("list.txt")), "test:0\ntest:1\n");
}

TEST_F(PlatAcquireToolTest, FeederRunsAddPagesAndChangeNoExistingFile) {
  const std::string folder = WorkPath("pages");
  RunCommand("mkdir -p '" + folder + "'");
  plat::test::WriteFileBytes(folder + "/page-0003.bmp", "not ours");
  ASSERT_EQ(Tool("--device test:0 --feeder --resolution 25 --paper 15 --out '" + folder + "'", WorkPath("1.txt")), 0);
  std::vector<std::string> names = plat::test::ListFolder(folder);
  ASSERT_EQ(names.size(), 11u);
  EXPECT_EQ(plat::test::ReadFileBytes(folder + "/page-0003.bmp"), "not ours");
  std::map<std::string, std::string> first_run;
  for (const std::string& name : names) {
    if (name == "page-0003.bmp") continue;
    const std::string path = folder + "/" + name;
    first_run[name] = plat::test::ReadFileBytes(path);
    // 100 x 148 mm at 25 dpi, grey as the device gives it.
    ASSERT_EQ(RunCommand("test \"$(convert-im6.q16 '" + path + "' -format '%w %h' info:)\" = '98 145'"), 0) << name;
  }
  EXPECT_EQ(first_run.count("page-0011.bmp"), 1u);

  ASSERT_EQ(Tool("--device test:0 --feeder --resolution 25 --paper 15 --out '" + folder + "'", WorkPath("2.txt")), 0);
  names = plat::test::ListFolder(folder);
  EXPECT_EQ(names.size(), 21u);
  EXPECT_EQ(names.back(), "page-0021.bmp");
  for (const auto& [name, bytes] : first_run) EXPECT_EQ(plat::test::ReadFileBytes(folder + "/" + name), bytes) << name;
  EXPECT_EQ(plat::test::ReadFileBytes(folder + "/page-0003.bmp"), "not ours");
}

TEST_F(PlatAcquireToolTest, FailuresLeaveNoFile) {
  EXPECT_NE(Tool("--device test:0 --out '" + WorkPath("missing") + "'", WorkPath("out.txt")), 0);
  EXPECT_NE(Tool("--device nowhere:0 --out '" + WorkPath("") + "'", WorkPath("out.txt")), 0);
  EXPECT_EQ(plat::test::ListFolder(WorkPath("")), std::vector<std::string>{"out.txt"});
  EXPECT_EQ(Tool("--depth", WorkPath("usage.txt")), 2);
}

}  // namespace
}  // namespace plat::acquire::test
