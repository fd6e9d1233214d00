#include "core/system/error_log.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "core/status.h"
#include "core/system/system.h"
#include "tests/support/test_support.h"

namespace {

using testing_support::ReadFileText;
using testing_support::ScopedTempDir;

TEST(ErrorLogTest, TableHasTwentySevenMessages) {
  EXPECT_STREQ(IpiErrorMessage(0), "No error");
  EXPECT_STREQ(IpiErrorMessage(5), "Incorrect data type");
  EXPECT_STREQ(IpiErrorMessage(19), "Semantical error within data stream");
  EXPECT_STREQ(IpiErrorMessage(26), "File Not Found");
  EXPECT_EQ(IpiErrorMessage(27), nullptr);
  EXPECT_EQ(IpiErrorMessage(-1), nullptr);
}

TEST(ErrorLogTest, ReportsAppendCrLfLinesToTheNamedLog) {
  ScopedTempDir dir;
  const std::string log = dir.File("ipi.log");
  IpiSystem* sys = IpiOpenSystem(log.c_str());
  ASSERT_NE(sys, nullptr);
  IpiReportError(sys, kIpiIncorrectDataType);
  EXPECT_EQ(ReadFileText(log), "ipi: Incorrect data type\r\n");
  IpiReportError(sys, kIpiFileNotFound);
  errno = ENOENT;
  IpiReportError(sys, kIpiSystemFailure);
  EXPECT_EQ(ReadFileText(log), std::string("ipi: Incorrect data type\r\nipi: File Not Found\r\nipi: ") +
                                   std::strerror(ENOENT) + "\r\n");
  EXPECT_EQ(IpiGetLastError(sys), kIpiSystemFailure);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

TEST(ErrorLogTest, WithoutANameReportsGoToAFileNamedStderr) {
  ScopedTempDir dir;
  const auto previous = std::filesystem::current_path();
  std::filesystem::current_path(dir.path());
  IpiSystem* sys = IpiOpenSystem(nullptr);
  ASSERT_NE(sys, nullptr);
  IpiReportError(sys, kIpiOutOfRange);
  EXPECT_FALSE(std::filesystem::exists("stderr"));  // reporting is off by default
  const IpiAttribute on{"errorReportingState", 1};
  ASSERT_EQ(IpiSetSystemAttributes(sys, &on, 1), 0);
  IpiReportError(sys, kIpiOutOfRange);
  EXPECT_EQ(ReadFileText(dir.File("stderr")), "ipi: Out of range\r\n");
  EXPECT_EQ(IpiCloseSystem(sys), 0);
  std::filesystem::current_path(previous);
}

TEST(ErrorLogTest, AnUnwritableLogLosesTheLineButKeepsTheError) {
  ScopedTempDir dir;
  IpiSystem* sys = IpiOpenSystem(dir.path().c_str());  // a folder cannot be appended to
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(IpiReportError(sys, kIpiSyntaxError), 0);
  EXPECT_EQ(IpiGetLastError(sys), kIpiSyntaxError);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

}  // namespace
