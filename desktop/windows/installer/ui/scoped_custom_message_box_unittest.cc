#include "desktop/windows/installer/ui/scoped_custom_message_box.h"

#include <richedit.h>

#include <memory>
#include <string>
#include <vector>

#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

constexpr int kTitleId = 37066;       // "Tarvo installer"
constexpr int kGoId = 37068;          // "Go!"
constexpr int kCancelId = 37069;      // "Cancel"
constexpr wchar_t kCorruptedText[] =
    L"The installer file appears corrupted. Please go to <a href=\"tos\">tarvo.example</a> "
    L"and download Tarvo again.";

std::wstring TextOf(HWND window) {
  wchar_t buffer[512] = {};
  GetWindowTextW(window, buffer, 512);
  return buffer;
}

bool IsShown(HWND window) {
  return (GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0;
}

class ScopedCustomMessageBoxTest : public testing::Test {
 protected:
  void SetUp() override {
    std::wstring code = L"en";
    SelectL10nLanguage(&code);
    owner_ = CreateWindowExW(0, L"Static", L"owner", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr,
                             nullptr, nullptr);
    ASSERT_TRUE(owner_);
  }
  void TearDown() override { DestroyWindow(owner_); }

  ScopedCustomMessageBox::AnswerCallback Recorder() {
    return [this](int answer) { answers_.push_back(answer); };
  }

  HWND Item(int id) const { return GetDlgItem(box_.dialog(), id); }

  HWND owner_ = nullptr;
  ScopedCustomMessageBox box_;
  std::vector<int> answers_;
};

TEST_F(ScopedCustomMessageBoxTest, TwoButtonsAnswerThroughTheCallback) {
  ASSERT_TRUE(ShowCustomMessageBox(&box_, owner_, kTitleId, kCorruptedText, kGoId, kCancelId,
                                   Recorder()));
  HWND dialog = box_.dialog();
  ASSERT_TRUE(dialog);
  EXPECT_FALSE(IsWindowEnabled(owner_));
  EXPECT_EQ(owner_, GetWindow(dialog, GW_OWNER));
  EXPECT_EQ(L"Tarvo installer", TextOf(dialog));
  EXPECT_EQ(L"Go!", TextOf(Item(IDC_MESSAGE_BOX_FIRST_BUTTON)));
  EXPECT_EQ(L"Cancel", TextOf(Item(IDC_MESSAGE_BOX_SECOND_BUTTON)));
  EXPECT_TRUE(IsShown(Item(IDC_MESSAGE_BOX_FIRST_BUTTON)));
  EXPECT_EQ(IDC_MESSAGE_BOX_FIRST_BUTTON,
            LOWORD(SendMessageW(dialog, DM_GETDEFID, 0, 0)));
  EXPECT_EQ(Item(IDC_MESSAGE_BOX_FIRST_BUTTON), GetFocus());
  EXPECT_TRUE(SendMessageW(dialog, WM_GETICON, ICON_BIG, 0));
  EXPECT_EQ(L"The installer file appears corrupted. Please go to tarvo.example and download "
            L"Tarvo again.",
            TextOf(Item(IDC_MESSAGE_BOX_BODY)));

  SendMessageW(Item(IDC_MESSAGE_BOX_FIRST_BUTTON), BM_CLICK, 0, 0);
  SendMessageW(Item(IDC_MESSAGE_BOX_SECOND_BUTTON), BM_CLICK, 0, 0);
  SendMessageW(dialog, WM_CLOSE, 0, 0);
  EXPECT_EQ((std::vector<int>{CUSTOM_MESSAGE_BOX_FIRST_BUTTON, CUSTOM_MESSAGE_BOX_SECOND_BUTTON,
                              CUSTOM_MESSAGE_BOX_CLOSED}),
            answers_);
  // The box never closes itself.
  EXPECT_TRUE(IsWindow(dialog));

  DestroyCustomMessageBox(&box_);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_EQ(nullptr, box_.dialog());
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(ScopedCustomMessageBoxTest, ClickOnTheLinkAnswersThree) {
  ASSERT_TRUE(ShowCustomMessageBox(&box_, owner_, kTitleId, kCorruptedText, kGoId, kCancelId,
                                   Recorder()));
  HWND body = Item(IDC_MESSAGE_BOX_BODY);
  const int link = static_cast<int>(TextOf(body).find(L"tarvo.example")) + 3;
  POINTL point = {};
  SendMessageW(body, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), link);
  const LPARAM where = MAKELPARAM(point.x + 2, point.y + 4);
  SendMessageW(body, WM_LBUTTONDOWN, MK_LBUTTON, where);
  SendMessageW(body, WM_LBUTTONUP, 0, where);
  EXPECT_EQ(std::vector<int>{CUSTOM_MESSAGE_BOX_LINK_CLICKED}, answers_);

  // A click on the plain text is no answer.
  answers_.clear();
  SendMessageW(body, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&point), 2);
  SendMessageW(body, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x + 2, point.y + 4));
  SendMessageW(body, WM_LBUTTONUP, 0, MAKELPARAM(point.x + 2, point.y + 4));
  EXPECT_TRUE(answers_.empty());
}

TEST_F(ScopedCustomMessageBoxTest, WithoutFirstButtonTheSecondIsTheDefault) {
  ASSERT_TRUE(
      ShowCustomMessageBox(&box_, owner_, kTitleId, L"Short text.", 0, kCancelId, Recorder()));
  EXPECT_FALSE(IsShown(Item(IDC_MESSAGE_BOX_FIRST_BUTTON)));
  EXPECT_TRUE(IsShown(Item(IDC_MESSAGE_BOX_SECOND_BUTTON)));
  EXPECT_EQ(IDC_MESSAGE_BOX_SECOND_BUTTON,
            LOWORD(SendMessageW(box_.dialog(), DM_GETDEFID, 0, 0)));
  EXPECT_EQ(Item(IDC_MESSAGE_BOX_SECOND_BUTTON), GetFocus());
}

TEST_F(ScopedCustomMessageBoxTest, CallbackMayDestroyTheBox) {
  auto box = std::make_unique<ScopedCustomMessageBox>();
  ASSERT_TRUE(ShowCustomMessageBox(box.get(), owner_, kTitleId, L"Text", kGoId, kCancelId,
                                   [&box](int) { box.reset(); }));
  HWND dialog = box->dialog();
  SendMessageW(GetDlgItem(dialog, IDC_MESSAGE_BOX_FIRST_BUTTON), BM_CLICK, 0, 0);
  EXPECT_FALSE(box);
  EXPECT_FALSE(IsWindow(dialog));
  EXPECT_TRUE(IsWindowEnabled(owner_));
}

TEST_F(ScopedCustomMessageBoxTest, ActivationSelectsTheBoxInTheDispatcher) {
  ASSERT_TRUE(ShowCustomMessageBox(&box_, nullptr, kTitleId, L"Text", kGoId, kCancelId,
                                   Recorder()));
  SendMessageW(box_.dialog(), WM_ACTIVATE, WA_ACTIVE, 0);
  EXPECT_EQ(box_.dialog(), Win32DialogDispatcher::GetInstance()->selected_dialog());
  SendMessageW(box_.dialog(), WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_EQ(nullptr, Win32DialogDispatcher::GetInstance()->selected_dialog());
}

}  // namespace
