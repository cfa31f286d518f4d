#include "desktop/windows/installer/ui/folder_state_page_widget.h"

#include <utility>

#include "base/logging.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"

FolderStatePageWidget::FolderStatePageWidget(HWND dialog, int control_id,
                                             std::vector<int> pages, const Settings* settings)
    : PageWidget(GetDlgItem(dialog, control_id), std::move(pages)), settings_(settings) {
  DCHECK(settings_);
}

FolderStatePageWidget::~FolderStatePageWidget() = default;

bool FolderStatePageWidget::IsVisibleOnPage(int page) const {
  if (settings_->HasPendingFolderDetails() || !IsListed(page))
    return false;
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  return details && details->GetFolderProblem() != FOLDER_PROBLEM_NONE;
}
