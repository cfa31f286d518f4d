#include "desktop/windows/installer/ui/page_widget.h"

#include <memory>

#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/ui/folder_state_page_widget.h"
#include "desktop/windows/installer/ui/installer_page.h"
#include "desktop/windows/installer/ui/setting_flag_page_widget.h"
#include "desktop/windows/installer/ui/settings_check_page_widget.h"
#include "desktop/windows/installer/ui/toggled_page_widget.h"
#include "gtest/gtest.h"

namespace {

constexpr int kControlId = 1234;

// A hidden parent with one static control of id kControlId.
class PageWidgetTest : public testing::Test {
 protected:
  void SetUp() override {
    parent_ = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_TRUE(parent_);
    control_ = CreateWindowExW(0, L"Static", L"x", WS_CHILD, 0, 0, 10, 10, parent_,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kControlId)),
                               nullptr, nullptr);
    ASSERT_TRUE(control_);
    settings_.folder_details = std::make_unique<FakeInstallationFolderDetails>();
  }
  void TearDown() override { DestroyWindow(parent_); }

  // The control's own visible flag (the parent stays hidden).
  bool Shown() const { return (GetWindowLongW(control_, GWL_STYLE) & WS_VISIBLE) != 0; }

  HWND parent_ = nullptr;
  HWND control_ = nullptr;
  FakeSettings settings_;
};

TEST_F(PageWidgetTest, ShownOnlyOnItsPages) {
  std::unique_ptr<PageWidget> widget = PageWidget::Create(parent_, kControlId, {0, 4});
  EXPECT_EQ(control_, widget->control());
  widget->UpdateVisibility(4);
  EXPECT_TRUE(Shown());
  widget->UpdateVisibility(3);
  EXPECT_FALSE(Shown());
  widget->UpdateVisibility(0);
  EXPECT_TRUE(Shown());
}

TEST_F(PageWidgetTest, MissingControlStillMakesAWidget) {
  std::unique_ptr<PageWidget> widget = PageWidget::Create(parent_, 999, {0});
  ASSERT_TRUE(widget);
  EXPECT_EQ(nullptr, widget->control());
  EXPECT_TRUE(widget->IsVisibleOnPage(0));
  widget->UpdateVisibility(0);  // nothing to show, no failure
}

TEST_F(PageWidgetTest, DeleteProfileOnlyWhileOffered) {
  SettingFlagPageWidget widget(parent_, kControlId, &settings_);
  EXPECT_TRUE(widget.IsVisibleOnPage(PAGE_UNINSTALL));
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_MAIN));
  settings_.only_installation_of_stream = false;
  widget.UpdateVisibility(PAGE_UNINSTALL);
  EXPECT_FALSE(Shown());
}

TEST_F(PageWidgetTest, BackHiddenWhenRunningAtOnceOrUninstalling) {
  SettingsCheckPageWidget widget(parent_, kControlId, &settings_);
  for (int page : {PAGE_TERMS, PAGE_OPTIONS, PAGE_ERROR})
    EXPECT_TRUE(widget.IsVisibleOnPage(page)) << page;
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_MAIN));
  settings_.run_immediately = true;
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_ERROR));
  settings_.run_immediately = false;
  settings_.operation = INSTALL_OPERATION_UNINSTALL;
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_ERROR));
}

TEST_F(PageWidgetTest, FolderProblemOnlyOnceExamined) {
  FolderStatePageWidget widget(parent_, kControlId, {PAGE_OPTIONS}, &settings_);
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_OPTIONS));
  settings_.folder_details->folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
  EXPECT_TRUE(widget.IsVisibleOnPage(PAGE_OPTIONS));
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_MAIN));
  settings_.pending_folder_details = true;
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_OPTIONS));
  settings_.pending_folder_details = false;
  settings_.folder_details.reset();
  EXPECT_FALSE(widget.IsVisibleOnPage(PAGE_OPTIONS));
}

TEST_F(PageWidgetTest, FullPackageButtonWaitsForItsOffer) {
  ToggledPageWidget widget(parent_, kControlId);
  widget.UpdateVisibility(PAGE_ERROR);
  EXPECT_FALSE(Shown());
  widget.SetShown(true);
  widget.UpdateVisibility(PAGE_ERROR);
  EXPECT_TRUE(Shown());
  widget.UpdateVisibility(PAGE_PROGRESS);
  EXPECT_FALSE(Shown());
}

}  // namespace
