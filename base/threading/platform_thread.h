#ifndef BASE_THREADING_PLATFORM_THREAD_H_
#define BASE_THREADING_PLATFORM_THREAD_H_

#include <windows.h>

#include <string>

#include "base/time/time.h"

namespace base {

using PlatformThreadId = DWORD;
constexpr PlatformThreadId kInvalidThreadId = 0;

class PlatformThread {
 public:
  static PlatformThreadId CurrentId() { return GetCurrentThreadId(); }
  static void Sleep(TimeDelta duration);
  static void YieldCurrentThread() { ::SwitchToThread(); }
  // Names the calling thread for debuggers (best effort).
  static void SetName(const std::string& name);
  static const char* GetName();
};

}  // namespace base

#endif  // BASE_THREADING_PLATFORM_THREAD_H_
