#include "plat/forms/component.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "plat/testing/design_mode.h"
#include "plat/forms/exceptions.h"

namespace {

using namespace plat;

// A component that records its life in a shared journal.
class Probe : public TComponent {
 public:
  Probe(TComponent* owner, const std::string& name, std::vector<std::string>* journal)
      : TComponent(owner), journal_(journal) {
    SetName(name);
  }
  ~Probe() override { journal_->push_back("free " + Name()); }

  TComponent* watched = nullptr;
  TComponent* free_in_loaded = nullptr;
  bool throw_in_loaded = false;
  bool was_loading_in_loaded = true;

 protected:
  void Loaded() override {
    was_loading_in_loaded = ComponentState().Contains(csLoading);
    journal_->push_back("loaded " + Name());
    delete std::exchange(free_in_loaded, nullptr);
    if (throw_in_loaded) throw EInvalidOperation("broken " + Name());
  }
  void Notification(TComponent* component, TOperation operation) override {
    TComponent::Notification(component, operation);
    if (operation == opRemove && component == watched) watched = nullptr;
  }

 private:
  std::vector<std::string>* journal_;
};

TEST(ComponentTest, OwnerFreesItsComponentsInReverseOrderAndFindsThemIgnoringCase) {
  std::vector<std::string> journal;
  auto* root = new Probe(nullptr, "Root", &journal);
  new Probe(root, "First", &journal);
  auto* second = new Probe(root, "Second", &journal);
  new Probe(second, "Inner", &journal);
  new Probe(root, "Third", &journal);

  EXPECT_EQ(root->ComponentCount(), 3);
  EXPECT_EQ(root->FindComponent("sEcOnD"), second);
  EXPECT_EQ(root->FindComponent("Inner"), nullptr);  // owned by Second, not by Root
  EXPECT_EQ(second->ComponentIndex(), 1);
  EXPECT_THROW(root->Components(3), EListError);

  delete root;
  EXPECT_EQ(journal, (std::vector<std::string>{"free Root", "free Third", "free Second", "free Inner", "free First"}));
}

TEST(ComponentTest, NamesAreIdentifiersAndUniqueWithinTheOwner) {
  std::vector<std::string> journal;
  Probe root(nullptr, "Root", &journal);
  Probe* a = new Probe(&root, "Button1", &journal);
  EXPECT_THROW(new Probe(&root, "BUTTON1", &journal), EComponentError);
  for (const char* bad : {"1abc", "a b", "a-b", "ä"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(a->SetName(bad), EComponentError);
    EXPECT_EQ(a->Name(), "Button1");
  }
  a->SetName("button1");  // a case change of its own name is fine
  a->SetName("");
  EXPECT_EQ(root.ComponentCount(), 1);  // the refused one freed itself
}

TEST(ComponentTest, FreeNotificationClearsADanglingReference) {
  std::vector<std::string> journal;
  Probe form(nullptr, "Form", &journal);
  auto* menu = new Probe(nullptr, "Menu", &journal);  // not owned by the form
  auto* button = new Probe(&form, "Button", &journal);
  button->watched = menu;
  button->FreeNotification(menu);
  delete menu;
  EXPECT_EQ(button->watched, nullptr);

  // Either end may go first: freeing the watcher drops the link too.
  auto* other = new Probe(nullptr, "Other", &journal);
  auto* watcher = new Probe(nullptr, "Watcher", &journal);
  watcher->watched = other;
  watcher->FreeNotification(other);
  delete watcher;
  delete other;  // would touch the freed watcher if the link had stayed
}

TEST(ComponentTest, LoadedRunsOncePerComponentChildrenFirst) {
  std::vector<std::string> journal;
  Probe root(nullptr, "Root", &journal);
  auto* a = new Probe(&root, "A", &journal);
  new Probe(a, "A1", &journal);
  new Probe(a, "A2", &journal);
  root.BeginLoading();
  root.BeginLoading();  // nested bracket
  auto* b = new Probe(&root, "B", &journal);  // inserted while loading
  EXPECT_TRUE(b->ComponentState().Contains(csLoading));
  root.EndLoading();
  EXPECT_TRUE(journal.empty());
  root.EndLoading();
  EXPECT_EQ(journal, (std::vector<std::string>{"loaded A1", "loaded A2", "loaded A", "loaded B", "loaded Root"}));
  EXPECT_FALSE(root.ComponentState().Contains(csLoading));
  EXPECT_FALSE(b->was_loading_in_loaded);
  journal.clear();
  root.EndLoading();  // an unmatched end does nothing
  EXPECT_TRUE(journal.empty());
}

TEST(ComponentTest, AFailingLoadedDoesNotStopTheOthers) {
  std::vector<std::string> journal;
  Probe root(nullptr, "Root", &journal);
  auto* a = new Probe(&root, "A", &journal);
  new Probe(&root, "B", &journal);
  a->throw_in_loaded = true;
  root.BeginLoading();
  try {
    root.EndLoading();
    FAIL() << "no exception";
  } catch (const EInvalidOperation& e) {
    EXPECT_EQ(e.Message(), "broken A");
  }
  EXPECT_EQ(journal, (std::vector<std::string>{"loaded A", "loaded B", "loaded Root"}));
}

TEST(ComponentTest, AComponentFreedByAnotherLoadedIsNotCalled) {
  std::vector<std::string> journal;
  Probe root(nullptr, "Root", &journal);
  auto* a = new Probe(&root, "A", &journal);
  a->free_in_loaded = new Probe(&root, "B", &journal);  // B waits after A
  root.BeginLoading();
  root.EndLoading();
  EXPECT_EQ(journal, (std::vector<std::string>{"loaded A", "free B", "loaded Root"}));
  EXPECT_EQ(root.ComponentCount(), 1);
}

TEST(ComponentTest, DesignStateReachesOwnedAndLaterInsertedComponents) {
  std::vector<std::string> journal;
  Probe root(nullptr, "Root", &journal);
  auto* a = new Probe(&root, "A", &journal);
  plat::test::DesignMode::Set(root, true);
  auto* b = new Probe(&root, "B", &journal);
  EXPECT_TRUE(a->ComponentState().Contains(csDesigning));
  EXPECT_TRUE(b->ComponentState().Contains(csDesigning));
  plat::test::DesignMode::Set(root, false);
  EXPECT_FALSE(b->ComponentState().Contains(csDesigning));
}

TEST(ExceptionTest, ClassNamesAndTableTexts) {
  EXPECT_EQ(EReadError("x").ClassName(), "EReadError");
  EXPECT_EQ(LoadStr(SNoTimers), "タイマーを取得できません");
  EXPECT_EQ(LoadStr(SCustomColorsSection), "カスタムカラー");
  // Some callers show these texts unformatted, so the placeholder must stay.
  EXPECT_NE(LoadStr(SFOpenError).find("%s"), std::string::npos);
  EXPECT_NE(LoadStr(SListIndexError).find("%d"), std::string::npos);
  try {
    RaiseRes<EListError>(SListIndexError, {7});
  } catch (const Exception& e) {
    EXPECT_NE(e.Message().find('7'), std::string::npos);
    EXPECT_EQ(e.ClassName(), "EListError");
  }
  EOleException ole("failed", static_cast<SCODE>(0x80004005), "Host");
  EXPECT_EQ(ole.ErrorCode(), static_cast<SCODE>(0x80004005));
  EXPECT_EQ(ole.Source(), "Host");
}

}  // namespace
