#include "updater/engine/endpoints.h"

#include "updater/engine/build_config.h"

namespace zefo {

const Endpoints& Endpoints::Builtin() {
  static const Endpoints endpoints{
      L"https://" ZEFO_LIVE_HTTPS_HOST "/patch",
      L"http://" ZEFO_LIVE_HTTP_HOST "/patch",
      L"https://" ZEFO_STAGE_HTTPS_HOST "/zefolauncher/patch",
      L"http://" ZEFO_STAGE_HTTP_HOST "/zefolauncher/patch",
      "https://" ZEFO_WEBHOOK_HOST "/cgi-bin/webhook/send?key=3f1c2b7a-9d4e-4a61-8b05-6c2e7f9a1d34",
      "https://" ZEFO_API_HOST "/ipinfo",
      ZEFO_RELEASE_PUBLIC_KEY,
  };
  return endpoints;
}

}  // namespace zefo
