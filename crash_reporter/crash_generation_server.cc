#include "crash_reporter/crash_generation_server.h"

#include <algorithm>
#include <utility>

#include "base/logging.h"

namespace crash_reporter {
namespace {

constexpr DWORD kPipeBufferSize = 512;
constexpr DWORD kClientAccess =
    PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE | SYNCHRONIZE;

bool ReadRemote(HANDLE process, uint64_t address, void* out, size_t size) {
  SIZE_T read = 0;
  return address != 0 &&
         ReadProcessMemory(process, reinterpret_cast<const void*>(static_cast<uintptr_t>(address)),
                           out, size, &read) &&
         read == size;
}

// A handle of ours duplicated into `process`; 0 on failure.
uint64_t DuplicateInto(HANDLE process, HANDLE handle, DWORD access) {
  HANDLE remote = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, process, &remote, access, FALSE, 0))
    return 0;
  return reinterpret_cast<uintptr_t>(remote);
}

void CloseRemote(HANDLE process, uint64_t remote) {
  if (remote) {
    DuplicateHandle(process, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(remote)), nullptr,
                    nullptr, 0, FALSE, DUPLICATE_CLOSE_SOURCE);
  }
}

}  // namespace

ClientInfo::ClientInfo(DWORD pid, HANDLE process, const RegistrationRequest& request)
    : pid_(pid), process_(process), request_(request) {}

ClientInfo::~ClientInfo() {
  for (HANDLE handle : {process_, dump_request_, dump_generated_}) {
    if (handle)
      CloseHandle(handle);
  }
}

bool ClientInfo::ReadCustomInfo(std::vector<CustomInfoEntry>* entries) const {
  entries->clear();
  if (request_.custom_info == 0)
    return true;
  CustomClientInfo info = {};
  if (!ReadRemote(process_, request_.custom_info, &info, sizeof(info)))
    return false;
  uint64_t count = std::min(info.count, kMaxCustomEntries);
  entries->resize(static_cast<size_t>(count));
  if (count == 0)
    return true;
  if (!ReadRemote(process_, info.entries, entries->data(), entries->size() * sizeof(CustomInfoEntry))) {
    entries->clear();
    return false;
  }
  return true;
}

CrashGenerationServer::CrashGenerationServer(const std::wstring& pipe_name,
                                             SECURITY_ATTRIBUTES* security, DumpCallback callback,
                                             void* context)
    : pipe_name_(pipe_name), security_(security), callback_(callback), context_(context) {}

CrashGenerationServer::~CrashGenerationServer() {
  Stop();
}

bool CrashGenerationServer::Start() {
  pipe_ = CreateNamedPipeW(
      pipe_name_.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
      PIPE_TYPE_MESSAGE | PIPE_READMODE_MESSAGE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
      kPipeBufferSize, kPipeBufferSize, 0, security_);
  if (pipe_ == INVALID_HANDLE_VALUE) {
    PLOG(ERROR) << "Cannot create the crash pipe";
    return false;
  }
  stop_event_ = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (stop_event_)
    thread_ = CreateThread(nullptr, 0, &CrashGenerationServer::ListenProc, this, 0, nullptr);
  if (!thread_) {
    PLOG(ERROR) << "Cannot start the crash pipe thread";
    Stop();
    return false;
  }
  return true;
}

void CrashGenerationServer::Stop() {
  if (thread_) {
    SetEvent(stop_event_);
    // The listener's own waits all end with the stop event.
    WaitForSingleObject(thread_, INFINITE);
    CloseHandle(thread_);
    thread_ = nullptr;
  }
  if (pipe_ != INVALID_HANDLE_VALUE) {
    CloseHandle(pipe_);
    pipe_ = INVALID_HANDLE_VALUE;
  }
  if (stop_event_) {
    CloseHandle(stop_event_);
    stop_event_ = nullptr;
  }
  std::list<std::unique_ptr<ClientInfo>> clients;
  {
    base::AutoLock lock(lock_);
    clients.swap(clients_);
  }
  for (auto& client : clients)
    Unregister(client.get(), /*from_exit_callback=*/false);
}

DWORD WINAPI CrashGenerationServer::ListenProc(void* self) {
  static_cast<CrashGenerationServer*>(self)->Listen();
  return 0;
}

void CrashGenerationServer::Listen() {
  OVERLAPPED overlapped = {};
  overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  if (!overlapped.hEvent)
    return;
  while (WaitForConnection(&overlapped)) {
    ServeConnection();
    DisconnectNamedPipe(pipe_);
  }
  CloseHandle(overlapped.hEvent);
}

// True once a client is connected; false when stopping.
bool CrashGenerationServer::WaitForConnection(OVERLAPPED* overlapped) {
  ResetEvent(overlapped->hEvent);
  if (ConnectNamedPipe(pipe_, overlapped))
    return WaitForSingleObject(stop_event_, 0) != WAIT_OBJECT_0;
  DWORD error = GetLastError();
  if (error == ERROR_PIPE_CONNECTED)
    return WaitForSingleObject(stop_event_, 0) != WAIT_OBJECT_0;
  if (error != ERROR_IO_PENDING) {
    PLOG(ERROR) << "Cannot wait for crash clients";
    return false;
  }
  HANDLE waits[] = {overlapped->hEvent, stop_event_};
  if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0)
    return true;
  // Stopping: the pending connect ends with the cancel (or, at the latest,
  // with the pipe's closing, before the OVERLAPPED goes).
  CancelIoEx(pipe_, overlapped);
  WaitForSingleObject(overlapped->hEvent, kHandshakeTimeoutMs);
  return false;
}

void CrashGenerationServer::ServeConnection() {
  std::unique_ptr<ClientInfo> client = Handshake();
  if (!client)
    return;
  ClientInfo* raw = client.get();
  raw->server_ = this;
  {
    base::AutoLock lock(lock_);
    clients_.push_back(std::move(client));
  }
  if (!RegisterWaitForSingleObject(&raw->request_wait_, raw->dump_request_,
                                   &CrashGenerationServer::OnDumpRequest, raw, INFINITE,
                                   WT_EXECUTELONGFUNCTION) ||
      !RegisterWaitForSingleObject(&raw->exit_wait_, raw->process_,
                                   &CrashGenerationServer::OnClientExit, raw, INFINITE,
                                   WT_EXECUTEONLYONCE)) {
    PLOG(ERROR) << "Cannot watch crash client " << raw->pid_;
    if (std::unique_ptr<ClientInfo> owned = Detach(raw))
      Unregister(owned.get(), /*from_exit_callback=*/false);
  }
}

std::unique_ptr<ClientInfo> CrashGenerationServer::Handshake() {
  RegistrationRequest request = {};
  if (!PipeRead(pipe_, &request, sizeof(request), kHandshakeTimeoutMs) ||
      request.tag != kRegisterTag) {
    LOG(WARNING) << "Bad crash client registration";
    return nullptr;
  }
  // Only the process at the other end may register itself.
  ULONG pipe_client = 0;
  if (GetNamedPipeClientProcessId(pipe_, &pipe_client) && pipe_client != request.pid) {
    LOG(WARNING) << "Crash client " << pipe_client << " claimed pid " << request.pid;
    return nullptr;
  }
  HANDLE process = OpenProcess(kClientAccess, FALSE, request.pid);
  if (!process) {
    PLOG(WARNING) << "Cannot open crash client " << request.pid;
    return nullptr;
  }
  auto client = std::make_unique<ClientInfo>(request.pid, process, request);
  client->dump_request_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  client->dump_generated_ = CreateEventW(nullptr, FALSE, FALSE, nullptr);
  if (!client->dump_request_ || !client->dump_generated_)
    return nullptr;
  RegistrationReply reply = {};
  reply.tag = kReplyTag;
  reply.server_pid = GetCurrentProcessId();
  reply.dump_request_event = DuplicateInto(process, client->dump_request_, EVENT_MODIFY_STATE);
  reply.dump_generated_event = DuplicateInto(process, client->dump_generated_, SYNCHRONIZE);
  if (!reply.dump_request_event || !reply.dump_generated_event ||
      !PipeWrite(pipe_, &reply, sizeof(reply), kHandshakeTimeoutMs)) {
    // Never delivered: the handles in the client are ours to close.
    CloseRemote(process, reply.dump_request_event);
    CloseRemote(process, reply.dump_generated_event);
    return nullptr;
  }
  RegistrationAck ack = {};
  if (!PipeRead(pipe_, &ack, sizeof(ack), kHandshakeTimeoutMs) || ack.tag != kAckTag) {
    LOG(WARNING) << "Crash client " << request.pid << " did not acknowledge";
    return nullptr;
  }
  return client;
}

std::unique_ptr<ClientInfo> CrashGenerationServer::Detach(ClientInfo* client) {
  base::AutoLock lock(lock_);
  for (auto it = clients_.begin(); it != clients_.end(); ++it) {
    if (it->get() == client) {
      std::unique_ptr<ClientInfo> owned = std::move(*it);
      clients_.erase(it);
      return owned;
    }
  }
  return nullptr;
}

void CrashGenerationServer::Unregister(ClientInfo* client, bool from_exit_callback) {
  // A callback may not wait for itself; every other wait waits for its
  // running callback to return before the client goes.
  if (client->exit_wait_)
    UnregisterWaitEx(client->exit_wait_, from_exit_callback ? nullptr : INVALID_HANDLE_VALUE);
  if (client->request_wait_)
    UnregisterWaitEx(client->request_wait_, INVALID_HANDLE_VALUE);
}

void CALLBACK CrashGenerationServer::OnDumpRequest(void* param, BOOLEAN) {
  auto* client = static_cast<ClientInfo*>(param);
  client->server_->callback_(client->server_->context_, *client);
  SetEvent(client->dump_generated_);
}

void CALLBACK CrashGenerationServer::OnClientExit(void* param, BOOLEAN) {
  auto* client = static_cast<ClientInfo*>(param);
  if (std::unique_ptr<ClientInfo> owned = client->server_->Detach(client))
    Unregister(owned.get(), /*from_exit_callback=*/true);
}

}  // namespace crash_reporter
