#include "base/win/windows_version.h"

namespace base {
namespace win {

namespace {

using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOEXW*);

// GetVersionEx lies to programs without a compatibility manifest (Windows 8.1
// and later report 6.2); the kernel's own function does not.
bool QueryKernelVersion(OSVERSIONINFOEXW* info) {
  HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  if (!ntdll)
    return false;
  auto rtl_get_version =
      reinterpret_cast<RtlGetVersionFunction>(GetProcAddress(ntdll, "RtlGetVersion"));
  if (!rtl_get_version)
    return false;
  ZeroMemory(info, sizeof(*info));
  info->dwOSVersionInfoSize = sizeof(*info);
  return rtl_get_version(info) == 0;
}

}  // namespace

// static
OSInfo* OSInfo::GetInstance() {
  // Never destroyed: other objects may ask during process shutdown.
  static OSInfo* const instance = new OSInfo();
  return instance;
}

OSInfo::OSInfo()
    : version_(VERSION_PRE_XP),
      version_number_{0, 0, 0},
      service_pack_{0, 0},
      architecture_(OTHER_ARCHITECTURE),
      processors_(0),
      allocation_granularity_(0),
      wow64_status_(GetWOW64StatusForProcess(GetCurrentProcess())) {
  OSVERSIONINFOEXW info;
  if (QueryKernelVersion(&info)) {
    version_number_.major = static_cast<int>(info.dwMajorVersion);
    version_number_.minor = static_cast<int>(info.dwMinorVersion);
    version_number_.build = static_cast<int>(info.dwBuildNumber);
    service_pack_.major = info.wServicePackMajor;
    service_pack_.minor = info.wServicePackMinor;
    version_ = MajorMinorBuildToVersion(version_number_.major, version_number_.minor,
                                        version_number_.build);
  }

  SYSTEM_INFO system_info = {};
  GetNativeSystemInfo(&system_info);
  switch (system_info.wProcessorArchitecture) {
    case PROCESSOR_ARCHITECTURE_INTEL:
      architecture_ = X86_ARCHITECTURE;
      break;
    case PROCESSOR_ARCHITECTURE_AMD64:
      architecture_ = X64_ARCHITECTURE;
      break;
    case PROCESSOR_ARCHITECTURE_IA64:
      architecture_ = IA64_ARCHITECTURE;
      break;
    case PROCESSOR_ARCHITECTURE_ARM64:
      architecture_ = ARM64_ARCHITECTURE;
      break;
    default:
      architecture_ = OTHER_ARCHITECTURE;
      break;
  }
  processors_ = static_cast<int>(system_info.dwNumberOfProcessors);
  allocation_granularity_ = system_info.dwAllocationGranularity;
}

ScopedOSInfoForTesting::ScopedOSInfoForTesting(Version version,
                                               OSInfo::WindowsArchitecture architecture)
    : previous_version_(OSInfo::GetInstance()->version_),
      previous_architecture_(OSInfo::GetInstance()->architecture_) {
  OSInfo::GetInstance()->version_ = version;
  OSInfo::GetInstance()->architecture_ = architecture;
}

ScopedOSInfoForTesting::~ScopedOSInfoForTesting() {
  OSInfo::GetInstance()->version_ = previous_version_;
  OSInfo::GetInstance()->architecture_ = previous_architecture_;
}

bool OSInfo::IsWindows64Bit() const {
  return architecture_ == X64_ARCHITECTURE || architecture_ == IA64_ARCHITECTURE ||
         architecture_ == ARM64_ARCHITECTURE || wow64_status_ == WOW64_ENABLED;
}

// static
OSInfo::WOW64Status OSInfo::GetWOW64StatusForProcess(HANDLE process_handle) {
  BOOL is_wow64 = FALSE;
  if (!IsWow64Process(process_handle, &is_wow64))
    return WOW64_UNKNOWN;
  return is_wow64 ? WOW64_ENABLED : WOW64_DISABLED;
}

// static
Version OSInfo::MajorMinorBuildToVersion(int major, int minor, int build) {
  if (major < 5)
    return VERSION_PRE_XP;
  if (major == 5) {
    if (minor == 0)
      return VERSION_PRE_XP;
    return minor == 1 ? VERSION_XP : VERSION_SERVER_2003;
  }
  if (major == 6) {
    switch (minor) {
      case 0:
        return VERSION_VISTA;
      case 1:
        return VERSION_WIN7;
      case 2:
        return VERSION_WIN8;
      default:
        return VERSION_WIN8_1;
    }
  }
  if (major == 10) {
    if (build >= 19041)
      return VERSION_WIN10_20H1;
    if (build >= 18362)
      return VERSION_WIN10_19H1;
    if (build >= 17763)
      return VERSION_WIN10_RS5;
    if (build >= 17134)
      return VERSION_WIN10_RS4;
    if (build >= 16299)
      return VERSION_WIN10_RS3;
    if (build >= 15063)
      return VERSION_WIN10_RS2;
    if (build >= 14393)
      return VERSION_WIN10_RS1;
    if (build >= 10586)
      return VERSION_WIN10_TH2;
    return VERSION_WIN10;
  }
  return VERSION_WIN_LAST;
}

Version GetVersion() {
  return OSInfo::GetInstance()->version();
}

}  // namespace win
}  // namespace base
