#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENTS_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENTS_H_

#include <stdint.h>

#include <string>
#include <vector>

#include "desktop/windows/installer/avro_stats/fetch_statistics.h"
#include "desktop/windows/installer/avro_stats/installation_settings.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/avro_stats/page_transition_stats.h"

// The installer's events, one class per reported `event_type`. The last
// constructor argument is always the verbosity level: 1 for every event but
// "autoupdate_failed", which is sent with 0.

using FetchStatisticsList = std::vector<FetchStatistics>;

class AdditionalFileFetchedEvent : public InstallerEvent {
 public:
  AdditionalFileFetchedEvent(FetchStatisticsList fetch_details, int32_t level);
};

class AutoupdateFailedEvent : public InstallerEvent {
 public:
  AutoupdateFailedEvent(std::string description,
                        FetchStatisticsList fetch_details,
                        const InstallationSettings& settings,
                        std::string version,
                        std::string stream,
                        int32_t level);
};

class ChecksumVerifiedEvent : public InstallerEvent {
 public:
  explicit ChecksumVerifiedEvent(int32_t level);
};

class ControllerLaunchedEvent : public InstallerEvent {
 public:
  // |package_architecture| is "x86" or "x64".
  ControllerLaunchedEvent(std::string payload_type,
                          std::string tracking_data,
                          bool run_immediately,
                          bool autoupdate,
                          bool silent,
                          std::string command_line,
                          std::string package_architecture,
                          int32_t level);
};

class ControllerQuittingEvent : public InstallerEvent {
 public:
  ControllerQuittingEvent(bool result, int32_t level);
};

class ErrorEvent : public InstallerEvent {
 public:
  ErrorEvent(std::string description, int32_t level);
};

class FetchingAdditionalFileEvent : public InstallerEvent {
 public:
  FetchingAdditionalFileEvent(std::string description, int32_t level);
};

class FetchingDownloadUrlEvent : public InstallerEvent {
 public:
  explicit FetchingDownloadUrlEvent(int32_t level);
};

class FetchingPrimaryPackageEvent : public InstallerEvent {
 public:
  FetchingPrimaryPackageEvent(std::string description,
                              FetchStatisticsList fetch_details,
                              int32_t level);
};

class InitialSettingsGatheredEvent : public InstallerEvent {
 public:
  InitialSettingsGatheredEvent(const InstallationSettings& settings, int32_t level);
};

class InstallationCancelledEvent : public InstallerEvent {
 public:
  InstallationCancelledEvent(int32_t counter, int32_t level);
};

class InstallerStepFinishedEvent : public InstallerEvent {
 public:
  InstallerStepFinishedEvent(std::string description, int32_t counter, int32_t level);
};

class InstallerStepStartingEvent : public InstallerEvent {
 public:
  InstallerStepStartingEvent(std::string description, int32_t level);
};

class PackageFetcherLocalErrorEvent : public InstallerEvent {
 public:
  PackageFetcherLocalErrorEvent(std::string description, int32_t level);
};

class PackageFetcherNetworkErrorEvent : public InstallerEvent {
 public:
  PackageFetcherNetworkErrorEvent(std::string description,
                                  FetchStatisticsList fetch_details,
                                  int32_t level);
};

class PackageReadyEvent : public InstallerEvent {
 public:
  explicit PackageReadyEvent(int32_t level);
};

class PageTransitionEvent : public InstallerEvent {
 public:
  PageTransitionEvent(const PageTransitionStats& page_transitions, int32_t level);
};

class PrimaryPackageFetchedEvent : public InstallerEvent {
 public:
  PrimaryPackageFetchedEvent(FetchStatisticsList fetch_details, int32_t level);
};

class SettingsAcceptedEvent : public InstallerEvent {
 public:
  SettingsAcceptedEvent(const InstallationSettings& settings, int32_t level);
};

class SignatureVerifiedEvent : public InstallerEvent {
 public:
  explicit SignatureVerifiedEvent(int32_t level);
};

class StatusParsedEvent : public InstallerEvent {
 public:
  // |description| names where the installation's status came from.
  StatusParsedEvent(std::string description, int32_t level);
};

class VersionVerifiedEvent : public InstallerEvent {
 public:
  VersionVerifiedEvent(std::string version, std::string stream, int32_t level);
};

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_INSTALLER_EVENTS_H_
