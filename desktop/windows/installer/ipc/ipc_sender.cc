#include "desktop/windows/installer/ipc/ipc_sender.h"

#include <utility>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/ipc/mailslot_writer.h"

namespace {

constexpr base::TimeDelta kOpenRetryDelay = base::TimeDelta::FromMilliseconds(20);
// Writes to a mailslot finish at once; this only bounds a stuck system.
constexpr base::TimeDelta kFlushLimit = base::TimeDelta::FromSeconds(5);

}  // namespace

IPCSender::IPCSender(base::TimeDelta open_limit)
    : open_limit_(open_limit), thread_(kInstallerIpcThreadName) {}

IPCSender::~IPCSender() {
  Stop();
}

bool IPCSender::Connect(const std::wstring& name, const std::wstring& spelt_name) {
  VLOG(1) << "Preparing to send IPC on " << base::WideToUTF8(name);
  if (!thread_.IsRunning() &&
      !thread_.StartWithOptions(base::Thread::Options(base::MessageLoop::TYPE_IO))) {
    LOG(ERROR) << "Could not start IPC thread";
    return false;
  }
  thread_.task_runner()->PostTask(
      FROM_HERE,
      base::BindOnce(&IPCSender::OpenMailslot, base::Unretained(this), GetMailslotFullName(name),
                     spelt_name.empty() ? std::wstring() : GetMailslotFullName(spelt_name),
                     base::TimeTicks::Now() + open_limit_));
  return true;
}

void IPCSender::OpenMailslot(std::wstring full_name, std::wstring spelt_full_name,
                             base::TimeTicks give_up) {
  if (!writer_ || writer_->is_open()) {
    // A new Connect replaces the writer of an earlier one.
    Close();
    writer_ = std::make_unique<MailslotWriter>(full_name, spelt_full_name);
    LOG(INFO) << "Opening mailslot " << base::WideToUTF8(full_name);
  }
  DWORD error = writer_->Open();
  if (!error)
    return;
  // The UI process creates its mailslot on its own IPC thread; a quick
  // backend may get here first.
  if (error == ERROR_FILE_NOT_FOUND && base::TimeTicks::Now() < give_up) {
    thread_.task_runner()->PostDelayedTask(
        FROM_HERE,
        base::BindOnce(&IPCSender::OpenMailslot, base::Unretained(this), std::move(full_name),
                       std::move(spelt_full_name), give_up),
        kOpenRetryDelay);
    return;
  }
  LOG(ERROR) << "Failed opening " << base::WideToUTF8(full_name) << ": "
             << logging::SystemErrorCodeToString(error);
  Close();
}

void IPCSender::Send(std::unique_ptr<base::Pickle> message) {
  if (!thread_.IsRunning())
    return;
  thread_.task_runner()->PostTask(FROM_HERE,
                                  base::BindOnce(&IPCSender::SendOnThread, base::Unretained(this),
                                                 std::move(message)));
}

void IPCSender::SendOnThread(std::unique_ptr<base::Pickle> message) {
  if (writer_)
    writer_->Enqueue(std::move(message));
}

void IPCSender::Stop() {
  if (!thread_.IsRunning())
    return;
  LOG(INFO) << "Stopping RPC sender";
  thread_.task_runner()->PostTask(FROM_HERE,
                                  base::BindOnce(&IPCSender::Close, base::Unretained(this)));
  thread_.Stop();
}

void IPCSender::Close() {
  if (!writer_)
    return;
  if (writer_->Close(kFlushLimit))
    writer_.reset();
  else
    (void)writer_.release();  // Still named by a pending completion: must not be freed.
}
