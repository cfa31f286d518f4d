#include "desktop/windows/installer/utils/app_output_runner.h"

#include "base/command_line.h"
#include "base/no_destructor.h"
#include "base/process/launch.h"
#include "base/strings/utf_string_conversions.h"
#include "base/synchronization/lock.h"
#include "desktop/windows/installer/utils/installer_error_record.h"
#include "desktop/windows/installer/utils/installer_result.h"

base::Lock& GetAppOutputLock() {
  static base::NoDestructor<base::Lock> lock;
  return *lock;
}

AppOutputRunnerImpl::AppOutputRunnerImpl(base::TimeDelta time_limit) : time_limit_(time_limit) {}

bool AppOutputRunnerImpl::Run(const base::CommandLine& command_line, std::string* output) {
  bool ok;
  {
    base::AutoLock lock(GetAppOutputLock());
    int exit_code = 0;
    ok = base::GetAppOutputWithTimeout(command_line, output, time_limit_, &exit_code);
  }
  if (!ok) {
    return SetInstallerError(
        RESULT_GENERAL_FAILURE,
        "Cannot get app output " + base::WideToUTF8(command_line.GetCommandLineString()),
        std::wstring());
  }
  return true;
}
