#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_

#include <windows.h>

#include <deque>
#include <memory>
#include <string>

#include "base/memory/weak_ptr.h"
#include "base/message_loop/message_loop.h"
#include "base/pickle.h"
#include "base/time/time.h"

// The client end of a mailslot, used only on its IO thread: writes queued
// messages one at a time, in order, through the thread's completion port.
// A write that fails for want of a system resource is tried again a few
// times; any other failure drops the message with one log line, so nothing
// ever holds up the messages behind it for long.
class MailslotWriter : public base::MessageLoopForIO::IOHandler {
 public:
  using WriteFileFunction = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
  // Replaces ::WriteFile for every writer; nullptr restores it.
  static void SetWriteFileForTesting(WriteFileFunction write_file);

  // `full_name` is "\\.\mailslot\..." ; `spelt_full_name`, when not empty,
  // is opened while no mailslot of `full_name` exists (OpenByNameOrSpelling).
  explicit MailslotWriter(std::wstring full_name, std::wstring spelt_full_name = std::wstring());
  // Close must have returned true.
  ~MailslotWriter() override;
  MailslotWriter(const MailslotWriter&) = delete;
  MailslotWriter& operator=(const MailslotWriter&) = delete;

  // Opens the mailslot and starts writing what is queued. Returns the
  // Windows error, 0 on success.
  DWORD Open();
  bool is_open() const { return handle_ != INVALID_HANDLE_VALUE; }

  // Queues `message`; written at once when open and idle.
  void Enqueue(std::unique_ptr<base::Pickle> message);

  // Writes what is queued, waiting at most `flush_limit` in all, then
  // closes the handle and drops the rest (logging their number). False when
  // a write is still pending: the completion port may still name this
  // object, which must then outlive the thread.
  bool Close(base::TimeDelta flush_limit);

  size_t queued() const { return queue_.size(); }

 private:
  void WriteNext();
  void Retry();
  void PopHead();
  // IOHandler.
  void OnIOCompleted(base::MessageLoopForIO::IOContext* context, DWORD bytes,
                     DWORD error) override;

  const std::wstring full_name_;
  const std::wstring spelt_full_name_;
  HANDLE handle_ = INVALID_HANDLE_VALUE;
  std::deque<std::unique_ptr<base::Pickle>> queue_;
  base::MessageLoopForIO::IOContext context_ = {};
  bool write_pending_ = false;
  // A retry of the head is posted.
  bool retry_pending_ = false;
  int head_retries_ = 0;
  base::WeakPtrFactory<MailslotWriter> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_MAILSLOT_WRITER_H_
