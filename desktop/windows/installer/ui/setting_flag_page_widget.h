#ifndef DESKTOP_WINDOWS_INSTALLER_UI_SETTING_FLAG_PAGE_WIDGET_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_SETTING_FLAG_PAGE_WIDGET_H_

#include "desktop/windows/installer/ui/page_widget.h"

class Settings;

// The delete-profile check box: on the uninstall page, only while the
// settings offer profile deletion.
class SettingFlagPageWidget : public PageWidget {
 public:
  // `settings` is not owned and outlives the widget.
  SettingFlagPageWidget(HWND dialog, int control_id, const Settings* settings);
  ~SettingFlagPageWidget() override;

  bool IsVisibleOnPage(int page) const override;

 private:
  const Settings* settings_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_SETTING_FLAG_PAGE_WIDGET_H_
