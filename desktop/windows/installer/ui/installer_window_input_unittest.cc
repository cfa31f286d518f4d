// The installer window as a person uses it: keystrokes sent through the
// system's input queue (SendInput) into the real window, with the real
// settings answering folder requests and the host's string tables.

#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/features/feature_registry.h"
#include "base/message_loop/message_loop.h"
#include "base/run_loop.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"
#include "desktop/windows/installer/settings/test_support/settings_test_environment.h"
#include "desktop/windows/installer/ui/installer_page.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/test_support/fake_progress_calculator.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

// Bounds every wait for the window to react; a loaded machine is slow,
// never this slow.
constexpr ULONGLONG kReactionMs = 20000;

std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, ARRAYSIZE(text));
  return text;
}

INPUT KeyInput(WORD key, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wVk = key;
  input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
  return input;
}

INPUT CharInput(wchar_t c, bool up) {
  INPUT input = {};
  input.type = INPUT_KEYBOARD;
  input.ki.wScan = c;
  input.ki.dwFlags = KEYEVENTF_UNICODE | (up ? KEYEVENTF_KEYUP : 0);
  return input;
}

void Send(std::vector<INPUT> inputs) {
  ASSERT_EQ(inputs.size(), SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT)));
}

// A key, with a modifier held around it (0: none).
void Press(WORD key, WORD modifier = 0) {
  std::vector<INPUT> inputs;
  if (modifier)
    inputs.push_back(KeyInput(modifier, /*up=*/false));
  inputs.push_back(KeyInput(key, /*up=*/false));
  inputs.push_back(KeyInput(key, /*up=*/true));
  if (modifier)
    inputs.push_back(KeyInput(modifier, /*up=*/true));
  Send(inputs);
}

void TypeChar(wchar_t c) {
  Send({CharInput(c, /*up=*/false), CharInput(c, /*up=*/true)});
}

// The access key of a control's label: the character after a single "&".
wchar_t AccessKey(const std::wstring& label) {
  for (size_t i = 0; i + 1 < label.size(); ++i) {
    if (label[i] == L'&') {
      if (label[i + 1] != L'&')
        return label[i + 1];
      ++i;
    }
  }
  return 0;
}

// Alt and the access key. Where this keyboard has no key for the letter
// (Wine types only what its X keyboard maps: no Cyrillic, Greek or Turkish
// letters here), the character that Alt and the letter's key give on the
// language's own keyboard goes to the focused control instead.
void PressAccessKey(wchar_t key) {
  const SHORT scan = VkKeyScanW(key);
  if (scan != -1 && !(scan & 0x0600)) {
    Press(LOBYTE(scan), VK_MENU);
    return;
  }
  constexpr LPARAM kAltDown = 1 << 29;
  PostMessageW(GetFocus(), WM_SYSCHAR, key, kAltDown);
}

class InstallerWindowInputTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetL10nHandlerForTesting();
    auto sender = std::make_unique<RecordingStatsSender>();
    sender_ = sender.get();
    SetAvroStatsSender(std::move(sender));
  }

  void TearDown() override {
    window_.reset();
    settings_.reset();
    env_.reset();
    SetAvroStatsSender(nullptr);
    ResetL10nHandlerForTesting();
  }

  // The window in `language`, in front, with the settings settled.
  InstallerWindowImpl* Open(const std::wstring& language) {
    // One environment at a time: it replaces process-wide objects.
    window_.reset();
    settings_.reset();
    env_.reset();
    env_ = std::make_unique<SettingsTestEnvironment>(std::vector<std::wstring>{
        L"--language=" + language, L"--installfolder=C:\\Programs\\Tarvo"});
    settings_ = env_->MakeSettings();
    window_ = InstallerWindow::Create(settings_.get(), &progress_);
    if (!window_) {
      ADD_FAILURE() << "the installer window could not be created";
      return nullptr;
    }
    SetForegroundWindow(main());
    if (!PumpUntil([this] { return GetForegroundWindow() == main() && GetFocus(); })) {
      ADD_FAILURE() << "the window never came to the front";
      return nullptr;
    }
    return window();
  }

  InstallerWindowImpl* window() const { return static_cast<InstallerWindowImpl*>(window_.get()); }
  HWND main() const { return window_->GetHandle(); }
  HWND options() const { return window()->options_dialog(); }
  HWND Item(int id) const {
    HWND control = GetDlgItem(main(), id);
    return control ? control : GetDlgItem(options(), id);
  }

  // Runs the window's messages (through the dialog manager, as the
  // installer's run loop does) and posted tasks until `done` holds.
  bool PumpUntil(const std::function<bool()>& done) {
    const ULONGLONG deadline = GetTickCount64() + kReactionMs;
    for (;;) {
      MSG message;
      while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (Win32DialogDispatcher::GetInstance()->Dispatch(message) &
            base::MessageDispatcher::kTranslateAndDispatch) {
          TranslateMessage(&message);
          DispatchMessageW(&message);
        }
      }
      base::RunLoop().RunUntilIdle();
      if (done())
        return true;
      if (GetTickCount64() > deadline)
        return false;
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
  }

  bool FocusIs(HWND control) {
    return PumpUntil([control] { return GetFocus() == control; });
  }

  // Answers the settings' folder request, as the folder examination does.
  void AnswerFolderRequest() {
    ASSERT_TRUE(settings_->HasPendingFolderDetails());
    ASSERT_TRUE(env_->AnswerLatest());
    ASSERT_TRUE(PumpUntil([this] { return !settings_->HasPendingFolderDetails(); }));
  }

  // The folder box's edit field.
  HWND FolderEdit() const {
    COMBOBOXINFO info = {sizeof(info)};
    GetComboBoxInfo(GetDlgItem(options(), IDC_FOLDER_COMBO), &info);
    return info.hwndItem;
  }

  base::MessageLoop loop_;
  features::ScopedFeatureRegistryForTesting features_;
  RecordingStatsSender* sender_ = nullptr;
  std::unique_ptr<SettingsTestEnvironment> env_;
  std::unique_ptr<SettingsImpl> settings_;
  FakeProgressCalculator progress_;
  std::unique_ptr<InstallerWindow> window_;
};

// A path typed into the folder box, with the settings examining each new
// text as it comes, reads as typed, and Backspace takes one character each.
TEST_F(InstallerWindowInputTest, TypedPathReadsAsTyped) {
  ASSERT_TRUE(Open(L"en"));
  Press('O', VK_MENU);
  ASSERT_TRUE(PumpUntil([this] { return window()->current_page() == PAGE_OPTIONS; }));
  // "Install &path" takes the focus to the folder box.
  PressAccessKey(AccessKey(Text(GetDlgItem(options(), IDC_FOLDER_LABEL))));
  HWND edit = FolderEdit();
  ASSERT_TRUE(FocusIs(edit));
  Press('A', VK_CONTROL);
  Press(VK_DELETE);
  ASSERT_TRUE(PumpUntil([edit] { return Text(edit).empty(); }));
  if (settings_->HasPendingFolderDetails())
    AnswerFolderRequest();

  const std::wstring path = L"D:\\Apps";
  for (size_t i = 0; i < path.size(); ++i) {
    TypeChar(path[i]);
    ASSERT_TRUE(PumpUntil([edit, i] { return Text(edit).size() == i + 1; })) << Text(edit);
    AnswerFolderRequest();
  }
  EXPECT_EQ(path, Text(edit));
  EXPECT_EQ(path, settings_->GetInstallFolderPath().value());
  DWORD caret = 0;
  SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
  EXPECT_EQ(path.size(), caret);

  for (int i = 1; i <= 3; ++i) {
    Press(VK_BACK);
    ASSERT_TRUE(PumpUntil([edit, &path, i] { return Text(edit).size() == path.size() - i; }))
        << Text(edit);
    AnswerFolderRequest();
  }
  EXPECT_EQ(L"D:\\A", Text(edit));
  EXPECT_EQ(L"D:\\A", settings_->GetInstallFolderPath().value());
}

// Tab goes round the welcome page's controls, the terms link among them;
// Enter and Space on the link open the terms, as a click does.
TEST_F(InstallerWindowInputTest, TermsLinkIsATabStopThatEnterAndSpaceOpen) {
  ASSERT_TRUE(Open(L"en"));
  HWND accept = GetDlgItem(main(), IDC_ACCEPT);
  HWND options_button = GetDlgItem(main(), IDC_OPTIONS);
  HWND link = GetDlgItem(main(), IDC_AGREEMENT);
  ASSERT_TRUE(FocusIs(accept));
  Press(VK_TAB);
  ASSERT_TRUE(FocusIs(options_button));
  Press(VK_TAB);
  ASSERT_TRUE(FocusIs(link));
  // The link's text is what is selected, not a caret.
  CHARRANGE selection = {};
  SendMessageW(link, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&selection));
  const std::wstring shown = Text(link);
  EXPECT_EQ(L"Terms of Service",
            shown.substr(selection.cpMin, selection.cpMax - selection.cpMin));
  Press(VK_TAB);
  ASSERT_TRUE(FocusIs(accept));
  Press(VK_TAB, VK_SHIFT);
  ASSERT_TRUE(FocusIs(link));

  for (WORD key : {VK_RETURN, VK_SPACE}) {
    SCOPED_TRACE(key);
    Press(key);
    ASSERT_TRUE(PumpUntil([this] { return window()->current_page() == PAGE_TERMS; }));
    EXPECT_EQ("TOS", sender_->Named("page_transition").back()->String(
                          "page_transitions.navigation_action").value_or(""));
    // "&Back" returns to the welcome page, where Shift+Tab from Accept
    // reaches the link again.
    PressAccessKey(AccessKey(Text(GetDlgItem(main(), IDC_BACK))));
    ASSERT_TRUE(PumpUntil([this] { return window()->current_page() == PAGE_MAIN; }));
    ASSERT_TRUE(FocusIs(accept));
    Press(VK_TAB, VK_SHIFT);
    ASSERT_TRUE(FocusIs(link));
  }
  // Enter elsewhere is still Accept's.
  EXPECT_EQ(PAGE_MAIN, window()->current_page());
}

// Every access key of the options page reaches its own control: a label's
// takes the focus to the box beside it, a check box's ticks it.
TEST_F(InstallerWindowInputTest, EveryAccessKeyOfTheOptionsPageReachesItsControl) {
  for (const wchar_t* language :
       {L"en", L"fr", L"nl", L"de", L"es", L"it", L"cs", L"tr", L"ru", L"el", L"ar"}) {
    SCOPED_TRACE(language);
    ASSERT_TRUE(Open(language));
    SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), 0);
    ASSERT_EQ(PAGE_OPTIONS, window()->current_page());
    const struct {
      int label;
      int target;
    } labels[] = {{IDC_LANGUAGE_LABEL, IDC_LANGUAGE_COMBO},
                  {IDC_INSTALL_TYPE_LABEL, IDC_INSTALL_TYPE_COMBO},
                  {IDC_FOLDER_LABEL, IDC_FOLDER_COMBO}};
    for (const auto& l : labels) {
      const wchar_t key = AccessKey(Text(Item(l.label)));
      SCOPED_TRACE(testing::Message() << "label " << l.label);
      ASSERT_TRUE(key);
      PressAccessKey(key);
      HWND target = Item(l.target);
      ASSERT_TRUE(PumpUntil([target] {
        HWND focus = GetFocus();
        return focus == target || (focus && GetParent(focus) == target);
      })) << GetDlgCtrlID(GetFocus()) << " " << static_cast<int>(key);
    }
    for (int box : {IDC_IMPORT_DATA, IDC_SHARE_STATISTICS}) {
      SCOPED_TRACE(testing::Message() << "check box " << box);
      const wchar_t key = AccessKey(Text(Item(box)));
      ASSERT_TRUE(key);
      const UINT before = IsDlgButtonChecked(options(), box);
      PressAccessKey(key);
      ASSERT_TRUE(PumpUntil([this, box, before] {
        return IsDlgButtonChecked(options(), box) != before;
      }));
    }
    EXPECT_EQ(PAGE_OPTIONS, window()->current_page());
  }
}

// Choosing another language with the keyboard redoes every text in it, the
// status line included, and the window's direction with the language's:
// Arabic mirrors it, English makes it left to right again, with the focus
// still in the language box.
TEST_F(InstallerWindowInputTest, LanguageChangeRedoesTextsAndDirection) {
  ASSERT_TRUE(Open(L"es"));
  EXPECT_EQ(L"Descargando\u2026", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
  SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), 0);
  PressAccessKey(AccessKey(Text(Item(IDC_LANGUAGE_LABEL))));
  ASSERT_TRUE(FocusIs(Item(IDC_LANGUAGE_COMBO)));

  // Home picks the first language of the list, English; a letter the
  // first one whose name starts with it.
  struct Step {
    WORD key;
    wchar_t first_letter;
    const wchar_t* language;
    bool mirrored;
    const wchar_t* status;
  } steps[] = {
      {VK_HOME, 0, L"en", false, L"Downloading\u2026"},
      {0, L'\u0627', L"ar", true, nullptr},
      {VK_HOME, 0, L"en", false, L"Downloading\u2026"},
  };
  for (const Step& step : steps) {
    SCOPED_TRACE(step.language);
    if (step.key)
      Press(step.key);
    else
      TypeChar(step.first_letter);
    ASSERT_TRUE(PumpUntil([this, &step] { return settings_->GetLanguage() == step.language; }))
        << settings_->GetLanguage();
    ASSERT_TRUE(PumpUntil([this] { return GetFocus() == Item(IDC_LANGUAGE_COMBO); }));
    EXPECT_EQ(step.mirrored, window()->IsMirrored());
    EXPECT_EQ(step.mirrored, (GetWindowLongPtrW(options(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
    EXPECT_EQ(PAGE_OPTIONS, window()->current_page());
    EXPECT_TRUE(IsWindowVisible(options()));
    EXPECT_EQ(GetLocalizedString(37010), Text(Item(IDC_LANGUAGE_LABEL)));
    EXPECT_EQ(GetLocalizedString(37007), Text(GetDlgItem(main(), IDC_ACCEPT)));
    EXPECT_EQ(GetLocalizedString(37025), Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
    if (step.status)
      EXPECT_EQ(step.status, Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
    EXPECT_EQ(L"C:\\Programs\\Tarvo", Text(Item(IDC_FOLDER_COMBO)));
  }
  // The progress page that follows speaks the chosen language.
  window_->ShowProgressPage();
  EXPECT_EQ(L"Downloading\u2026", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
}

}  // namespace
