#ifndef TESTING_FUZZ_FUZZ_GUARD_H_
#define TESTING_FUZZ_FUZZ_GUARD_H_

#include <cstddef>
#include <string>

namespace fuzz {

// Watches the input being run: a crash, a hang past the time limit, or the
// heap or the process's memory growing past the memory cap writes the input to the findings folder
// of its target and ends the process (exit codes kCrashExit, kHangExit,
// kMemoryExit). One input at a time, from one thread.
inline constexpr int kCrashExit = 70;
inline constexpr int kHangExit = 71;
inline constexpr int kMemoryExit = 72;

struct GuardLimits {
  unsigned time_limit_ms = 10000;
  size_t memory_cap = size_t{512} << 20;
};

// |findings| is the folder of the target's findings (made on first use).
void InstallGuard(const std::wstring& findings, const GuardLimits& limits);
void BeginInput(const std::string& input);
void EndInput();
// The most heap the last input held on top of what was live before it.
size_t LastInputPeakHeap();

// Writes |input| as <kind>-<hash>.bin with a .txt beside it holding
// |reason|; returns the .bin path. Uses only Win32 calls, so that a crash
// handler may call it.
std::wstring WriteFinding(const std::wstring& folder,
                          const char* kind,
                          const std::string& input,
                          const std::string& reason);

}  // namespace fuzz

#endif  // TESTING_FUZZ_FUZZ_GUARD_H_
