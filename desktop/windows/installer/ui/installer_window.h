#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_

#include <windows.h>

#include <memory>
#include <string>

class ProgressCalculator;
class Settings;

// Told about the user's buttons in the installer window. UI thread.
class InstallerWindowObserver {
 public:
  virtual ~InstallerWindowObserver() = default;
  virtual void OnAcceptClicked() = 0;
  virtual void OnRetryClicked() = 0;
  virtual void OnFullPackageRequested() = 0;
  // The user confirmed closing, or a message box ended the run. The window
  // touches none of its state after this call, so the observer may destroy
  // it (preferably through a posted task).
  virtual void OnWindowClosed() = 0;
};

// The installer's only window: the main dialog with its pages.
class InstallerWindow {
 public:
  // Null when the dialogs cannot be created ("Window creation failed.").
  // Neither argument is owned; both outlive the window.
  static std::unique_ptr<InstallerWindow> Create(Settings* settings,
                                                 ProgressCalculator* progress_calculator);

  virtual ~InstallerWindow() = default;
  virtual HWND GetHandle() const = 0;
  virtual void ShowProgressPage() = 0;
  virtual void ShowError(const std::wstring& text, bool offer_full_package,
                         const std::string& detail) = 0;
  // Modal; ends by notifying every observer's OnWindowClosed.
  virtual void ShowMessageBox(const std::wstring& text) = 0;
  virtual void AddObserver(InstallerWindowObserver* observer) = 0;
  virtual void RemoveObserver(InstallerWindowObserver* observer) = 0;
  virtual void ShowPhaseStatus(int phase) = 0;
  // The run is being cancelled: the progress page says so until the window
  // goes, and closing the window asks nothing more.
  virtual void ShowStopping() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_H_
