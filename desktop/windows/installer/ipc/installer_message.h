#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_H_

#include <cstddef>
#include <cstdint>
#include <memory>

#include "base/pickle.h"
#include "desktop/windows/installer/utils/run_secret.h"

// What the backend tells the UI process over the mailslot. A message is a
// pickle holding the signature string, the run's secret (a string of
// RunSecret::kSize bytes), the type (int32) and the arguments of that type.
// A backend that was handed no secret (one started by a main process of an
// earlier version) leaves the secret out, as that main process expects.
enum InstallerMessageType : int32_t {
  IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS = 0,          // bool earlier version
  IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS = 1,  // -
  IPC_MESSAGE_NOTIFY = 2,                             // -
  IPC_MESSAGE_TOTAL_STEPS = 3,                        // int total
  IPC_MESSAGE_STEP_STARTING = 4,                      // string name
  IPC_MESSAGE_STEP_FINISHED = 5,                      // string name, int attempt, int completed
  IPC_MESSAGE_IMPORTANT_EVENT = 6,                    // string name
  IPC_MESSAGE_ERROR = 7,                              // int code, string16 message, string detail
  IPC_MESSAGE_SUCCESS = 8,                            // -
  IPC_MESSAGE_ENTERING_PHASE = 9,                     // int phase
  IPC_MESSAGE_TYPE_COUNT = 10,
};

inline constexpr char kInstallerMessageSignature[] = ":Installer message:";

// The mailslot's maximum message size; a whole message, header included,
// must fit. Larger writes fail on Windows and arrive cut under Wine.
inline constexpr size_t kMaxInstallerMessageSize = 2048;

// The log name of a type ("IPC_MESSAGE_TOTAL_STEPS"); empty for the notify
// message and for values outside the table.
const char* InstallerMessageTypeToString(int type);

// A new message holding the signature, `secret` (unless empty) and `type`;
// the caller appends the arguments.
std::unique_ptr<base::Pickle> CreateInstallerMessage(InstallerMessageType type,
                                                     const RunSecret& secret);

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_H_
