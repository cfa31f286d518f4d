#include "crash_reporter/crash_parameters.h"

#include <psapi.h>

#include <string>

#include "base/strings/string_number_conversions.h"
#include "base/strings/utf_string_conversions.h"
#include "crash_reporter/crash_environment.h"
#include "crash_reporter/crash_product_values.h"

namespace crash_reporter {
namespace {

constexpr uint64_t kUnixEpochIn100ns = 116444736000000000ULL;
constexpr uint64_t k100nsPerSecond = 10000000ULL;
constexpr int kProcessVmCounters = 3;

// The process's virtual-memory counters (ntdll's VM_COUNTERS).
struct VmCounters {
  SIZE_T PeakVirtualSize;
  SIZE_T VirtualSize;
  ULONG PageFaultCount;
  SIZE_T PeakWorkingSetSize;
  SIZE_T WorkingSetSize;
  SIZE_T QuotaPeakPagedPoolUsage;
  SIZE_T QuotaPagedPoolUsage;
  SIZE_T QuotaPeakNonPagedPoolUsage;
  SIZE_T QuotaNonPagedPoolUsage;
  SIZE_T PagefileUsage;
  SIZE_T PeakPagefileUsage;
};
using QueryProcessFunction = LONG(WINAPI*)(HANDLE, int, void*, ULONG, ULONG*);

void SetNumber(CrashParameters* parameters, const wchar_t* key, uint64_t value) {
  (*parameters)[key] = std::to_wstring(value);
}

uint64_t NowSeconds() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return FileTimeToUnixSeconds(now);
}

std::wstring ProcessImagePath(HANDLE process) {
  wchar_t path[MAX_PATH * 2];
  DWORD length = MAX_PATH * 2;
  if (!process || !QueryFullProcessImageNameW(process, 0, path, &length))
    return std::wstring();
  return std::wstring(path, length);
}

void AddMemory(HANDLE process, CrashParameters* parameters) {
  MEMORYSTATUSEX memory = {sizeof(memory)};
  if (GlobalMemoryStatusEx(&memory)) {
    SetNumber(parameters, L"mem_load", memory.dwMemoryLoad);
    SetNumber(parameters, L"mem_page_file_avail", memory.ullAvailPageFile);
    SetNumber(parameters, L"mem_page_file_total", memory.ullTotalPageFile);
    SetNumber(parameters, L"mem_physical_avail", memory.ullAvailPhys);
    SetNumber(parameters, L"mem_physical_total", memory.ullTotalPhys);
  }
  if (!process)
    return;
  auto query = reinterpret_cast<QueryProcessFunction>(
      GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQueryInformationProcess"));
  VmCounters counters = {};
  if (query && query(process, kProcessVmCounters, &counters, sizeof(counters), nullptr) >= 0)
    SetNumber(parameters, L"mem_virtual_size", counters.VirtualSize);
  PROCESS_MEMORY_COUNTERS_EX usage = {};
  usage.cb = sizeof(usage);
  if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&usage),
                           sizeof(usage))) {
    SetNumber(parameters, L"process_page_file_peak_usage", usage.PeakPagefileUsage);
    SetNumber(parameters, L"process_page_file_usage", usage.PagefileUsage);
    SetNumber(parameters, L"process_private_usage", usage.PrivateUsage);
    SetNumber(parameters, L"process_working_set_peak_size", usage.PeakWorkingSetSize);
    SetNumber(parameters, L"process_working_set_size", usage.WorkingSetSize);
  }
}

void AddProduct(HANDLE process, CrashParameters* parameters) {
  const CrashProductValues& product = GetCrashProductValues();
  (*parameters)[L"prod"] = base::UTF8ToWide(product.upload_product_name);
  (*parameters)[L"ver"] = base::UTF8ToWide(product.version);
  (*parameters)[L"UBN"] = std::to_wstring(product.build_number);
  (*parameters)[L"BuildID"] = base::UTF8ToWide(GetCrashBuildId());
  (*parameters)[L"ReleaseChannel"] = base::UTF8ToWide(GetCrashReleaseChannel());
  if (!parameters->count(L"symbols-package"))
    (*parameters)[L"symbols-package"] =
        base::UTF8ToWide(GetSymbolsPackageName(ProcessImagePath(process)));
}

}  // namespace

uint64_t FileTimeToUnixSeconds(const FILETIME& time) {
  uint64_t value = (static_cast<uint64_t>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
  return value <= kUnixEpochIn100ns ? 0 : (value - kUnixEpochIn100ns) / k100nsPerSecond;
}

void AddCrashTimes(HANDLE process, std::optional<uint64_t> process_age_ms, uint64_t now,
                   CrashParameters* parameters) {
  FILETIME creation, exit_time, kernel, user;
  if (process && GetProcessTimes(process, &creation, &exit_time, &kernel, &user)) {
    uint64_t startup = FileTimeToUnixSeconds(creation);
    SetNumber(parameters, L"StartupTime", startup);
    SetNumber(parameters, L"CrashTime", process_age_ms ? startup + *process_age_ms / 1000 : now);
  } else {
    SetNumber(parameters, L"CrashTime", now);
    uint64_t age = process_age_ms ? *process_age_ms / 1000 : 0;
    SetNumber(parameters, L"StartupTime", age < now ? now - age : 0);
  }
  WIN32_FILE_ATTRIBUTE_DATA attributes;
  std::wstring image = ProcessImagePath(process);
  if (!image.empty() && GetFileAttributesExW(image.c_str(), GetFileExInfoStandard, &attributes))
    SetNumber(parameters, L"InstallTime", FileTimeToUnixSeconds(attributes.ftCreationTime));
}

CrashParameters CollectClientParameters(const CrashParameters& client_keys, HANDLE process) {
  CrashParameters parameters;
  std::optional<uint64_t> process_age_ms;
  for (const auto& [key, value] : client_keys) {
    if (key == L"crash_guid")
      continue;
    if (key == L"ptime") {
      uint64_t age = 0;
      if (base::StringToUint64(value, &age))
        process_age_ms = age;
      continue;
    }
    parameters[key] = value;
  }
  AddCrashTimes(process, process_age_ms, NowSeconds(), &parameters);
  AddMemory(process, &parameters);
  AddProduct(process, &parameters);
  return parameters;
}

CrashParameters CollectReporterParameters(HANDLE process) {
  CrashParameters parameters;
  std::string email = GetEnvironmentValue(GetProductVariableName("CRASH_EMAIL"));
  if (!email.empty())
    parameters[L"Email"] = base::UTF8ToWide(email);
  parameters[L"ptype"] = L"crash_reporter";
  AddCrashTimes(process, std::nullopt, NowSeconds(), &parameters);
  AddMemory(process, &parameters);
  AddProduct(process, &parameters);
  return parameters;
}

}  // namespace crash_reporter
