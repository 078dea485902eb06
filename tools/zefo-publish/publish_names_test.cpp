#include "tools/zefo-publish/publish_names.h"

#include <gtest/gtest.h>

#include <climits>

namespace zefo::publish {
namespace {

TEST(PublishNames, BuildNamesTheUpdaterCanHandle) {
  for (const char* name : {"a.dll", "x64/ZLauncher.exe", "Data/Sub Folder/file name.txt", "sub/RemoveFiles.inf",
                           "sub/ZEFOLauncher_New.exe", ".hidden", "a..b", "sub/a.old", "x.old/a.dll",
                           "data/output/x"}) {
    EXPECT_EQ(CheckBuildName(name), "") << name;
  }
  EXPECT_EQ(CheckBuildName(std::string(kMaxNameBytes, 'n')), "");
  struct Case {
    std::string name;
    const char* why;
  };
  const Case refused[] = {
      {"caf\xc3\xa9.txt", "not printable ASCII"},
      {"tab\there", "not printable ASCII"},
      {std::string(kMaxNameBytes + 1, 'n'), "longer than"},
      {"back\\slash", "does not allow"},
      {"a:b", "does not allow"},
      {"what?.txt", "does not allow"},
      {"dot./x", "ending in a dot"},
      {"space /x", "ending in a dot or a space"},
      {"RemoveFiles.inf", "writes itself"},
      {"removefiles.INF", "writes itself"},
      {"ZEFOLauncher_New.exe", "writes itself"},
      {"download_info.txt", "writes itself"},
      {"Download_Info.txt.sig", "writes itself"},
      {"x.dll.zefo-publish-tmp", "kept for the publisher"},
      {"Output/Launcher/a.dll", "removes at every start"},
      {"ZLauncher.exe.OLD", "removes at every start"},
      {"backup.old/a.old", "removes at every start"},
      {"ZEFOLauncher.exe_old", "removes at every start"},
  };
  for (const Case& c : refused) {
    EXPECT_NE(CheckBuildName(c.name).find(c.why), std::string::npos) << c.name << ": " << CheckBuildName(c.name);
  }
}

TEST(PublishNames, TheUpdaterTravelsUnderItsDeliveryName) {
  EXPECT_EQ(ListName("ZEFOLauncher.exe"), "ZEFOLauncher_New.exe");
  EXPECT_EQ(ListName("sub/ZEFOLauncher.exe"), "sub/ZEFOLauncher.exe");
  EXPECT_EQ(InstallName("ZEFOLauncher_New.exe"), "ZEFOLauncher.exe");
  EXPECT_EQ(LookupName("ZEFOLauncher_New.exe"), "ZEFOLauncher.exe");
  EXPECT_EQ(LookupName("x64/ZLauncher.exe"), "x64\\ZLauncher.exe");
  EXPECT_EQ(LookupName("sub/ZEFOLauncher_New.exe"), "sub\\ZEFOLauncher_New.exe");
}

TEST(PublishNames, VersionNumbers) {
  std::int32_t version = 0;
  EXPECT_TRUE(ParseVersionNumber("104", &version));
  EXPECT_EQ(version, 104);
  EXPECT_TRUE(ParseVersionNumber("2147483647", &version));
  EXPECT_EQ(version, INT32_MAX);
  for (const char* text : {"", "0", "0104", "+5", "-5", "10x", "2147483648", "99999999999"}) {
    EXPECT_FALSE(ParseVersionNumber(text, &version)) << text;
  }
}

}  // namespace
}  // namespace zefo::publish
