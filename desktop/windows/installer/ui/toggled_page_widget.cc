#include "desktop/windows/installer/ui/toggled_page_widget.h"

#include "desktop/windows/installer/ui/installer_page.h"

ToggledPageWidget::ToggledPageWidget(HWND dialog, int control_id)
    : PageWidget(GetDlgItem(dialog, control_id), {PAGE_ERROR}) {}

ToggledPageWidget::~ToggledPageWidget() = default;

bool ToggledPageWidget::IsVisibleOnPage(int page) const {
  return IsListed(page) && shown_;
}
