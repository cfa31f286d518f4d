#ifndef DESKTOP_WINDOWS_INSTALLER_UI_PAGE_WIDGET_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_PAGE_WIDGET_H_

#include <windows.h>

#include <memory>
#include <vector>

// One control of a dialog that is shown on some pages of the installer
// window and hidden on the others.
class PageWidget {
 public:
  // The control may be missing (null handle); the widget is made anyway.
  static std::unique_ptr<PageWidget> Create(HWND dialog, int control_id,
                                            std::vector<int> pages);

  PageWidget(HWND control, std::vector<int> pages);
  virtual ~PageWidget();

  PageWidget(const PageWidget&) = delete;
  PageWidget& operator=(const PageWidget&) = delete;

  // Shows the control without activating it, or hides it.
  virtual void UpdateVisibility(int page);
  virtual bool IsVisibleOnPage(int page) const;

  HWND control() const { return control_; }

 protected:
  bool IsListed(int page) const;

 private:
  HWND control_;
  std::vector<int> pages_;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_PAGE_WIDGET_H_
