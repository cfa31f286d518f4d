#ifndef DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_FORWARDER_H_
#define DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_FORWARDER_H_

#include <memory>
#include <string>

#include "base/pickle.h"
#include "desktop/windows/installer/ipc/installer_message_builder.h"
#include "desktop/windows/installer/ipc/installer_observer.h"
#include "desktop/windows/installer/utils/run_secret.h"

class IPCSender;

// Backend side: turns each notification that has a message into that
// message, carrying the run's secret, and sends it, logging it as
// "Sending ...".
class InstallerMessageForwarder : public InstallerObserver {
 public:
  // `sender` must outlive this object.
  InstallerMessageForwarder(IPCSender* sender, RunSecret secret);
  ~InstallerMessageForwarder() override;

  void OnNotify() override;
  void OnStartingNewMainProcess(bool earlier_version) override;
  void OnEnteringPhase(int phase) override;
  void OnReturnedToPreviousMainProcess() override;
  void OnTotalSteps(int total) override;
  void OnStepStarting(const std::string& step_name) override;
  void OnStepFinished(const std::string& step_name, int attempt, int completed) override;
  void OnImportantEvent(const std::string& event_name) override;
  void OnInstallerError(InstallerResult code, const std::wstring& message,
                        const std::string& detail) override;
  void OnInstallerSucceeded() override;

 private:
  void Send(std::unique_ptr<base::Pickle> message);

  IPCSender* const sender_;
  const InstallerMessageBuilder builder_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_IPC_INSTALLER_MESSAGE_FORWARDER_H_
