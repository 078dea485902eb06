// Endpoints of the engine pointed at the tests' loopback servers.
#pragma once

#include "tests/fixtures/test_servers.h"
#include "updater/engine/endpoints.h"

namespace zefo::testing {

// Live bases "<server>/patch", stage bases "<server>/zefolauncher/patch" (so one
// server root holds both deployments), reports and "/ipinfo" to `hook`.
Endpoints LoopbackEndpoints(const PatchServer& server, const WebhookReceiver& hook);

// The webhook path the engine posts reports to, as the receiver records it.
constexpr char kWebhookPath[] = "/cgi-bin/webhook/send";

}  // namespace zefo::testing
