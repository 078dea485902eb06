#include "tests/support/loopback_endpoints.h"

#include "updater/sys/text.h"

namespace zefo::testing {

Endpoints LoopbackEndpoints(const PatchServer& server, const WebhookReceiver& hook) {
  Endpoints endpoints;
  endpoints.liveSecureBase = ToWideString(server.httpsUrl() + "/patch");
  endpoints.livePlainBase = ToWideString(server.httpUrl() + "/patch");
  endpoints.stageSecureBase = ToWideString(server.httpsUrl() + "/zefolauncher/patch");
  endpoints.stagePlainBase = ToWideString(server.httpUrl() + "/zefolauncher/patch");
  endpoints.webhookUrl = hook.httpsUrl() + kWebhookPath + "?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34";
  endpoints.addressInfoUrl = hook.httpsUrl() + "/ipinfo";
  return endpoints;
}

}  // namespace zefo::testing
