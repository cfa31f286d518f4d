#include "desktop/windows/installer/utils/test_stop_point.h"

#include <windows.h>

#include "base/environment.h"
#include "base/logging.h"

bool IsTestStopPoint(const std::string& point) {
  static const std::string* const stop_at = [] {
    std::string value;
    base::Environment::Create()->GetVar("TARVO_INSTALLER_TEST_STOP_AT", &value);
    return new std::string(value);
  }();
  return !stop_at->empty() && *stop_at == point;
}

void StopHereIfTestAsks(const std::string& point, HANDLE wake) {
  if (!IsTestStopPoint(point))
    return;
  LOG(WARNING) << "Stopped at " << point << " for the test";
  while (!wake || ::WaitForSingleObject(wake, INFINITE) != WAIT_OBJECT_0)
    ::Sleep(INFINITE);
  LOG(WARNING) << "Going on from " << point << " for the test";
}
