#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_INFO_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_INFO_H_

#include <optional>
#include <string>

// The marketing campaign that the installer was downloaded from.
struct CampaignInfo {
  std::optional<std::string> name;
  std::optional<std::string> source;
  std::optional<std::string> medium;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_CAMPAIGN_INFO_H_
