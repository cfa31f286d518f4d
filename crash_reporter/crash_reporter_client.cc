#include "crash_reporter/crash_reporter_client.h"

#include <atomic>

#include "crash_reporter/tarvo_crash_reporter_client.h"

namespace crash_reporter {
namespace {

std::atomic<CrashReporterClient*> g_client_for_testing{nullptr};

}  // namespace

CrashReporterClient::~CrashReporterClient() = default;

bool CrashReporterClient::ShouldCreatePipeName(const std::wstring& process_type) {
  return process_type == L"browser";
}

bool CrashReporterClient::GetAlternativeCrashDumpLocation(std::wstring*) {
  return false;
}

void CrashReporterClient::GetProductNameAndVersion(const std::wstring&, std::wstring* product_name,
                                                   std::wstring* version,
                                                   std::wstring* special_build,
                                                   std::wstring* channel_name) {
  product_name->clear();
  version->clear();
  special_build->clear();
  channel_name->clear();
}

bool CrashReporterClient::ShouldShowRestartDialog(std::wstring*, std::wstring*, bool*) {
  return false;
}

bool CrashReporterClient::AboutToRestart() {
  return false;
}

bool CrashReporterClient::GetDeferredUploadsSupported(bool) {
  return false;
}

bool CrashReporterClient::GetIsPerUserInstall() {
  return true;
}

bool CrashReporterClient::GetShouldDumpLargerDumps() {
  return false;
}

int CrashReporterClient::GetResultCodeRespawnFailed() {
  return 0;
}

bool CrashReporterClient::GetCrashDumpLocation(base::FilePath*) {
  return false;
}

bool CrashReporterClient::GetCrashMetricsLocation(base::FilePath*) {
  return false;
}

bool CrashReporterClient::GetCrashCountersLocation(base::FilePath*) {
  return false;
}

size_t CrashReporterClient::RegisterCrashKeys() {
  return 0;
}

bool CrashReporterClient::UseCrashKeysWhiteList() {
  return false;
}

const char* const* CrashReporterClient::GetCrashKeyWhiteList() {
  return nullptr;
}

bool CrashReporterClient::IsRunningUnattended() {
  return false;
}

bool CrashReporterClient::GetCollectStatsConsent() {
  return false;
}

bool CrashReporterClient::GetCollectStatsInSample() {
  return true;
}

bool CrashReporterClient::ReportingIsEnforcedByPolicy(bool*) {
  return false;
}

bool CrashReporterClient::ShouldMonitorCrashHandlerExpensively() {
  return false;
}

bool CrashReporterClient::EnableBreakpadForProcess(const std::string&) {
  return false;
}

CrashReporterClient* GetCrashReporterClient() {
  if (CrashReporterClient* replaced = g_client_for_testing.load())
    return replaced;
  return TarvoCrashReporterClient::GetInstance();
}

void SetCrashReporterClientForTesting(CrashReporterClient* client) {
  g_client_for_testing.store(client);
}

}  // namespace crash_reporter
