#include "base/threading/platform_thread.h"

#include <string>

namespace base {

namespace {

thread_local std::string g_thread_name;

using SetThreadDescriptionFunction = HRESULT(WINAPI*)(HANDLE, PCWSTR);

}  // namespace

void PlatformThread::Sleep(TimeDelta duration) {
  // ::Sleep may wake slightly early; sleep again for the rest.
  const TimeTicks end = TimeTicks::Now() + duration;
  for (TimeTicks now = TimeTicks::Now(); now < end; now = TimeTicks::Now()) {
    int64_t ms = (end - now).InMillisecondsRoundedUp();
    ::Sleep(ms >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(ms));
  }
}

void PlatformThread::SetName(const std::string& name) {
  g_thread_name = name;
  // Newer systems only, so looked up at run time.
  static const auto set_description = reinterpret_cast<SetThreadDescriptionFunction>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetThreadDescription")));
  if (!set_description)
    return;
  int length = MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, nullptr, 0);
  if (length <= 0)
    return;
  std::wstring wide(static_cast<size_t>(length), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wide.data(), length);
  set_description(GetCurrentThread(), wide.c_str());
}

const char* PlatformThread::GetName() {
  return g_thread_name.c_str();
}

}  // namespace base
