#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_PAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_PAGE_H_

// The pages of the installer window.
enum InstallerPage : int {
  PAGE_MAIN = 0,  // welcome, agreement, Accept
  PAGE_UNINSTALL = 1,
  PAGE_TERMS = 2,
  PAGE_OPTIONS = 3,
  PAGE_PROGRESS = 4,
  PAGE_ERROR = 5,
  // Before the first page is shown.
  PAGE_NONE = 6,
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_PAGE_H_
