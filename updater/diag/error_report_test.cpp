// Report text and webhook body.
#include "updater/diag/error_report.h"

#include <gtest/gtest.h>

#include <string>

namespace zefo {
namespace {

const MachineInfo kMachine{"203.0.113.7 KR", "Windows 10", "Korean", "Korea"};

TEST(ErrorReportTest, PartsMeetAsTheReportFormatSays) {
  EXPECT_EQ(BuildErrorReport("ZEFOLauncher Error : ", "https://patch/x86/ZLauncher.exe", 5,
                             "Access is denied.\r\n", kMachine),
            "ZEFOLauncher Error : https://patch/x86/ZLauncher.exe , Error( 5 , "
            "Access is denied.\r\n) , 203.0.113.7 KR ,  OS : Windows 10 ,  OS Language : "
            "Korean ,  Country : Korea");
  EXPECT_EQ(BuildErrorReport("P : ", "s", 4294967295u, "", kMachine),
            "P : s , Error( 4294967295 , ) , 203.0.113.7 KR ,  OS : Windows 10 ,  OS Language : "
            "Korean ,  Country : Korea");
}

TEST(ErrorReportTest, CodeMayBeText) {
  EXPECT_EQ(BuildErrorReportText("ZEFOLauncher Full Download Error : ", "a.dll", "MD5 mismatch",
                                 "e\r\n", MachineInfo{"", "OS", "", ""}),
            "ZEFOLauncher Full Download Error : a.dll , Error( MD5 mismatch , e\r\n) ,  ,  OS : OS "
            ",  OS Language :  ,  Country : ");
}

TEST(ErrorReportTest, PartsEndAtTheirFirstZero) {
  std::string report = "a";
  AppendReportPart(report, std::string("b\0c", 3), true);
  AppendReportPart(report, std::string("\0d", 2), false);
  AppendReportPart(report, "e", false);
  EXPECT_EQ(report, "ab , e");
  const MachineInfo machine{std::string("1.2.3.4\0x", 9), "W", "L", "C"};
  EXPECT_EQ(BuildErrorReport(std::string("P\0Q", 3), "s", 1, "t", machine),
            "Ps , Error( 1 , t) , 1.2.3.4 ,  OS : W ,  OS Language : L ,  Country : C");
}

TEST(WebhookBodyTest, ContentIsEscapedInsideTheFixedShape) {
  const struct {
    std::string report;
    std::string content;
  } cases[] = {
      {"plain", "plain"},
      {"say \"hi\"", "say \\\"hi\\\""},
      {"C:\\ZEFO\\a.dll", "C:\\\\ZEFO\\\\a.dll"},
      {"denied.\r\n)", "denied.\\r\\n)"},
      {"\t\b\f", "\\t\\b\\f"},
      {std::string("\x01\x1f\x7f/", 4), "\\u0001\\u001F\x7f/"},
      {"", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(BuildWebhookBody(c.report),
              "{\"msgtype\":\"text\",\"text\":{ \"content\":\"" + c.content + " \"} }");
  }
}

TEST(WebhookBodyTest, LongReportsAreSentWhole) {
  std::string report;
  for (int i = 0; i < 300; ++i) report += "part " + std::to_string(i) + " , ";
  const std::string body = BuildWebhookBody(report);
  EXPECT_GT(report.size(), 468u);
  EXPECT_EQ(body, "{\"msgtype\":\"text\",\"text\":{ \"content\":\"" + report + " \"} }");
}

}  // namespace
}  // namespace zefo
