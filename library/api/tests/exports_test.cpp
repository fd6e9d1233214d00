// The shared library exports nothing but entry points listed in its version script.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "tests/support/test_support.h"

namespace {

std::set<std::string> NamesInVersionScript() {
  const std::string text = testing_support::ReadFileText(PELRITH_EXPORTS_MAP);
  std::set<std::string> names;
  std::istringstream lines(text);
  std::string word;
  while (lines >> word) {
    if (word.rfind("Cmi", 0) == 0 && word.back() == ';') names.insert(word.substr(0, word.size() - 1));
  }
  return names;
}

// Exactly the 47 entry points are exported: each listed name is defined and
// nothing else is.
TEST(ExportsTest, ExactlyTheListedEntryPointsAreExported) {
  const std::set<std::string> listed = NamesInVersionScript();
  EXPECT_EQ(listed.size(), 47u);
  std::string output;
  ASSERT_EQ(testing_support::RunCommand(std::string("nm -D --defined-only ") + PELRITH_SHARED_LIBRARY, &output), 0);
  std::istringstream lines(output);
  std::string line;
  std::set<std::string> defined;
  while (std::getline(lines, line)) {
    std::istringstream fields(line);
    std::string address, kind, name;
    fields >> address >> kind >> name;
    if (name.empty() || kind == "A") continue;  // the version node itself
    EXPECT_EQ(kind, "T") << name;
    defined.insert(name.substr(0, name.find('@')));
  }
  EXPECT_EQ(defined, listed);
}

}  // namespace
