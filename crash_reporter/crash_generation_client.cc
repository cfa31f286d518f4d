#include "crash_reporter/crash_generation_client.h"

#include <cstring>

namespace crash_reporter {
namespace {

constexpr DWORD kBusyRetryMs = 50;

DWORD Remaining(ULONGLONG deadline) {
  ULONGLONG now = GetTickCount64();
  return now >= deadline ? 0 : static_cast<DWORD>(deadline - now);
}

}  // namespace

CrashGenerationClient::CrashGenerationClient(const std::wstring& pipe_name,
                                             const CustomClientInfo* custom_info)
    : pipe_name_(pipe_name), custom_info_(custom_info) {}

CrashGenerationClient::~CrashGenerationClient() {
  for (HANDLE handle : {dump_request_, dump_generated_, server_process_}) {
    if (handle)
      CloseHandle(handle);
  }
}

HANDLE CrashGenerationClient::Connect(DWORD timeout_ms) {
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  while (true) {
    HANDLE pipe = CreateFileW(pipe_name_.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, FILE_FLAG_OVERLAPPED | SECURITY_SQOS_PRESENT |
                                                 SECURITY_IDENTIFICATION,
                              nullptr);
    if (pipe != INVALID_HANDLE_VALUE) {
      DWORD mode = PIPE_READMODE_MESSAGE;
      if (SetNamedPipeHandleState(pipe, &mode, nullptr, nullptr))
        return pipe;
      CloseHandle(pipe);
      return nullptr;
    }
    // Another client is being served: wait for the instance, bounded.
    if (GetLastError() != ERROR_PIPE_BUSY || Remaining(deadline) == 0)
      return nullptr;
    if (!WaitNamedPipeW(pipe_name_.c_str(), Remaining(deadline)))
      Sleep(kBusyRetryMs);
  }
}

bool CrashGenerationClient::Register(DWORD timeout_ms) {
  if (IsRegistered())
    return true;
  const ULONGLONG deadline = GetTickCount64() + timeout_ms;
  HANDLE pipe = Connect(timeout_ms);
  if (!pipe)
    return false;
  RegistrationRequest request = {};
  request.tag = kRegisterTag;
  request.pid = GetCurrentProcessId();
  request.crash_info = reinterpret_cast<uintptr_t>(&crash_info_);
  request.has_assertion = 1;
  request.custom_info = reinterpret_cast<uintptr_t>(custom_info_);
  RegistrationReply reply = {};
  bool ok = PipeWrite(pipe, &request, sizeof(request), Remaining(deadline)) &&
            PipeRead(pipe, &reply, sizeof(reply), Remaining(deadline)) && reply.tag == kReplyTag;
  if (ok) {
    // The events were duplicated into this process by the reporter.
    dump_request_ = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(reply.dump_request_event));
    dump_generated_ =
        reinterpret_cast<HANDLE>(static_cast<uintptr_t>(reply.dump_generated_event));
    server_process_ = OpenProcess(SYNCHRONIZE, FALSE, reply.server_pid);
    RegistrationAck ack = {kAckTag};
    ok = server_process_ != nullptr && PipeWrite(pipe, &ack, sizeof(ack), Remaining(deadline));
  }
  CloseHandle(pipe);
  if (!ok) {
    // Without the acknowledgement the reporter drops this client; the
    // handles it gave (if any) are closed with ours.
    for (HANDLE* handle : {&dump_request_, &dump_generated_, &server_process_}) {
      if (*handle)
        CloseHandle(*handle);
      *handle = nullptr;
    }
  }
  return ok;
}

bool CrashGenerationClient::RequestDump(EXCEPTION_POINTERS* pointers,
                                        const AssertionInfo* assertion, DWORD timeout_ms) {
  if (!IsRegistered())
    return false;
  crash_info_.thread_id = GetCurrentThreadId();
  crash_info_.exception_pointers = reinterpret_cast<uintptr_t>(pointers);
  if (assertion)
    memcpy(&crash_info_.assertion, assertion, sizeof(AssertionInfo));
  else
    memset(&crash_info_.assertion, 0, sizeof(AssertionInfo));
  if (!SetEvent(dump_request_))
    return false;
  HANDLE waits[] = {dump_generated_, server_process_};
  return WaitForMultipleObjects(2, waits, FALSE, timeout_ms) == WAIT_OBJECT_0;
}

}  // namespace crash_reporter
