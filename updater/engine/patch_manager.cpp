#include "updater/engine/patch_manager.h"

#include "updater/diag/error_report.h"
#include "updater/sys/file_system.h"

namespace zefo {

PatchManager& PatchManager::Instance() {
  // Never destroyed: worker threads are not waited for when the program ends
  // and may still be using it.
  static PatchManager* const instance = new PatchManager(Endpoints::Builtin());
  return *instance;
}

PatchManager::PatchManager(Endpoints endpoints) : endpoints_(std::move(endpoints)) {}

bool PatchManager::EvaluateMode() {
  m_liveMode = !PathExists(L"_stagemode.txt");
  return m_liveMode;
}

void PatchManager::SetPublicAddressInfo(std::string info) { m_publicAddressInfo = std::move(info); }

const std::wstring& PatchManager::SettingsKey() const {
  static const std::wstring live = L"SOFTWARE\\Tavrin\\Zlauncher";
  static const std::wstring stage = L"SOFTWARE\\Tavrin\\Zlauncher_stage";
  return m_liveMode ? live : stage;
}

const std::wstring& PatchManager::SecureBase() const {
  return m_liveMode ? endpoints_.liveSecureBase : endpoints_.stageSecureBase;
}

const std::wstring& PatchManager::PlainBase() const {
  return m_liveMode ? endpoints_.livePlainBase : endpoints_.stagePlainBase;
}

void PatchManager::SendReport(const std::string& report) const {
  ReportError(report, endpoints_.webhookUrl);
}

}  // namespace zefo
