#ifndef DESKTOP_WINDOWS_INSTALLER_INSTALLER_SWITCHES_H_
#define DESKTOP_WINDOWS_INSTALLER_INSTALLER_SWITCHES_H_

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

// Operations and documented options.
inline constexpr char kSilent[] = "silent";
inline constexpr char kRunImmediately[] = "runimmediately";
inline constexpr char kLanguage[] = "language";
inline constexpr char kInstallFolder[] = "installfolder";
inline constexpr char kUninstall[] = "uninstall";
inline constexpr char kAutoupdate[] = "autoupdate";
inline constexpr char kRegisterAsProtocolHandler[] = "register-tarvo-as-protocol-handler";
inline constexpr char kFixDownloadableResources[] = "fix-downloadable-resources";

// Logging and work folders.
inline constexpr char kVerbosity[] = "v";
inline constexpr char kTempFolder[] = "temp-folder";

// Session.
inline constexpr char kPackageDir[] = "package-dir";
inline constexpr char kWaitForPackage[] = "wait-for-package";
inline constexpr char kInsidePackage[] = "inside-package";
inline constexpr char kSessionGuid[] = "session-guid";
inline constexpr char kServerTrackingBlob[] = "server-tracking-blob";
inline constexpr char kOtd[] = "otd";
inline constexpr char kMedium[] = "medium";
inline constexpr char kNiuid[] = "niuid";

// Statistics.
inline constexpr char kTestAvroServer[] = "test-avro-srv";

}  // namespace switches

#endif  // DESKTOP_WINDOWS_INSTALLER_INSTALLER_SWITCHES_H_
