# The engine's folders, lowest layer first. Each is one static library that
# links the one before it: a folder may use the folders above its line and
# never one below (cmake/check_layers.py, CTest "layers", refuses such an
# #include). A new folder is one line here, at the height of what it needs;
# folders without sources yet are kept as empty links of the chain.
#
#   base, crypto, crash_reporter, features, l10n_handler: our lean base,
#       CNG digests, crash reporting (handed the product's values by the
#       entry point), the feature registry and its readers, localisation.
#   utils: what every installer process shares - results and error record,
#       switches, constants, product info, architecture, the installer's
#       feature table, session and tracking blob, service utilities
#       (registry, folders, names), security and ACLs, InstallerUtils,
#       safe relative paths, the test hooks (which a signed build
#       ignores). Nothing here knows the settings.
#   ipc (messages, InstallerObserver, mailslot),
#       checksum_checker (digests, downloadable resources list),
#       signature_checker (Authenticode signer check), lzma_util,
#       avro_stats, common (package version reading),
#       wininet (downloader, fetch statistics collectors): services that
#       need only the layers above them.
#   service: installation records and system services - status record and
#       files, status loading and recovery, operations and transactions,
#       registry rules, preference store, the installation model,
#       OSOperations, default-browser registration, installation folder
#       details (interface, implementation and fetcher), scheduled tasks,
#       taskbar pinning.
#   updatechecker: the autoupdate global storage.
#   package_fetcher: appended payload, fetcher and its parts, additional
#       files, preference-overrides fetcher.
#   settings: SettingsImpl, SettingsObserver, settings sources and the
#       backend command line, ValidateSettings (it reads the settings, so
#       it sits here rather than in utils).
#   steps: step framework, scheduler, step lists, steps, package
#       preparation, and the Installer that runs them (backend flow,
#       elevation, hand-over, the folder-permission helper role).
#   runner: main-process and backend-process runners.
#   controller: controller base and silent controller.
#   ui: UI controller, window, pages, dialogs, progress.
#   installer_lib (desktop/windows/installer itself): the entry point
#       RunInstaller and its start-up helpers; dll/ is the DLL's own.

set(installer desktop/windows/installer)
tarvo_folder_library(base base
    LIBS delay::ole32 delay::oleaut32 uuid delay::shell32 delay::shlwapi delay::advapi32
         delay::user32 delay::gdi32 delay::userenv delay::version delay::rpcrt4 delay::bcrypt
         delay::wininet delay::winhttp delay::crypt32 delay::wintrust delay::comctl32
         delay::msimg32 delay::gdiplus delay::uxtheme taskschd wbemuuid delay::dbghelp
         delay::netapi32 delay::secur32 delay::ws2_32 z)
tarvo_folder_library(crypto crypto)
tarvo_folder_library(crash_reporter crash_reporter)
tarvo_folder_library(features base/features)
tarvo_folder_library(l10n_handler desktop/windows/l10n_handler)
tarvo_folder_library(installer_utils ${installer}/utils)
tarvo_folder_library(ipc ${installer}/ipc)
tarvo_folder_library(checksum_checker ${installer}/checksum_checker)
tarvo_folder_library(signature_checker ${installer}/signature_checker)
tarvo_folder_library(lzma_util ${installer}/lzma_util LIBS lzma_sdk)
tarvo_folder_library(avro_stats ${installer}/avro_stats)
tarvo_folder_library(installer_common ${installer}/common)
tarvo_folder_library(wininet ${installer}/wininet)
tarvo_folder_library(installer_service ${installer}/service)
tarvo_folder_library(updatechecker desktop/common/autoupdate/updatechecker)
tarvo_folder_library(package_fetcher ${installer}/package_fetcher)
tarvo_folder_library(settings ${installer}/settings)
tarvo_folder_library(steps ${installer}/steps)
tarvo_folder_library(runner ${installer}/runner)
tarvo_folder_library(controller ${installer}/controller)
tarvo_folder_library(installer_ui ${installer}/ui)
tarvo_folder_library(installer_lib ${installer} EXCLUDE dll)
tarvo_make_folder_libraries()
