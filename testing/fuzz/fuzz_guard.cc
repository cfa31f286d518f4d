#include "testing/fuzz/fuzz_guard.h"

#include <windows.h>

#include <psapi.h>

#include <malloc.h>
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <new>

namespace fuzz {
namespace {

std::wstring g_findings;
GuardLimits g_limits;
// The input being run, copied once per input (no allocation in handlers).
const std::string* g_input = nullptr;
std::atomic<bool> g_running{false};
std::atomic<ULONGLONG> g_started{0};
std::atomic<bool> g_dying{false};
std::atomic<bool> g_counting{false};
std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_baseline{0};
std::atomic<int64_t> g_peak{0};
std::atomic<uint64_t> g_process_baseline{0};

uint64_t Fnv1a(const std::string& data) {
  uint64_t hash = 0xCBF29CE484222325ull;
  for (unsigned char c : data)
    hash = (hash ^ c) * 0x100000001B3ull;
  return hash;
}

void WriteAll(const std::wstring& path, const char* data, size_t size) {
  HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE)
    return;
  while (size > 0) {
    DWORD done = 0;
    const DWORD chunk = static_cast<DWORD>(size > (1u << 30) ? (1u << 30) : size);
    if (!::WriteFile(file, data, chunk, &done, nullptr) || done == 0)
      break;
    data += done;
    size -= done;
  }
  ::CloseHandle(file);
}

// Ends the process after writing the input being run; the first caller wins.
[[noreturn]] void Die(const char* kind, const char* reason, int exit_code) {
  if (!g_dying.exchange(true) && g_input) {
    g_counting = false;
    const std::wstring path = WriteFinding(g_findings, kind, *g_input, reason);
    fprintf(stderr, "FINDING %s: %s -> %ls\n", kind, reason, path.c_str());
    fflush(stderr);
  }
  ::TerminateProcess(::GetCurrentProcess(), exit_code);
  for (;;)
    ::Sleep(1000);
}

LONG WINAPI OnCrash(EXCEPTION_POINTERS* info) {
  // Where, as an offset into the program, for a look with its symbols.
  char reason[96];
  snprintf(reason, sizeof(reason), "exception 0x%08lX at image+0x%llX",
           static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode),
           static_cast<unsigned long long>(
               reinterpret_cast<uintptr_t>(info->ExceptionRecord->ExceptionAddress) -
               reinterpret_cast<uintptr_t>(::GetModuleHandleW(nullptr))));
  Die("crash", reason, kCrashExit);
}

void OnAbort(int) {
  Die("crash", "abort", kCrashExit);
}

// What the process holds, heap or not: the C allocations of the archive
// decoder and its virtual memory never pass through operator new.
uint64_t ProcessMemory() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(::GetCurrentProcess(),
                              reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof(counters))) {
    return 0;
  }
  return std::max<uint64_t>(counters.PrivateUsage, counters.WorkingSetSize);
}

void CheckProcessMemory() {
  const uint64_t baseline = g_process_baseline;
  const uint64_t now = ProcessMemory();
  if (baseline && now > baseline && now - baseline > g_limits.memory_cap)
    Die("memory", "process memory cap per input exceeded", kMemoryExit);
}

// Sampled often: most inputs take a few milliseconds.
DWORD WINAPI Watchdog(void*) {
  for (;;) {
    ::Sleep(10);
    if (!g_running)
      continue;
    if (::GetTickCount64() - g_started > g_limits.time_limit_ms)
      Die("hang", "time limit per input exceeded", kHangExit);
    CheckProcessMemory();
  }
}

void Count(void* block) {
  if (!block || !g_counting)
    return;
  const int64_t live = g_live += static_cast<int64_t>(_msize(block));
  int64_t peak = g_peak;
  while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
  }
  if (g_running && live - g_baseline > static_cast<int64_t>(g_limits.memory_cap))
    Die("memory", "heap cap per input exceeded", kMemoryExit);
}

void Uncount(void* block) {
  if (block && g_counting)
    g_live -= static_cast<int64_t>(_msize(block));
}

}  // namespace

std::wstring WriteFinding(const std::wstring& folder,
                          const char* kind,
                          const std::string& input,
                          const std::string& reason) {
  ::CreateDirectoryW(folder.c_str(), nullptr);
  wchar_t name[64];
  swprintf(name, 64, L"\\%hs-%016llx", kind, static_cast<unsigned long long>(Fnv1a(input)));
  const std::wstring base = folder + name;
  WriteAll(base + L".bin", input.data(), input.size());
  WriteAll(base + L".txt", reason.data(), reason.size());
  return base + L".bin";
}

void InstallGuard(const std::wstring& findings, const GuardLimits& limits) {
  g_findings = findings;
  g_limits = limits;
  ::SetUnhandledExceptionFilter(OnCrash);
  signal(SIGABRT, OnAbort);
  ULONG guarantee = 64 * 1024;
  ::SetThreadStackGuarantee(&guarantee);
  static const bool watching =
      ::CloseHandle(::CreateThread(nullptr, 64 * 1024, Watchdog, nullptr, 0, nullptr));
  (void)watching;
  // Blocks allocated before counting started are never uncounted.
  g_counting = false;
}

void BeginInput(const std::string& input) {
  // Blocks freed while counting is off would unbalance the count; counting
  // stays on once it starts, so only the first input sees the switch.
  g_input = &input;
  g_counting = true;
  g_baseline = g_live.load();
  g_peak = g_live.load();
  g_process_baseline = ProcessMemory();
  g_started = ::GetTickCount64();
  g_running = true;
}

void EndInput() {
  CheckProcessMemory();
  g_running = false;
}

size_t LastInputPeakHeap() {
  const int64_t grown = g_peak - g_baseline;
  return grown > 0 ? static_cast<size_t>(grown) : 0;
}

}  // namespace fuzz

// Every C++ allocation of the fuzzer process is counted for the cap.
void* operator new(size_t size) {
  void* block = malloc(size ? size : 1);
  if (!block)
    fuzz::Die("memory", "allocation failed", fuzz::kMemoryExit);
  fuzz::Count(block);
  return block;
}
void* operator new[](size_t size) {
  return operator new(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
  void* block = malloc(size ? size : 1);
  fuzz::Count(block);
  return block;
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
  return operator new(size, std::nothrow);
}
void operator delete(void* block) noexcept {
  fuzz::Uncount(block);
  free(block);
}
void operator delete[](void* block) noexcept {
  operator delete(block);
}
void operator delete(void* block, size_t) noexcept {
  operator delete(block);
}
void operator delete[](void* block, size_t) noexcept {
  operator delete(block);
}
