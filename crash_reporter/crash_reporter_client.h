#ifndef CRASH_REPORTER_CRASH_REPORTER_CLIENT_H_
#define CRASH_REPORTER_CRASH_REPORTER_CLIENT_H_

#include <stddef.h>

#include <string>

#include "base/files/file_path.h"

namespace crash_reporter {

// What crash reporting asks of the product, one operation per question,
// in the order the crash-reporting library declares them (the product's
// interface adds the crash-counters location). Each default is the answer
// of a product that has nothing to say on the point.
class CrashReporterClient {
 public:
  CrashReporterClient() = default;
  CrashReporterClient(const CrashReporterClient&) = delete;
  CrashReporterClient& operator=(const CrashReporterClient&) = delete;
  virtual ~CrashReporterClient();

  // Whether a process of `process_type` makes the reporter's pipe name.
  virtual bool ShouldCreatePipeName(const std::wstring& process_type);
  virtual bool GetAlternativeCrashDumpLocation(std::wstring* crash_dir);
  virtual void GetProductNameAndVersion(const std::wstring& exe_path, std::wstring* product_name,
                                        std::wstring* version, std::wstring* special_build,
                                        std::wstring* channel_name);
  virtual bool ShouldShowRestartDialog(std::wstring* title, std::wstring* message,
                                       bool* is_rtl_locale);
  virtual bool AboutToRestart();
  virtual bool GetDeferredUploadsSupported(bool is_per_user_install);
  virtual bool GetIsPerUserInstall();
  virtual bool GetShouldDumpLargerDumps();
  virtual int GetResultCodeRespawnFailed();
  // The dump folder; false when unknown.
  virtual bool GetCrashDumpLocation(base::FilePath* crash_dir);
  virtual bool GetCrashMetricsLocation(base::FilePath* metrics_dir);
  // The crash count file; false when unknown.
  virtual bool GetCrashCountersLocation(base::FilePath* path);
  // Registers the process's crash keys with its keeper; how many there are.
  virtual size_t RegisterCrashKeys();
  virtual bool UseCrashKeysWhiteList();
  virtual const char* const* GetCrashKeyWhiteList();
  virtual bool IsRunningUnattended();
  virtual bool GetCollectStatsConsent();
  virtual bool GetCollectStatsInSample();
  virtual bool ReportingIsEnforcedByPolicy(bool* breakpad_enabled);
  virtual bool ShouldMonitorCrashHandlerExpensively();
  virtual bool EnableBreakpadForProcess(const std::string& process_type);
};

// The process's client: the product's, unless a test replaced it.
CrashReporterClient* GetCrashReporterClient();
// Null restores the product's client.
void SetCrashReporterClientForTesting(CrashReporterClient* client);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_REPORTER_CLIENT_H_
