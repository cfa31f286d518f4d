#include "desktop/windows/installer/installer_logging.h"

#include "base/command_line.h"
#include "base/environment.h"
#include "base/files/file_path.h"
#include "base/logging.h"
#include "base/path_service.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/installer_usage.h"
#include "desktop/windows/installer/utils/installer_switches.h"
#include "desktop/windows/installer/work_directory.h"

namespace {
constexpr int kMaxVerbosity = 9;
}  // namespace

void ApplyVerbosityFromEnvironment(base::CommandLine* command_line) {
  DCHECK(command_line);
  if (command_line->HasSwitch(switches::kVerbosity))
    return;
  std::string value;
  if (!base::Environment::Create()->GetVar(kVerbosityVariable, &value))
    return;
  int level = 0;
  if (!base::StringToInt(value, &level) || level < 0 || level > kMaxVerbosity)
    return;
  command_line->AppendSwitchASCII(switches::kVerbosity, value);
}

std::wstring GetLogFileName(const base::Time::Exploded& start_time) {
  std::string base_name;
  FormatWithProductName(&base_name, "%s_installer", /*lower=*/true);
  base_name += base::StringPrintf("_%02d%02d%02d%02d%02d%02d%03d.log", start_time.year,
                                  start_time.month, start_time.day_of_month, start_time.hour,
                                  start_time.minute, start_time.second, start_time.millisecond);
  return base::UTF8ToWide(base_name);
}

base::FilePath GetLogFilePath(const base::Time::Exploded& start_time) {
  base::FilePath folder;
  std::wstring name = GetLogFileName(start_time);
  if (TryWorkDirectoryFromPathKey(GetInstallerName(), base::FilePath(), &folder, base::DIR_TEMP))
    return folder.Append(name);
  return base::FilePath(name);
}

bool InitInstallerLogging(const base::CommandLine& command_line, const base::FilePath& log_file) {
  logging::LoggingSettings settings;
  settings.command_line = &command_line;
  settings.logging_dest = logging::LOG_TO_FILE;
  settings.log_file = log_file.value();
  settings.delete_old = logging::DELETE_OLD_LOG_FILE;
  return logging::InitLogging(settings);
}
