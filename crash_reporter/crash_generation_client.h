#ifndef CRASH_REPORTER_CRASH_GENERATION_CLIENT_H_
#define CRASH_REPORTER_CRASH_GENERATION_CLIENT_H_

#include <windows.h>

#include <string>

#include "crash_reporter/crash_generation_protocol.h"
#include "crash_reporter/custom_info.h"

namespace crash_reporter {

// The client end of the hand-shake: registers this process with the
// reporter and asks it for a dump on a crash. Every wait for the reporter
// is bounded, so a reporter that never answers leaves the process without
// crash handling, never hung.
class CrashGenerationClient {
 public:
  static constexpr DWORD kRegisterTimeoutMs = 5000;
  static constexpr DWORD kDumpTimeoutMs = 60000;

  // `custom_info` (may be null) must outlive the client.
  CrashGenerationClient(const std::wstring& pipe_name, const CustomClientInfo* custom_info);
  ~CrashGenerationClient();
  CrashGenerationClient(const CrashGenerationClient&) = delete;
  CrashGenerationClient& operator=(const CrashGenerationClient&) = delete;

  // Connects and registers; true when the reporter holds this process.
  bool Register(DWORD timeout_ms = kRegisterTimeoutMs);
  bool IsRegistered() const { return dump_generated_ != nullptr; }

  // Fills the crash details and waits until the reporter wrote the dump,
  // it ended, or the time is up. `assertion` may be null.
  bool RequestDump(EXCEPTION_POINTERS* pointers, const AssertionInfo* assertion,
                   DWORD timeout_ms = kDumpTimeoutMs);

 private:
  HANDLE Connect(DWORD timeout_ms);

  const std::wstring pipe_name_;
  const CustomClientInfo* custom_info_;
  // Read by the reporter from this process's memory.
  CrashInfoBlock crash_info_ = {};
  HANDLE dump_request_ = nullptr;
  HANDLE dump_generated_ = nullptr;
  HANDLE server_process_ = nullptr;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_GENERATION_CLIENT_H_
