#include "crash_reporter/tarvo_crash_reporter_client.h"

#include <atomic>

#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_keys.h"
#include "crash_reporter/crash_keys_keeper.h"
#include "crash_reporter/crash_paths.h"
#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {

TarvoCrashReporterClient* TarvoCrashReporterClient::GetInstance() {
  static std::atomic<TarvoCrashReporterClient*> instance{nullptr};
  if (TarvoCrashReporterClient* existing = instance.load())
    return existing;
  auto* made = new TarvoCrashReporterClient;
  TarvoCrashReporterClient* expected = nullptr;
  if (!instance.compare_exchange_strong(expected, made)) {
    delete made;
    return expected;
  }
  return made;
}

void TarvoCrashReporterClient::GetProductNameAndVersion(const std::wstring&,
                                                        std::wstring* product_name,
                                                        std::wstring* version,
                                                        std::wstring* special_build,
                                                        std::wstring* channel_name) {
  const CrashProductValues& product = GetCrashProductValues();
  *product_name = base::UTF8ToWide(product.upload_product_name);
  *version = base::UTF8ToWide(product.version);
  special_build->clear();
  *channel_name = base::UTF8ToWide(product.channel_name);
}

bool TarvoCrashReporterClient::GetCrashDumpLocation(base::FilePath* directory) {
  std::string from_environment = GetEnvironmentValue(kCrashLogDirVariable);
  if (!from_environment.empty()) {
    *directory = base::FilePath(base::UTF8ToWide(from_environment));
    return true;
  }
  return base::PathService::Get(DIR_CRASH_DUMPS, directory);
}

bool TarvoCrashReporterClient::GetCrashCountersLocation(base::FilePath* path) {
  return base::PathService::Get(FILE_CRASH_COUNTERS, path);
}

size_t TarvoCrashReporterClient::RegisterCrashKeys() {
  CrashKeysKeeper* keeper = CrashKeysKeeper::GetInstance();
  if (!keeper)
    return 0;
  return keeper->RegisterKeys(GetInstallerCrashKeys(), kReportedCrashKeyCount,
                              kCrashKeyChunkLength);
}

}  // namespace crash_reporter
