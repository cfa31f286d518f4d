#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_

#include <memory>
#include <string>

#include "base/pickle.h"
#include "base/threading/thread.h"
#include "base/time/time.h"

class MailslotWriter;

// The backend's end of the mailslot: messages handed to Send are written in
// order on the "Installer IPC thread". The owner thread only posts to it.
class IPCSender {
 public:
  // How long Connect keeps trying while the mailslot does not exist yet
  // (its server is created on another thread of the UI process).
  static constexpr base::TimeDelta kDefaultOpenLimit = base::TimeDelta::FromSeconds(10);

  explicit IPCSender(base::TimeDelta open_limit = kDefaultOpenLimit);
  // Stops.
  ~IPCSender();
  IPCSender(const IPCSender&) = delete;
  IPCSender& operator=(const IPCSender&) = delete;

  // Starts the thread and opens "\\.\mailslot\" + `name` there, or, while
  // none of that name exists, + `spelt_name` (unless empty: the name a main
  // process of an earlier version gave it); returns before it is open
  // (false only when the thread cannot start). Messages sent meanwhile wait
  // for the open and are dropped when it finally fails.
  bool Connect(const std::wstring& name, const std::wstring& spelt_name = std::wstring());

  // Queues `message`. Dropped when there is no mailslot.
  void Send(std::unique_ptr<base::Pickle> message);

  // Writes what is queued (bounded), closes the mailslot and ends the
  // thread. Later sends are dropped.
  void Stop();

 private:
  void OpenMailslot(std::wstring full_name, std::wstring spelt_full_name,
                    base::TimeTicks give_up);
  void SendOnThread(std::unique_ptr<base::Pickle> message);
  void Close();

  const base::TimeDelta open_limit_;
  base::Thread thread_;
  // IPC thread only.
  std::unique_ptr<MailslotWriter> writer_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_IPC_SENDER_H_
