#ifndef DESKTOP_WINDOWS_INSTALLER_UI_SETTINGS_CHECK_PAGE_WIDGET_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_SETTINGS_CHECK_PAGE_WIDGET_H_

#include "desktop/windows/installer/ui/page_widget.h"

class Settings;

// The BACK button: on the terms, options and error pages, except when the
// installation runs at once or uninstalls (there is nothing to go back to).
class SettingsCheckPageWidget : public PageWidget {
 public:
  // `settings` is not owned and outlives the widget.
  SettingsCheckPageWidget(HWND dialog, int control_id, const Settings* settings);
  ~SettingsCheckPageWidget() override;

  bool IsVisibleOnPage(int page) const override;

 private:
  const Settings* settings_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_SETTINGS_CHECK_PAGE_WIDGET_H_
