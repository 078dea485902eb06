// Where the updater's services are: the patch server bases of each mode, the
// webhook and the address lookup. Fixed at build time (CMake cache variables
// ZEFO_*_HOST, ZEFO_RELEASE_PUBLIC_KEY); the engine takes them as a value so tests can point it at
// servers of their own.
#pragma once

#include <string>

namespace zefo {

struct Endpoints {
  std::wstring liveSecureBase;   // https://<live https host>/patch
  std::wstring livePlainBase;    // http://<live http host>/patch
  std::wstring stageSecureBase;  // https://<stage https host>/zefolauncher/patch
  std::wstring stagePlainBase;   // http://<stage http host>/zefolauncher/patch
  std::string webhookUrl;        // https://<webhook host>/cgi-bin/webhook/send?key=...
  std::string addressInfoUrl;    // https://<api host>/ipinfo
  // The publisher's Ed25519 public key, 64 hex characters; empty: releases
  // are not signed and no signature is fetched.
  std::string releasePublicKey;

  // The addresses this build was configured with.
  static const Endpoints& Builtin();
};

}  // namespace zefo
