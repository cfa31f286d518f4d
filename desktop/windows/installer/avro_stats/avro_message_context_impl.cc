#include "desktop/windows/installer/avro_stats/avro_message_context_impl.h"

#include <windows.h>

#include <utility>

#include "base/strings/stringprintf.h"
#include "base/win/registry.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/avro_stats/avro/avro_codec.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/avro_stats/sender_statistics.h"
#include "desktop/windows/installer/avro_stats/statistics_record_writers.h"
#include "desktop/windows/installer/avro_stats/statistics_schema.h"

std::string GetAvroOsVersion() {
  const base::win::OSInfo::VersionNumber version =
      base::win::OSInfo::GetInstance()->version_number();
  DWORD revision = 0;
  base::win::RegKey key(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion",
                        KEY_QUERY_VALUE | KEY_WOW64_64KEY);
  if (key.Valid() && key.ReadValueDW(L"UBR", &revision) != ERROR_SUCCESS)
    revision = 0;
  return base::StringPrintf("%d.%d.%d.%d", version.major, version.minor, version.build,
                            static_cast<int>(revision));
}

AvroMessageContextImpl::AvroMessageContextImpl(std::string session_guid,
                                               std::string network_installer_id,
                                               std::string version,
                                               std::string stream,
                                               CampaignInfo campaign)
    : session_guid_(std::move(session_guid)),
      network_installer_id_(std::move(network_installer_id)),
      version_(std::move(version)),
      stream_(std::move(stream)),
      campaign_(std::move(campaign)) {}

AvroMessageContextImpl::~AvroMessageContextImpl() = default;

void AvroMessageContextImpl::Serialize(std::string* output,
                                       const InstallerEvent& event,
                                       const SenderStatistics& statistics) {
  std::unique_ptr<AvroDatum> root = AvroDatum::Create(GetInstallerSchema());
  if (!root) {
    output->clear();
    return;
  }
  event.ToDatum(root.get());
  WriteString(root.get(), "identifiers.session_guid", session_guid_);
  WriteString(root.get(), "identifiers.network_installer_id", network_installer_id_);
  WriteString(root.get(), "context.application.version", version_);
  WriteString(root.get(), "context.application.stream", stream_);
  WriteSenderStatistics(root.get(), "installer_event.diagnostic_data", statistics);
  WriteCampaignInfo(root.get(), "context.campaign", campaign_);
  WriteString(root.get(), "context.osname", "Windows");
  static const std::string os_version = GetAvroOsVersion();
  WriteString(root.get(), "context.osversion", os_version);
  *output = AvroCodec().EncodeWithSchemaId(*root);
}
