// Composing error reports and posting them to the webhook.
#include "updater/diag/error_report.h"

#include <cstdio>

#include "updater/diag/ansi_utf8.h"
#include "updater/net/webhook.h"
#include "updater/sys/system_info.h"

namespace zefo {
namespace {

// The content as a JSON string body: quotes, backslashes and control characters escaped.
std::string JsonEscape(const std::string& text) {
  std::string escaped;
  escaped.reserve(text.size() + text.size() / 8);
  for (const char ch : text) {
    switch (ch) {
      case '"': escaped += "\\\""; break;
      case '\\': escaped += "\\\\"; break;
      case '\b': escaped += "\\b"; break;
      case '\f': escaped += "\\f"; break;
      case '\n': escaped += "\\n"; break;
      case '\r': escaped += "\\r"; break;
      case '\t': escaped += "\\t"; break;
      default:
        if (static_cast<unsigned char>(ch) < 0x20) {
          char code[8];
          std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(ch));
          escaped += code;
        } else {
          escaped += ch;
        }
    }
  }
  return escaped;
}

std::string BuildReport(const std::string& prefix, const std::string& subject,
                        const std::string& code, const std::string& errorText,
                        const MachineInfo& machine) {
  std::string report;
  AppendReportPart(report, prefix, false);
  AppendReportPart(report, subject, true);
  AppendReportPart(report, "Error( ", false);
  AppendReportPart(report, code, true);
  AppendReportPart(report, errorText, false);
  AppendReportPart(report, ")", true);
  AppendReportPart(report, machine.publicAddressInfo, true);
  AppendReportPart(report, " OS : ", false);
  AppendReportPart(report, machine.osName, true);
  AppendReportPart(report, " OS Language : ", false);
  AppendReportPart(report, machine.languageName, true);
  AppendReportPart(report, " Country : ", false);
  AppendReportPart(report, machine.countryName, false);
  return report;
}

}  // namespace

MachineInfo MachineInfo::Collect(const std::string& publicAddressInfo) {
  return MachineInfo{publicAddressInfo, GetOsName(), GetSystemLanguageName(),
                     GetSystemCountryName()};
}

void AppendReportPart(std::string& report, const std::string& part, bool separator) {
  report += part.c_str();
  if (separator) report += " , ";
}

std::string BuildErrorReport(const std::string& prefix, const std::string& subject,
                             std::uint32_t errorCode, const std::string& errorText,
                             const MachineInfo& machine) {
  return BuildReport(prefix, subject, std::to_string(errorCode), errorText, machine);
}

std::string BuildErrorReportText(const std::string& prefix, const std::string& subject,
                                 const std::string& errorCodeText, const std::string& errorText,
                                 const MachineInfo& machine) {
  return BuildReport(prefix, subject, errorCodeText, errorText, machine);
}

std::string BuildWebhookBody(const std::string& report) {
  return "{\"msgtype\":\"text\",\"text\":{ \"content\":\"" + JsonEscape(AnsiToUtf8(report)) +
         " \"} }";
}

void ReportError(const std::string& report, const std::string& webhookUrl) {
  const std::string body = BuildWebhookBody(report);
  const struct {
    bool useDns;
    bool secure;
  } attempts[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  for (const auto& attempt : attempts) {
    if (SendWebhookText(webhookUrl, body, attempt.useDns, attempt.secure) == 0) return;
  }
}

}  // namespace zefo
