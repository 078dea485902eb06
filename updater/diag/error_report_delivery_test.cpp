// Reports reach the loopback webhook receiver as valid JSON, by the first
// attempt that works.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "tests/fixtures/test_servers.h"
#include "updater/diag/error_report.h"
#include "updater/net/download.h"
#include "updater/sys/last_error.h"
#include "updater/sys/system_info.h"

namespace zefo {
namespace {

namespace fs = std::filesystem;
using testing::WebhookReceiver;

constexpr char kWebhookPath[] = "/cgi-bin/webhook/send?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34";

// Parses `body` with Python's strict JSON reader and returns text.content;
// fails the test unless the body is exactly {"msgtype":"text","text":{"content":...}}.
std::string ContentOfJsonBody(const std::string& body) {
  const fs::path file = fs::temp_directory_path() / "zefo-report-body.json";
  std::ofstream(file, std::ios::binary) << body;
  const std::string command =
      "/usr/bin/python3 -c \"import json, sys\n"
      "d = json.load(open(sys.argv[1], encoding='utf-8'))\n"
      "assert list(d) == ['msgtype', 'text'] and d['msgtype'] == 'text', d\n"
      "assert list(d['text']) == ['content'], d\n"
      "sys.stdout.buffer.write(d['text']['content'].encode('utf-8'))\" '" +
      file.string() + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string content;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0;) content.append(buffer, n);
  const int status = pclose(pipe.release());
  fs::remove(file);
  EXPECT_EQ(status, 0) << "not valid JSON of the expected shape: " << body;
  return content;
}

TEST(ReportDeliveryTest, ReportOfARealDownloadFailureArrivesAsValidJson) {
  const fs::path root = fs::temp_directory_path() / "zefo-report-empty-root";
  fs::create_directories(root);
  std::string report;
  {
    testing::PatchServer server(root.string());
    const std::string primary = server.httpsUrl() + "/patch/VersionInfo.txt";
    const std::string fallback = server.httpUrl() + "/patch/VersionInfo.txt";
    const fs::path destination = root / "out" / "VersionInfo.txt";
    ASSERT_FALSE(DownloadFile(std::wstring(primary.begin(), primary.end()),
                              std::wstring(fallback.begin(), fallback.end()),
                              destination.wstring()));
    const std::uint32_t code = LastErrorCode();
    report = BuildErrorReport("ZEFOLauncher Error : ", primary, code,
                              FormatSystemMessage(code, kLanguageEnglishUs),
                              MachineInfo::Collect("{\"ip\":\"203.0.113.7\",\"country\":\"KR\"}"));
  }
  fs::remove_all(root);
  ASSERT_NE(report.find("\r\n)"), std::string::npos) << report;  // the system text's line end

  WebhookReceiver receiver;
  ReportError(report, receiver.httpsUrl() + kWebhookPath);

  const auto posts = receiver.Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].method, "POST");
  EXPECT_EQ(ContentOfJsonBody(posts[0].body), report + " ");
}

TEST(ReportDeliveryTest, NonAsciiAndQuotesSurviveTheBody) {
  WebhookReceiver receiver;
  const std::string report = "say \"\xED\x95\x9C\" \\ \t\x01 bad\xFF end\r\n";
  ReportError(report, receiver.httpsUrl() + kWebhookPath);
  const auto posts = receiver.Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(ContentOfJsonBody(posts[0].body),
            "say \"\xED\x95\x9C\" \\ \t\x01 bad\xEF\xBF\xBD end\r\n ");
}

TEST(ReportDeliveryTest, FirstWorkingAttemptIsTheOnlyPost) {
  WebhookReceiver receiver;
  ReportError("report", receiver.httpsUrl() + kWebhookPath);
  const auto posts = receiver.Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].scheme, "https");
  EXPECT_EQ(posts[0].path, "/cgi-bin/webhook/send");
  EXPECT_EQ(posts[0].query, "key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34");
}

// The receiver's plain port answers no TLS: both secure attempts fail and the
// first plain one (DNS switch on) delivers.
TEST(ReportDeliveryTest, FallsBackToPlainHttpWhenTlsFails) {
  WebhookReceiver receiver;
  ReportError("report", "https://127.0.0.1:" + std::to_string(receiver.httpPort()) + kWebhookPath);
  const auto posts = receiver.Requests();
  ASSERT_EQ(posts.size(), 1u);
  EXPECT_EQ(posts[0].scheme, "http");
  EXPECT_EQ(ContentOfJsonBody(posts[0].body), "report ");
}

}  // namespace
}  // namespace zefo
