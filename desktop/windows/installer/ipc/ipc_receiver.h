#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_

#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/memory/weak_ptr.h"
#include "base/pickle.h"
#include "base/single_thread_task_runner.h"
#include "base/synchronization/lock.h"
#include "base/threading/thread.h"
#include "base/time/time.h"

class MailslotServer;

// The UI process's end of the mailslot. Its "Installer IPC thread" reads
// the messages and posts each whole one to the thread that made the
// receiver, where the delegate gets it.
class IPCReceiver {
 public:
  class Delegate {
   public:
    virtual ~Delegate() = default;
    // A message whose size matches its header; its content is unchecked.
    virtual void OnMailslotMessage(const base::Pickle& message) = 0;
  };

  // How long one read waits before the reader looks whether it should stop.
  static constexpr base::TimeDelta kReadLimit = base::TimeDelta::FromMilliseconds(500);

  // On the owner thread, which must have a task runner.
  explicit IPCReceiver(Delegate* delegate);
  // Stops.
  ~IPCReceiver();
  IPCReceiver(const IPCReceiver&) = delete;
  IPCReceiver& operator=(const IPCReceiver&) = delete;

  // Creates "\\.\mailslot\" + `name` and starts the thread that reads
  // from it. False, with the system's error as the last error, when the
  // mailslot cannot be created (another process holds the name: it would
  // get every message) or the thread cannot start.
  bool Connect(const std::wstring& name);

  // Runs `done` on the owner thread once every message that was in the
  // mailslot when this was called has been handed to the delegate (the
  // writer has ended, and what it wrote must come before its end). False,
  // and `done` dropped, while no reader runs.
  bool Flush(base::OnceClosure done);

  // Ends reading and the thread. Messages not yet delivered are lost.
  void Stop();

 private:
  // IPC thread: reads until Stop. `owner` is made on the owner thread.
  void ReadMessages(std::unique_ptr<MailslotServer> server, base::WeakPtr<IPCReceiver> owner);
  void OnMessageReceived(const base::Pickle& message);
  void ReleaseFlushWaiters();

  Delegate* const delegate_;
  const base::scoped_refptr<base::SingleThreadTaskRunner> owner_task_runner_;
  base::Thread thread_;
  std::wstring full_name_;
  std::atomic<bool> stopping_{false};
  // Flush requests, taken by the reader once the mailslot is empty.
  base::Lock flush_lock_;
  std::vector<base::OnceClosure> flush_waiters_;
  base::WeakPtrFactory<IPCReceiver> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_RECEIVER_H_
