#include "tests/hardening/service_ports.h"

#include <stdexcept>
#include <string>

#include "updater/engine/build_config.h"

namespace zefo::testing {
namespace {

int PortOf(const std::string& host) {
  const std::size_t colon = host.rfind(':');
  if (colon == std::string::npos) throw std::runtime_error("no port in the configured host " + host);
  return std::stoi(host.substr(colon + 1));
}

}  // namespace

ServerPorts ConfiguredPatchPorts() { return {PortOf(ZEFO_LIVE_HTTP_HOST), PortOf(ZEFO_LIVE_HTTPS_HOST)}; }
ServerPorts ConfiguredWebhookPorts() { return {0, PortOf(ZEFO_WEBHOOK_HOST)}; }
ServerPorts ConfiguredApiPorts() { return {0, PortOf(ZEFO_API_HOST)}; }

}  // namespace zefo::testing
