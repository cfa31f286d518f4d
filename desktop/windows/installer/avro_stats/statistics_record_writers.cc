#include "desktop/windows/installer/avro_stats/statistics_record_writers.h"

#include "base/logging.h"
#include "desktop/windows/installer/avro_stats/avro/avro_datum.h"

namespace {

AvroDatum* Resolve(AvroDatum* datum, std::string_view path) {
  AvroDatum* target = datum ? datum->GetByPath(path) : nullptr;
  if (!target)
    LOG(ERROR) << "No statistics field " << path;
  return target;
}

bool Check(bool written, std::string_view path) {
  if (!written)
    LOG(ERROR) << "Statistics field " << path << " has another type";
  return written;
}

}  // namespace

bool WriteString(AvroDatum* datum, std::string_view path, std::string_view value) {
  AvroDatum* target = Resolve(datum, path);
  return target && Check(target->SetString(value), path);
}

bool WriteBool(AvroDatum* datum, std::string_view path, bool value) {
  AvroDatum* target = Resolve(datum, path);
  return target && Check(target->SetBool(value), path);
}

bool WriteInt(AvroDatum* datum, std::string_view path, int32_t value) {
  AvroDatum* target = Resolve(datum, path);
  return target && Check(target->SetInt(value), path);
}

bool WriteLong(AvroDatum* datum, std::string_view path, int64_t value) {
  AvroDatum* target = Resolve(datum, path);
  return target && Check(target->SetLong(value), path);
}

bool WriteEnumSymbol(AvroDatum* datum, std::string_view path, std::string_view symbol) {
  AvroDatum* target = Resolve(datum, path);
  if (!target || target->GetType() != AvroType::kEnum)
    return target && Check(false, path);
  // An unknown symbol keeps index 0.
  target->SetEnumSymbol(symbol);
  return true;
}

bool WriteOptionalInt(AvroDatum* datum, std::string_view path, const std::optional<int32_t>& value) {
  return !value || WriteInt(datum, path, *value);
}

bool WriteOptionalLong(AvroDatum* datum, std::string_view path, const std::optional<int64_t>& value) {
  return !value || WriteLong(datum, path, *value);
}

bool WriteOptionalString(AvroDatum* datum,
                         std::string_view path,
                         const std::optional<std::string>& value) {
  return !value || WriteString(datum, path, *value);
}

bool WriteOptionalBool(AvroDatum* datum, std::string_view path, const std::optional<bool>& value) {
  return !value || WriteBool(datum, path, *value);
}

bool WriteFetchStatistics(AvroDatum* datum,
                          std::string_view path,
                          const std::vector<FetchStatistics>& statistics) {
  AvroDatum* array = Resolve(datum, path);
  if (!array || array->GetType() != AvroType::kArray)
    return array && Check(false, path);
  bool ok = true;
  for (const FetchStatistics& item_stats : statistics) {
    AvroDatum* item = array->AppendArrayItem();
    ok &= WriteOptionalLong(item, "chunk_start", item_stats.chunk_start);
    ok &= WriteOptionalLong(item, "chunk_end", item_stats.chunk_end);
    ok &= WriteOptionalInt(item, "chunk_number", item_stats.chunk_number);
    ok &= WriteOptionalString(item, "ip", item_stats.ip);
    ok &= WriteOptionalString(item, "redirected_url", item_stats.redirected_url);
    AvroDatum* headers = Resolve(item, "headers");
    if (headers && headers->GetType() == AvroType::kMap) {
      for (const auto& [key, value] : item_stats.headers) {
        AvroDatum* entry = headers->GetOrAddMapValue(key);
        ok &= entry && Check(entry->SetString(value), "headers");
      }
    } else {
      ok = false;
    }
    ok &= WriteOptionalInt(item, "wininet_error", item_stats.wininet_error);
    ok &= WriteOptionalInt(item, "http_status", item_stats.http_status);
    ok &= WriteOptionalInt(item, "retry_count", item_stats.retry_count);
    ok &= WriteOptionalLong(item, "chunk_end_time", item_stats.chunk_end_time);
    ok &= WriteOptionalLong(item, "response_too_long", item_stats.response_too_long);
    ok &= WriteOptionalBool(item, "proxy_login_needed", item_stats.proxy_login_needed);
    ok &= WriteOptionalInt(item, "proxy_login_result", item_stats.proxy_login_result);
    ok &= WriteOptionalBool(item, "null_request_context", item_stats.null_request_context);
  }
  return ok;
}

bool WritePageTransitionStats(AvroDatum* datum,
                              std::string_view path,
                              const PageTransitionStats& stats) {
  AvroDatum* record = Resolve(datum, path);
  if (!record)
    return false;
  bool ok = true;
  ok &= WriteOptionalInt(record, "page_type", stats.page_type);
  ok &= WriteOptionalInt(record, "changed_make_default_browser_counter",
                         stats.changed_make_default_browser_counter);
  ok &= WriteOptionalInt(record, "changed_import_data_counter", stats.changed_import_data_counter);
  ok &= WriteOptionalInt(record, "changed_enable_stats_counter",
                         stats.changed_enable_stats_counter);
  ok &= WriteOptionalInt(record, "changed_delete_profile_counter",
                         stats.changed_delete_profile_counter);
  ok &= WriteOptionalInt(record, "changed_install_mode_counter",
                         stats.changed_install_mode_counter);
  ok &= WriteOptionalInt(record, "changed_language_counter", stats.changed_language_counter);
  ok &= WriteOptionalInt(record, "changed_install_path_counter",
                         stats.changed_install_path_counter);
  ok &= WriteOptionalInt(record, "edited_install_path_counter", stats.edited_install_path_counter);
  ok &= WriteOptionalString(record, "navigation_action", stats.navigation_action);
  ok &= WriteOptionalString(record, "failure_reason", stats.failure_reason);
  ok &= WriteOptionalString(record, "error_displayed", stats.error_displayed);
  return ok;
}

bool WriteInstallationSettings(AvroDatum* datum,
                               std::string_view path,
                               const InstallationSettings& settings) {
  AvroDatum* record = Resolve(datum, path);
  if (!record)
    return false;
  bool ok = true;
  ok &= WriteBool(record, "make_default", settings.make_default);
  ok &= WriteBool(record, "using_default_installation_folder",
                  settings.using_default_installation_folder);
  ok &= WriteBool(record, "using_privileged_installation_folder",
                  settings.using_privileged_installation_folder);
  ok &= WriteInt(record, "installation_mode", settings.installation_mode);
  ok &= WriteInt(record, "installation_operation", settings.installation_operation);
  return ok;
}

bool WriteCampaignInfo(AvroDatum* datum, std::string_view path, const CampaignInfo& campaign) {
  AvroDatum* record = Resolve(datum, path);
  if (!record)
    return false;
  bool ok = true;
  ok &= WriteOptionalString(record, "name", campaign.name);
  ok &= WriteOptionalString(record, "source", campaign.source);
  ok &= WriteOptionalString(record, "medium", campaign.medium);
  return ok;
}

bool WriteSenderStatistics(AvroDatum* datum,
                           std::string_view path,
                           const SenderStatistics& statistics) {
  AvroDatum* record = Resolve(datum, path);
  if (!record)
    return false;
  bool ok = true;
  ok &= WriteInt(record, "dumped_messages_total",
                 static_cast<int32_t>(statistics.dumped_messages_total));
  ok &= WriteInt(record, "dumps_total", static_cast<int32_t>(statistics.dumps_total));
  ok &= WriteInt(record, "messages_total", static_cast<int32_t>(statistics.messages_total));
  ok &= WriteInt(record, "send_attempts_total",
                 static_cast<int32_t>(statistics.send_attempts_total));
  ok &= WriteInt(record, "successfully_sent_total",
                 static_cast<int32_t>(statistics.successfully_sent_total));
  return ok;
}
