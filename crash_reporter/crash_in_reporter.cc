#include "crash_reporter/crash_in_reporter.h"

#include <stdlib.h>

#include <atomic>
#include <cwchar>
#include <exception>
#include <memory>

#include "base/command_line.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/kernel_object_security.h"
#include "base/win/scoped_handle.h"
#include "crash_reporter/count_file_store.h"
#include "crash_reporter/crash_parameters.h"
#include "crash_reporter/crash_product_values.h"
#include "crash_reporter/crash_reporter_paths.h"
#include "crash_reporter/crash_reporter_server.h"
#include "crash_reporter/crash_reporter_switches.h"
#include "crash_reporter/crash_upload.h"
#include "crash_reporter/minidump_writer.h"

namespace crash_reporter {
namespace {

constexpr wchar_t kExceptionEventPrefix[] = L"TarvoCrashReporterException";
constexpr DWORD kInvalidParameterCode = 0xC000000D;
constexpr DWORD kPureCallCode = 0xC0000025;
constexpr uint64_t kFileTimeUnitsPerDay = 864000000000ULL;
constexpr uint64_t kReportIntervalDays = 3;
constexpr size_t kMaxExePathUnits = 259;
constexpr size_t kRelaunchUnits = 2048;

std::atomic<bool> g_armed{false};
std::atomic<bool> g_first_crash_taken{false};
HANDLE g_exception_event = nullptr;
// Prepared when armed: a crashed process should not allocate.
wchar_t g_relaunch[kRelaunchUnits];
std::wstring* g_relaunch_arguments_for_testing = nullptr;
// Read by the second reporter from this process's memory.
CrashInfoBlock g_crash_info = {};
int64_t g_dump_size_cap_for_testing = 0;
DWORD g_exception_event_timeout_for_testing = 0;
EXCEPTION_RECORD g_record = {};
CONTEXT g_context = {};
EXCEPTION_POINTERS g_pointers = {};

std::wstring ExceptionEventName(DWORD pid) {
  return kExceptionEventPrefix + std::to_wstring(pid);
}

void EnterOnce() {
  if (g_first_crash_taken.exchange(true))
    SuspendThread(GetCurrentThread());  // the first crashing thread ends the process
}

// Starts the second reporter and gives it time to read this process.
void ReportOwnCrash() {
  g_crash_info.thread_id = GetCurrentThreadId();
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, g_relaunch, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return;  // nobody will read the block
  }
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  const DWORD timeout = g_exception_event_timeout_for_testing
                            ? g_exception_event_timeout_for_testing
                            : kExceptionEventTimeoutMs;
  if (g_exception_event)
    WaitForSingleObject(g_exception_event, timeout);
  else
    Sleep(timeout);
}

void HandleCrtFailure(DWORD code, CrashKind kind, const wchar_t* expression,
                      const wchar_t* function, const wchar_t* file, unsigned int line) {
  EnterOnce();
  RtlCaptureContext(&g_context);
  g_record.ExceptionCode = code;
  g_record.ExceptionAddress = reinterpret_cast<void*>(g_context.Rip);
  g_pointers = {&g_record, &g_context};
  g_crash_info.exception_pointers = reinterpret_cast<uintptr_t>(&g_pointers);
  FillAssertionInfo(kind, expression, function, file, line, &g_crash_info.assertion);
  ReportOwnCrash();
  TerminateProcess(GetCurrentProcess(), 0);
}

void OnTerminate() {
  CrashInReporterPureCall();
}

// The registry marker of the last reported reporter crash.
class LastCrashMarker {
 public:
  LastCrashMarker() {
    std::wstring path = L"Software\\" + base::UTF8ToWide(GetCrashProductValues().company_name);
    if (RegCreateKeyExW(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, 0,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, &key_, nullptr) != ERROR_SUCCESS) {
      key_ = nullptr;
    }
  }
  ~LastCrashMarker() {
    if (key_)
      RegCloseKey(key_);
  }
  LastCrashMarker(const LastCrashMarker&) = delete;
  LastCrashMarker& operator=(const LastCrashMarker&) = delete;

  // The stored time; a missing value is stored as 0 first.
  bool Read(uint64_t* time) {
    DWORD type = 0, size = sizeof(*time);
    if (!key_)
      return false;
    if (RegQueryValueExW(key_, kLastCrashValueName, nullptr, &type,
                         reinterpret_cast<BYTE*>(time), &size) == ERROR_SUCCESS &&
        type == REG_QWORD && size == sizeof(*time)) {
      return true;
    }
    *time = 0;
    return Write(0);
  }
  bool Write(uint64_t time) {
    return key_ && RegSetValueExW(key_, kLastCrashValueName, 0, REG_QWORD,
                                  reinterpret_cast<const BYTE*>(&time), sizeof(time)) == ERROR_SUCCESS;
  }

 private:
  HKEY key_ = nullptr;
};

uint64_t NowFileTime() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return (static_cast<uint64_t>(now.dwHighDateTime) << 32) | now.dwLowDateTime;
}

// Sets the crashed reporter's exception event when it goes, whatever the
// outcome, so the crashed reporter may end.
class ExceptionEventSetter {
 public:
  explicit ExceptionEventSetter(DWORD crashed) : crashed_(crashed) {}
  ~ExceptionEventSetter() { Set(); }
  void Set() {
    if (done_)
      return;
    done_ = true;
    base::win::ScopedHandle event(
        OpenEventW(EVENT_MODIFY_STATE, FALSE, ExceptionEventName(crashed_).c_str()));
    if (event.IsValid())
      SetEvent(event.Get());
  }

 private:
  const DWORD crashed_;
  bool done_ = false;
};

// Dumps and uploads the crashed reporter; true when the server took it.
bool ReportCrashedReporter(const base::CommandLine& command_line, DWORD crashed,
                           uint64_t block_address, ExceptionEventSetter* event_setter) {
  CrashReporterPaths paths;
  if (!InitCrashReporterPaths(command_line, &paths))
    return false;
  std::unique_ptr<CountFileStore> counts;
  if (!paths.count_file.empty()) {
    counts = std::make_unique<CountFileStore>(paths.count_file);
    counts->Add("crash_reporter", 1, /*wake=*/true);
  }
  base::win::ScopedHandle process(
      OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, crashed));
  CrashInfoBlock info = {};
  if (!process.IsValid() ||
      !ReadCrashInfo(process.Get(), block_address, /*with_assertion=*/true, &info)) {
    return false;
  }
  base::FilePath dump = MakeDumpPath(paths.dump_directory);
  const int64_t cap =
      g_dump_size_cap_for_testing ? g_dump_size_cap_for_testing : kReporterDumpSizeCap;
  if (!WriteMiniDumpToFile(process.Get(), crashed, info, dump, cap))
    return false;
  CrashParameters parameters = CollectReporterParameters(process.Get());
  event_setter->Set();
  GetCrashServerUrl();
  return UploadCrashDumpOnOwnThread({parameters, dump, /*gzip=*/false, /*delete_dump=*/true});
}

}  // namespace

void InstallCrashInReporterHandlers() {
  if (g_armed.exchange(true))
    return;
  wchar_t exe[kMaxExePathUnits + 1];
  DWORD length = GetModuleFileNameW(nullptr, exe, kMaxExePathUnits + 1);
  if (length == 0 || length > kMaxExePathUnits)
    return;
  const DWORD pid = GetCurrentProcessId();
  g_exception_event =
      KernelObjectSecurity::CreateOwnEvent(ExceptionEventName(pid), /*manual_reset=*/true);
  base::CommandLine relaunch{base::FilePath(std::wstring(exe, length))};
  relaunch.AppendSwitchASCII(switches::kCrashReporterExceptionInfo,
                             std::to_string(reinterpret_cast<uintptr_t>(&g_crash_info)));
  relaunch.AppendSwitchASCII(switches::kCrashReporterParentId, std::to_string(pid));
  std::wstring line = relaunch.GetCommandLineString();
  if (g_relaunch_arguments_for_testing)
    line += L" " + *g_relaunch_arguments_for_testing;
  if (line.size() >= kRelaunchUnits)
    return;
  wmemcpy(g_relaunch, line.c_str(), line.size() + 1);
  SetUnhandledExceptionFilter(&CrashInReporterExceptionFilter);
  _set_invalid_parameter_handler(&CrashInReporterInvalidParameter);
  _set_purecall_handler(&CrashInReporterPureCall);
  std::set_terminate(&OnTerminate);
}

LONG WINAPI CrashInReporterExceptionFilter(EXCEPTION_POINTERS* pointers) {
  EnterOnce();
  g_crash_info.exception_pointers = reinterpret_cast<uintptr_t>(pointers);
  g_crash_info.assertion.type = static_cast<uint32_t>(CrashKind::kException);
  ReportOwnCrash();
  return EXCEPTION_EXECUTE_HANDLER;
}

void CrashInReporterInvalidParameter(const wchar_t* expression, const wchar_t* function,
                                     const wchar_t* file, unsigned int line, uintptr_t) {
  HandleCrtFailure(kInvalidParameterCode, CrashKind::kInvalidParameter, expression, function,
                   file, line);
}

void CrashInReporterPureCall() {
  HandleCrtFailure(kPureCallCode, CrashKind::kPureCall, nullptr, nullptr, nullptr, 0);
}

bool IsLastReporterCrashExpired(uint64_t last, uint64_t now) {
  // A clock turned back (or a forged value) must not silence reports.
  if (last > now)
    return true;
  return (now - last) / kFileTimeUnitsPerDay >= kReportIntervalDays;
}

int RunCrashInCrashReporterMode(const base::CommandLine& command_line) {
  unsigned crashed = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(switches::kCrashReporterParentId),
                          &crashed)) {
    return -1;
  }
  ExceptionEventSetter event_setter(crashed);
  uint64_t block_address = 0;
  if (!base::StringToUint64(
          command_line.GetSwitchValueASCII(switches::kCrashReporterExceptionInfo),
          &block_address)) {
    return -1;
  }
  LastCrashMarker marker;
  uint64_t last = 0;
  const uint64_t now = NowFileTime();
  if (!marker.Read(&last) || !IsLastReporterCrashExpired(last, now))
    return 0;
  if (ReportCrashedReporter(command_line, crashed, block_address, &event_setter))
    marker.Write(NowFileTime());
  return 0;
}

void SetReporterDumpSizeCapForTesting(int64_t cap) {
  g_dump_size_cap_for_testing = cap;
}

void SetExceptionEventTimeoutForTesting(DWORD timeout_ms) {
  g_exception_event_timeout_for_testing = timeout_ms;
}

void SetCrashInReporterRelaunchArgumentsForTesting(const std::wstring& arguments) {
  delete g_relaunch_arguments_for_testing;
  g_relaunch_arguments_for_testing = new std::wstring(arguments);
}

}  // namespace crash_reporter
