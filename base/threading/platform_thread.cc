#include "base/threading/platform_thread.h"

#include <string>

#include "base/strings/utf_string_conversions.h"

namespace base {

namespace {

thread_local std::string g_thread_name;

using SetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PCWSTR);

}  // namespace

void PlatformThread::Sleep(TimeDelta duration) {
  // ::Sleep may wake slightly early; sleep again for the rest.
  const TimeTicks end = TimeTicks::Now() + duration;
  for (TimeTicks now = TimeTicks::Now(); now < end; now = TimeTicks::Now())
    ::Sleep((end - now).InMillisecondsForWait());
}

void PlatformThread::SetName(const std::string& name) {
  g_thread_name = name;
  // Newer systems only, so looked up at run time.
  static const auto set_description = reinterpret_cast<SetThreadDescriptionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (set_description)
    set_description(GetCurrentThread(), UTF8ToWide(name).c_str());
}

const char* PlatformThread::GetName() {
  return g_thread_name.c_str();
}

}  // namespace base
