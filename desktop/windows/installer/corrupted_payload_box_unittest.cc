#include "desktop/windows/installer/corrupted_payload_box.h"

#include <windows.h>

#include <string>
#include <vector>

#include "base/bind.h"
#include "base/location.h"
#include "base/message_loop/message_loop.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "gtest/gtest.h"

namespace {

// The box this thread shows, found among the thread's own windows.
HWND FindOwnBox() {
  HWND found = nullptr;
  EnumThreadWindows(
      GetCurrentThreadId(),
      [](HWND window, LPARAM found) -> BOOL {
        if (GetDlgItem(window, IDC_MESSAGE_BOX_BODY)) {
          *reinterpret_cast<HWND*>(found) = window;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

std::wstring TextOf(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

class CorruptedPayloadBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    SetUrlOpenerForTesting([this](const std::wstring& url) { opened_.push_back(url); });
  }
  void TearDown() override { SetUrlOpenerForTesting(nullptr); }

  // Answers the box from inside its run loop, as a person would.
  void AnswerWith(int control_id) {
    loop_.task_runner()->PostTask(FROM_HERE, base::BindOnce(
                                                 [](int control_id, std::wstring* title) {
                                                   HWND box = FindOwnBox();
                                                   ASSERT_TRUE(box);
                                                   *title = TextOf(box);
                                                   if (control_id)
                                                     SendMessageW(GetDlgItem(box, control_id),
                                                                  BM_CLICK, 0, 0);
                                                   else
                                                     SendMessageW(box, WM_CLOSE, 0, 0);
                                                 },
                                                 control_id, &title_));
  }

  base::MessageLoop loop_{base::MessageLoop::TYPE_UI};
  std::vector<std::wstring> opened_;
  std::wstring title_;
};

TEST_F(CorruptedPayloadBoxTest, GoOpensTheProductPageAndEndsTheRun) {
  AnswerWith(IDC_MESSAGE_BOX_FIRST_BUTTON);
  EXPECT_TRUE(ShowCorruptedPayloadBox(L"en"));
  EXPECT_EQ(L"Tarvo installer", title_);
  EXPECT_EQ(std::vector<std::wstring>{L"https://www.tarvo.example/"}, opened_);
  EXPECT_FALSE(FindOwnBox());
}

TEST_F(CorruptedPayloadBoxTest, CancelOrClosingOpensNothing) {
  AnswerWith(IDC_MESSAGE_BOX_SECOND_BUTTON);
  EXPECT_TRUE(ShowCorruptedPayloadBox(L""));
  AnswerWith(0);
  EXPECT_TRUE(ShowCorruptedPayloadBox(L"de"));
  EXPECT_TRUE(opened_.empty());
  EXPECT_FALSE(FindOwnBox());
}

}  // namespace
