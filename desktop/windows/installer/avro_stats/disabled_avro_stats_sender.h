#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DISABLED_AVRO_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DISABLED_AVRO_STATS_SENDER_H_

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

// The sender of processes that do not report: it drops every event.
class DisabledAvroStatsSender : public AvroStatsSender {
 public:
  DisabledAvroStatsSender() = default;
  ~DisabledAvroStatsSender() override = default;

  void SetTrafficAllowed(bool allowed) override;
  void Send(std::unique_ptr<InstallerEvent> event) override;
  // Posts |done| to the current thread as a non-nestable task (runs it at
  // once when the thread has no task runner).
  void SendPendingAndShutdown(base::OnceClosure done) override;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_DISABLED_AVRO_STATS_SENDER_H_
