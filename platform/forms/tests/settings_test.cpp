#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "plat/forms/exceptions.h"
#include "plat/forms/inifiles.h"
#include "plat/forms/registry.h"
#include "plat/forms/strings.h"
#include "plat/testing/fixture.h"

namespace {

using namespace plat;

std::vector<std::string> Lines(const TStrings& s) {
  std::vector<std::string> out;
  for (int i = 0; i < s.Count(); ++i) out.push_back(s[i]);
  return out;
}

class SettingsTest : public plat::test::PlatformTest {};

// One interface, three stores: each must keep typed values, list and erase
// sections alike.
TEST_F(SettingsTest, EveryStoreKeepsTypedValuesBehindOneInterface) {
  struct Store {
    const char* name;
    std::function<std::unique_ptr<TCustomIniFile>()> open;
  };
  const std::string ini_path = WorkPath("settings.ini");
  Store stores[] = {
      {"ini file", [&] { return std::make_unique<TIniFile>(ini_path); }},
      {"memory ini file", [&] { return std::make_unique<TMemIniFile>(ini_path + ".mem"); }},
      {"registry", [] { return std::make_unique<TRegistryIniFile>("Software\\Suite\\Test"); }},
  };
  const TDateTime when = EncodeDate(2024, 5, 17) + EncodeTime(13, 5, 9, 0);
  for (const Store& store : stores) {
    SCOPED_TRACE(store.name);
    {
      auto ini = store.open();
      ini->WriteString("Paths", "Folder", "/home/u/スキャン");
      ini->WriteInteger("Paths", "Count", -42);
      ini->WriteBool("Options", "Feeder", true);
      ini->WriteFloat("Options", "Gamma", 2.2);
      ini->WriteDateTime("Options", "Last", when);
      ini->WriteDate("Options", "Day", EncodeDate(2024, 5, 17));
      ini->WriteString("", "Top", "root value");  // the empty section
      ini->UpdateFile();
    }
    auto ini = store.open();
    EXPECT_EQ(ini->ReadString("paths", "folder", "-"), "/home/u/スキャン");
    EXPECT_EQ(ini->ReadInteger("Paths", "Count", 0), -42);
    EXPECT_EQ(ini->ReadInteger("Paths", "Folder", 7), 7);  // not a number: the default
    EXPECT_TRUE(ini->ReadBool("Options", "Feeder", false));
    EXPECT_EQ(ini->ReadFloat("Options", "Gamma", 0), 2.2);
    EXPECT_EQ(ini->ReadDateTime("Options", "Last", 0), when);
    EXPECT_EQ(ini->ReadDate("Options", "Day", 0), EncodeDate(2024, 5, 17));
    EXPECT_EQ(ini->ReadString("", "Top", "-"), "root value");
    EXPECT_EQ(ini->ReadString("Missing", "Key", "default"), "default");
    EXPECT_TRUE(ini->ValueExists("Options", "Gamma"));
    EXPECT_FALSE(ini->ValueExists("Options", "Nothing"));

    TStringList names;
    ini->ReadSection("Paths", names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Folder", "Count"}));
    ini->ReadSectionValues("Paths", names);
    EXPECT_EQ(Lines(names), (std::vector<std::string>{"Folder=/home/u/スキャン", "Count=-42"}));
    ini->DeleteKey("Paths", "Count");
    ini->EraseSection("Options");
    ini->UpdateFile();
    auto again = store.open();
    EXPECT_EQ(again->ReadInteger("Paths", "Count", 5), 5);
    EXPECT_FALSE(again->SectionExists("Options"));
    EXPECT_TRUE(again->SectionExists("PATHS"));
  }
}

TEST_F(SettingsTest, AFailedIniWriteRaisesAndNamesTheFile) {
  const std::string blocker = WorkPath("blocker");
  plat::test::WriteFileBytes(blocker, "a regular file where a folder should be");
  TIniFile ini(blocker + "/settings.ini");
  try {
    ini.WriteString("S", "K", "v");
    FAIL() << "no exception";
  } catch (const EIniFileException& e) {
    EXPECT_NE(e.Message().find(blocker + "/settings.ini"), std::string::npos);
  }
  EXPECT_EQ(ini.ReadString("S", "K", "none"), "none");
  TIniFile good(WorkPath("good.ini"));
  EXPECT_THROW(good.WriteString("S", "K", "two\nlines"), EIniFileException);
  TMemIniFile memory(WorkPath("memory.ini"));
  EXPECT_THROW(memory.WriteString("S", "K", "two\rlines"), EIniFileException);
}

TEST_F(SettingsTest, MemIniFileWritesOnlyOnUpdateAndKeepsOtherSectionsComments) {
  const std::string path = WorkPath("app.ini");
  plat::test::WriteFileBytes(path, "; settings\r\n[SET]\r\nM_TOP=10\r\n\r\n[Keep]\r\n; note\r\nA=1\r\n");
  TMemIniFile ini(path);
  EXPECT_EQ(ini.ReadInteger("set", "m_top", 0), 10);
  ini.WriteInteger("SET", "M_TOP", 20);
  EXPECT_EQ(plat::test::ReadFileBytes(path).find("M_TOP=20"), std::string::npos);
  ini.UpdateFile();
  std::string text = plat::test::ReadFileBytes(path);
  EXPECT_NE(text.find("M_TOP=20"), std::string::npos);
  EXPECT_NE(text.find("; note\r\nA=1\r\n"), std::string::npos);
  EXPECT_EQ(text.rfind("; settings\r\n", 0), 0u);
}

TEST_F(SettingsTest, RegistryKeysPathsAndTypedValues) {
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey("Software\\Suite", true));
    EXPECT_EQ(reg.CurrentPath(), "Software\\Suite");
    ASSERT_TRUE(reg.OpenKey("Child\\", true));  // relative to the open key
    EXPECT_EQ(reg.CurrentPath(), "Software\\Suite\\Child");
    reg.WriteString("Name", "値");
    reg.WriteInteger("Count", -1);
    reg.WriteBool("On", true);
    reg.WriteFloat("Ratio", 0.75);
    const uint8_t blob[] = {0, 1, 2, 255};
    reg.WriteBinaryData("Blob", blob, sizeof blob);
    ASSERT_TRUE(reg.OpenKey("\\Software\\Suite\\Child\\Deep", true));  // absolute
    reg.WriteString("x", "y");
  }
  TRegistry reg(KEY_READ);
  ASSERT_TRUE(reg.OpenKeyReadOnly("\\Software\\\\Suite\\Child"));
  EXPECT_EQ(reg.ReadString("name"), "値");
  EXPECT_EQ(reg.ReadInteger("Count"), -1);
  EXPECT_TRUE(reg.ReadBool("On"));
  EXPECT_EQ(reg.ReadFloat("Ratio"), 0.75);
  EXPECT_EQ(reg.ReadBinaryData("Blob"), (std::vector<uint8_t>{0, 1, 2, 255}));
  EXPECT_EQ(reg.GetDataType("Count"), rdInteger);
  EXPECT_EQ(reg.GetDataSize("Missing"), -1);
  EXPECT_EQ(reg.ReadString("Missing"), "");
  EXPECT_THROW(reg.ReadInteger("Missing"), ERegistryException);
  EXPECT_THROW(reg.ReadInteger("Name"), ERegistryException);  // wrong type
  EXPECT_THROW(reg.WriteString("Name", "other"), ERegistryException);  // opened read-only
  EXPECT_EQ(reg.ReadString("Name"), "値");
  EXPECT_TRUE(reg.HasSubKeys());
  TStringList names;
  reg.GetValueNames(names);
  EXPECT_EQ(names.Count(), 5);
  reg.CloseKey();

  TRegistry writer;
  ASSERT_TRUE(writer.OpenKey("Software", false));
  writer.GetKeyNames(names);
  EXPECT_EQ(Lines(names), std::vector<std::string>{"Suite"});
  EXPECT_TRUE(writer.DeleteKey("Suite"));  // with everything below it
  EXPECT_FALSE(writer.KeyExists("Suite\\Child\\Deep"));
  EXPECT_FALSE(writer.OpenKey("Suite", false));
  EXPECT_EQ(writer.CurrentPath(), "Software");  // a failed open keeps the key
}

TEST_F(SettingsTest, ReadOnlyRegIniFileReadsButRefusesWrites) {
  {
    TRegIniFile writer("Software\\Suite\\Ini");
    writer.WriteInteger("Window", "Left", 12);
    writer.WriteString("", "Version", "1.0");
  }
  TRegIniFile reader("Software\\Suite\\Ini", KEY_READ);
  EXPECT_EQ(reader.ReadInteger("Window", "Left", 0), 12);
  EXPECT_EQ(reader.ReadString("Window", "Left", ""), "12");
  EXPECT_EQ(reader.ReadString("", "Version", ""), "1.0");
  EXPECT_THROW(reader.WriteInteger("Window", "Left", 13), ERegistryException);
  EXPECT_THROW(reader.WriteString("New", "Key", "v"), ERegistryException);
  EXPECT_EQ(reader.ReadInteger("Window", "Left", 0), 12);
  TRegIniFile missing("Software\\Nowhere", KEY_READ);
  EXPECT_EQ(missing.CurrentKey(), nullptr);
  TStringList sections;
  TRegIniFile writer("Software\\Suite\\Ini");
  writer.EraseSection("");  // the key's own values; Window stays
  writer.ReadSections(sections);
  EXPECT_EQ(Lines(sections), std::vector<std::string>{"Window"});
  EXPECT_EQ(writer.ReadString("", "Version", "gone"), "gone");
}

}  // namespace
