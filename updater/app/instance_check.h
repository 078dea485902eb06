// The start-up check: is the launcher already running (then hand it the
// launch token and close), is another updater already running (then say so
// and close)?
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "updater/app/named_mutex.h"
#include "updater/ui/message_box.h"

namespace zefo {

class PatchManager;

// What the check needs of the process and the system; tests substitute it.
class InstanceSystem {
 public:
  virtual ~InstanceSystem() = default;
  // PatchManager::EvaluateMode: true for live, false for stage.
  virtual bool EvaluateMode() = 0;
  virtual const std::vector<std::wstring>& Arguments() = 0;
  virtual void SleepMilliseconds(unsigned milliseconds) = 0;
  virtual void TerminateProcessesByName(const std::wstring& name) = 0;
  virtual std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) = 0;
  virtual void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) = 0;
};

// The real process: the patch manager's mode, the program's arguments, the
// platform's processes, mutexes and broadcast.
class SystemInstanceServices final : public InstanceSystem {
 public:
  explicit SystemInstanceServices(PatchManager& manager) : manager_(manager) {}
  bool EvaluateMode() override;
  const std::vector<std::wstring>& Arguments() override;
  void SleepMilliseconds(unsigned milliseconds) override;
  void TerminateProcessesByName(const std::wstring& name) override;
  std::unique_ptr<NamedMutex> CreateNamedMutex(const std::wstring& name, bool& alreadyExisted) override;
  void BroadcastShowUp(std::uint32_t wParam, std::uint32_t lParam) override;

 private:
  PatchManager& manager_;
};

// The application object's mutex handles. The launcher's stays open until the
// process ends; the updater's is released when the object goes.
struct InstanceLocks {
  std::unique_ptr<NamedMutex> launcherMutex;
  std::unique_ptr<NamedMutex> updaterMutex;
};

// True when the updater is to close at once: the launcher runs (it was sent
// "showup_zlauncher"), or another updater runs (the user was told so).
bool CheckRunningInstances(InstanceLocks& locks, InstanceSystem& system, MessageBoxHost& host);

}  // namespace zefo
