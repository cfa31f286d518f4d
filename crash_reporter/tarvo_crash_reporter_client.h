#ifndef CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_
#define CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_

#include <windows.h>

#include <string>

#include "base/files/file_path.h"
#include "crash_reporter/crash_reporter_client.h"

namespace crash_reporter {

// The installer's answers to crash reporting; every other question gets
// the library's default.
class TarvoCrashReporterClient : public CrashReporterClient {
 public:
  // The process-wide client, made on first use.
  static TarvoCrashReporterClient* GetInstance();

  TarvoCrashReporterClient() = default;
  TarvoCrashReporterClient(const TarvoCrashReporterClient&) = delete;
  TarvoCrashReporterClient& operator=(const TarvoCrashReporterClient&) = delete;

  // The crash server's product name, the full version, no special build
  // and the channel name.
  void GetProductNameAndVersion(const std::wstring& exe_path, std::wstring* product_name,
                                std::wstring* version, std::wstring* special_build,
                                std::wstring* channel_name) override;
  // The dump folder: the dump variable, else the path service's; false when
  // neither is known.
  bool GetCrashDumpLocation(base::FilePath* directory) override;
  // The path service's counters file; false when unknown.
  bool GetCrashCountersLocation(base::FilePath* path) override;
  // Registers the installer's keys with the process's keeper; the number
  // of keys.
  size_t RegisterCrashKeys() override;
  bool GetCollectStatsConsent() override { return collect_stats_consent_; }

  DWORD crash_reporter_pid() const { return crash_reporter_pid_; }
  void set_crash_reporter_pid(DWORD pid) { crash_reporter_pid_ = pid; }

 private:
  bool collect_stats_consent_ = true;
  DWORD crash_reporter_pid_ = 0;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_
