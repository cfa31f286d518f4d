#include "crash_reporter/crash_reporter_paths.h"

#include <memory>

#include "base/command_line.h"
#include "base/files/file_util.h"
#include "base/json/json_reader.h"
#include "base/path_service.h"
#include "base/strings/utf_string_conversions.h"
#include "base/values.h"
#include "crash_reporter/crash_paths.h"
#include "crash_reporter/crash_reporter_client.h"
#include "crash_reporter/crash_reporter_switches.h"

namespace crash_reporter {
namespace {

constexpr char kReportingEnabled[] = "user_experience_metrics.reporting_enabled";

}  // namespace

bool InitCrashReporterPaths(const base::CommandLine& command_line, CrashReporterPaths* paths) {
  base::FilePath user_data = command_line.GetSwitchValuePath(switches::kUserDataDir);
  if (!user_data.empty())
    base::PathService::OverrideAndCreateIfNeeded(DIR_USER_DATA, user_data, /*is_absolute=*/false,
                                                 /*create=*/true);
  CrashReporterClient* client = GetCrashReporterClient();
  if (!client->GetCrashCountersLocation(&paths->count_file))
    paths->count_file.clear();
  base::PathService::Get(FILE_CRASH_PREFERENCES, &paths->preferences);
  base::FilePath dumps;
  if (client->GetCrashDumpLocation(&dumps) && !dumps.empty() && base::CreateDirectory(dumps)) {
    paths->dump_directory = base::MakeAbsoluteFilePath(dumps);
    if (!paths->dump_directory.empty())
      return true;
  }
  return base::GetTempDir(&paths->dump_directory);
}

bool ReadCrashReportingConsent(const base::FilePath& preferences) {
  std::string text;
  if (preferences.empty() || !base::ReadFileToString(preferences, &text))
    return true;
  std::unique_ptr<base::DictionaryValue> dict =
      base::DictionaryValue::From(base::JSONReader::Read(text));
  bool enabled = true;
  if (dict)
    dict->GetBoolean(kReportingEnabled, &enabled);
  return enabled;
}

}  // namespace crash_reporter
