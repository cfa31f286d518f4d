#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_OBSERVER_H_

// Told when the progress bar's value changes (the installer window).
class ProgressObserver {
 public:
  virtual ~ProgressObserver() = default;
  virtual void OnProgressChanged(int value) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PROGRESS_OBSERVER_H_
