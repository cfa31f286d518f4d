#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_IMPL_H_

#include <string>

#include "desktop/windows/installer/avro_stats/avro_message_context.h"
#include "desktop/windows/installer/avro_stats/campaign_info.h"

// Builds each message as a datum of the statistics schema and encodes it
// behind the schema-id header.
class AvroMessageContextImpl : public AvroMessageContext {
 public:
  AvroMessageContextImpl(std::string session_guid,
                         std::string network_installer_id,
                         std::string version,
                         std::string stream,
                         CampaignInfo campaign);
  ~AvroMessageContextImpl() override;

  void Serialize(std::string* output,
                 const InstallerEvent& event,
                 const SenderStatistics& statistics) override;

 private:
  const std::string session_guid_;
  const std::string network_installer_id_;
  const std::string version_;
  const std::string stream_;
  const CampaignInfo campaign_;
};

// "major.minor.build.revision" of the running Windows, the revision being
// the update build revision (0 when the system does not record one).
std::string GetAvroOsVersion();

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_AVRO_MESSAGE_CONTEXT_IMPL_H_
