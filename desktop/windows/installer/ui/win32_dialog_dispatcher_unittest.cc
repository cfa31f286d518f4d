#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"

#include <thread>
#include <vector>

#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "gtest/gtest.h"

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_INITDIALOG;
}

class Win32DialogDispatcherTest : public testing::Test {
 protected:
  void SetUp() override { dispatcher_ = Win32DialogDispatcher::GetInstance(); }
  void TearDown() override {
    if (dispatcher_->selected_dialog())
      dispatcher_->UnselectDialog(dispatcher_->selected_dialog());
  }
  Win32DialogDispatcher* dispatcher_ = nullptr;
};

TEST_F(Win32DialogDispatcherTest, OneInstanceForEveryThread) {
  std::vector<Win32DialogDispatcher*> seen(8);
  std::vector<std::thread> threads;
  for (size_t i = 0; i < seen.size(); ++i)
    threads.emplace_back([&seen, i] { seen[i] = Win32DialogDispatcher::GetInstance(); });
  for (std::thread& thread : threads)
    thread.join();
  for (Win32DialogDispatcher* instance : seen)
    EXPECT_EQ(dispatcher_, instance);
}

TEST_F(Win32DialogDispatcherTest, UnselectingAnotherDialogKeepsTheSelection) {
  HWND first = reinterpret_cast<HWND>(0x1234);
  HWND second = reinterpret_cast<HWND>(0x5678);
  dispatcher_->SelectDialog(first);
  dispatcher_->UnselectDialog(second);
  EXPECT_EQ(first, dispatcher_->selected_dialog());
  dispatcher_->UnselectDialog(first);
  EXPECT_EQ(nullptr, dispatcher_->selected_dialog());
}

TEST_F(Win32DialogDispatcherTest, SelectedDialogGetsKeyboardNavigation) {
  MSG message = {};
  message.message = WM_KEYDOWN;
  message.wParam = VK_TAB;
  EXPECT_EQ(base::MessageDispatcher::kTranslateAndDispatch, dispatcher_->Dispatch(message));

  // The message box template: two tab stops.
  InitRichEdit();
  HWND dialog = CreateDialogParamW(GetModuleHandleW(nullptr),
                                   MAKEINTRESOURCEW(IDD_CUSTOM_MESSAGE_BOX), nullptr,
                                   PlainDialogProc, 0);
  ASSERT_TRUE(dialog);
  HWND first = GetDlgItem(dialog, IDC_MESSAGE_BOX_FIRST_BUTTON);
  HWND second = GetDlgItem(dialog, IDC_MESSAGE_BOX_SECOND_BUTTON);
  SetForegroundWindow(dialog);
  SetFocus(first);
  ASSERT_EQ(first, GetFocus());
  dispatcher_->SelectDialog(dialog);
  message.hwnd = first;
  EXPECT_EQ(base::MessageDispatcher::kHandled, dispatcher_->Dispatch(message));
  EXPECT_EQ(second, GetFocus());

  // Messages of windows outside the dialog pass on.
  MSG other = {};
  other.hwnd = GetDesktopWindow();
  other.message = WM_USER;
  EXPECT_EQ(base::MessageDispatcher::kTranslateAndDispatch, dispatcher_->Dispatch(other));
  dispatcher_->UnselectDialog(dialog);
  DestroyWindow(dialog);
}

}  // namespace
