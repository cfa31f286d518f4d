#include "desktop/windows/installer/ui/settings_check_page_widget.h"

#include "base/logging.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/installer_page.h"

SettingsCheckPageWidget::SettingsCheckPageWidget(HWND dialog, int control_id,
                                                 const Settings* settings)
    : PageWidget(GetDlgItem(dialog, control_id), {PAGE_TERMS, PAGE_OPTIONS, PAGE_ERROR}),
      settings_(settings) {
  DCHECK(settings_);
}

SettingsCheckPageWidget::~SettingsCheckPageWidget() = default;

bool SettingsCheckPageWidget::IsVisibleOnPage(int page) const {
  return IsListed(page) && !settings_->GetRunImmediately() &&
         !settings_->IsUninstallSession();
}
