#include "desktop/windows/installer/utils/test_stop_point.h"

#include <windows.h>

#include "base/logging.h"
#include "desktop/windows/installer/utils/test_hooks.h"

namespace {

// The tests that stop a run kill it, or set its event, as soon as they read
// the stop line, which they look for every 50 ms; five minutes outlast the
// most loaded test machine many times over, and still end a hold a test
// forgot well before that test's own ten-minute time-out.
constexpr DWORD kLongestHoldMs = 5 * 60 * 1000;

}  // namespace

bool IsTestStopPoint(const std::string& point) {
  static const std::string* const stop_at = [] {
    std::string value;
    GetTestVariable(TestHook::kStopAt, &value);
    return new std::string(value);
  }();
  return !stop_at->empty() && *stop_at == point;
}

bool StopHereIfTestAsks(const std::string& point, HANDLE wake) {
  if (!IsTestStopPoint(point))
    return false;
  LOG(WARNING) << "Stopped at " << point << " for the test";
  bool woken = false;
  if (wake)
    woken = ::WaitForSingleObject(wake, kLongestHoldMs) == WAIT_OBJECT_0;
  else
    ::Sleep(kLongestHoldMs);
  LOG(WARNING) << (woken ? "Going on from " : "Held too long at ") << point << " for the test";
  return woken;
}
