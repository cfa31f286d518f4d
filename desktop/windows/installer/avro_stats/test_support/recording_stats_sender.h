#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

class AvroDatum;

// A statistics sender that keeps what it is given and, like the real one,
// takes nothing after SendPendingAndShutdown: an event sent after the end
// is counted as lost, not kept. Its end runs the before-shutdown hook as
// every sender does. One thread.
class RecordingStatsSender : public AvroStatsSender {
 public:
  // One kept event, written into a message datum.
  struct Record {
    std::string name;
    std::shared_ptr<AvroDatum> message;
    // A detail below the `installer_event` record by dotted path; empty
    // when a union on the way is null.
    std::optional<int> Int(const std::string& path) const;
    std::optional<std::string> String(const std::string& path) const;
  };

  RecordingStatsSender();
  ~RecordingStatsSender() override;

  // AvroStatsSender:
  void SetTrafficAllowed(bool allowed) override;
  void Send(std::unique_ptr<InstallerEvent> event) override;
  void SendPendingAndShutdown(base::OnceClosure done) override;

  const std::vector<Record>& records() const { return records_; }
  std::vector<std::string> names() const;
  // The records of one event type, in order.
  std::vector<const Record*> Named(const std::string& name) const;
  bool finished() const { return finished_; }
  // Events that came after the end.
  int lost() const { return lost_; }

 private:
  std::vector<Record> records_;
  bool finished_ = false;
  int lost_ = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_
