#ifndef CRASH_REPORTER_CRASH_GENERATION_SERVER_H_
#define CRASH_REPORTER_CRASH_GENERATION_SERVER_H_

#include <windows.h>

#include <atomic>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "crash_reporter/crash_generation_protocol.h"
#include "crash_reporter/custom_info.h"

namespace crash_reporter {

// A registered client, as the dump callback sees it.
class ClientInfo {
 public:
  // Entries read from a client are capped.
  static constexpr uint64_t kMaxCustomEntries = 1024;

  ClientInfo(DWORD pid, HANDLE process, const RegistrationRequest& request);
  ~ClientInfo();
  ClientInfo(const ClientInfo&) = delete;
  ClientInfo& operator=(const ClientInfo&) = delete;

  DWORD pid() const { return pid_; }
  HANDLE process() const { return process_; }
  uint64_t crash_info_address() const { return request_.crash_info; }
  bool has_assertion() const { return request_.has_assertion != 0; }

  // The client's custom-information entries (at most kMaxCustomEntries);
  // false when they cannot be read.
  bool ReadCustomInfo(std::vector<CustomInfoEntry>* entries) const;

 private:
  friend class CrashGenerationServer;

  const DWORD pid_;
  const HANDLE process_;
  const RegistrationRequest request_;
  HANDLE dump_request_ = nullptr;
  HANDLE dump_generated_ = nullptr;
  HANDLE request_wait_ = nullptr;
  HANDLE exit_wait_ = nullptr;
  class CrashGenerationServer* server_ = nullptr;
};

// Serves the reporter's pipe: registers clients and calls the dump
// callback on a thread-pool thread when one of them asks for a dump.
class CrashGenerationServer {
 public:
  using DumpCallback = void (*)(void* context, const ClientInfo& client);
  static constexpr DWORD kHandshakeTimeoutMs = 5000;

  // `security` may be null (default security).
  CrashGenerationServer(const std::wstring& pipe_name, SECURITY_ATTRIBUTES* security,
                        DumpCallback callback, void* context);
  ~CrashGenerationServer();
  CrashGenerationServer(const CrashGenerationServer&) = delete;
  CrashGenerationServer& operator=(const CrashGenerationServer&) = delete;

  // Creates the pipe and the listening thread.
  bool Start();
  // Ends listening and drops every client; waits for running callbacks.
  void Stop();

 private:
  static DWORD WINAPI ListenProc(void* self);
  static void CALLBACK OnDumpRequest(void* client, BOOLEAN timed_out);
  static void CALLBACK OnClientExit(void* client, BOOLEAN timed_out);

  void Listen();
  bool WaitForConnection(OVERLAPPED* overlapped);
  void ServeConnection();
  std::unique_ptr<ClientInfo> Handshake();
  // Takes `client` out of the list; null when someone else already did.
  std::unique_ptr<ClientInfo> Detach(ClientInfo* client);
  static void Unregister(ClientInfo* client, bool from_exit_callback);

  const std::wstring pipe_name_;
  SECURITY_ATTRIBUTES* security_;
  const DumpCallback callback_;
  void* const context_;
  HANDLE pipe_ = INVALID_HANDLE_VALUE;
  HANDLE stop_event_ = nullptr;
  HANDLE thread_ = nullptr;
  base::Lock lock_;
  std::list<std::unique_ptr<ClientInfo>> clients_;
};

}  // namespace crash_reporter

#endif  // CRASH_REPORTER_CRASH_GENERATION_SERVER_H_
