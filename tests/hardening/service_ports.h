// The loopback ports this build's programs were configured with (the
// ZEFO_*_HOST cache variables), for tests that run the real programs.
#pragma once

#include "tests/fixtures/test_servers.h"

namespace zefo::testing {

ServerPorts ConfiguredPatchPorts();    // the live hosts: plain and secure
ServerPorts ConfiguredWebhookPorts();  // secure only
ServerPorts ConfiguredApiPorts();      // secure only

}  // namespace zefo::testing
