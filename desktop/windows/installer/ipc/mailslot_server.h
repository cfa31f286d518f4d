#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_SERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_SERVER_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/time/time.h"

// The reading end of a mailslot. Reads block for at most the read limit
// given to Create: Wine cannot bind a mailslot server to a completion port
// and frees a blocked read neither on CancelIo nor on CloseHandle, so the
// reader polls, and a zero-length write (WakeReader) ends a wait early.
class MailslotServer {
 public:
  enum class ReadResult {
    kMessage,
    // Nothing arrived in time, or a zero-length message woke the reader.
    kNothing,
    kError,
  };

  MailslotServer();
  ~MailslotServer();
  MailslotServer(const MailslotServer&) = delete;
  MailslotServer& operator=(const MailslotServer&) = delete;

  // Creates "\\.\mailslot\..." for messages of up to `max_message_size`
  // bytes, which only the user, SYSTEM and the Administrators may write to.
  // False, with the Windows error in GetLastError, on failure.
  bool Create(const std::wstring& full_name, size_t max_message_size,
              base::TimeDelta read_limit);
  // Wine reports a mailslot's security only through the server's handle.
  HANDLE handle_for_testing() const { return handle_; }

  // Waits up to the read limit for the next message and puts it, whole, in
  // `message`.
  ReadResult Read(std::vector<char>* message);

  // Writes a zero-length message to the mailslot `full_name`, so that a
  // reader waiting in Read returns at once.
  static void WakeReader(const std::wstring& full_name);

 private:
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::vector<char> buffer_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_SERVER_H_
