#ifndef CRASH_REPORTER_CRASH_GENERATION_PROTOCOL_H_
#define CRASH_REPORTER_CRASH_GENERATION_PROTOCOL_H_

#include <windows.h>

#include <cstdint>
#include <cwchar>
#include <string>

// The hand-shake between a crash client and the reporter over the
// reporter's named pipe. The client registers once at start-up: it tells
// where in its memory the reporter finds the crash details, and receives
// two events duplicated into its process. On a crash it fills the details,
// sets the request event and waits (bounded) for the done event.
namespace crash_reporter {

inline constexpr wchar_t kPipeNamePrefix[] = L"\\\\.\\pipe\\TarvoCrashReporter";
// "%s%u" of prefix and pid must fit in this many units with the terminator.
inline constexpr size_t kMaxPipeNameUnits = 38;

// Kind of an assertion record.
enum class CrashKind : uint32_t { kException = 0, kInvalidParameter = 1, kPureCall = 2 };

inline constexpr int kAssertionTextUnits = 128;

// The layout of a minidump assertion-information record (776 bytes).
struct AssertionInfo {
  wchar_t expression[kAssertionTextUnits];
  wchar_t function[kAssertionTextUnits];
  wchar_t file[kAssertionTextUnits];
  uint32_t line;
  uint32_t type;  // CrashKind
};
static_assert(sizeof(AssertionInfo) == 776);

// Fills |out| from a CRT failure report; texts are cut to fit. Safe in a
// crashing process: no allocation, no locks.
inline void FillAssertionInfo(CrashKind kind, const wchar_t* expression, const wchar_t* function,
                              const wchar_t* file, unsigned int line, AssertionInfo* out) {
  auto copy = [](const wchar_t* text, wchar_t* to) {
    if (!text)
      text = L"";
    size_t n = wcsnlen(text, kAssertionTextUnits - 1);
    wmemcpy(to, text, n);
    to[n] = L'\0';
  };
  copy(expression, out->expression);
  copy(function, out->function);
  copy(file, out->file);
  out->line = line;
  out->type = static_cast<uint32_t>(kind);
}

// What a crashing process leaves for the reporter to read (792 bytes).
struct CrashInfoBlock {
  uint32_t thread_id;
  uint32_t padding;
  uint64_t exception_pointers;  // EXCEPTION_POINTERS* in the crashed process
  AssertionInfo assertion;
};
static_assert(sizeof(CrashInfoBlock) == 792);

inline constexpr uint32_t kRegisterTag = 0x52435254;  // "TRCR"
inline constexpr uint32_t kReplyTag = 0x50435254;     // "TRCP"
inline constexpr uint32_t kAckTag = 0x41435254;       // "TRCA"

struct RegistrationRequest {
  uint32_t tag;
  uint32_t pid;
  uint64_t crash_info;   // CrashInfoBlock*
  uint64_t has_assertion;  // 1: the block's assertion record is filled on a crash
  uint64_t custom_info;  // CustomClientInfo*, or 0
};

struct RegistrationReply {
  uint32_t tag;
  uint32_t server_pid;
  uint64_t dump_request_event;    // handle value in the client
  uint64_t dump_generated_event;  // handle value in the client
};

struct RegistrationAck {
  uint32_t tag;
};

// "\\.\pipe\TarvoCrashReporter" followed by `pid`; false when it would not
// fit.
bool MakeCrashPipeName(DWORD pid, std::wstring* name);

// Reads the block at `address` of `process`: the thread id and exception
// pointers, and the assertion record when `with_assertion` (else kind 0).
bool ReadCrashInfo(HANDLE process, uint64_t address, bool with_assertion, CrashInfoBlock* info);

// One bounded transfer on an overlapped pipe handle: true when all `size`
// bytes moved within `timeout_ms`. A transfer that times out is cancelled;
// its buffers stay valid even if the cancellation is late.
bool PipeWrite(HANDLE pipe, const void* data, DWORD size, DWORD timeout_ms);
bool PipeRead(HANDLE pipe, void* data, DWORD size, DWORD timeout_ms);

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_GENERATION_PROTOCOL_H_
