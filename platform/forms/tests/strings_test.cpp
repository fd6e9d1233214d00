#include "plat/forms/strings.h"

#include <gtest/gtest.h>

#include "plat/forms/collection.h"
#include "plat/forms/exceptions.h"
#include "plat/forms/lists.h"
#include "tests/support/test_support.h"

namespace {

using namespace plat;
using testing_support::ReadFileText;
using testing_support::ScopedTempDir;
using testing_support::WriteFileBytes;

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
  return out;
}

TEST(StringsTest, TextSplitsOnAnyLineBreakAndWritesCrLf) {
  struct Case {
    const char* text;
    std::vector<std::string> lines;
  } cases[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\rb\r", {"a", "b"}},
      {"a\r\n\r\nb", {"a", "", "b"}},
      {"\n", {""}},
      {"a\n\rb", {"a", "", "b"}},  // LF then CR is two breaks
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    TStringList list;
    list.SetText(c.text);
    EXPECT_EQ(Lines(list), c.lines);
    std::string expected;
    for (const std::string& line : c.lines) expected += line + "\r\n";
    EXPECT_EQ(list.Text(), expected);
  }
}

TEST(StringsTest, NamesValuesAndCaseInsensitiveLookup) {
  TStringList list;
  list.SetText("Path=/tmp\nsize=10\nplain\nPATH=second");
  EXPECT_EQ(list.Values("path"), "/tmp");  // the first one wins
  EXPECT_EQ(list.IndexOfName("SIZE"), 1);
  EXPECT_EQ(list.Names(2), "");
  EXPECT_EQ(list.IndexOf("PLAIN"), 2);
  list.SetCaseSensitive(true);
  EXPECT_EQ(list.IndexOf("PLAIN"), -1);
  list.SetValue("size", "");
  EXPECT_EQ(list.IndexOfName("size"), -1);
  list.SetValue("New", "1");
  EXPECT_EQ(list[list.Count() - 1], "New=1");
}

TEST(StringsTest, SortedListKeepsOrderAndHandlesDuplicates) {
  struct Case {
    TDuplicates duplicates;
    std::vector<std::string> expected;
    bool throws;
  } cases[] = {
      {dupIgnore, {"a", "B", "c"}, false},
      {dupAccept, {"a", "B", "b", "c"}, false},
      {dupError, {"a", "B", "c"}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.duplicates));
    TStringList list;
    list.SetSorted(true);
    list.SetDuplicates(c.duplicates);
    for (const char* s : {"c", "B", "a"}) list.Add(s);
    if (c.throws) {
      EXPECT_THROW(list.Add("b"), EStringListError);
    } else {
      list.Add("b");
    }
    EXPECT_EQ(Lines(list), c.expected);
    EXPECT_THROW(list.Insert(0, "x"), EStringListError);
  }
}

TEST(StringsTest, ChangeEventsFireOncePerUpdateBracket) {
  TStringList list;
  int changes = 0;
  list.OnChange = [&](TObject*) { ++changes; };
  list.Add("one");
  EXPECT_EQ(changes, 1);
  list.SetText("a\nb\nc");
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(list.Get(3), EStringListError);
  EXPECT_THROW(list.Delete(-1), EStringListError);
}

TEST(StringsTest, CommaTextQuotesWhatNeedsIt) {
  TStringList list;
  for (const char* s : {"plain", "two words", "", "a,b", "say \"hi\""}) list.Add(s);
  EXPECT_EQ(list.CommaText(), "plain,\"two words\",\"\",\"a,b\",\"say \"\"hi\"\"\"");
  TStringList back;
  back.SetCommaText(list.CommaText());
  EXPECT_TRUE(back.Equals(list));
}

TEST(StringsTest, FilesRoundTripAndAFailedSaveKeepsTheOldFile) {
  ScopedTempDir dir;
  const std::string path = dir.File("list.txt");
  WriteFileBytes(path, {0xEF, 0xBB, 0xBF, 'x', '\n', 'y'});
  TStringList list;
  list.LoadFromFile(path);
  EXPECT_EQ(Lines(list), (std::vector<std::string>{"x", "y"}));
  list.Add("日本語");
  list.SaveToFile(path);
  EXPECT_EQ(ReadFileText(path), "x\r\ny\r\n日本語\r\n");
  EXPECT_THROW(list.SaveToFile(dir.File("missing/list.txt")), EFCreateError);
  EXPECT_THROW(list.LoadFromFile(dir.File("absent.txt")), EFOpenError);
  EXPECT_EQ(dir.List(), std::vector<std::string>{"list.txt"});
}

TEST(ListTest, RangeChecksAndEdits) {
  int a = 1, b = 2, c = 3;
  TList list;
  list.Add(&a);
  list.Add(&b);
  list.Insert(0, &c);
  EXPECT_EQ(list.IndexOf(&b), 2);
  list.Move(2, 0);
  EXPECT_EQ(list[0], &b);
  EXPECT_EQ(list.Remove(&c), 1);
  EXPECT_THROW(list.Get(2), EListError);
  EXPECT_THROW(list.Insert(5, &a), EListError);
  list.Add(nullptr);
  list.Pack();
  EXPECT_EQ(list.Count(), 2);
}

class Entry : public TCollectionItem {
 public:
  using TCollectionItem::TCollectionItem;
  std::string name;
  void Assign(const TPersistent* source) override {
    if (auto* e = dynamic_cast<const Entry*>(source)) {
      name = e->name;
      return;
    }
    TCollectionItem::Assign(source);
  }
};

class Entries : public TCollection {
 public:
  Entries() : TCollection(CollectionItemClass<Entry>()) {}
  int updates = 0;

 protected:
  void Update(TCollectionItem*) override { ++updates; }
};

TEST(CollectionTest, ItemsKnowTheirIndexAndAssignCopiesThem) {
  Entries entries;
  auto* first = static_cast<Entry*>(entries.Add());
  first->name = "first";
  auto* second = static_cast<Entry*>(entries.Insert(0));
  second->name = "second";
  EXPECT_EQ(first->Index(), 1);
  EXPECT_EQ(entries.FindItemID(first->ID()), first);
  first->SetIndex(0);
  EXPECT_EQ(static_cast<Entry*>(entries.Items(0))->name, "first");

  Entries copy;
  copy.updates = 0;
  copy.Assign(&entries);
  EXPECT_EQ(copy.updates, 1);  // one notification for the whole assignment
  ASSERT_EQ(copy.Count(), 2);
  EXPECT_EQ(static_cast<Entry*>(copy.Items(1))->name, "second");
  delete second;  // an item freed on its own leaves the collection
  EXPECT_EQ(entries.Count(), 1);
  EXPECT_THROW(entries.Items(1), EListError);
  TStringList not_a_collection;
  EXPECT_THROW(copy.Assign(&not_a_collection), EConvertError);
}

}  // namespace
