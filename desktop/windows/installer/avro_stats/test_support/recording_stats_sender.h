#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/synchronization/lock.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"

class AvroDatum;

// A statistics sender that keeps what it is given and, like the real one,
// takes nothing after SendPendingAndShutdown: an event sent after the end
// is counted as lost, not kept. Its end runs the before-shutdown hook as
// every sender does. Events may come from any thread (the package fetcher
// sends from its worker); read what was kept once the producers are done.
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
    // The item count of an array detail ("fetch_details").
    std::optional<size_t> ArraySize(const std::string& path) const;
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
  mutable base::Lock lock_;
  std::vector<Record> records_;
  bool finished_ = false;
  int lost_ = 0;
};

// Installs a recording sender for the scope, the dropping one afterwards.
class ScopedRecordingStatsSender {
 public:
  ScopedRecordingStatsSender();
  ~ScopedRecordingStatsSender();
  ScopedRecordingStatsSender(const ScopedRecordingStatsSender&) = delete;
  ScopedRecordingStatsSender& operator=(const ScopedRecordingStatsSender&) = delete;

  RecordingStatsSender* operator->() const { return sender_; }

 private:
  RecordingStatsSender* sender_ = nullptr;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_TEST_SUPPORT_RECORDING_STATS_SENDER_H_
