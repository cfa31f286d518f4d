#include "desktop/windows/installer/avro_stats/stats_reporting.h"

#include <memory>
#include <optional>
#include <string>

#include "base/command_line.h"
#include "base/logging.h"
#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender_impl.h"
#include "desktop/windows/installer/avro_stats/campaign_info.h"
#include "desktop/windows/installer/utils/installer_session.h"
#include "desktop/windows/installer/utils/test_hooks.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/installer/utils/server_tracking_blob.h"

namespace {

std::optional<std::string> GetNonEmpty(const ServerTrackingBlob* tracking, const char* key) {
  std::string value;
  if (tracking && tracking->Get(key, &value) && !value.empty())
    return value;
  return std::nullopt;
}

}  // namespace

void InitializeStatsReporting(const InstallerSession& session) {
  if (session.IsBackendRole()) {
    VLOG(2) << "Disabling Avro in this process";
    InitializeDisabledAvroStatsSender();
    return;
  }
  const ServerTrackingBlob* tracking = session.GetTrackingData();
  CampaignInfo campaign;
  campaign.medium = GetNonEmpty(tracking, "utm.medium");
  campaign.name = GetNonEmpty(tracking, "utm.campaign");
  campaign.source = GetNonEmpty(tracking, "utm.source");
  std::string uuid;
  if (tracking)
    tracking->Get("uuid", &uuid);
  const bool test_server = GetTestSwitch(TestHook::kAvroServer, session.command_line());
  VLOG(2) << "Enabling Avro in this process";
  // An autoupdate run reports only its failure (level 0).
  const int32_t max_level = session.IsAutoupdateSwitch() ? 0 : 1;
  InitializeAvroStatsSender(
      std::make_unique<AvroMessageContextImpl>(session.GetSessionGuid(),
                                               uuid, product_info::GetVersion(),
                                               product_info::GetChannelName(), campaign),
      test_server ? AvroSenderMode::kTestServer : AvroSenderMode::kProduction, max_level);
}
