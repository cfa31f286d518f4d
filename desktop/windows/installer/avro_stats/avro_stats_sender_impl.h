#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_

#include <stdint.h>

#include <memory>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/avro_stats/avro_network_thread.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

class AvroMessageContext;

// The reporting sender: filters events by verbosity and hands them to its
// network thread.
class AvroStatsSenderImpl : public AvroStatsSender {
 public:
  // Events with a level above |max_verbosity_level| are dropped.
  AvroStatsSenderImpl(std::unique_ptr<AvroMessageContext> context,
                      AvroNetworkOptions options,
                      int32_t max_verbosity_level);
  // Flushes like SendPendingAndShutdown when that was not called.
  ~AvroStatsSenderImpl() override;

  void SetTrafficAllowed(bool allowed) override;
  void Send(std::unique_ptr<InstallerEvent> event) override;
  // The flush runs on a task-scheduler worker (at once on this thread when
  // the process has no scheduler); |done| then runs on this thread.
  void SendPendingAndShutdown(base::OnceClosure done) override;

 private:
  base::Lock lock_;
  std::unique_ptr<AvroNetworkThread> network_thread_;
  const int32_t max_verbosity_level_;
};

// Builds a reporting sender for the endpoint of |mode| and installs it.
void InitializeAvroStatsSender(std::unique_ptr<AvroMessageContext> context,
                               AvroSenderMode mode,
                               int32_t max_verbosity_level);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_STATS_SENDER_IMPL_H_
