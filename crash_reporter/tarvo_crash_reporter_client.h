#ifndef CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_
#define CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_

#include <windows.h>

#include <string>

#include "base/files/file_path.h"

namespace crash_reporter {

// What crash reporting asks of the product in this process.
class TarvoCrashReporterClient {
 public:
  // The process-wide client, made on first use.
  static TarvoCrashReporterClient* GetInstance();

  TarvoCrashReporterClient() = default;
  TarvoCrashReporterClient(const TarvoCrashReporterClient&) = delete;
  TarvoCrashReporterClient& operator=(const TarvoCrashReporterClient&) = delete;

  void GetProductNameAndVersion(const std::wstring& exe_path, std::wstring* product_name,
                                std::wstring* version, std::wstring* special_build,
                                std::wstring* channel_name) const;
  // The dump folder: the dump variable, else the path service's; false when
  // neither is known.
  bool GetCrashDumpLocation(base::FilePath* directory) const;
  bool GetCrashCountersLocation(base::FilePath* path) const;
  // Registers the installer's keys with the process's keeper; the number
  // of keys.
  size_t RegisterCrashKeys() const;
  bool GetCollectStatsConsent() const { return collect_stats_consent_; }

  DWORD crash_reporter_pid() const { return crash_reporter_pid_; }
  void set_crash_reporter_pid(DWORD pid) { crash_reporter_pid_ = pid; }

 private:
  bool collect_stats_consent_ = true;
  DWORD crash_reporter_pid_ = 0;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_TARVO_CRASH_REPORTER_CLIENT_H_
