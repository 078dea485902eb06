#include "updater/sys/system_info.h"

#include <gtest/gtest.h>

#include "updater/sys/last_error.h"
#include "updater/sys/system_info_platform.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <errno.h>
#include <stdlib.h>
#include <sys/utsname.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "updater/sys/posix/os_release.h"
#ifdef __SANITIZE_ADDRESS__
#include <sanitizer/lsan_interface.h>
#endif
#endif

namespace zefo {
namespace {

TEST(WindowsProductNameTest, FollowsTheVersionTable) {
  struct Case {
    std::uint32_t major, minor, build, productType;
    const char* name;
  };
  const Case cases[] = {
      {10, 0, 19045, 1, "Windows 10"},
      {10, 0, 21999, 1, "Windows 10"},
      {10, 0, 22000, 1, "Windows 11"},
      {10, 0, 26100, 1, "Windows 11"},
      {10, 0, 17763, 3, "Windows Server 2016"},  // Server 2019
      {10, 0, 20348, 2, "Windows Server 2016"},  // Server 2022, domain controller
      {6, 0, 6002, 1, "Windows Vista"},
      {6, 0, 6002, 3, "Windows Server 2008"},
      {6, 1, 7601, 1, "Windows 7"},
      {6, 1, 7601, 3, "Windows Server 2008 R2"},
      {6, 2, 9200, 1, "Windows 8"},
      {6, 2, 9200, 3, "Windows Server 2012"},
      {6, 3, 9600, 1, "Windows 8.1"},
      {6, 3, 9600, 3, "Windows Server 2012 R2"},
      {6, 4, 9841, 1, "WIN_ETC"},
      {6, 4, 9841, 3, "WIN_ETC"},
      {5, 0, 2195, 1, "Windows 2000 "},
      {5, 1, 2600, 1, "Windows XP "},
      {5, 2, 3790, 3, "Windows XP "},
      {5, 3, 0, 1, "WIN_ETC"},
      {11, 0, 30000, 1, "WIN_ETC"},
      {4, 0, 1381, 1, "WIN_ETC"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WindowsProductName(c.major, c.minor, c.build, c.productType), c.name)
        << c.major << "." << c.minor << " build " << c.build << " type " << c.productType;
  }
}

TEST(FormatSystemMessageTest, DescribesTheProgramsOwnCodes) {
#ifdef _WIN32
  EXPECT_EQ(FormatSystemMessage(kErrorCurlBase + 7, kLanguageEnglishUs), "libcurl error 7\r\n");
#else
  EXPECT_EQ(FormatSystemMessage(kErrorCurlBase + 7, kLanguageEnglishUs),
            "libcurl error 7: Couldn't connect to server\r\n");
  EXPECT_EQ(FormatSystemMessage(kErrorCurlBase + 9999, kLanguageEnglishUs),
            "libcurl error 9999\r\n");
#endif
  EXPECT_EQ(FormatSystemMessage(kErrorHttpStatusBase + 404, kLanguageEnglishUs),
            "HTTP status 404 (Not Found)\r\n");
  EXPECT_EQ(FormatSystemMessage(kErrorHttpStatusBase + 503, kLanguageEnglishUs),
            "HTTP status 503 (Service Unavailable)\r\n");
  EXPECT_EQ(FormatSystemMessage(kErrorHttpStatusBase + 599, kLanguageEnglishUs),
            "HTTP status 599\r\n");
  EXPECT_EQ(FormatSystemMessage(ToErrorCode(ZefoError::kDigestMismatch), kLanguageEnglishUs),
            "The file's contents do not match its MD5 digest.\r\n");
  for (const ZefoError error : {ZefoError::kPathTooLong, ZefoError::kUnsafePath,
                                ZefoError::kDigestMismatch, ZefoError::kBadManifest,
                                ZefoError::kManifestTooLarge}) {
    const std::string text = FormatSystemMessage(ToErrorCode(error), kLanguageEnglishUs);
    EXPECT_GT(text.size(), 2u);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  }
  EXPECT_EQ(FormatSystemMessage(kErrorZefoBase + 99, kLanguageEnglishUs), "");
  EXPECT_EQ(FormatSystemMessage(0x20040000, kLanguageEnglishUs), "");
}

TEST(FormatSystemMessageTest, DescribesTheSystemsCodesInEnglish) {
#ifdef _WIN32
  const std::string notFound = FormatSystemMessage(ERROR_FILE_NOT_FOUND, kLanguageEnglishUs);
  ASSERT_GT(notFound.size(), 2u);
  EXPECT_EQ(notFound.substr(notFound.size() - 2), "\r\n");
  // FACILITY_WINDOWS codes are looked up by their low half.
  EXPECT_EQ(FormatSystemMessage(0x80080002, kLanguageEnglishUs), notFound);
#else
  EXPECT_EQ(FormatSystemMessage(ENOENT, kLanguageEnglishUs), "No such file or directory\r\n");
  EXPECT_EQ(FormatSystemMessage(EACCES, kLanguageEnglishUs), "Permission denied\r\n");
  EXPECT_EQ(FormatSystemMessage(99999, kLanguageEnglishUs), "");
  EXPECT_EQ(FormatSystemMessage(0x90000000, kLanguageEnglishUs), "");
#endif
}

TEST(SystemInfoTest, VersionQueries) {
  EXPECT_FALSE(GetOsName().empty());
#ifdef _WIN32
  // WOW64 is a 32-bit program on 64-bit Windows; a 64-bit build never is.
  SYSTEM_INFO native{};
  GetNativeSystemInfo(&native);
  const bool windows64 = native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_AMD64 ||
                         native.wProcessorArchitecture == PROCESSOR_ARCHITECTURE_ARM64;
  EXPECT_EQ(IsWow64(), sizeof(void*) == 4 && windows64);
  const std::string name = GetOsName();
  EXPECT_EQ(IsWindows10OrLater(),
            name == "Windows 10" || name == "Windows 11" || name == "Windows Server 2016");
  EXPECT_FALSE(GetSystemLanguageName().empty());
  EXPECT_FALSE(GetSystemCountryName().empty());
#else
  EXPECT_TRUE(IsWindows10OrLater());
  utsname machine{};
  ASSERT_EQ(uname(&machine), 0);
  const std::string kind = machine.machine;
  EXPECT_EQ(IsWow64(), kind == "x86_64" || kind == "aarch64") << kind;
#endif
}

#ifndef _WIN32

TEST(OsReleaseTest, PrettyNameThenNameThenLinux) {
  EXPECT_EQ(OsNameFromOsRelease("NAME=\"Debian GNU/Linux\"\n"
                                "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nID=debian\n"),
            "Debian GNU/Linux 12 (bookworm)");
  EXPECT_EQ(OsNameFromOsRelease("# comment\nNAME=Fedora\n"), "Fedora");
  EXPECT_EQ(OsNameFromOsRelease("NAME='Single Quoted'"), "Single Quoted");
  EXPECT_EQ(OsNameFromOsRelease("PRETTY_NAME=\"Say \\\"hi\\\" \\\\ now\"\n"), "Say \"hi\" \\ now");
  EXPECT_EQ(OsNameFromOsRelease("PRETTY_NAME=\nNAME=Arch\n"), "Arch");
  EXPECT_EQ(OsNameFromOsRelease(""), "Linux");
}

// Sets the locale variables for one test and puts them back.
class LocaleEnvironmentTest : public ::testing::Test {
 protected:
  LocaleEnvironmentTest() {
    for (const char* name : {"LC_ALL", "LC_IDENTIFICATION", "LANG", "LOCPATH"}) {
      const char* value = getenv(name);
      saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
  }
  ~LocaleEnvironmentTest() override {
    for (const auto& [name, value] : saved_) {
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
    }
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
  }
  // Compiles a locale into a private folder; false when this machine has no
  // locale sources.
  bool MakeLocale(const std::string& name, const std::string& source) {
    char folder[] = "/tmp/zefo-locale-XXXXXX";
    if (mkdtemp(folder) == nullptr) return false;
    folder_ = folder;
    const std::string command =
        "localedef -i " + source + " -f UTF-8 " + folder_ + "/" + name + " >/dev/null 2>&1";
    if (std::system(command.c_str()) != 0) return false;
    setenv("LOCPATH", folder_.c_str(), 1);
    return true;
  }

 private:
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
  std::string folder_;
};

TEST_F(LocaleEnvironmentTest, NamesTheLanguageAndCountryOfTheLocale) {
  if (!MakeLocale("ko_KR.UTF-8", "ko_KR")) GTEST_SKIP() << "no locale sources to build ko_KR";
#ifdef __SANITIZE_ADDRESS__
  // glibc's newlocale leaks its copy of LOCPATH, which only this test sets.
  const __lsan::ScopedDisabler ignoreGlibcLeak;
#endif
  setenv("LANG", "ko_KR.UTF-8", 1);
  EXPECT_EQ(GetSystemLanguageName(), "Korean");
  EXPECT_EQ(GetSystemCountryName(), "South Korea");
  // LC_ALL wins over LANG.
  setenv("LC_ALL", "C", 1);
  EXPECT_EQ(GetSystemLanguageName(), "");
}

TEST_F(LocaleEnvironmentTest, UnknownWithoutALanguage) {
  for (const char* locale : {"C", "POSIX", "C.UTF-8", "xx_YY.UTF-8"}) {
    setenv("LANG", locale, 1);
    EXPECT_EQ(GetSystemLanguageName(), "") << locale;
    EXPECT_EQ(GetSystemCountryName(), "") << locale;
  }
}

#endif

}  // namespace
}  // namespace zefo
