#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_

#include <string>

#include "base/observer_list.h"
#include "base/pickle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/utils/installer_result.h"
#include "desktop/windows/installer/utils/run_secret.h"

// One received installer message, its arguments read.
struct InstallerMessage {
  InstallerMessageType type = IPC_MESSAGE_NOTIFY;
  // Total, phase, or the bool as 0/1.
  int value = 0;
  // Step or event name, or the error's log detail (UTF-8).
  std::string text;
  int attempt = 0;
  int completed = 0;
  InstallerResult code = RESULT_SUCCESS;
  std::wstring message;
  // It carried the run's secret; false: the layout without one.
  bool with_secret = false;
};

enum class InstallerMessageStatus {
  kAccepted,
  // Dropped after one log line.
  kMalformed,
  // Without the run's secret: with another one (written by some process
  // other than the run's backends, or by a backend of an earlier run), or
  // with none where none may come. Dropped silently; the caller counts them.
  kWithoutTheRunsSecret,
};

// Reads a message from the mailslot, which any process of the user may
// write to: signature (exact case), then the run's `secret` and the type
// or, only when `without_secret_read` (an installer process of an earlier
// version runs, which writes no secret), the type alone; then the type's
// arguments, every read bounds-checked. Names and details must be UTF-8 and
// the error code a known result; an error that says 0 is taken as failure
// 1. `message` is set only when the message is accepted. No message alone
// decides the outcome: a success counts only with the backend's own end
// (MainProcessInstallerRunnerImpl).
InstallerMessageStatus ReadInstallerMessage(const base::Pickle& pickle, const RunSecret& secret,
                                            bool without_secret_read, InstallerMessage* message);

// Logs `message` and calls its notification on each observer, in order.
void NotifyInstallerObservers(const InstallerMessage& message,
                              base::ObserverList<InstallerObserver>* observers);

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_
