#ifndef DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_REPORTING_H_
#define DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_REPORTING_H_

class InstallerSession;

// Installs the process's statistics sender: one that drops everything in
// the backend role; otherwise a reporting sender carrying the session, the
// tracking data's campaign and uuid, and the product version and stream,
// which reports only "autoupdate_failed" in an autoupdate run and sends to
// the local test endpoint with the test hook "test-avro-srv" (an unsigned
// build only). Nothing is transmitted until a controller allows traffic.
void InitializeStatsReporting(const InstallerSession& session);

#endif  // DESKTOP_WINDOWS_INSTALLER_AVRO_STATS_STATS_REPORTING_H_
