#include "desktop/windows/installer/ipc/mailslot_writer.h"

#include <algorithm>
#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/utils/service_utils.h"

namespace {

MailslotWriter::WriteFileFunction g_write_file = &::WriteFile;

constexpr int kMaxRetriesOfAMessage = 3;
constexpr base::TimeDelta kRetryDelay = base::TimeDelta::FromMilliseconds(50);

// The system is short of something for a moment: worth another try.
bool IsPassingError(DWORD error) {
  switch (error) {
    case ERROR_NO_SYSTEM_RESOURCES:
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_WORKING_SET_QUOTA:
      return true;
    default:
      return false;
  }
}

}  // namespace

// static
void MailslotWriter::SetWriteFileForTesting(WriteFileFunction write_file) {
  g_write_file = write_file ? write_file : &::WriteFile;
}

MailslotWriter::MailslotWriter(std::wstring full_name, std::wstring spelt_full_name)
    : full_name_(std::move(full_name)), spelt_full_name_(std::move(spelt_full_name)) {}

MailslotWriter::~MailslotWriter() {
  DCHECK(!write_pending_);
  if (is_open())
    CloseHandle(handle_);
}

DWORD MailslotWriter::Open() {
  DCHECK(!is_open());
  HANDLE handle =
      OpenByNameOrSpelling(full_name_, spelt_full_name_, [](const std::wstring& name) {
        return CreateFileW(name.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                           nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED | FILE_ATTRIBUTE_NORMAL,
                           nullptr);
      });
  if (handle == INVALID_HANDLE_VALUE)
    return GetLastError();
  if (!base::MessageLoopForIO::current()->RegisterIOHandler(handle, this)) {
    DWORD error = GetLastError();
    CloseHandle(handle);
    return error ? error : ERROR_INVALID_FUNCTION;
  }
  handle_ = handle;
  WriteNext();
  return 0;
}

void MailslotWriter::Enqueue(std::unique_ptr<base::Pickle> message) {
  queue_.push_back(std::move(message));
  if (is_open() && !write_pending_ && !retry_pending_)
    WriteNext();
}

void MailslotWriter::Retry() {
  retry_pending_ = false;
  WriteNext();
}

void MailslotWriter::WriteNext() {
  if (!is_open())
    return;
  while (!queue_.empty() && !write_pending_) {
    const base::Pickle& head = *queue_.front();
    // The system refuses these, or (Wine) delivers them cut: never send one.
    if (head.size() > kMaxInstallerMessageSize) {
      LOG(ERROR) << "Dropped an installer message of " << head.size()
                 << " bytes, over the mailslot's limit";
      PopHead();
      continue;
    }
    context_ = {};
    if (g_write_file(handle_, head.data(), static_cast<DWORD>(head.size()), nullptr,
                     &context_.overlapped) ||
        GetLastError() == ERROR_IO_PENDING) {
      // Even a write done at once reports through the completion port.
      write_pending_ = true;
      return;
    }
    const DWORD error = GetLastError();
    if (IsPassingError(error) && head_retries_ < kMaxRetriesOfAMessage) {
      ++head_retries_;
      retry_pending_ = true;
      base::ThreadTaskRunnerHandle::Get()->PostDelayedTask(
          FROM_HERE, base::BindOnce(&MailslotWriter::Retry, weak_factory_.GetWeakPtr()),
          kRetryDelay);
      return;
    }
    // Anything else would fail the same way and hold up the final result.
    LOG(ERROR) << "Cannot write to mailslot, message dropped: "
               << logging::SystemErrorCodeToString(error);
    PopHead();
  }
}

void MailslotWriter::PopHead() {
  queue_.pop_front();
  head_retries_ = 0;
}

void MailslotWriter::OnIOCompleted(base::MessageLoopForIO::IOContext* context, DWORD /*bytes*/,
                                   DWORD error) {
  DCHECK_EQ(&context_, context);
  write_pending_ = false;
  if (error)
    LOG(ERROR) << "Cannot write to mailslot: " << logging::SystemErrorCodeToString(error);
  if (!queue_.empty())
    PopHead();
  WriteNext();
}

bool MailslotWriter::Close(base::TimeDelta flush_limit) {
  LOG(INFO) << "Closing mailslot.";
  const base::TimeTicks deadline = base::TimeTicks::Now() + flush_limit;
  while (write_pending_ || retry_pending_) {
    base::TimeDelta left = deadline - base::TimeTicks::Now();
    if (left <= base::TimeDelta())
      break;
    if (retry_pending_) {
      // The posted retry would come after this; do it here.
      Sleep(static_cast<DWORD>(std::min(left, kRetryDelay).InMilliseconds()));
      Retry();
      continue;
    }
    base::MessageLoopForIO::current()->WaitForIOCompletion(
        static_cast<DWORD>(left.InMilliseconds()) + 1, this);
  }
  retry_pending_ = false;
  weak_factory_.InvalidateWeakPtrs();
  if (write_pending_) {
    LOG(WARNING) << "I/O still pending on mailslot.";
    CancelIo(handle_);
  }
  if (is_open()) {
    CloseHandle(handle_);
    handle_ = INVALID_HANDLE_VALUE;
  }
  if (write_pending_) {
    // A cancelled write still completes through the port; give it a moment.
    base::MessageLoopForIO::current()->WaitForIOCompletion(1000, this);
  }
  if (!queue_.empty())
    LOG(WARNING) << "Messages unsent: " << queue_.size();
  queue_.clear();
  return !write_pending_;
}
