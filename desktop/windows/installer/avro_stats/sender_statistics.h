#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SENDER_STATISTICS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SENDER_STATISTICS_H_

#include <stdint.h>

// The statistics sender's own counters, carried by every message.
struct SenderStatistics {
  uint32_t dumped_messages_total = 0;
  uint32_t dumps_total = 0;
  uint32_t messages_total = 0;
  uint32_t send_attempts_total = 0;
  uint32_t successfully_sent_total = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_SENDER_STATISTICS_H_
