#ifndef BASE_WIN_WINDOWS_VERSION_H_
#define BASE_WIN_WINDOWS_VERSION_H_

#include <windows.h>

namespace base {
namespace win {

// Windows releases in order, so that versions compare with < and >=. The
// numeric values are stable: other code stores them (1 XP, 3 Vista, 4 7,
// 7 the first Windows 10).
enum Version {
  VERSION_PRE_XP = 0,
  VERSION_XP = 1,
  VERSION_SERVER_2003 = 2,
  VERSION_VISTA = 3,
  VERSION_WIN7 = 4,
  VERSION_WIN8 = 5,
  VERSION_WIN8_1 = 6,
  VERSION_WIN10 = 7,      // 1507, build 10240
  VERSION_WIN10_TH2 = 8,  // 1511, build 10586
  VERSION_WIN10_RS1 = 9,  // 1607, build 14393
  VERSION_WIN10_RS2 = 10,  // 1703, build 15063
  VERSION_WIN10_RS3 = 11,  // 1709, build 16299
  VERSION_WIN10_RS4 = 12,  // 1803, build 17134
  VERSION_WIN10_RS5 = 13,  // 1809, build 17763
  VERSION_WIN10_19H1 = 14,  // 1903, build 18362
  VERSION_WIN10_20H1 = 15,  // 2004, build 19041
  VERSION_WIN_LAST,        // Anything newer than the above.
};

// The running system as the kernel reports it (RtlGetVersion), not as the
// compatibility layer would report it to an unmanifested program.
class OSInfo {
 public:
  struct VersionNumber {
    int major;
    int minor;
    int build;
  };

  struct ServicePack {
    int major;
    int minor;
  };

  enum WindowsArchitecture {
    X86_ARCHITECTURE,
    X64_ARCHITECTURE,
    IA64_ARCHITECTURE,
    ARM64_ARCHITECTURE,
    OTHER_ARCHITECTURE,
  };

  enum WOW64Status {
    WOW64_DISABLED,  // A native process (or a 32-bit system).
    WOW64_ENABLED,   // A 32-bit process on 64-bit Windows.
    WOW64_UNKNOWN,
  };

  // The process-wide instance, made on first use (thread-safe).
  static OSInfo* GetInstance();

  OSInfo(const OSInfo&) = delete;
  OSInfo& operator=(const OSInfo&) = delete;

  Version version() const { return version_; }
  VersionNumber version_number() const { return version_number_; }
  ServicePack service_pack() const { return service_pack_; }
  // The machine's architecture, whatever this process's bitness.
  WindowsArchitecture architecture() const { return architecture_; }
  int processors() const { return processors_; }
  size_t allocation_granularity() const { return allocation_granularity_; }
  WOW64Status wow64_status() const { return wow64_status_; }
  // True on 64-bit Windows, also when asked from a 32-bit process.
  bool IsWindows64Bit() const;

  static WOW64Status GetWOW64StatusForProcess(HANDLE process_handle);
  // The release that a version number belongs to.
  static Version MajorMinorBuildToVersion(int major, int minor, int build);

 private:
  friend class ScopedOSInfoForTesting;

  OSInfo();

  Version version_;
  VersionNumber version_number_;
  ServicePack service_pack_;
  WindowsArchitecture architecture_;
  int processors_;
  size_t allocation_granularity_;
  WOW64Status wow64_status_;
};

// Makes OSInfo report `version` and `architecture` while alive, for tests of
// code that branches on them; the version numbers stay the system's.
class ScopedOSInfoForTesting {
 public:
  ScopedOSInfoForTesting(Version version, OSInfo::WindowsArchitecture architecture);
  ~ScopedOSInfoForTesting();
  ScopedOSInfoForTesting(const ScopedOSInfoForTesting&) = delete;
  ScopedOSInfoForTesting& operator=(const ScopedOSInfoForTesting&) = delete;

 private:
  const Version previous_version_;
  const OSInfo::WindowsArchitecture previous_architecture_;
};

// Shorthand for OSInfo::GetInstance()->version().
Version GetVersion();

}  // namespace win
}  // namespace base

#endif  // BASE_WIN_WINDOWS_VERSION_H_
