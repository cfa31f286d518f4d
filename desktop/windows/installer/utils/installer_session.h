#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SESSION_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SESSION_H_

#include <memory>
#include <string>

#include "base/files/file_path.h"

namespace base {
class CommandLine;
}

class ServerTrackingBlob;

// The values that describe this run of the installer as a whole and that
// every process of the run shares; made once per process from its command
// line and written back as switches for each child installer process.
// It also answers the process's role flags, all from the command line it
// was given: code past the entry point reads switches through the session,
// never through the process-wide command line.
class InstallerSession {
 public:
  explicit InstallerSession(const base::CommandLine* command_line);
  virtual ~InstallerSession();
  InstallerSession(const InstallerSession&) = delete;
  InstallerSession& operator=(const InstallerSession&) = delete;

  // Made once, by the entry point, from the command line it read; that
  // command line must outlive the process's use of the session.
  static InstallerSession* CreateForProcess(const base::CommandLine* command_line);
  // The process-wide session: a test's replacement, else the entry point's;
  // before the entry point made one, a session of a run without switches.
  static InstallerSession* GetInstance();

  virtual void AppendSwitches(base::CommandLine* command_line) const;
  virtual base::FilePath GetPackageDir() const;
  virtual std::string GetSessionGuid() const;
  virtual bool IsAutoupdateSwitch() const;
  virtual bool IsSilentSwitch() const;
  virtual bool IsUninstallSwitch() const;
  virtual bool IsInsidePackage() const;
  virtual bool IsOutsidePackage() const;
  virtual void SetPackageDir(const base::FilePath& path);
  virtual bool HasPackageDir() const;
  virtual bool IsFixDownloadableResources() const;
  virtual ServerTrackingBlob* GetTrackingData() const;

  // The backend role: switch "backend" or the protocol-handler
  // registration, which a backend carries out.
  bool IsBackendRole() const;
  // Whether the running installer is the one in an unpacked package or an
  // installation folder, by the files beside it (InstallerUtils), whatever
  // the switches say. Unlike IsInsidePackage, a backend does not take this
  // from its parent.
  bool IsInPackageFolder() const;
  bool IsRunImmediatelySwitch() const;
  // The command line the session was made from, for the switches that are
  // not role flags.
  const base::CommandLine& command_line() const { return *command_line_; }

 private:
  void ReadTrackingSwitches();

  std::unique_ptr<ServerTrackingBlob> tracking_data_;
  base::FilePath package_dir_;
  std::string session_guid_;
  const base::CommandLine* command_line_;
  bool inside_package_ = false;
  bool in_package_folder_ = false;
  bool backend_ = false;
};

// Replaces the process-wide session for a test's lifetime.
class ScopedInstallerSessionForTesting {
 public:
  explicit ScopedInstallerSessionForTesting(std::unique_ptr<InstallerSession> session);
  ~ScopedInstallerSessionForTesting();
  ScopedInstallerSessionForTesting(const ScopedInstallerSessionForTesting&) = delete;
  ScopedInstallerSessionForTesting& operator=(const ScopedInstallerSessionForTesting&) = delete;

 private:
  std::unique_ptr<InstallerSession> session_;
  InstallerSession* previous_;
};

bool IsAutoupdate();
bool IsSilent();
bool IsUninstall();
ServerTrackingBlob* GetSessionTrackingData();

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SESSION_H_
