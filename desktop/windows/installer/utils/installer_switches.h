#ifndef DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SWITCHES_H_

// Command-line switches of the installer's processes.
namespace switches {

// Print-and-exit modes.
inline constexpr char kVersion[] = "version";
inline constexpr char kInternalVersion[] = "internal-version";
inline constexpr char kStream[] = "stream";
inline constexpr char kHelp[] = "help";
inline constexpr char kHelpShort[] = "?";

// Roles.
inline constexpr char kCrashReporterParentId[] = "crash-reporter-parent-id";
inline constexpr char kCrashReporterExceptionInfo[] = "crash-reporter-exception-info";
inline constexpr char kSetFolderPermission[] = "set-folder-permission";
inline constexpr char kRunUninstallBat[] = "run-uninstall-bat";
inline constexpr char kBackend[] = "backend";

// Folder-permission helper.
inline constexpr char kPermissionsForUser[] = "permissions-for-user";
inline constexpr char kPermanentPermissions[] = "permanent-permissions";

// Between the backends of one installation.
inline constexpr char kInitialProcHandle[] = "initial-proc-handle";
inline constexpr char kRunElevated[] = "run-elevated";
inline constexpr char kParentPid[] = "parent-pid";
inline constexpr char kPostElevatedInstallTasks[] = "post-elevated-install-tasks";
// The run's secret: a read-only section handle inherited by the child, or,
// with the pid of the process that holds it, a handle to copy from there.
inline constexpr char kRunSecretHandle[] = "run-secret-handle";
inline constexpr char kRunSecretOwner[] = "run-secret-owner";

// The browser's own switch for its first window.
inline constexpr char kStartMaximized[] = "start-maximized";

// Operations and documented options.
inline constexpr char kSilent[] = "silent";
inline constexpr char kRunImmediately[] = "runimmediately";
inline constexpr char kLanguage[] = "language";
inline constexpr char kInstallFolder[] = "installfolder";
inline constexpr char kUninstall[] = "uninstall";
inline constexpr char kAutoupdate[] = "autoupdate";
inline constexpr char kRegisterAsProtocolHandler[] = "register-tarvo-as-protocol-handler";
inline constexpr char kFixDownloadableResources[] = "fix-downloadable-resources";

// Settings flags; boolean values are "1" or "0" (see ParseSwitchBool).
inline constexpr char kCopyOnly[] = "copyonly";
inline constexpr char kSingleProfile[] = "singleprofile";
inline constexpr char kLaunchTarvo[] = "launchtarvo";
inline constexpr char kLaunchBrowser[] = "launchbrowser";
inline constexpr char kAllUsers[] = "allusers";
inline constexpr char kSetDefaultBrowser[] = "setdefaultbrowser";
inline constexpr char kImportBrowserData[] = "import-browser-data";
inline constexpr char kInstallAssistant[] = "install-assistant";
inline constexpr char kEnableStats[] = "enable-stats";
inline constexpr char kEnableInstallerStats[] = "enable-installer-stats";
inline constexpr char kDesktopShortcut[] = "desktopshortcut";
inline constexpr char kStartMenuShortcut[] = "startmenushortcut";
inline constexpr char kQuickLaunchShortcut[] = "quicklaunchshortcut";
inline constexpr char kPinToTaskbar[] = "pintotaskbar";
inline constexpr char kDeleteUserProfile[] = "deleteuserprofile";

// Other settings and what the backend is given.
inline constexpr char kProfileFolder[] = "profile-folder";
inline constexpr char kInstall[] = "install";
inline constexpr char kInitialPid[] = "initial-pid";
inline constexpr char kComponents[] = "components";
inline constexpr char kServerTrackingData[] = "server-tracking-data";

// Passed through to the backend untouched.
inline constexpr char kImportBookmarks[] = "import-bookmarks";
inline constexpr char kImportSession[] = "import-session";
inline constexpr char kImportTopSitesToSpeedDial[] = "import-topsites-to-speeddial";

// Logging and work folders.
inline constexpr char kVerbosity[] = "v";
inline constexpr char kTempFolder[] = "temp-folder";

// Session.
inline constexpr char kPackageDir[] = "package-dir";
inline constexpr char kWaitForPackage[] = "wait-for-package";
inline constexpr char kInsidePackage[] = "inside-package";
// The versioned folder a prepared package was put in, below the install folder.
inline constexpr char kInstallSubfolder[] = "install-subfolder";
inline constexpr char kSessionGuid[] = "session-guid";
inline constexpr char kServerTrackingBlob[] = "server-tracking-blob";
inline constexpr char kOtd[] = "otd";
inline constexpr char kMedium[] = "medium";
inline constexpr char kNiuid[] = "niuid";

}  // namespace switches

#endif  // DESKTOP_WINDOWS_INSTALLER_UTILS_INSTALLER_SWITCHES_H_
