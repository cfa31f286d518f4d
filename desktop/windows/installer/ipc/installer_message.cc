#include "desktop/windows/installer/ipc/installer_message.h"

#include <string_view>

const char* InstallerMessageTypeToString(int type) {
  switch (type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
      return "IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS";
    case IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS:
      return "IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS";
    case IPC_MESSAGE_TOTAL_STEPS:
      return "IPC_MESSAGE_TOTAL_STEPS";
    case IPC_MESSAGE_STEP_STARTING:
      return "IPC_MESSAGE_STEP_STARTING";
    case IPC_MESSAGE_STEP_FINISHED:
      return "IPC_MESSAGE_STEP_FINISHED";
    case IPC_MESSAGE_IMPORTANT_EVENT:
      return "IPC_MESSAGE_IMPORTANT_EVENT";
    case IPC_MESSAGE_ERROR:
      return "IPC_MESSAGE_ERROR";
    case IPC_MESSAGE_SUCCESS:
      return "IPC_MESSAGE_SUCCESS";
    case IPC_MESSAGE_ENTERING_PHASE:
      return "IPC_MESSAGE_ENTERING_PHASE";
    default:
      return "";
  }
}

std::unique_ptr<base::Pickle> CreateInstallerMessage(InstallerMessageType type,
                                                     const RunSecret& secret) {
  auto message = std::make_unique<base::Pickle>();
  message->WriteString(std::string_view(kInstallerMessageSignature));
  if (!secret.empty())
    message->WriteString(secret.bytes());
  message->WriteInt(type);
  return message;
}
