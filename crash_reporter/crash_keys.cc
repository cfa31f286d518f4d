#include "crash_reporter/crash_keys.h"

#include "base/no_destructor.h"
#include "base/strings/stringprintf.h"

namespace crash_reporter {
namespace {

constexpr size_t kSmall = 63;
constexpr size_t kMedium = 252;
constexpr size_t kLarge = 1008;

std::vector<CrashKey> MakeKeys() {
  return {
      // Carried in the custom information of every report.
      {"URL", kLarge}, {"ab_tests", kMedium}, {"aux_system_string", kSmall},
      {"crash_guid", kSmall}, {"gpu_vendor_id", kSmall}, {"gpu_device_id", kSmall},
      {"gpu_driver_version", kSmall}, {"gpu_pixel_shader_version", kSmall},
      {"gpu_vertex_shader_version", kSmall}, {"enabled_extensions", kLarge},
      {"disabled_extensions", kLarge}, {"blacklisted_extensions", kLarge},
      {"terminated_extensions", kLarge}, {"third_party_installs", kLarge},
      {"BuildID", kSmall}, {"ReleaseChannel", kSmall}, {"prod", kSmall},
      {"symbols-package", kSmall}, {"UBN", kSmall}, {"ver", kSmall}, {"Email", kSmall},
      {"exception_policy", kSmall}, {"is_wow64", kSmall}, {"ptype", kSmall},
      {"CrashTime", kSmall}, {"InstallTime", kSmall}, {"StartupTime", kSmall},
      {"kelmat_test", kLarge}, {"Origin", kSmall}, {"os_build_number", kSmall},
      {"os_service_pack_version", kSmall}, {"os_version", kSmall},
      {"channel", kSmall}, {"plat", kSmall}, {"ptime", kSmall},
      {"discardable-memory-allocated", kSmall}, {"discardable-memory-free", kSmall},
      {"total-discardable-memory-allocated", kSmall}, {"bad_message_reason", kSmall},
      {"is-enterprise-managed", kSmall}, {"font_key_name", kSmall},
      {"input-event-filter-send-failure", kSmall}, {"ppapi_path", kMedium},
      {"subresource_url", kLarge},
      // Registered only.
      {"num-experiments", kSmall}, {"variations", kLarge}, {"v8-ignition", kSmall},
      {"gpu-gl-context-is-virtual", kSmall}, {"gpu-venid", kSmall}, {"gpu-devid", kSmall},
      {"gpu-driver", kSmall}, {"gpu-psver", kSmall}, {"gpu-vsver", kSmall},
      {"url-chunk", kLarge}, {"zero-encode-details", kSmall},
      {"initrf_parent_proxy_exists", kSmall}, {"initrf_render_view_is_live", kSmall},
      {"initrf_parent_is_in_same_site_instance", kSmall},
      {"initrf_parent_process_is_live", kSmall}, {"initrf_root_is_in_same_site_instance", kSmall},
      {"initrf_root_is_in_same_site_instance_as_parent", kSmall},
      {"initrf_root_process_is_live", kSmall}, {"initrf_root_proxy_is_live", kSmall},
      {"requested_site_url", kSmall}, {"killed_process_origin_lock", kSmall},
      {"newframe_routing_id", kSmall}, {"newframe_proxy_id", kSmall},
      {"newframe_opener_id", kSmall}, {"newframe_parent_id", kSmall},
      {"newframe_widget_id", kSmall}, {"newframe_widget_hidden", kSmall},
      {"newframe_replicated_origin", kSmall}, {"newframe_oopifs_possible", kSmall},
      {"aci_wrong_sp_extension_id", kSmall}, {"begin-main-frame-hang-compositor-state", kMedium},
  };
}

}  // namespace

const std::vector<CrashKey>& GetInstallerCrashKeys() {
  static base::NoDestructor<std::vector<CrashKey>> keys(MakeKeys());
  return *keys;
}

std::vector<std::string> GetChunkedKeyNames(const CrashKey& key, size_t chunk_length) {
  if (key.max_length <= chunk_length)
    return {key.name};
  std::vector<std::string> names;
  const size_t chunks = (key.max_length + chunk_length - 1) / chunk_length;
  for (size_t i = 1; i <= chunks; ++i)
    names.push_back(base::StringPrintf("%s-%zu", key.name, i));
  return names;
}

}  // namespace crash_reporter
