#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_WININET_SESSION_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_WININET_SESSION_H_

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

#include <memory>
#include <string>
#include <thread>

#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/single_thread_task_runner.h"
#include "desktop/windows/installer/utils/cracked_url.h"

// What WinINet's callbacks tell, posted to the thread that made the
// session.
class WininetEvents {
 public:
  virtual void OnConnectedToServer(const std::string& ip) = 0;
  // |generation| is the one the request was opened with.
  virtual void OnRequestComplete(uint32_t generation, uint32_t error) = 0;
  // A callback came without its context while a read ran.
  virtual void OnNullRequestContext() = 0;

 protected:
  virtual ~WininetEvents() = default;
};

// One asynchronous WinINet session with at most one connection and one
// request at a time: their handles, the contexts WinINet hands back to the
// status callback, and the read buffer. Lives on the thread that made it.
class WininetSession {
 public:
  explicit WininetSession(base::scoped_refptr<base::SingleThreadTaskRunner> runner);
  ~WininetSession();
  WininetSession(const WininetSession&) = delete;
  WininetSession& operator=(const WininetSession&) = delete;

  bool is_open() const { return session_ != nullptr; }
  HINTERNET request() const { return request_; }
  // The session closed last is still being let go of by WinINet.
  bool IsClosing() const { return termination_thread_.joinable(); }

  // False with GetLastError's code.
  bool Open(const std::wstring& user_agent);
  // The connection to |parts|' server, kept when it is the same server;
  // false with the system's code in |error|.
  bool Connect(const CrackedUrl& parts, base::WeakPtr<WininetEvents> events, DWORD* error);
  // A request on the connection, replacing the one in hand; its
  // completions carry |generation|. False with the code in |error|.
  bool OpenRequest(const wchar_t* verb, const std::wstring& path, DWORD flags,
                   uint32_t generation, base::WeakPtr<WininetEvents> events, DWORD* error);
  void SetRequestTimeouts(DWORD timeout_ms);
  // ERROR_SUCCESS when sent at once, ERROR_IO_PENDING when a completion
  // follows, or the error.
  DWORD SendRequest(const std::wstring& extra_headers, std::string* body);
  // A header of the response, or empty.
  std::wstring QueryHeader(DWORD info_level, const wchar_t* name);

  // Reads what the body has (or waits for it): the whole buffer, or what a
  // query finds available (in |available|). An error code, ERROR_IO_PENDING
  // when a completion brings the count, or success.
  DWORD Read(bool whole_buffer, DWORD* available);
  // The count of the read that ended, once; 0 at the end of the body.
  DWORD TakeBytesRead();
  // A failed read leaves no count behind.
  void DropRead();
  const char* buffer() const;

  void CloseRequest();
  // Closes the request, the connection and the session; the session goes
  // once WinINet let go of the connection, or after a bound.
  void Close();
  void JoinTermination();

 private:
  struct HandleContext;
  struct SessionCloser;

  static void CALLBACK StatusCallback(HINTERNET handle, DWORD_PTR context, DWORD status,
                                      void* info, DWORD info_length);

  const base::scoped_refptr<base::SingleThreadTaskRunner> runner_;
  HINTERNET session_ = nullptr;
  HINTERNET connection_ = nullptr;
  HINTERNET request_ = nullptr;
  HandleContext* connection_context_ = nullptr;
  HandleContext* request_context_ = nullptr;
  CrackedUrl connected_to_;
  std::thread termination_thread_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_WININET_SESSION_H_
