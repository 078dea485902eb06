# Hosts of the services the updater talks to, each "host[:port]". They are fixed
# at build time: nothing at run time changes them. The defaults lie under the
# reserved .invalid domain so an unconfigured build never reaches a real host.
set(ZEFO_LIVE_HTTPS_HOST  "patch.zefo.invalid"       CACHE STRING "Live patch server, HTTPS host[:port]")
set(ZEFO_LIVE_HTTP_HOST   "patch.zefo.invalid"       CACHE STRING "Live patch server, HTTP host[:port]")
set(ZEFO_STAGE_HTTPS_HOST "stage-patch.zefo.invalid" CACHE STRING "Stage patch server, HTTPS host[:port]")
set(ZEFO_STAGE_HTTP_HOST  "stage-patch.zefo.invalid" CACHE STRING "Stage patch server, HTTP host[:port]")
set(ZEFO_WEBHOOK_HOST     "chat.zefo.invalid"        CACHE STRING "Team-chat webhook service, host[:port]")
set(ZEFO_API_HOST         "api.zefo.invalid"         CACHE STRING "Company API server (/ipinfo), host[:port]")
