#include "desktop/windows/installer/avro_stats/statistics_schema.h"

#include <string>
#include <vector>

#include "base/no_destructor.h"

namespace {

using Ptr = AvroSchemaNode::Ptr;
using Fields = std::vector<AvroSchemaNode::Field>;

constexpr uint32_t kId = kInstallerSchemaId;

Ptr Null() {
  return AvroSchemaNode::CreateNull(kId);
}
Ptr Boolean() {
  return AvroSchemaNode::CreateBoolean(kId);
}
Ptr String() {
  return AvroSchemaNode::CreateString(kId);
}
Ptr Int() {
  return AvroSchemaNode::CreateInt(kId);
}
Ptr Long() {
  return AvroSchemaNode::CreateLong(kId);
}
// U[T]: null at index 0, |type| at index 1.
Ptr Nullable(Ptr type) {
  return AvroSchemaNode::CreateUnion(kId, {Null(), std::move(type)});
}
Ptr Record(const char* name, const Fields& fields) {
  return AvroSchemaNode::CreateRecord(kId, "", name, fields);
}

Ptr BuildServerMetadata() {
  return Record("QSPSubmissionServerMetadata",
                {{"ReceivedTimestamp", Nullable(Long())},
                 {"RemoteIPAddr", Nullable(String())},
                 {"RemoteGeoCountry", Nullable(String())},
                 {"Forwarded", Nullable(AvroSchemaNode::CreateArray(kId, String()))},
                 {"ForwardedGeoCountry", Nullable(String())},
                 {"ReceivingNode", Nullable(String())},
                 {"WriteKeyTags", Nullable(AvroSchemaNode::CreateMap(kId, String()))},
                 {"IncomingAvroDatumSize", Nullable(Int())}});
}

Ptr BuildContext() {
  Ptr application = Record("application", {{"name", Nullable(String())},
                                           {"version", Nullable(String())},
                                           {"stream", Nullable(String())}});
  Ptr campaign = Record("campaign", {{"name", Nullable(String())},
                                     {"source", Nullable(String())},
                                     {"medium", Nullable(String())}});
  Ptr referrer = Record("referrer", {{"type", Nullable(String())},
                                     {"name", Nullable(String())},
                                     {"url", Nullable(String())},
                                     {"link", Nullable(String())}});
  return Record("context",
                {{"application", Nullable(application)},
                 {"campaign", Nullable(campaign)},
                 {"custom_campaign", Nullable(AvroSchemaNode::CreateMap(kId, String()))},
                 {"ipv6address", Nullable(String())},
                 {"locale", Nullable(String())},
                 {"osname", Nullable(String())},
                 {"osversion", Nullable(String())},
                 {"referrer", Nullable(referrer)}});
}

Ptr BuildIdentifiers() {
  return Record("identifiers", {{"network_installer_id", Nullable(String())},
                                {"session_guid", Nullable(String())}});
}

Ptr BuildEventType() {
  return AvroSchemaNode::CreateEnum(
      kId, "", "EventType",
      {"autoupdate_failed", "controller_launched", "controller_quitting",
       "installation_cancelled", "installer_step_starting", "installer_step_finished",
       "initial_settings_gathered", "settings_accepted", "status_parsed", "page_transition",
       "fetching_download_url", "fetching_primary_package", "primary_package_fetched",
       "checksum_verified", "version_verified", "signature_verified", "unpacked",
       "fetching_additional_file", "additional_file_fetched", "package_ready", "error",
       "package_fetcher_local_error", "package_fetcher_network_error", "generic"});
}

Ptr BuildControllerLaunchedDetails() {
  return Record("controller_launched_details",
                {{"payload_type", String()},
                 {"tracking_data", String()},
                 {"run_immediately", Boolean()},
                 {"autoupdate", Boolean()},
                 {"silent", Boolean()},
                 {"command_line", String()},
                 {"package_architecture",
                  AvroSchemaNode::CreateEnum(kId, "", "PackageArchitecture", {"x86", "x64"})}});
}

Ptr BuildSettings() {
  return Record("settings", {{"make_default", Boolean()},
                             {"using_default_installation_folder", Boolean()},
                             {"installation_mode", Int()},
                             {"installation_operation", Int()},
                             {"using_privileged_installation_folder", Boolean()}});
}

Ptr BuildPageTransitions() {
  Fields fields = {{"page_type", Int()}};
  for (const char* counter :
       {"changed_make_default_browser_counter", "changed_import_data_counter",
        "changed_enable_stats_counter", "changed_delete_profile_counter",
        "changed_install_mode_counter", "changed_language_counter",
        "changed_install_path_counter", "edited_install_path_counter"}) {
    fields.emplace_back(counter, Nullable(Int()));
  }
  for (const char* text : {"navigation_action", "failure_reason", "error_displayed"})
    fields.emplace_back(text, Nullable(String()));
  return Record("page_transitions", fields);
}

Ptr BuildFetchStatisticsItem() {
  return Record("fetch_statistics_array_item",
                {{"chunk_start", Nullable(Long())},
                 {"chunk_number", Nullable(Int())},
                 {"ip", Nullable(String())},
                 {"redirected_url", Nullable(String())},
                 {"headers", AvroSchemaNode::CreateMap(kId, String())},
                 {"wininet_error", Nullable(Int())},
                 {"http_status", Nullable(Int())},
                 {"retry_count", Nullable(Int())},
                 {"chunk_end", Nullable(Long())},
                 {"chunk_end_time", Nullable(Long())},
                 {"response_too_long", Nullable(Long())},
                 {"proxy_login_needed", Nullable(Boolean())},
                 {"proxy_login_result", Nullable(Int())},
                 {"null_request_context", Nullable(Boolean())}});
}

Ptr BuildInstallerEvent() {
  Ptr version_information =
      Record("version_information", {{"version", String()}, {"stream", String()}});
  Ptr diagnostic_data = Record("diagnostic_data", {{"dumped_messages_total", Int()},
                                                   {"dumps_total", Int()},
                                                   {"messages_total", Int()},
                                                   {"send_attempts_total", Int()},
                                                   {"successfully_sent_total", Int()}});
  return Record(
      "installer_event",
      {{"event_type", BuildEventType()},
       {"description", Nullable(String())},
       {"result", Nullable(Boolean())},
       {"counter", Nullable(Int())},
       {"message_session_id", Int()},
       {"controller_launched_details", Nullable(BuildControllerLaunchedDetails())},
       {"settings", Nullable(BuildSettings())},
       {"page_transitions", Nullable(BuildPageTransitions())},
       {"fetch_details", Nullable(AvroSchemaNode::CreateArray(kId, BuildFetchStatisticsItem()))},
       {"version_information", Nullable(version_information)},
       {"diagnostic_data", diagnostic_data}});
}

}  // namespace

AvroSchemaNode::Ptr BuildInstallerSchema() {
  return Record("tarvo_desktop_installer",
                {{"QSPMessageUUID", Nullable(String())},
                 {"QSPSubmissionServerMetadata", Nullable(BuildServerMetadata())},
                 {"EventTimestamp", Long()},
                 {"SentTimestamp", Long()},
                 {"UTCOffset", Int()},
                 {"context", Nullable(BuildContext())},
                 {"identifiers", Nullable(BuildIdentifiers())},
                 {"installer_event", Nullable(BuildInstallerEvent())}});
}

AvroSchemaNode::Ptr GetInstallerSchema() {
  // Built once, thread-safely, and kept for the whole process.
  static base::NoDestructor<AvroSchemaNode::Ptr> schema(BuildInstallerSchema());
  return *schema;
}
