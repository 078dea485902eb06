#include "updater/engine/endpoints.h"

#include <gtest/gtest.h>

#include "updater/engine/build_config.h"

namespace zefo {
namespace {

TEST(Endpoints, BuiltinAddressesFollowTheConfiguredHosts) {
  const Endpoints& e = Endpoints::Builtin();
  EXPECT_EQ(e.liveSecureBase, L"https://" ZEFO_LIVE_HTTPS_HOST "/patch");
  EXPECT_EQ(e.livePlainBase, L"http://" ZEFO_LIVE_HTTP_HOST "/patch");
  EXPECT_EQ(e.stageSecureBase, L"https://" ZEFO_STAGE_HTTPS_HOST "/zefolauncher/patch");
  EXPECT_EQ(e.stagePlainBase, L"http://" ZEFO_STAGE_HTTP_HOST "/zefolauncher/patch");
  EXPECT_EQ(e.webhookUrl, "https://" ZEFO_WEBHOOK_HOST
                          "/cgi-bin/webhook/send?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34");
  EXPECT_EQ(e.addressInfoUrl, "https://" ZEFO_API_HOST "/ipinfo");
  EXPECT_EQ(&e, &Endpoints::Builtin());
}

}  // namespace
}  // namespace zefo
