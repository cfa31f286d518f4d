#ifndef DESKTOP_WINDOWS_INSTALLER_UI_TOGGLED_PAGE_WIDGET_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_TOGGLED_PAGE_WIDGET_H_

#include "desktop/windows/installer/ui/page_widget.h"

// The full-package button: on the error page, only once it is offered.
class ToggledPageWidget : public PageWidget {
 public:
  ToggledPageWidget(HWND dialog, int control_id);
  ~ToggledPageWidget() override;

  bool IsVisibleOnPage(int page) const override;
  void SetShown(bool shown) { shown_ = shown; }
  bool shown() const { return shown_; }

 private:
  bool shown_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_TOGGLED_PAGE_WIDGET_H_
