#ifndef DESKTOP_WINDOWS_INSTALLER_UI_FOLDER_STATE_PAGE_WIDGET_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_FOLDER_STATE_PAGE_WIDGET_H_

#include <vector>

#include "desktop/windows/installer/ui/page_widget.h"

class Settings;

// The folder-problem text: shown on its pages once the folder examination
// is done and found a problem.
class FolderStatePageWidget : public PageWidget {
 public:
  // `settings` is not owned and outlives the widget.
  FolderStatePageWidget(HWND dialog, int control_id, std::vector<int> pages,
                        const Settings* settings);
  ~FolderStatePageWidget() override;

  bool IsVisibleOnPage(int page) const override;

 private:
  const Settings* settings_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_FOLDER_STATE_PAGE_WIDGET_H_
