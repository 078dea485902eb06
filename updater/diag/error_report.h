// Error reports to the makers: a one-line text posted to the team-chat webhook.
#pragma once

#include <cstdint>
#include <string>

namespace zefo {

// What a report says about the machine.
struct MachineInfo {
  std::string publicAddressInfo;
  std::string osName;
  std::string languageName;
  std::string countryName;
  // The public address information given, the rest from system_info.h.
  static MachineInfo Collect(const std::string& publicAddressInfo);
};

// Appends `part` (up to its first zero character) and, with `separator`, " , ".
void AppendReportPart(std::string& report, const std::string& part, bool separator);
std::string BuildErrorReport(const std::string& prefix, const std::string& subject,
                             std::uint32_t errorCode, const std::string& errorText,
                             const MachineInfo& machine);
std::string BuildErrorReportText(const std::string& prefix, const std::string& subject,
                                 const std::string& errorCodeText, const std::string& errorText,
                                 const MachineInfo& machine);
// The JSON body: {"msgtype":"text","text":{ "content":"<report> "} }, with the
// report escaped as JSON requires and converted to UTF-8.
std::string BuildWebhookBody(const std::string& report);
// Posts the report to `webhookUrl`: DNS+secure, secure, DNS+plain, plain,
// stopping at the first completed transfer.
void ReportError(const std::string& report, const std::string& webhookUrl);

}  // namespace zefo
