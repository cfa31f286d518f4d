#include "desktop/windows/installer/ipc/ipc_receiver.h"

#include <memory>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/threading/thread_task_runner_handle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/ipc_names.h"
#include "desktop/windows/installer/ipc/mailslot_server.h"

IPCReceiver::IPCReceiver(Delegate* delegate)
    : delegate_(delegate),
      owner_task_runner_(base::ThreadTaskRunnerHandle::Get()),
      thread_(kInstallerIpcThreadName) {
  DCHECK(delegate_);
}

IPCReceiver::~IPCReceiver() {
  Stop();
}

bool IPCReceiver::Connect(const std::wstring& name) {
  VLOG(1) << "Preparing to receive IPC on " << base::WideToUTF8(name);
  DCHECK(!thread_.IsRunning());
  full_name_ = GetMailslotFullName(name);
  VLOG(1) << "Creating mailslot " << base::WideToUTF8(full_name_);
  auto server = std::make_unique<MailslotServer>();
  if (!server->Create(full_name_, kMaxInstallerMessageSize, kReadLimit)) {
    const DWORD error = GetLastError();
    PLOG(ERROR) << "Failed creating " << base::WideToUTF8(full_name_);
    SetLastError(error);
    return false;
  }
  if (!thread_.Start()) {
    LOG(ERROR) << "Could not start IPC thread";
    return false;
  }
  stopping_ = false;
  thread_.task_runner()->PostTask(
      FROM_HERE, base::BindOnce(&IPCReceiver::ReadMessages, base::Unretained(this),
                                std::move(server), weak_factory_.GetWeakPtr()));
  return true;
}

void IPCReceiver::ReadMessages(std::unique_ptr<MailslotServer> server,
                               base::WeakPtr<IPCReceiver> owner) {
  std::vector<char> bytes;
  while (!stopping_) {
    switch (server->Read(&bytes)) {
      case MailslotServer::ReadResult::kNothing:
        ReleaseFlushWaiters();
        continue;
      case MailslotServer::ReadResult::kError:
        PLOG(ERROR) << "Cannot read from mailslot";
        return;
      case MailslotServer::ReadResult::kMessage:
        break;
    }
    // Wine delivers an oversize write cut to the slot's size: the header
    // then promises more than arrived, and the pickle is invalid.
    base::Pickle message(bytes.data(), bytes.size());
    if (!message.IsValid()) {
      LOG(WARNING) << "Dropped a mailslot message of " << bytes.size()
                   << " bytes that disagrees with its size header";
      continue;
    }
    owner_task_runner_->PostTask(
        FROM_HERE, base::BindOnce(&IPCReceiver::OnMessageReceived, owner, std::move(message)));
  }
  LOG(INFO) << "Closing mailslot";
}

void IPCReceiver::ReleaseFlushWaiters() {
  std::vector<base::OnceClosure> waiters;
  {
    base::AutoLock lock(flush_lock_);
    waiters.swap(flush_waiters_);
  }
  // Posted behind the messages already posted, so they arrive after them.
  for (base::OnceClosure& done : waiters)
    owner_task_runner_->PostTask(FROM_HERE, std::move(done));
}

bool IPCReceiver::Flush(base::OnceClosure done) {
  if (!thread_.IsRunning() || stopping_)
    return false;
  {
    base::AutoLock lock(flush_lock_);
    flush_waiters_.push_back(std::move(done));
  }
  // A zero-length write ends a read that waits, after what is queued.
  MailslotServer::WakeReader(full_name_);
  return true;
}

void IPCReceiver::OnMessageReceived(const base::Pickle& message) {
  delegate_->OnMailslotMessage(message);
}

void IPCReceiver::Stop() {
  if (!thread_.IsRunning())
    return;
  VLOG(1) << "Stopping RPC receiver";
  stopping_ = true;
  MailslotServer::WakeReader(full_name_);
  thread_.Stop();
}
