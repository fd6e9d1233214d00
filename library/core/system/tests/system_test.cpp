#include "core/system/system.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/codes.h"
#include "core/status.h"

namespace {

struct SystemAttributeCase {
  const char* name;
  intptr_t default_value;
};

constexpr SystemAttributeCase kDefaults[] = {
    {"booleanPrecision", 1},           {"nonnegativeIntegerPrecision", 8}, {"signedIntegerPrecision", 16},
    {"realArithmeticPrecision", 32},   {"complexArithmeticPrecision", 64}, {"boundaryCondition", 231},
    {"colourQuantization", 211},       {"comformanceProfile", 86},         {"errorDiffusion", 85},
    {"errorReportingState", 0},        {"indexAssignmentState", 0},        {"interpolation", 191},
    {"matchPointState", 0},            {"morphologicalOperation", 0},      {"operationalState", 155},
    {"realArithmeticImplementation", 161}, {"roiState", 0},               {"synchronicityState", 1},
    {"thresholdRamp", 42},             {"byteBoundary", 0},                {"progressive", 0},
    {"interlacePass", 1},              {"debugState", 0},                  {"xDimensionLimit", 0x7fffffff},
    {"yDimensionLimit", 0x7fffffff},   {"zDimensionLimit", 0x7fffffff},    {"tDimensionLimit", 0x7fffffff},
    {"bDimensionLimit", 0x7fffffff},
};
static_assert(sizeof kDefaults / sizeof kDefaults[0] == kSystemAttributeCount);

class SystemTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override {
    if (sys_ != nullptr) {
      EXPECT_EQ(IpiCloseSystem(sys_), 0);
    }
  }
  IpiSystem* sys_ = nullptr;
};

TEST_F(SystemTest, OpensWithTheDefaultOfEveryAttribute) {
  EXPECT_EQ(IpiCheckSystem(sys_), 0);
  EXPECT_EQ(IpiGetLastError(sys_), 0);
  for (const auto& c : kDefaults) {
    SCOPED_TRACE(c.name);
    intptr_t value = -12345;
    IpiAttribute query{c.name, reinterpret_cast<intptr_t>(&value)};
    ASSERT_EQ(IpiInquireSystemAttributes(sys_, &query, 1), 0);
    EXPECT_EQ(value, c.default_value);
    EXPECT_EQ(IpiInquireSystemAttribute(sys_, c.name), c.default_value);
  }
}

TEST_F(SystemTest, SetsAndInquiresEveryAttribute) {
  std::vector<IpiAttribute> set;
  for (int i = 0; i < kSystemAttributeCount; ++i) {
    if (std::string(kDefaults[i].name) == "operationalState") continue;
    set.push_back({kDefaults[i].name, 1000 + i});
  }
  ASSERT_EQ(IpiSetSystemAttributes(sys_, set.data(), static_cast<int>(set.size())), 0);
  std::vector<intptr_t> values(set.size(), 0);
  std::vector<IpiAttribute> query;
  for (size_t i = 0; i < set.size(); ++i) query.push_back({set[i].name, reinterpret_cast<intptr_t>(&values[i])});
  ASSERT_EQ(IpiInquireSystemAttributes(sys_, query.data(), static_cast<int>(query.size())), 0);
  for (size_t i = 0; i < set.size(); ++i) EXPECT_EQ(values[i], set[i].value) << set[i].name;
}

TEST_F(SystemTest, UnknownNameStopsTheWalkWith18) {
  const IpiAttribute set[] = {{"roiState", 1}, {"colour", 5}, {"matchPointState", 1}};
  EXPECT_EQ(IpiSetSystemAttributes(sys_, set, 3), kIpiOutOfRange);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "roiState"), 1);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "matchPointState"), 0);

  intptr_t first = -1, second = -7;
  const IpiAttribute query[] = {{"roiState", reinterpret_cast<intptr_t>(&first)},
                                {"colour", reinterpret_cast<intptr_t>(&second)}};
  EXPECT_EQ(IpiInquireSystemAttributes(sys_, query, 2), kIpiOutOfRange);
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, -7);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
  EXPECT_EQ(IpiInquireSystemAttribute(sys_, "noSuchAttribute"), 0);
}

TEST_F(SystemTest, ReportingRecordsTheLastErrorAndZeroClearsIt) {
  EXPECT_EQ(IpiReportError(sys_, kIpiSyntaxError), 0);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiSyntaxError);
  EXPECT_EQ(IpiReportError(sys_, 0), 0);
  EXPECT_EQ(IpiGetLastError(sys_), 0);
}

TEST_F(SystemTest, AClosedOperationalStateRefusesEveryLaterCall) {
  const IpiAttribute closed{"operationalState", kStateClosed};
  ASSERT_EQ(IpiSetSystemAttributes(sys_, &closed, 1), 0);
  EXPECT_EQ(IpiCheckSystem(sys_), kIpiInvalidHandle);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInvalidHandle);
  EXPECT_EQ(IpiReportError(sys_, 5), kIpiInvalidHandle);
  EXPECT_EQ(IpiSetSystemAttributes(sys_, &closed, 1), kIpiInvalidHandle);
  EXPECT_EQ(IpiAlloc(sys_, 16), nullptr);
  EXPECT_EQ(IpiCloseSystem(sys_), kIpiInvalidHandle);
  // The context refuses its own close; reopen it by hand so the test frees it.
  sys_->attributes[static_cast<int>(IpiSystemAttribute::kOperationalState)] = kStateOpen;
}

TEST(SystemNullTest, NullContextGives24AndRecordsNothing) {
  EXPECT_EQ(IpiCheckSystem(nullptr), kIpiInvalidHandle);
  EXPECT_EQ(IpiCloseSystem(nullptr), kIpiInvalidHandle);
  EXPECT_EQ(IpiGetLastError(nullptr), kIpiInvalidHandle);
  EXPECT_EQ(IpiReportError(nullptr, 3), kIpiInvalidHandle);
  EXPECT_EQ(IpiInquireSystemAttribute(nullptr, "roiState"), 0);
  EXPECT_EQ(IpiAlloc(nullptr, 8), nullptr);
  IpiFree(nullptr, nullptr);
}

TEST(SystemNameTest, ALogNameSwitchesReportingOn) {
  IpiSystem* sys = IpiOpenSystem("log.txt");
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(IpiInquireSystemAttribute(sys, "errorReportingState"), 1);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
  sys = IpiOpenSystem("");
  ASSERT_NE(sys, nullptr);
  EXPECT_EQ(IpiInquireSystemAttribute(sys, "errorReportingState"), 0);
  EXPECT_EQ(IpiCloseSystem(sys), 0);
}

}  // namespace
