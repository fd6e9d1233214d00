// The fixture of the control-tree tests: the headless window system with the
// class library's runtime (Application, Screen) started for each test and
// shut down before the check for windows and drawing objects left behind.
#ifndef PLATFORM_FORMS_TESTS_FORMS_FIXTURE_H_
#define PLATFORM_FORMS_TESTS_FORMS_FIXTURE_H_

#include <string>
#include <vector>

#include "plat/forms/forms.h"
#include "plat/forms/runtime.h"
#include "plat/testing.h"

namespace plat::test {

class FormsTest : public GuiTest {
 protected:
  void SetUp() override {
    GuiTest::SetUp();
    forms::Init();
  }
  void TearDown() override {
    forms::Shutdown();
    GuiTest::TearDown();
  }
  // The journal's entries of one kind.
  static std::vector<std::string> JournalOf(const std::string& kind) {
    std::vector<std::string> details;
    for (const JournalEntry& entry : GetJournal()) {
      if (entry.kind == kind) details.push_back(entry.detail);
    }
    return details;
  }
};

}  // namespace plat::test

#endif  // PLATFORM_FORMS_TESTS_FORMS_FIXTURE_H_
