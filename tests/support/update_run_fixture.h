// Everything one update run meets: a loopback patch server (live and stage
// deployments below one root), a webhook receiver, a program folder made
// current, the launcher's registry key and a scripted window.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/fixtures/test_servers.h"
#include "tests/support/loopback_endpoints.h"
#include "tests/support/patch_site.h"
#include "tests/support/scripted_window.h"
#include "tests/support/test_folders.h"
#include "tests/support/test_registry.h"
#include "updater/engine/patch_manager.h"

namespace zefo::testing {

class UpdateRunTest : public ::testing::Test {
 protected:
  UpdateRunTest();
  ~UpdateRunTest() override;

  // The launcher's key of the mode with this VERSION.
  void InstallLauncher(std::int32_t version, const wchar_t* key = kLiveKey);
  // What the Start button does: the install check, then the update worker.
  void RunUpdate();

  // Paths of the GET requests the patch server saw, in order, each once.
  std::vector<std::string> FetchedPaths() const;
  int FetchCount(const std::string& path) const;
  // Bodies of the reports posted to the webhook.
  std::vector<std::string> Reports() const;
  // Every request both servers saw, one line each ("https GET /ipinfo"): shown
  // when a check fails, to tell a request that never arrived from a bad answer.
  std::string RequestTrace() const;

  TempFolder serverRoot_;
  PatchServer server_;
  WebhookReceiver hook_;
  PatchSite live_;
  PatchSite stage_;
  ProgramFolder program_;
  PatchManager manager_;
  ScriptedWindow window_;
};

}  // namespace zefo::testing
