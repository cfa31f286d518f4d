#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_

#include <memory>

#include "base/callback.h"

class InstallerEvent;

// The process-wide receiver of installer events.
class AvroStatsSender {
 public:
  virtual ~AvroStatsSender() = default;

  // Nothing is transmitted until traffic is allowed.
  virtual void SetTrafficAllowed(bool allowed) = 0;
  virtual void Send(std::unique_ptr<InstallerEvent> event) = 0;
  // Runs |done| on the calling thread once everything that can be sent has
  // been sent (or dumped); the sender only logs what it gets afterwards.
  virtual void SendPendingAndShutdown(base::OnceClosure done) = 0;
};

// The installed sender; never null: before set-up, and in processes that do
// not report, it is one that drops everything. Install senders before the
// producers start: the pointer is valid until the next installation.
AvroStatsSender* GetAvroStatsSender();

// Installs |sender| (null installs one that drops everything) and destroys
// the previous one.
void SetAvroStatsSender(std::unique_ptr<AvroStatsSender> sender);

// |hook| runs once, on the calling thread, at the start of the next
// SendPendingAndShutdown of the installed sender, while events are still
// accepted: the place for the last events of objects that outlive the
// controller (the installer window's final page transition).
void SetAvroBeforeShutdownHook(base::OnceClosure hook);
// Called by the senders' SendPendingAndShutdown.
void RunAvroBeforeShutdownHook();

// Installs a sender that drops everything.
void InitializeDisabledAvroStatsSender();

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_H_
