#ifndef DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_OBSERVER_H_
#define DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_OBSERVER_H_

// Told when the settings change; reads what it needs back from the
// settings. Called on the settings' thread.
class SettingsObserver {
 public:
  virtual ~SettingsObserver() = default;

  virtual void OnFlagChanged() = 0;
  virtual void OnLanguageChanged() = 0;
  // The folder details were applied (also when the folder is unusable).
  virtual void OnPathChanged() = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_SETTINGS_SETTINGS_OBSERVER_H_
