#include "desktop/windows/installer/package_fetcher/package_fetcher_switches.h"

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"

base::TimeDelta GetTestSwitchSeconds(const base::CommandLine& command_line, const char* name) {
  int seconds = 0;
  if (!base::StringToInt(command_line.GetSwitchValueASCII(name), &seconds) || seconds <= 0)
    return base::TimeDelta();
  return base::TimeDelta::FromSeconds(seconds);
}
