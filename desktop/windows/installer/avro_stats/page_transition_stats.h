#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_STATS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_STATS_H_

#include <stdint.h>

#include <optional>
#include <string>

// The counters of one installer window page.
struct PageTransitionStats {
  // Not nullable in the message: an absent page type is reported as 0.
  std::optional<int32_t> page_type;
  std::optional<int32_t> changed_make_default_browser_counter;
  std::optional<int32_t> changed_import_data_counter;
  std::optional<int32_t> changed_enable_stats_counter;
  std::optional<int32_t> changed_delete_profile_counter;
  std::optional<int32_t> changed_install_mode_counter;
  std::optional<int32_t> changed_language_counter;
  std::optional<int32_t> changed_install_path_counter;
  std::optional<int32_t> edited_install_path_counter;
  std::optional<std::string> navigation_action;
  std::optional<std::string> failure_reason;
  std::optional<std::string> error_displayed;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_PAGE_TRANSITION_STATS_H_
