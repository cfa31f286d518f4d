#include "desktop/windows/installer/ui/page_widget.h"

#include <algorithm>
#include <utility>

// static
std::unique_ptr<PageWidget> PageWidget::Create(HWND dialog, int control_id,
                                               std::vector<int> pages) {
  return std::make_unique<PageWidget>(GetDlgItem(dialog, control_id), std::move(pages));
}

PageWidget::PageWidget(HWND control, std::vector<int> pages)
    : control_(control), pages_(std::move(pages)) {}

PageWidget::~PageWidget() = default;

void PageWidget::UpdateVisibility(int page) {
  if (!control_)
    return;
  ShowWindow(control_, IsVisibleOnPage(page) ? SW_SHOWNA : SW_HIDE);
}

bool PageWidget::IsVisibleOnPage(int page) const {
  return IsListed(page);
}

bool PageWidget::IsListed(int page) const {
  return std::find(pages_.begin(), pages_.end(), page) != pages_.end();
}
