#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_

#include <string>

#include "base/observer_list.h"
#include "base/pickle.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/utils/installer_result.h"

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
};

// Reads a message from the other process, which is not trusted: signature
// (exact case), type, then the type's arguments, every read bounds-checked.
// Names and details must be UTF-8 and the error code a known result. A bad
// message is dropped after one log line and false is returned.
bool ReadInstallerMessage(const base::Pickle& pickle, InstallerMessage* message);

// Logs `message` and calls its notification on each observer, in order.
void NotifyInstallerObservers(const InstallerMessage& message,
                              base::ObserverList<InstallerObserver>* observers);

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_READER_H_
