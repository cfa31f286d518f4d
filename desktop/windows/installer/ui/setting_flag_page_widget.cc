#include "desktop/windows/installer/ui/setting_flag_page_widget.h"

#include "base/logging.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/installer_page.h"

SettingFlagPageWidget::SettingFlagPageWidget(HWND dialog, int control_id,
                                             const Settings* settings)
    : PageWidget(GetDlgItem(dialog, control_id), {PAGE_UNINSTALL}), settings_(settings) {
  DCHECK(settings_);
}

SettingFlagPageWidget::~SettingFlagPageWidget() = default;

bool SettingFlagPageWidget::IsVisibleOnPage(int page) const {
  return IsListed(page) && settings_->IsOnlyInstallationOfStream();
}
