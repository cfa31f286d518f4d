#include "crash_reporter/crash_generation_protocol.h"

#include <cstddef>
#include <cstring>
#include <cwchar>
#include <vector>

namespace crash_reporter {
namespace {

constexpr DWORD kCancelGraceMs = 500;

// Heap-held so that an I/O the system finishes after we gave up writes
// into memory that is still ours (it is then leaked on purpose).
struct PendingTransfer {
  OVERLAPPED overlapped = {};
  std::vector<char> buffer;
};

bool Transfer(HANDLE pipe, bool write, void* data, DWORD size, DWORD timeout_ms) {
  auto* io = new PendingTransfer;
  io->overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!io->overlapped.hEvent) {
    delete io;
    return false;
  }
  io->buffer.assign(static_cast<char*>(data), static_cast<char*>(data) + size);
  BOOL started = write ? WriteFile(pipe, io->buffer.data(), size, nullptr, &io->overlapped)
                       : ReadFile(pipe, io->buffer.data(), size, nullptr, &io->overlapped);
  bool finished = started || GetLastError() == ERROR_IO_PENDING;
  if (finished && WaitForSingleObject(io->overlapped.hEvent, timeout_ms) != WAIT_OBJECT_0) {
    CancelIoEx(pipe, &io->overlapped);
    if (WaitForSingleObject(io->overlapped.hEvent, kCancelGraceMs) != WAIT_OBJECT_0)
      return false;  // still owned by the system: leak it
    finished = false;
  }
  DWORD done = 0;
  bool ok = finished && GetOverlappedResult(pipe, &io->overlapped, &done, FALSE) && done == size;
  if (ok && !write)
    memcpy(data, io->buffer.data(), size);
  CloseHandle(io->overlapped.hEvent);
  delete io;
  return ok;
}

}  // namespace

bool MakeCrashPipeName(DWORD pid, std::wstring* name) {
  wchar_t buffer[kMaxPipeNameUnits];
  int length = swprintf(buffer, kMaxPipeNameUnits, L"%ls%lu", kPipeNamePrefix,
                        static_cast<unsigned long>(pid));
  if (length < 0 || static_cast<size_t>(length) >= kMaxPipeNameUnits)
    return false;
  name->assign(buffer, length);
  return true;
}

bool ReadCrashInfo(HANDLE process, uint64_t address, bool with_assertion, CrashInfoBlock* info) {
  *info = {};
  const size_t size = with_assertion ? sizeof(CrashInfoBlock) : offsetof(CrashInfoBlock, assertion);
  SIZE_T read = 0;
  return address != 0 &&
         ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)),
                           info, size, &read) &&
         read == size;
}

bool PipeWrite(HANDLE pipe, const void* data, DWORD size, DWORD timeout_ms) {
  return Transfer(pipe, /*write=*/true, const_cast<void*>(data), size, timeout_ms);
}

bool PipeRead(HANDLE pipe, void* data, DWORD size, DWORD timeout_ms) {
  return Transfer(pipe, /*write=*/false, data, size, timeout_ms);
}

}  // namespace crash_reporter
