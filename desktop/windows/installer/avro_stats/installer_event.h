#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENT_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENT_H_

#include <stdint.h>

#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "base/time/time.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/avro_stats/installation_settings.h"
#include "desktop/windows/installer/avro_stats/page_transition_stats.h"

class AvroDatum;

// One statistics message in the making. Made on any thread, handed to the
// statistics sender at once and never changed afterwards; the sender's
// network thread writes it into a message datum once per send attempt.
class InstallerEvent {
 public:
  // A symbol of an enum field.
  struct EnumSymbol {
    std::string symbol;
  };
  using DetailValue = std::variant<std::string,
                                   bool,
                                   int32_t,
                                   EnumSymbol,
                                   InstallationSettings,
                                   PageTransitionStats,
                                   std::vector<FetchStatistics>>;
  // A value and its dotted path below the `installer_event` record.
  using Detail = std::pair<std::string, DetailValue>;

  virtual ~InstallerEvent();
  InstallerEvent(const InstallerEvent&) = delete;
  InstallerEvent& operator=(const InstallerEvent&) = delete;

  // Writes the event into a root datum of the statistics schema.
  virtual void ToDatum(AvroDatum* root) const;
  // The `event_type` symbol.
  virtual const std::string& GetName() const;
  virtual int32_t GetVerbosityLevel() const;
  // Writes the details into the `installer_event` record datum.
  virtual void FillDetails(AvroDatum* installer_event) const;

  // 1 for the first event made in the process, then 2, and so on.
  int32_t message_session_id() const { return message_session_id_; }
  base::Time creation_time() const { return creation_time_; }
  const std::string& message_uuid() const { return message_uuid_; }

 protected:
  InstallerEvent(std::string name, std::vector<Detail> details, int32_t level);

 private:
  const base::Time creation_time_;
  const std::string message_uuid_;
  const std::string name_;
  const int32_t message_session_id_;
  const std::vector<Detail> details_;
  const int32_t verbosity_level_;
};

// Milliseconds since the Unix epoch.
int64_t ToUnixMilliseconds(base::Time time);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENT_H_
