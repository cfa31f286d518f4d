#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_RECORD_WRITERS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_RECORD_WRITERS_H_

#include <stdint.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "desktop/windows/installer/avro_stats/campaign_info.h"
#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/avro_stats/installation_settings.h"
#include "desktop/windows/installer/avro_stats/page_transition_stats.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"

class AvroDatum;

// Writers of values and statistics records into a message datum at a dotted
// path (every union on the path takes its non-null branch, so the target is
// present in the message even when nothing is written below it). Each
// returns false, leaving the value unwritten, when the path names no field or
// the field has another type (the unions on the way may already have taken
// their non-null branch); that is a programming error and is logged.

bool WriteString(AvroDatum* datum, std::string_view path, std::string_view value);
bool WriteBool(AvroDatum* datum, std::string_view path, bool value);
bool WriteInt(AvroDatum* datum, std::string_view path, int32_t value);
bool WriteLong(AvroDatum* datum, std::string_view path, int64_t value);
bool WriteEnumSymbol(AvroDatum* datum, std::string_view path, std::string_view symbol);

// An absent value writes nothing and leaves the path untouched.
bool WriteOptionalInt(AvroDatum* datum, std::string_view path, const std::optional<int32_t>& value);
bool WriteOptionalLong(AvroDatum* datum, std::string_view path, const std::optional<int64_t>& value);
bool WriteOptionalString(AvroDatum* datum,
                         std::string_view path,
                         const std::optional<std::string>& value);
bool WriteOptionalBool(AvroDatum* datum, std::string_view path, const std::optional<bool>& value);

bool WriteFetchStatistics(AvroDatum* datum,
                          std::string_view path,
                          const std::vector<FetchStatistics>& statistics);
bool WritePageTransitionStats(AvroDatum* datum,
                              std::string_view path,
                              const PageTransitionStats& stats);
bool WriteInstallationSettings(AvroDatum* datum,
                               std::string_view path,
                               const InstallationSettings& settings);
bool WriteCampaignInfo(AvroDatum* datum, std::string_view path, const CampaignInfo& campaign);
// Counters above INT32_MAX keep their bits (the field is a signed int).
bool WriteSenderStatistics(AvroDatum* datum,
                           std::string_view path,
                           const SenderStatistics& statistics);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATISTICS_RECORD_WRITERS_H_
