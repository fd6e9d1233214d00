#include "plat/registry.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

#include <cstring>

#include "plat/testing/child_process.h"
#include "plat/testing/fixture.h"

namespace {

using plat::BYTE;
using plat::DWORD;
using plat::HKEY;
using plat::LONG;
using plat::REGSAM;

using plat::test::ReadFileBytes;
using plat::test::WriteFileBytes;

class RegistryTest : public plat::test::PlatformTest {
 protected:
  HKEY Create(HKEY parent, const char* path, REGSAM access = plat::KEY_ALL_ACCESS) {
    HKEY key = nullptr;
    EXPECT_EQ(plat::RegCreateKeyEx(parent, path, 0, nullptr, 0, access, nullptr, &key, nullptr), 0) << path;
    return key;
  }
  std::string Hive(const char* name) { return ReadFileBytes(RegistryDir() + "/" + name); }
};

std::vector<BYTE> Bytes(const std::string& text) { return std::vector<BYTE>(text.begin(), text.end()); }

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheHiveText) {
  HKEY key = Create(plat::HKEY_CURRENT_USER, "Software\\Quorvel\\Scan");
  struct Case {
    const char* name;
    DWORD type;
    std::vector<BYTE> data;
    const char* line;  // how the hive file holds it
  };
  const Case cases[] = {
      {"Path", plat::REG_SZ, Bytes(std::string("C:\\scan \"A\"\0", 12)), "\"Path\"=\"C:\\\\scan \\\"A\\\"\"\n"},
      {"", plat::REG_SZ, Bytes(std::string("default\0", 8)), "@=\"default\"\n"},
      {"Count", plat::REG_DWORD, {10, 0, 0, 0}, "\"Count\"=dword:0000000a\n"},
      {"Blob", plat::REG_BINARY, {1, 2, 0xFF}, "\"Blob\"=hex:01,02,ff\n"},
      {"Expand", plat::REG_EXPAND_SZ, Bytes(std::string("%TMP%\0", 6)), "\"Expand\"=hex(2):25,54,4d,50,25,00\n"},
      {"Multi", plat::REG_MULTI_SZ, Bytes(std::string("a\0b\0\0", 5)), "\"Multi\"=hex(7):61,00,62,00,00\n"},
      {"Big", plat::REG_QWORD, {1, 2, 3, 4, 5, 6, 7, 8}, "\"Big\"=hex(b):01,02,03,04,05,06,07,08\n"},
      {"Lines", plat::REG_SZ, Bytes(std::string("a\nb\0", 4)), "\"Lines\"=hex(1):61,0a,62,00\n"},
      {"Empty", plat::REG_BINARY, {}, "\"Empty\"=hex:\n"},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(plat::RegSetValueEx(key, c.name, 0, c.type, c.data.data(), static_cast<DWORD>(c.data.size())), 0);
  }
  const std::string hive = Hive("HKCU.reg");
  EXPECT_EQ(hive.substr(0, 28), "[Software]\n\n[Software\\Quorve");
  // Another process's view: drop this process's cache by pointing elsewhere and back.
  plat::SetRegistryRoot(WorkPath("").c_str());
  plat::SetRegistryRoot(nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_NE(hive.find(c.line), std::string::npos) << hive;
    DWORD type = 0;
    std::vector<BYTE> data;
    ASSERT_EQ(plat::RegQueryValueEx(key, c.name, &type, &data), 0);
    EXPECT_EQ(type, c.type);
    EXPECT_EQ(data, c.data);
  }
  std::string text;
  EXPECT_EQ(plat::RegQueryStringValue(key, "path", text), 0);
  EXPECT_EQ(text, "C:\\scan \"A\"");
  EXPECT_EQ(plat::RegQueryStringValue(key, "Count", text), plat::ERROR_INVALID_DATA);
  EXPECT_EQ(plat::RegQueryStringValue(key, "Nothing", text), plat::ERROR_FILE_NOT_FOUND);

  // The buffer form reports the size and refuses a short buffer.
  BYTE small[2];
  DWORD size = sizeof small;
  EXPECT_EQ(plat::RegQueryValueEx(key, "Blob", nullptr, nullptr, small, &size), plat::ERROR_MORE_DATA);
  EXPECT_EQ(size, 3u);
  BYTE enough[3];
  EXPECT_EQ(plat::RegQueryValueEx(key, "Blob", nullptr, nullptr, enough, &size), 0);
  EXPECT_EQ(std::memcmp(enough, "\x01\x02\xFF", 3), 0);
  EXPECT_EQ(plat::RegCloseKey(key), 0);
}

TEST_F(RegistryTest, KeyPathsAreNormalisedAndCaseInsensitive) {
  HKEY first = Create(plat::HKEY_LOCAL_MACHINE, "a\\b\\");
  HKEY second = nullptr;
  DWORD disposition = 0;
  ASSERT_EQ(plat::RegCreateKeyEx(plat::HKEY_LOCAL_MACHINE, "\\A\\\\B", 0, nullptr, 0, plat::KEY_ALL_ACCESS, nullptr,
                                 &second, &disposition),
            0);
  EXPECT_EQ(disposition, plat::REG_OPENED_EXISTING_KEY);
  const DWORD value = 7;
  ASSERT_EQ(plat::RegSetValueEx(first, "V", 0, plat::REG_DWORD, reinterpret_cast<const BYTE*>(&value), 4), 0);
  std::vector<BYTE> data;
  EXPECT_EQ(plat::RegQueryValueEx(second, "v", nullptr, &data), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{7, 0, 0, 0}));
  EXPECT_EQ(Hive("HKLM.reg"), "[a]\n\n[a\\b]\n\"V\"=dword:00000007\n");
  HKEY parent = nullptr;
  ASSERT_EQ(plat::RegOpenKeyEx(plat::HKEY_LOCAL_MACHINE, "A\\", 0, plat::KEY_READ, &parent), 0);
  std::string name;
  EXPECT_EQ(plat::RegEnumKeyEx(parent, 0, name), 0);
  EXPECT_EQ(name, "b");  // the case it was made with
  EXPECT_EQ(plat::RegEnumKeyEx(parent, 1, name), plat::ERROR_NO_MORE_ITEMS);
  for (HKEY key : {first, second, parent}) EXPECT_EQ(plat::RegCloseKey(key), 0);
}

TEST_F(RegistryTest, ReadOnlyKeysRefuseEveryWrite) {
  HKEY writable = Create(plat::HKEY_CURRENT_USER, "Locked\\Child");
  plat::RegCloseKey(writable);
  HKEY key = nullptr;
  ASSERT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Locked", 0, plat::KEY_READ, &key), 0);
  const std::string before = Hive("HKCU.reg");
  const BYTE one = 1;
  HKEY made = nullptr;
  EXPECT_EQ(plat::RegSetValueEx(key, "x", 0, plat::REG_BINARY, &one, 1), plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(plat::RegDeleteValue(key, "x"), plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(plat::RegDeleteKey(key, "Child"), plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(plat::RegCreateKeyEx(key, "New", 0, nullptr, 0, plat::KEY_ALL_ACCESS, nullptr, &made, nullptr),
            plat::ERROR_ACCESS_DENIED);
  EXPECT_EQ(Hive("HKCU.reg"), before);
  EXPECT_EQ(plat::RegCloseKey(key), 0);
}

TEST_F(RegistryTest, DeletingKeysAndValues) {
  HKEY key = Create(plat::HKEY_CLASSES_ROOT, "Parent\\Child");
  HKEY parent = Create(plat::HKEY_CLASSES_ROOT, "Parent");
  const BYTE one = 1;
  ASSERT_EQ(plat::RegSetValueEx(key, "x", 0, plat::REG_BINARY, &one, 1), 0);
  EXPECT_EQ(plat::RegDeleteKey(plat::HKEY_CLASSES_ROOT, "Parent"), plat::ERROR_ACCESS_DENIED);  // has subkeys
  EXPECT_EQ(plat::RegDeleteValue(key, "x"), 0);
  EXPECT_EQ(plat::RegDeleteValue(key, "x"), plat::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(plat::RegDeleteKey(parent, "child\\"), 0);
  // The handle of a deleted key is refused, not followed.
  EXPECT_EQ(plat::RegSetValueEx(key, "x", 0, plat::REG_BINARY, &one, 1), plat::ERROR_KEY_DELETED);
  HKEY reopened = nullptr;
  EXPECT_EQ(plat::RegOpenKeyEx(parent, "Child", 0, plat::KEY_READ, &reopened), plat::ERROR_FILE_NOT_FOUND);
  DWORD sub_keys = 9, values = 9;
  EXPECT_EQ(plat::RegQueryInfoKey(parent, &sub_keys, nullptr, &values, nullptr, nullptr, nullptr), 0);
  EXPECT_EQ(sub_keys, 0u);
  EXPECT_EQ(values, 0u);
  for (HKEY k : {key, parent}) EXPECT_EQ(plat::RegCloseKey(k), 0);
  EXPECT_EQ(plat::RegCloseKey(key), plat::ERROR_INVALID_HANDLE);  // closed twice
}

TEST_F(RegistryTest, AHiveThatDoesNotParseIsRefusedAndNeverRewritten) {
  const char* broken[] = {
      "[Good]\n\"a\"=dword:1\n\"b\"=dwrd:2\n",  // unknown type
      "\"orphan\"=\"value before any key\"\n",   // no key yet
      "[Good]\n\"a\"=\"unterminated\n",          //
      "[Good]\n\"a\"=hex:1,22,333\n",            // a byte of three digits
      "[Good\n",                                 //
      "[Good]\n\"a\"=dword:123456789\n",         // nine digits
  };
  const std::string path = RegistryDir() + "/HKCU.reg";
  for (const char* text : broken) {
    SCOPED_TRACE(text);
    WriteFileBytes(path, text);
    struct stat before;
    ASSERT_EQ(::stat(path.c_str(), &before), 0);
    HKEY key = nullptr;
    EXPECT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Good", 0, plat::KEY_READ, &key), plat::ERROR_BADDB);
    EXPECT_EQ(plat::RegCreateKeyEx(plat::HKEY_CURRENT_USER, "New", 0, nullptr, 0, plat::KEY_ALL_ACCESS, nullptr,
                                   &key, nullptr),
              plat::ERROR_BADDB);
    const BYTE one = 1;
    EXPECT_EQ(plat::RegSetValueEx(plat::HKEY_CURRENT_USER, "x", 0, plat::REG_BINARY, &one, 1), plat::ERROR_BADDB);
    struct stat after;
    ASSERT_EQ(::stat(path.c_str(), &after), 0);
    EXPECT_EQ(ReadFileBytes(path), text);
    EXPECT_EQ(after.st_mtim.tv_sec, before.st_mtim.tv_sec);
    EXPECT_EQ(after.st_mtim.tv_nsec, before.st_mtim.tv_nsec);
    EXPECT_EQ(after.st_ino, before.st_ino);
    // The other hives are unaffected.
    HKEY other = Create(plat::HKEY_LOCAL_MACHINE, "Fine");
    EXPECT_EQ(plat::RegCloseKey(other), 0);
  }
}

TEST_F(RegistryTest, HandWrittenHivesAreRead) {
  WriteFileBytes(RegistryDir() + "/HKCU.reg",
                 "\xEF\xBB\xBF; written by hand\r\n"
                 "[Software\\Tool]\r\n"
                 "  @ = \"x\"  \r\n"
                 "\"N\"=dword:A\r\n"
                 "\"H\"=hex: 0a , 0B\r\n"
                 "[Software\\Tool]\r\n"
                 "\"N\"=dword:ffffffff\r\n");
  HKEY key = nullptr;
  ASSERT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "software\\tool", 0, plat::KEY_READ, &key), 0);
  std::string text;
  EXPECT_EQ(plat::RegQueryStringValue(key, nullptr, text), 0);
  EXPECT_EQ(text, "x");
  std::vector<BYTE> data;
  EXPECT_EQ(plat::RegQueryValueEx(key, "N", nullptr, &data), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(plat::RegQueryValueEx(key, "H", nullptr, &data), 0);
  EXPECT_EQ(data, (std::vector<BYTE>{0x0A, 0x0B}));
  EXPECT_EQ(plat::RegCloseKey(key), 0);
}

PLAT_TEST_CHILD_ROLE(ReadRegistryValue) {
  HKEY key = nullptr;
  if (plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Shared", 0, plat::KEY_READ, &key) != 0) return 2;
  std::string text;
  const LONG error = plat::RegQueryStringValue(key, "Value", text);
  plat::RegCloseKey(key);
  return error == 0 && text == argument ? 0 : 1;
}

PLAT_TEST_CHILD_ROLE(WriteRegistryValue) {
  HKEY key = nullptr;
  if (plat::RegCreateKey(plat::HKEY_CURRENT_USER, "Shared", &key) != 0) return 2;
  const LONG error = plat::RegSetValueEx(key, "Value", 0, plat::REG_SZ, reinterpret_cast<const BYTE*>(argument.c_str()),
                                         static_cast<DWORD>(argument.size() + 1));
  plat::RegCloseKey(key);
  return error == 0 ? 0 : 1;
}

TEST_F(RegistryTest, OtherProcessesSeeCommittedWrites) {
  HKEY key = Create(plat::HKEY_CURRENT_USER, "Shared");
  for (const char* value : {"first", "second value"}) {
    ASSERT_EQ(plat::RegSetValueEx(key, "Value", 0, plat::REG_SZ, reinterpret_cast<const BYTE*>(value),
                                  static_cast<DWORD>(std::strlen(value) + 1)),
              0);
    EXPECT_EQ(plat::test::RunChild("ReadRegistryValue", value), 0) << value;
  }
  // And this process sees the child's write on its next read.
  ASSERT_EQ(plat::test::RunChild("WriteRegistryValue", "from the child"), 0);
  std::string text;
  EXPECT_EQ(plat::RegQueryStringValue(key, "Value", text), 0);
  EXPECT_EQ(text, "from the child");
  EXPECT_EQ(plat::RegCloseKey(key), 0);
}

TEST_F(RegistryTest, RefusedArguments) {
  HKEY key = nullptr;
  const BYTE one = 1;
  EXPECT_EQ(plat::RegOpenKeyEx(plat::HKEY_CURRENT_USER, "Missing", 0, plat::KEY_READ, &key),
            plat::ERROR_FILE_NOT_FOUND);
  EXPECT_EQ(plat::RegOpenKeyEx(plat::HandleFromId<HKEY>(12345), "", 0, plat::KEY_READ, &key),
            plat::ERROR_INVALID_HANDLE);
  EXPECT_EQ(plat::RegCreateKey(plat::HKEY_CURRENT_USER, "bad\nname", &key), plat::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(plat::RegSetValueEx(plat::HKEY_CURRENT_USER, "x", 0, plat::REG_BINARY, nullptr, 1),
            plat::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(plat::RegSetValueEx(plat::HKEY_CURRENT_USER, "bad\rname", 0, plat::REG_BINARY, &one, 1),
            plat::ERROR_INVALID_PARAMETER);
  EXPECT_EQ(plat::RegDeleteKey(plat::HKEY_CURRENT_USER, "\\\\"), plat::ERROR_INVALID_PARAMETER);
  std::string deep;
  for (int i = 0; i < 600; ++i) deep += "k\\";
  EXPECT_EQ(plat::RegCreateKey(plat::HKEY_CURRENT_USER, deep.c_str(), &key), plat::ERROR_INVALID_PARAMETER);
}

}  // namespace
