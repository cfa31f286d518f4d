#include "crash_reporter/crash_client_setup.h"

#include <cwchar>
#include <memory>

#include "base/command_line.h"
#include "base/debug/dump_without_crashing.h"
#include "base/logging.h"
#include "base/strings/string_number_conversions.h"
#include "base/strings/stringprintf.h"
#include "base/win/kernel_object_security.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_generation_protocol.h"
#include "crash_reporter/crash_keys_keeper.h"
#include "crash_reporter/crash_product_values.h"
#include "crash_reporter/crash_reporter_client.h"
#include "crash_reporter/crash_reporter_switches.h"
#include "crash_reporter/exception_handler.h"
#include "crash_reporter/tarvo_crash_reporter_client.h"

namespace crash_reporter {
namespace {

constexpr wchar_t kInitEventPrefix[] = L"TarvoCrashReporterInitEvent";
constexpr size_t kMaxEventNameUnits = 38;
constexpr DWORD kCallbackFilterEnabled = 0x1;
constexpr char kInstallerProcessType[] = "installer";

DWORD g_init_timeout_ms = kReporterInitTimeoutMs;
ExceptionHandler* g_exception_handler = nullptr;

using IsWow64Function = BOOL(WINAPI*)(HANDLE, PBOOL);

template <typename Function>
Function GetKernel32Function(const char* name) {
  HMODULE kernel32 = GetModuleHandleW(L"kernel32.dll");
  return kernel32 ? reinterpret_cast<Function>(GetProcAddress(kernel32, name)) : nullptr;
}

bool g_policy_functions_replaced = false;
GetExceptionPolicyFunction g_get_policy_for_testing = nullptr;
SetExceptionPolicyFunction g_set_policy_for_testing = nullptr;

GetExceptionPolicyFunction GetPolicyGetter() {
  if (g_policy_functions_replaced)
    return g_get_policy_for_testing;
  return GetKernel32Function<GetExceptionPolicyFunction>("GetProcessUserModeExceptionPolicy");
}

SetExceptionPolicyFunction GetPolicySetter() {
  if (g_policy_functions_replaced)
    return g_set_policy_for_testing;
  return GetKernel32Function<SetExceptionPolicyFunction>("SetProcessUserModeExceptionPolicy");
}

// A dump asked for without a crash: written through the reporter, after
// which the process ends with exit code 1.
void DumpAndEnd(EXCEPTION_POINTERS* pointers) {
  if (!ExceptionHandler::WriteDumpForException(pointers))
    LOG(ERROR) << "The crash reporter wrote no dump";
  TerminateProcess(GetCurrentProcess(), kDumpWithoutCrashingExitCode);
}

bool GetExceptionPolicy(DWORD* policy) {
  GetExceptionPolicyFunction get = GetPolicyGetter();
  return get && get(policy);
}

}  // namespace

void DisableExceptionSwallowing() {
  SetExceptionPolicyFunction set = GetPolicySetter();
  DWORD policy = 0;
  if (set && GetExceptionPolicy(&policy))
    set(policy & ~kCallbackFilterEnabled);
}

bool EnsureCrashReporter(const base::CommandLine& command_line) {
  if (GetCrashProductValues().build_number < 0)
    return false;
  unsigned pid = 0;
  if (!base::StringToUint(command_line.GetSwitchValueASCII(switches::kCrashReporterPid), &pid))
    pid = 0;
  if (pid == 0)
    pid = LaunchCrashReporter(command_line, g_init_timeout_ms);
  TarvoCrashReporterClient::GetInstance()->set_crash_reporter_pid(pid);
  return pid != 0;
}

void AppendCrashReporterPid(base::CommandLine* command_line) {
  const DWORD pid = TarvoCrashReporterClient::GetInstance()->crash_reporter_pid();
  command_line->AppendSwitchASCII(switches::kCrashReporterPid,
                                  std::to_string(static_cast<long>(pid)));
}

DWORD LaunchCrashReporter(const base::CommandLine& own_command_line, DWORD init_timeout_ms) {
  const DWORD own_pid = GetCurrentProcessId();
  base::CommandLine command_line(own_command_line);
  command_line.AppendSwitchASCII(switches::kCrashReporterParentId, std::to_string(own_pid));

  wchar_t event_name[kMaxEventNameUnits];
  int length = swprintf(event_name, kMaxEventNameUnits, L"%ls%lu", kInitEventPrefix,
                        static_cast<unsigned long>(own_pid));
  if (length < 0 || static_cast<size_t>(length) >= kMaxEventNameUnits)
    return 0;
  // Only this user's reporter may tell that it serves: a planted event
  // would make this process report to nobody.
  HANDLE init_event = KernelObjectSecurity::CreateOwnEvent(event_name, /*manual_reset=*/true);
  if (!init_event)
    return 0;

  std::wstring line = command_line.GetCommandLineString();
  STARTUPINFOW startup = {sizeof(startup)};
  PROCESS_INFORMATION process = {};
  DWORD pid = 0;
  if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                     &startup, &process)) {
    HANDLE waits[] = {init_event, process.hProcess};
    if (WaitForMultipleObjects(2, waits, FALSE, init_timeout_ms) == WAIT_OBJECT_0)
      pid = process.dwProcessId;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(init_event);
  return pid;
}

void InstallCrashHandler() {
  DWORD reporter = TarvoCrashReporterClient::GetInstance()->crash_reporter_pid();
  if (reporter == 0 || g_exception_handler)
    return;
  std::wstring pipe_name;
  if (!MakeCrashPipeName(reporter, &pipe_name))
    return;
  CrashKeysKeeper* keeper = CrashKeysKeeper::Create(kInstallerProcessType);
  auto handler = std::make_unique<ExceptionHandler>(pipe_name, keeper->custom_info());
  if (!handler->IsConnected()) {
    LOG(WARNING) << "No connection to the crash reporter " << reporter;
    return;
  }
  handler->set_handle_debug_exceptions(true);
  // Lives as long as the process.
  g_exception_handler = handler.release();
  base::debug::SetDumpWithoutCrashingFunction(&DumpAndEnd);
}

bool IsCrashHandlerInstalled() {
  return g_exception_handler != nullptr;
}

void SetCrashKeyValue(const std::string& key, const std::string& value) {
  if (CrashKeysKeeper* keeper = CrashKeysKeeper::GetInstance())
    keeper->SetKeyValue(key, value);
}

void ClearCrashKey(const std::string& key) {
  if (CrashKeysKeeper* keeper = CrashKeysKeeper::GetInstance())
    keeper->ClearKeyValue(key);
}

void SetInstallerCrashKeys() {
  CrashKeysKeeper::Create(kInstallerProcessType);
  GetCrashReporterClient()->RegisterCrashKeys();
  const CrashProductValues& product = GetCrashProductValues();
  wchar_t program[MAX_PATH];
  DWORD program_length = GetModuleFileNameW(nullptr, program, MAX_PATH);
  SetCrashKeyValue("BuildID", GetCrashBuildId());
  SetCrashKeyValue("ReleaseChannel", GetCrashReleaseChannel());
  SetCrashKeyValue("symbols-package",
                   GetSymbolsPackageName(std::wstring(program, program_length)));
  SetCrashKeyValue("UBN", std::to_string(product.build_number));
  SetCrashKeyValue("exception_policy", GetExceptionPolicyCrashValue());
  SetCrashKeyValue("is_wow64", GetWow64CrashValue());
  std::string email = GetEnvironmentValue(GetProductVariableName("CRASH_EMAIL"));
  if (!email.empty())
    SetCrashKeyValue("Email", email);
  std::string kelmat_test = GetEnvironmentValue(kKelmatTestVariable);
  if (!kelmat_test.empty()) {
    SetCrashKeyValue("kelmat_test", kelmat_test);
    SetCrashKeyValue("Origin", "Kelmat");
  } else {
    std::string origin = GetEnvironmentValue(kCrashOriginVariable);
    if (!origin.empty())
      SetCrashKeyValue("Origin", origin);
  }
}

std::string GetExceptionPolicyCrashValue() {
  DWORD policy = 0;
  return GetExceptionPolicy(&policy) ? base::StringPrintf("0x%04lx", policy) : std::string();
}

std::string GetWow64CrashValue() {
  auto is_wow64 = GetKernel32Function<IsWow64Function>("IsWow64Process");
  BOOL wow64 = FALSE;
  if (!is_wow64 || !is_wow64(GetCurrentProcess(), &wow64))
    return std::string();
  return wow64 ? "1" : "0";
}

void SetExceptionPolicyFunctionsForTesting(GetExceptionPolicyFunction get,
                                           SetExceptionPolicyFunction set) {
  g_policy_functions_replaced = get || set;
  g_get_policy_for_testing = get;
  g_set_policy_for_testing = set;
}

void SetReporterInitTimeoutForTesting(DWORD timeout_ms) {
  g_init_timeout_ms = timeout_ms;
}

}  // namespace crash_reporter
