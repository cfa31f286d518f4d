#include "desktop/windows/installer/ui/rich_edit_util.h"

#include <commctrl.h>

#include "gtest/gtest.h"

namespace {

class RichEditUtilTest : public testing::Test {
 protected:
  void SetUp() override {
    InitRichEdit();
    parent_ = CreateWindowExW(0, L"Static", L"", WS_POPUP, 0, 0, 400, 200, nullptr, nullptr,
                              nullptr, nullptr);
    ASSERT_TRUE(parent_);
    edit_ = CreateWindowExW(0, MSFTEDIT_CLASS, L"", WS_CHILD | ES_MULTILINE | ES_READONLY, 0, 0,
                            400, 200, parent_, nullptr, nullptr, nullptr);
    ASSERT_TRUE(edit_);
  }
  void TearDown() override { DestroyWindow(parent_); }

  std::wstring Text() const {
    wchar_t buffer[512] = {};
    GetWindowTextW(edit_, buffer, 512);
    return buffer;
  }

  CHARFORMAT2W FormatAt(int position) {
    CHARRANGE range = {position, position + 1};
    SendMessageW(edit_, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    CHARFORMAT2W format = {};
    format.cbSize = sizeof(format);
    SendMessageW(edit_, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
  }

  HWND parent_ = nullptr;
  HWND edit_ = nullptr;
};

TEST_F(RichEditUtilTest, TextWithoutLinksIsSetAsIs) {
  ASSERT_TRUE(SetRichTextWithLinks(edit_, L"Nothing to click, $1 stays.", 0x686868));
  EXPECT_EQ(L"Nothing to click, $1 stays.", Text());
  EXPECT_EQ(L"Nothing to click, $1 stays.", GetEditLineText(edit_));
}

TEST_F(RichEditUtilTest, LinkShowsItsTextAndResolvesToItsAddress) {
  ASSERT_TRUE(SetRichTextWithLinks(
      edit_, L"By clicking you agree to the <a href=\"tos\">Terms of Service</a>.", 0x686868));
  const std::wstring text = Text();
  EXPECT_EQ(L"By clicking you agree to the Terms of Service.", text);
  const int first = static_cast<int>(text.find(L"Terms"));
  const int last = first + 16;

  const CHARFORMAT2W format = FormatAt(first + 2);
  EXPECT_TRUE(format.dwEffects & CFE_LINK);
  EXPECT_EQ(0x686868u, format.crTextColor);
  EXPECT_FALSE(FormatAt(2).dwEffects & CFE_LINK);

  // What a link notification reports: the range of the link.
  EXPECT_EQ(L"tos", GetRichEditLinkAddress(edit_, CHARRANGE{first, last}));
  EXPECT_EQ(L"tos", GetRichEditLinkAddress(edit_, CHARRANGE{first + 3, first + 4}));
  EXPECT_EQ(L"By", GetRichEditLinkAddress(edit_, CHARRANGE{0, 2}));
}

TEST_F(RichEditUtilTest, SettingAgainReplacesTheLinks) {
  SetRichTextWithLinks(edit_, L"<a href=\"one\">first</a>", 0);
  SetRichTextWithLinks(edit_, L"x <a href=\"two\">second</a> and <a href=\"three\">third</a>", 0);
  EXPECT_EQ(L"x second and third", Text());
  EXPECT_EQ(L"two", GetRichEditLinkAddress(edit_, CHARRANGE{2, 8}));
  EXPECT_EQ(L"three", GetRichEditLinkAddress(edit_, CHARRANGE{13, 18}));
  // Only the first link takes the colour.
  EXPECT_NE(0x686868u, FormatAt(14).crTextColor);
}

TEST_F(RichEditUtilTest, ColoursAndFirstLine) {
  SetWindowTextW(edit_, L"first line\r\nsecond line");
  EXPECT_EQ(L"first line", GetEditLineText(edit_));
  SetRichEditTextColor(edit_, RGB(1, 2, 3));
  EXPECT_EQ(RGB(1, 2, 3), FormatAt(15).crTextColor);
  ApplyRichEditCharFormat(edit_, RGB(200, 0, 0), 0, 5);
  EXPECT_EQ(RGB(200, 0, 0), FormatAt(1).crTextColor);
  EXPECT_EQ(RGB(1, 2, 3), FormatAt(6).crTextColor);
}

TEST_F(RichEditUtilTest, CaretStaysHiddenOnFocus) {
  ASSERT_TRUE(SetWindowSubclass(edit_, HideCaretSubclassProc, 1, 0));
  // The focus message stops in the subclass: the control never learns that
  // it has the focus, so it does not select its text or show a caret.
  SetWindowTextW(edit_, L"text");
  EXPECT_EQ(0, SendMessageW(edit_, WM_SETFOCUS, 0, 0));
}

}  // namespace
