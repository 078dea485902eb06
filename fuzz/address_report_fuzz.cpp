// The public address answer on its way into an error report: whatever the
// API server sends, the webhook body is strict JSON whose content is the
// report, in UTF-8, with the answer in it. The input is the answer; bytes
// after its first zero stand in for the error text of the failure reported.
#include <cstdint>
#include <string>

#include "fuzz/fuzz_support.h"
#include "fuzz/json_check.h"
#include "updater/diag/ansi_utf8.h"
#include "updater/diag/error_report.h"

namespace {

using zefo::fuzz::JsonValue;

// What the address lookup keeps of an answer: its first 511 bytes, up to
// the first zero byte.
std::string KeptAnswer(const std::string& body) {
  const std::string piece = body.substr(0, 511);
  return piece.substr(0, piece.find('\0'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string input(reinterpret_cast<const char*>(data), size);
  const std::string answer = KeptAnswer(input);
  const std::size_t zero = input.find('\0');
  const std::string errorText = zero == std::string::npos ? std::string() : input.substr(zero + 1, 511);

  const zefo::MachineInfo machine{answer, "Windows 10 Pro", "Korean", "Korea"};
  const std::string report = zefo::BuildErrorReport("ZEFOLauncher Error : ", "https://localhost/patch/VersionInfo.txt",
                                                    12029, errorText, machine);
  ZEFO_FUZZ_CHECK(report.find(answer) != std::string::npos);

  const std::string body = zefo::BuildWebhookBody(report);
  const std::optional<JsonValue> json = zefo::fuzz::ParseJson(body);
  ZEFO_FUZZ_CHECK(json.has_value());
  ZEFO_FUZZ_CHECK(json->kind == JsonValue::Kind::kObject && json->members.size() == 2);
  const JsonValue* type = json->Member("msgtype");
  ZEFO_FUZZ_CHECK(type != nullptr && type->kind == JsonValue::Kind::kString && type->text == "text");
  const JsonValue* text = json->Member("text");
  ZEFO_FUZZ_CHECK(text != nullptr && text->kind == JsonValue::Kind::kObject && text->members.size() == 1);
  const JsonValue* content = text->Member("content");
  ZEFO_FUZZ_CHECK(content != nullptr && content->kind == JsonValue::Kind::kString);
  ZEFO_FUZZ_CHECK(content->text == zefo::AnsiToUtf8(report) + " ");
  return 0;
}
