// The host's dialog templates hold every control the installer window, its
// options page and the custom message box use.

#include <windows.h>

#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "gtest/gtest.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

HWND CreateFromTemplate(int id, HWND parent) {
  return CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), parent,
                            PlainDialogProc, 0);
}

TEST(InstallerDialogsTest, EveryControlIsThere) {
  InitRichEdit();
  HWND main = CreateFromTemplate(IDD_INSTALLER_MAIN, nullptr);
  ASSERT_TRUE(main);
  for (int id : {IDC_LOGO, IDC_OPTIONS, IDC_CANCEL, IDC_ACCEPT, IDC_FULL_PACKAGE, IDC_RETRY,
                 IDC_UNINSTALL, IDC_HEADLINE, IDC_AGREEMENT, IDC_PROGRESS_HEADLINE,
                 IDC_ERROR_HEADLINE, IDC_STATUS_TEXT, IDC_TERMS_TEXT, IDC_BACK,
                 IDC_MAIN_FOLDER_COMBO, IDC_MAIN_BROWSE, IDC_PROGRESS_BAR, IDC_MAIN_WARNING_TEXT,
                 IDC_UNINSTALL_QUESTION, IDC_DELETE_PROFILE, IDC_UNINSTALL_ERROR_HEADLINE}) {
    EXPECT_TRUE(GetDlgItem(main, id)) << id;
  }
  // The window shows the pages' controls itself.
  EXPECT_FALSE(GetWindowLongW(GetDlgItem(main, IDC_ACCEPT), GWL_STYLE) & WS_VISIBLE);

  HWND options = CreateFromTemplate(IDD_INSTALLER_OPTIONS, main);
  ASSERT_TRUE(options);
  const LONG style = GetWindowLongW(options, GWL_STYLE);
  EXPECT_TRUE(style & WS_CHILD);
  EXPECT_TRUE(style & DS_CONTROL);
  EXPECT_TRUE(GetWindowLongW(options, GWL_EXSTYLE) & WS_EX_CONTROLPARENT);
  for (int id : {IDC_LANGUAGE_COMBO, IDC_INSTALL_TYPE_COMBO, IDC_FOLDER_COMBO, IDC_BROWSE,
                 IDC_DEFAULT_BROWSER, IDC_IMPORT_DATA, IDC_SHARE_STATISTICS,
                 IDC_FOLDER_PROBLEM_TEXT, IDC_LANGUAGE_LABEL, IDC_INSTALL_TYPE_LABEL,
                 IDC_FOLDER_LABEL}) {
    EXPECT_TRUE(GetDlgItem(options, id)) << id;
  }
  DestroyWindow(main);

  HWND box = CreateFromTemplate(IDD_CUSTOM_MESSAGE_BOX, nullptr);
  ASSERT_TRUE(box);
  for (int id : {IDC_MESSAGE_BOX_BODY, IDC_MESSAGE_BOX_FIRST_BUTTON,
                 IDC_MESSAGE_BOX_SECOND_BUTTON}) {
    EXPECT_TRUE(GetDlgItem(box, id)) << id;
  }
  DestroyWindow(box);
}

}  // namespace
