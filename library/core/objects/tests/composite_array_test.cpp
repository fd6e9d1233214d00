#include "core/objects/composite_array.h"

#include <gtest/gtest.h>

#include <vector>

#include "core/codes.h"
#include "core/objects/attributes.h"
#include "core/status.h"
#include "tests/support/test_support.h"

namespace {

class CompositeArrayTest : public ::testing::Test {
 protected:
  void SetUp() override { sys_ = IpiOpenSystem(nullptr); ASSERT_NE(sys_, nullptr); }
  void TearDown() override { EXPECT_EQ(IpiCloseSystem(sys_), 0); }

  IpiObject* Array(int entries, std::vector<IpiAttribute> extra = {}) {
    std::vector<IpiAttribute> list = {{"entries", entries}};
    list.insert(list.end(), extra.begin(), extra.end());
    return IpiCreateObject(sys_, nullptr, &kCompositeIdArrayClass, nullptr, list.data(),
                           static_cast<int>(list.size()));
  }
  IpiObject* Image() { return IpiCreateObject(sys_, nullptr, &kGenericImageClass, nullptr, nullptr, 0); }

  IpiSystem* sys_ = nullptr;
};

TEST_F(CompositeArrayTest, ElementsRoundTripInMemoryAndFileArrays) {
  for (int32_t repository : {kRepositoryGlobalBlock, kRepositoryFile}) {
    SCOPED_TRACE(repository);
    IpiObject* array = Array(3, {{"repository", repository}});
    ASSERT_NE(array, nullptr);
    IpiObject* a = Image();
    IpiObject* b = Image();
    ASSERT_EQ(IpiPutCompositeElement(sys_, a, array, 2), 0);
    ASSERT_EQ(IpiPutCompositeElement(sys_, b, array, 0), 0);
    EXPECT_EQ(IpiInquireAttribute(sys_, array, "inited"), 1);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 0), b);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 2), a);
    // An entry never set holds no object.
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 1), nullptr);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiInvalidInstance);
    // A null element clears an entry.
    ASSERT_EQ(IpiPutCompositeElement(sys_, nullptr, array, 2), 0);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 2), nullptr);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 0), b);
    EXPECT_EQ(IpiDeleteObject(sys_, array), 0);
  }
  EXPECT_TRUE(testing_support::LibraryTempFiles().empty());
}

TEST_F(CompositeArrayTest, RefusesIndicesOutsideTheEntries) {
  IpiObject* array = Array(3);
  IpiObject* image = Image();
  for (int64_t index : {int64_t{-1}, int64_t{3}, int64_t{1} << 40}) {
    SCOPED_TRACE(index);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, index), nullptr);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiOutOfRange);
    EXPECT_EQ(IpiPutCompositeElement(sys_, image, array, index), kIpiOutOfRange);
  }
}

TEST_F(CompositeArrayTest, RefusesElementsThatAreNotWords) {
  IpiObject* image = Image();
  struct Case {
    const char* name;
    std::vector<IpiAttribute> attributes;
  };
  const Case cases[] = {
      {"bytes", {{"dataType", kDataTypeNonnegative}}},
      {"narrow words", {{"dataPrecision", 16}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    IpiObject* array = Array(3, c.attributes);
    ASSERT_NE(array, nullptr);
    EXPECT_EQ(IpiPutCompositeElement(sys_, image, array, 2), kIpiMismatchDataType);
    EXPECT_EQ(IpiGetCompositeElement(sys_, array, 2), nullptr);
    EXPECT_EQ(IpiGetLastError(sys_), kIpiMismatchDataType);
  }
}

TEST_F(CompositeArrayTest, DeletedElementIsNeverHandedOut) {
  IpiObject* array = Array(2);
  IpiObject* image = Image();
  ASSERT_EQ(IpiPutCompositeElement(sys_, image, array, 1), 0);
  ASSERT_EQ(IpiDeleteObject(sys_, image), 0);
  IpiObject* later = Image();  // a new object never reuses the old id
  ASSERT_NE(later, nullptr);
  EXPECT_EQ(IpiGetCompositeElement(sys_, array, 1), nullptr);
  EXPECT_EQ(IpiGetLastError(sys_), kIpiInvalidInstance);
  // Storing a dead object is refused as well.
  EXPECT_EQ(IpiPutCompositeElement(sys_, image, array, 0), kIpiInvalidInstance);
  EXPECT_EQ(IpiPutCompositeElement(sys_, later, IpiCreateObject(sys_, nullptr, &kTupleClass, nullptr, nullptr, 0), 0),
            kIpiMismatchDataType);
}

}  // namespace
