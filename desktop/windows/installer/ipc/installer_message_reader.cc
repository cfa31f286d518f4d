#include "desktop/windows/installer/ipc/installer_message_reader.h"

#include <string>
#include <utility>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/strings/utf_string_conversions.h"

namespace {

bool ReadName(base::PickleIterator* iter, std::string* name) {
  return iter->ReadString(name) && base::IsStringUTF8(*name);
}

bool ReadError(base::PickleIterator* iter, InstallerMessage* message) {
  int code = 0;
  if (!iter->ReadInt(&code) || !iter->ReadString16(&message->message) ||
      !ReadName(iter, &message->text)) {
    return false;
  }
  // Consumers index tables by result; an unknown code is not one.
  if (code < 0 || code >= static_cast<int>(RESULT_COUNT))
    return false;
  // An error is never a success, whatever code it carries.
  if (code == RESULT_SUCCESS) {
    LOG(WARNING) << "IPC_MESSAGE_ERROR with code 0 taken as a general failure";
    code = RESULT_GENERAL_FAILURE;
  }
  message->code = static_cast<InstallerResult>(code);
  return true;
}

bool ReadStepFinished(base::PickleIterator* iter, InstallerMessage* message) {
  if (!ReadName(iter, &message->text) || !iter->ReadInt(&message->attempt))
    return false;
  if (iter->ReachedEnd()) {
    LOG(WARNING) << "The package uses legacy IPC_MESSAGE_STEP_FINISHED";
    message->completed = 0;
    return true;
  }
  return iter->ReadInt(&message->completed);
}

bool ReadArguments(base::PickleIterator* iter, InstallerMessage* message) {
  switch (message->type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS: {
      bool value = false;
      if (!iter->ReadBool(&value))
        return false;
      message->value = value ? 1 : 0;
      return true;
    }
    case IPC_MESSAGE_TOTAL_STEPS:
    case IPC_MESSAGE_ENTERING_PHASE:
      return iter->ReadInt(&message->value);
    case IPC_MESSAGE_STEP_STARTING:
    case IPC_MESSAGE_IMPORTANT_EVENT:
      return ReadName(iter, &message->text);
    case IPC_MESSAGE_STEP_FINISHED:
      return ReadStepFinished(iter, message);
    case IPC_MESSAGE_ERROR:
      return ReadError(iter, message);
    default:
      return true;
  }
}

void LogReceived(const InstallerMessage& message) {
  if (message.type == IPC_MESSAGE_NOTIFY || !VLOG_IS_ON(1))
    return;
  const char* name = InstallerMessageTypeToString(message.type);
  switch (message.type) {
    case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
    case IPC_MESSAGE_TOTAL_STEPS:
    case IPC_MESSAGE_ENTERING_PHASE:
      VLOG(1) << name << "(" << message.value << ") received";
      break;
    case IPC_MESSAGE_ERROR:
      VLOG(1) << name << "(" << message.code << "," << base::WideToUTF8(message.message) << ","
              << message.text << ") received";
      break;
    default:
      VLOG(1) << name << " received";
  }
}

}  // namespace

InstallerMessageStatus ReadInstallerMessage(const base::Pickle& pickle, const RunSecret& secret,
                                            bool without_secret_read, InstallerMessage* message) {
  DCHECK(!secret.empty());
  base::PickleIterator iter(pickle);
  std::string signature;
  if (!iter.ReadString(&signature) || signature != kInstallerMessageSignature) {
    LOG(WARNING) << "Received a message without installer signature";
    return InstallerMessageStatus::kMalformed;
  }
  // The int after the signature is either the type (a backend of an
  // earlier version writes no secret) or the length of the secret, which is
  // no type: one that carries a secret must carry the run's, and nothing
  // else of it is looked at.
  base::PickleIterator secret_iter = iter;
  int type = 0;
  if (!iter.ReadInt(&type))
    return InstallerMessageStatus::kMalformed;
  const bool with_secret = type == static_cast<int>(RunSecret::kSize);
  if (with_secret) {
    std::string carried;
    iter = secret_iter;
    if (!iter.ReadString(&carried) || !secret.Matches(carried))
      return InstallerMessageStatus::kWithoutTheRunsSecret;
    if (!iter.ReadInt(&type))
      return InstallerMessageStatus::kMalformed;
  } else if (!without_secret_read) {
    return InstallerMessageStatus::kWithoutTheRunsSecret;
  }
  if (type < 0 || type >= IPC_MESSAGE_TYPE_COUNT) {
    LOG(WARNING) << "Received installer message with invalid type";
    return InstallerMessageStatus::kMalformed;
  }
  // Read aside: a message cut short leaves the caller's record as it was.
  InstallerMessage read;
  read.type = static_cast<InstallerMessageType>(type);
  read.with_secret = with_secret;
  if (!ReadArguments(&iter, &read)) {
    LOG(ERROR) << "Received invalid " << InstallerMessageTypeToString(type) << " message";
    return InstallerMessageStatus::kMalformed;
  }
  *message = std::move(read);
  return InstallerMessageStatus::kAccepted;
}

void NotifyInstallerObservers(const InstallerMessage& message,
                              base::ObserverList<InstallerObserver>* observers) {
  LogReceived(message);
  for (InstallerObserver& observer : *observers) {
    switch (message.type) {
      case IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS:
        observer.OnStartingNewMainProcess(message.value != 0);
        break;
      case IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS:
        observer.OnReturnedToPreviousMainProcess();
        break;
      case IPC_MESSAGE_NOTIFY:
        observer.OnNotify();
        break;
      case IPC_MESSAGE_TOTAL_STEPS:
        observer.OnTotalSteps(message.value);
        break;
      case IPC_MESSAGE_STEP_STARTING:
        observer.OnStepStarting(message.text);
        break;
      case IPC_MESSAGE_STEP_FINISHED:
        observer.OnStepFinished(message.text, message.attempt, message.completed);
        break;
      case IPC_MESSAGE_IMPORTANT_EVENT:
        observer.OnImportantEvent(message.text);
        break;
      case IPC_MESSAGE_ERROR:
        observer.OnInstallerError(message.code, message.message, message.text);
        break;
      case IPC_MESSAGE_SUCCESS:
        observer.OnInstallerSucceeded();
        break;
      case IPC_MESSAGE_ENTERING_PHASE:
        observer.OnEnteringPhase(message.value);
        break;
      case IPC_MESSAGE_TYPE_COUNT:
        break;
    }
  }
}
