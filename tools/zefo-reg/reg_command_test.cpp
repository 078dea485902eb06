#include "tools/zefo-reg/reg_command.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "updater/sys/posix/registry_store_sqlite.h"

namespace zefo {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

struct Result {
  int status;
  std::string out;
  std::string err;
};

class RegCommandTest : public ::testing::Test {
 protected:
  RegCommandTest() {
    char folder[] = "/tmp/zefo-reg-XXXXXX";
    EXPECT_NE(mkdtemp(folder), nullptr);
    folder_ = folder;
    store_ = OpenSqliteRegistryStore(folder_ + "/registry.sqlite3");
  }
  ~RegCommandTest() override { std::filesystem::remove_all(folder_); }

  Result Run(const std::vector<std::string>& arguments) {
    std::ostringstream out, err;
    const int status = RunRegCommand(arguments, *store_, "test.sqlite3", out, err);
    return {status, out.str(), err.str()};
  }

  // Expects the usage error, its message naming `problem`.
  void ExpectUsage(const std::vector<std::string>& arguments, const std::string& problem) {
    const Result result = Run(arguments);
    std::string line;
    for (const std::string& argument : arguments) line += " [" + argument + "]";
    EXPECT_EQ(result.status, kRegUsage) << line;
    EXPECT_THAT(result.err, HasSubstr(problem)) << line;
    EXPECT_THAT(result.err, HasSubstr("usage: zefo-reg")) << line;
    EXPECT_EQ(result.out, "") << line;
  }

  std::string folder_;
  std::unique_ptr<RegistryStore> store_;
};

TEST_F(RegCommandTest, EveryTypeRoundTrips) {
  const char* key = "HKCU\\Software\\Tavrin\\Zlauncher";
  const struct {
    const char* name;
    const char* type;
    const char* data;
  } values[] = {
      {"FILENAME", "sz", "ZEFOLauncher.exe"},
      {"PATH", "sz", "/opt/tavrin/\xED\x95\x9C\xEA\xB8\x80 dir/"},  // Hangul
      {"Empty", "sz", ""},
      {"Tmp", "expand_sz", "%TEMP%\\x"},
      {"VERSION", "dword", "4294967295"},
      {"Zero", "dword", "0"},
      {"ZEFOTIME", "qword", "18446744073709551615"},
      {"", "sz", "default text"},
  };
  for (const auto& value : values) {
    ASSERT_EQ(Run({"set", key, value.name, value.type, value.data}).status, kRegOk) << value.name;
  }
  for (const auto& value : values) {
    const Result got = Run({"get", key, value.name});
    EXPECT_EQ(got.status, kRegOk);
    EXPECT_EQ(got.out, std::string(*value.name ? value.name : "(default)") + "\t" + value.type +
                           "\t" + value.data + "\n");
  }
  const Result all = Run({"get", "hkey_current_user\\SOFTWARE\\tavrin\\ZLAUNCHER"});
  EXPECT_EQ(all.status, kRegOk);
  EXPECT_EQ(all.out,
            "FILENAME\tsz\tZEFOLauncher.exe\n"
            "PATH\tsz\t/opt/tavrin/\xED\x95\x9C\xEA\xB8\x80 dir/\n"
            "Empty\tsz\t\n"
            "Tmp\texpand_sz\t%TEMP%\\x\n"
            "VERSION\tdword\t4294967295\n"
            "Zero\tdword\t0\n"
            "ZEFOTIME\tqword\t18446744073709551615\n"
            "(default)\tsz\tdefault text\n");
}

TEST_F(RegCommandTest, SetReplacesTheTypeAndKeepsTheNamesSpelling) {
  ASSERT_EQ(Run({"set", "HKCU\\K", "Version", "sz", "100"}).status, kRegOk);
  ASSERT_EQ(Run({"set", "HKCU\\K", "VERSION", "dword", "104"}).status, kRegOk);
  EXPECT_EQ(Run({"get", "HKCU\\K"}).out, "Version\tdword\t104\n");
}

TEST_F(RegCommandTest, MissingKeysAndValuesExitWith1) {
  ASSERT_EQ(Run({"mkkey", "HKCU\\Software\\Tavrin"}).status, kRegOk);
  const std::vector<std::vector<std::string>> cases = {
      {"get", "HKCU\\Software\\Nothing"},
      {"get", "HKCU\\Software\\Tavrin", "VERSION"},
      {"get", "HKCU\\Software\\Tavrin", ""},
      {"delete", "HKCU\\Software\\Nothing"},
      {"delete", "HKCU\\Software\\Tavrin", "VERSION"},
      {"delete", "HKCU\\Software\\Nothing", "VERSION"},
      {"list", "HKCR\\Software"},
  };
  for (const auto& arguments : cases) {
    const Result result = Run(arguments);
    EXPECT_EQ(result.status, kRegMissing) << arguments[0] << " " << arguments[1];
    EXPECT_THAT(result.err, StartsWith("zefo-reg: "));
    EXPECT_THAT(result.err, HasSubstr("not found"));
    EXPECT_EQ(result.out, "");
  }
  EXPECT_THAT(Run({"get", "HKCU\\Software\\Tavrin", ""}).err, HasSubstr("(default)"));
}

TEST_F(RegCommandTest, ListAndDelete) {
  ASSERT_EQ(Run({"set", "HKCU\\Software\\Tavrin\\kr\\oxa", "VERSION", "dword", "0"}).status,
            kRegOk);
  ASSERT_EQ(Run({"mkkey", "HKCU\\Software\\Tavrin\\Zlauncher"}).status, kRegOk);
  ASSERT_EQ(Run({"mkkey", "HKCR\\tavrin.mf.launcher\\shell\\open\\command"}).status, kRegOk);
  EXPECT_EQ(Run({"list", "HKCU\\Software\\Tavrin"}).out, "kr\nZlauncher\n");
  EXPECT_EQ(Run({"list", "HKCU\\"}).out, "Software\n");
  EXPECT_EQ(Run({"list", "HKEY_CLASSES_ROOT"}).out, "tavrin.mf.launcher\n");
  EXPECT_EQ(Run({"list"}).out, "HKCU\nHKCR\n");

  EXPECT_EQ(Run({"delete", "HKCU\\Software\\Tavrin\\kr\\oxa", "version"}).status, kRegOk);
  EXPECT_EQ(Run({"get", "HKCU\\Software\\Tavrin\\kr\\oxa"}).out, "");
  EXPECT_EQ(Run({"delete", "HKCU\\Software\\Tavrin"}).status, kRegOk);
  EXPECT_EQ(Run({"list", "HKCU\\Software"}).out, "");
  EXPECT_EQ(Run({"list", "HKCR\\"}).out, "tavrin.mf.launcher\n");
}

TEST_F(RegCommandTest, RefusesBadNumbers) {
  for (const char* bad : {"abc", "-1", "+1", "4294967296", "99999999999999999999", "", " 1", "1 ",
                          "0x10", "1.5", "12abc"}) {
    ExpectUsage({"set", "HKCU\\K", "VERSION", "dword", bad},
                "bad DWORD \"" + std::string(bad) + "\"");
  }
  for (const char* bad : {"18446744073709551616", "-5", "1e3"}) {
    ExpectUsage({"set", "HKCU\\K", "ZEFOTIME", "qword", bad}, "bad QWORD");
  }
  // Nothing was written.
  EXPECT_EQ(Run({"get", "HKCU\\K"}).status, kRegMissing);
}

TEST_F(RegCommandTest, RefusesBadArguments) {
  ExpectUsage({}, "no command given");
  ExpectUsage({"put", "HKCU\\K"}, "unknown command \"put\"");
  ExpectUsage({"set", "HKCU\\K", "V", "sz"}, "wrong number of arguments for set");
  ExpectUsage({"get"}, "wrong number of arguments for get");
  ExpectUsage({"get", "HKCU\\K", "a", "b"}, "wrong number of arguments for get");
  ExpectUsage({"mkkey"}, "wrong number of arguments for mkkey");
  ExpectUsage({"list", "HKCU\\a", "HKCU\\b"}, "wrong number of arguments for list");
  ExpectUsage({"set", "HKCU\\K", "V", "binary", "00"}, "bad TYPE \"binary\"");
  ExpectUsage({"set", "HKCU\\K", "V", "SZ", "x"}, "bad TYPE \"SZ\"");
  ExpectUsage({"get", "HKLM\\Software"}, "it must begin with HKCU\\ or HKCR\\");
  ExpectUsage({"get", "Software\\Tavrin"}, "it must begin with HKCU\\ or HKCR\\");
  ExpectUsage({"get", "HKCUX\\Software"}, "it must begin with HKCU\\ or HKCR\\");
  ExpectUsage({"mkkey", "HKCU\\a\\\\b"}, "names between '\\' must be 1 to 255 characters long");
  ExpectUsage({"mkkey", "HKCU\\\\a"}, "names between");
  ExpectUsage({"mkkey", "HKCU\\a\\\\"}, "names between");
  ExpectUsage({"mkkey", "HKCU\\" + std::string(256, 'k')}, "names between");
  ExpectUsage({"set", "HKCU\\K", "V", "sz", "bad \xFF byte"}, "is not UTF-8 text");
  ExpectUsage({"set", "HKCU\\K\xC3", "V", "sz", "x"}, "is not UTF-8 text");
  ExpectUsage({"delete", "HKCU\\"}, "a root key cannot be deleted");
  EXPECT_EQ(Run({"mkkey", "HKCU\\" + std::string(255, 'k') + "\\"}).status, kRegOk);
  EXPECT_EQ(Run({"list", "HKCU\\"}).out, std::string(255, 'k') + "\n");
}

TEST_F(RegCommandTest, HelpGoesToStandardOutput) {
  const Result result = Run({"--help"});
  EXPECT_EQ(result.status, kRegOk);
  EXPECT_THAT(result.out, StartsWith("usage: zefo-reg set KEY NAME TYPE DATA"));
  EXPECT_EQ(result.err, "");
}

TEST_F(RegCommandTest, UnusableDatabaseExitsWith3) {
  std::ofstream(folder_ + "/junk.sqlite3") << "not a database";
  const auto junk = OpenSqliteRegistryStore(folder_ + "/junk.sqlite3");
  for (const std::vector<std::string>& arguments : {std::vector<std::string>{"get", "HKCU\\K"},
                                                    {"set", "HKCU\\K", "V", "dword", "1"},
                                                    {"list", "HKCU\\"},
                                                    {"delete", "HKCU\\K"}}) {
    std::ostringstream out, err;
    EXPECT_EQ(RunRegCommand(arguments, *junk, "junk.sqlite3", out, err), kRegStoreFailed);
    EXPECT_EQ(err.str(), "zefo-reg: cannot open the registry (registry database junk.sqlite3)\n");
  }
}

}  // namespace
}  // namespace zefo
