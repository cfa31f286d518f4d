#include "desktop/windows/installer/avro_stats/installer_events.h"

#include <utility>

namespace {

using Detail = InstallerEvent::Detail;

Detail Description(std::string description) {
  return Detail("description", std::move(description));
}

Detail Fetch(FetchStatisticsList fetch_details) {
  return Detail("fetch_details", std::move(fetch_details));
}

Detail Settings(const InstallationSettings& settings) {
  return Detail("settings", settings);
}

Detail Version(std::string version) {
  return Detail("version_information.version", std::move(version));
}

Detail Stream(std::string stream) {
  return Detail("version_information.stream", std::move(stream));
}

}  // namespace

AdditionalFileFetchedEvent::AdditionalFileFetchedEvent(FetchStatisticsList fetch_details,
                                                       int32_t level)
    : InstallerEvent("additional_file_fetched", {Fetch(std::move(fetch_details))}, level) {}

AutoupdateFailedEvent::AutoupdateFailedEvent(std::string description,
                                             FetchStatisticsList fetch_details,
                                             const InstallationSettings& settings,
                                             std::string version,
                                             std::string stream,
                                             int32_t level)
    : InstallerEvent("autoupdate_failed",
                     {Description(std::move(description)), Fetch(std::move(fetch_details)),
                      Settings(settings), Version(std::move(version)), Stream(std::move(stream))},
                     level) {}

ChecksumVerifiedEvent::ChecksumVerifiedEvent(int32_t level)
    : InstallerEvent("checksum_verified", {}, level) {}

ControllerLaunchedEvent::ControllerLaunchedEvent(std::string payload_type,
                                                 std::string tracking_data,
                                                 bool run_immediately,
                                                 bool autoupdate,
                                                 bool silent,
                                                 std::string command_line,
                                                 std::string package_architecture,
                                                 int32_t level)
    : InstallerEvent(
          "controller_launched",
          {
              Detail("controller_launched_details.payload_type", std::move(payload_type)),
              Detail("controller_launched_details.tracking_data", std::move(tracking_data)),
              Detail("controller_launched_details.run_immediately", run_immediately),
              Detail("controller_launched_details.autoupdate", autoupdate),
              Detail("controller_launched_details.silent", silent),
              Detail("controller_launched_details.command_line", std::move(command_line)),
              Detail("controller_launched_details.package_architecture",
                     EnumSymbol{std::move(package_architecture)}),
          },
          level) {}

ControllerQuittingEvent::ControllerQuittingEvent(bool result, int32_t level)
    : InstallerEvent("controller_quitting", {Detail("result", result)}, level) {}

ErrorEvent::ErrorEvent(std::string description, int32_t level)
    : InstallerEvent("error", {Description(std::move(description))}, level) {}

FetchingAdditionalFileEvent::FetchingAdditionalFileEvent(std::string description, int32_t level)
    : InstallerEvent("fetching_additional_file", {Description(std::move(description))}, level) {}

FetchingDownloadUrlEvent::FetchingDownloadUrlEvent(int32_t level)
    : InstallerEvent("fetching_download_url", {}, level) {}

FetchingPrimaryPackageEvent::FetchingPrimaryPackageEvent(std::string description,
                                                         FetchStatisticsList fetch_details,
                                                         int32_t level)
    : InstallerEvent("fetching_primary_package",
                     {Description(std::move(description)), Fetch(std::move(fetch_details))},
                     level) {}

InitialSettingsGatheredEvent::InitialSettingsGatheredEvent(const InstallationSettings& settings,
                                                           int32_t level)
    : InstallerEvent("initial_settings_gathered", {Settings(settings)}, level) {}

InstallationCancelledEvent::InstallationCancelledEvent(int32_t counter, int32_t level)
    : InstallerEvent("installation_cancelled", {Detail("counter", counter)}, level) {}

InstallerStepFinishedEvent::InstallerStepFinishedEvent(std::string description,
                                                       int32_t counter,
                                                       int32_t level)
    : InstallerEvent("installer_step_finished",
                     {Detail("counter", counter), Description(std::move(description))},
                     level) {}

InstallerStepStartingEvent::InstallerStepStartingEvent(std::string description, int32_t level)
    : InstallerEvent("installer_step_starting", {Description(std::move(description))}, level) {}

PackageFetcherLocalErrorEvent::PackageFetcherLocalErrorEvent(std::string description,
                                                             int32_t level)
    : InstallerEvent("package_fetcher_local_error", {Description(std::move(description))},
                     level) {}

PackageFetcherNetworkErrorEvent::PackageFetcherNetworkErrorEvent(std::string description,
                                                                 FetchStatisticsList fetch_details,
                                                                 int32_t level)
    : InstallerEvent("package_fetcher_network_error",
                     {Description(std::move(description)), Fetch(std::move(fetch_details))},
                     level) {}

PackageReadyEvent::PackageReadyEvent(int32_t level) : InstallerEvent("package_ready", {}, level) {}

PageTransitionEvent::PageTransitionEvent(const PageTransitionStats& page_transitions,
                                         int32_t level)
    : InstallerEvent("page_transition", {Detail("page_transitions", page_transitions)}, level) {}

PrimaryPackageFetchedEvent::PrimaryPackageFetchedEvent(FetchStatisticsList fetch_details,
                                                       int32_t level)
    : InstallerEvent("primary_package_fetched", {Fetch(std::move(fetch_details))}, level) {}

SettingsAcceptedEvent::SettingsAcceptedEvent(const InstallationSettings& settings, int32_t level)
    : InstallerEvent("settings_accepted", {Settings(settings)}, level) {}

SignatureVerifiedEvent::SignatureVerifiedEvent(int32_t level)
    : InstallerEvent("signature_verified", {}, level) {}

StatusParsedEvent::StatusParsedEvent(std::string description, int32_t level)
    : InstallerEvent("status_parsed", {Description(std::move(description))}, level) {}

VersionVerifiedEvent::VersionVerifiedEvent(std::string version, std::string stream, int32_t level)
    : InstallerEvent("version_verified", {Version(std::move(version)), Stream(std::move(stream))},
                     level) {}
