#include "desktop/windows/installer/ipc/installer_message_forwarder.h"

#include <utility>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/ipc/installer_message.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/ipc_sender.h"

InstallerMessageForwarder::InstallerMessageForwarder(IPCSender* sender, RunSecret secret)
    : sender_(sender), builder_(std::move(secret)) {
  DCHECK(sender_);
}

InstallerMessageForwarder::~InstallerMessageForwarder() = default;

void InstallerMessageForwarder::Send(std::unique_ptr<base::Pickle> message) {
  sender_->Send(std::move(message));
}

void InstallerMessageForwarder::OnNotify() {
  Send(builder_.Notify());
}

void InstallerMessageForwarder::OnStartingNewMainProcess(bool earlier_version) {
  VLOG(1) << "Sending IPC_MESSAGE_STARTING_NEW_MAIN_PROCESS(" << earlier_version << ")";
  Send(builder_.StartingNewMainProcess(earlier_version));
}

void InstallerMessageForwarder::OnEnteringPhase(int phase) {
  VLOG(1) << "Sending IPC_MESSAGE_ENTERING_PHASE(" << phase << ")";
  Send(builder_.EnteringPhase(phase));
}

void InstallerMessageForwarder::OnReturnedToPreviousMainProcess() {
  VLOG(1) << "Sending IPC_MESSAGE_RETURNED_TO_PREVIOUS_MAIN_PROCESS";
  Send(builder_.ReturnedToPreviousMainProcess());
}

void InstallerMessageForwarder::OnTotalSteps(int total) {
  VLOG(1) << "Sending IPC_MESSAGE_TOTAL_STEPS(" << total << ")";
  Send(builder_.TotalSteps(total));
}

void InstallerMessageForwarder::OnStepStarting(const std::string& step_name) {
  VLOG(1) << "Sending IPC_MESSAGE_STEP_STARTING";
  Send(builder_.StepStarting(step_name));
}

void InstallerMessageForwarder::OnStepFinished(const std::string& step_name, int attempt,
                                               int completed) {
  VLOG(1) << "Sending IPC_MESSAGE_STEP_FINISHED";
  Send(builder_.StepFinished(step_name, attempt, completed));
}

void InstallerMessageForwarder::OnImportantEvent(const std::string& event_name) {
  VLOG(1) << "Sending IPC_FILE_COPY_RETRY";
  Send(builder_.ImportantEvent(event_name));
}

void InstallerMessageForwarder::OnInstallerError(InstallerResult code,
                                                 const std::wstring& message,
                                                 const std::string& detail) {
  VLOG(1) << "Sending IPC_MESSAGE_ERROR(" << code << "," << base::WideToUTF8(message) << ","
          << detail << ")";
  Send(builder_.Error(code, message, detail));
}

void InstallerMessageForwarder::OnInstallerSucceeded() {
  VLOG(1) << "Sending IPC_MESSAGE_SUCCESS";
  Send(builder_.Success());
}
