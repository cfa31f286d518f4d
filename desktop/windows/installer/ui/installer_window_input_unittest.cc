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
#include "desktop/windows/installer/utils/canonical_folder.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

// Bounds every wait for the window to react; a loaded machine is slow,
// never this slow.
constexpr ULONGLONG kReactionMs = 20000;

// A control's text without the marks that embed it in its direction.
std::wstring Text(HWND window) {
  wchar_t text[1024] = {};
  GetWindowTextW(window, text, ARRAYSIZE(text));
  std::wstring read = text;
  std::erase_if(read, [](wchar_t c) { return c == L'\u202B' || c == L'\u202C'; });
  return read;
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

class RecordingObserver : public InstallerWindowObserver {
 public:
  void OnAcceptClicked() override { ++accepted; }
  void OnRetryClicked() override { ++retried; }
  void OnFullPackageRequested() override { ++full_package; }
  void OnWindowClosed() override { ++closed; }
  int accepted = 0, retried = 0, full_package = 0, closed = 0;
};

// The title of the last dialog of this thread that a timer closed (the
// folder browser, the close question), as a person would: No or Cancel.
std::wstring g_dismissed;
// And what it said, when it was a message box.
std::wstring g_dismissed_text;

BOOL CALLBACK DismissOwnedDialog(HWND window, LPARAM) {
  wchar_t name[16] = {};
  GetClassNameW(window, name, ARRAYSIZE(name));
  if (wcscmp(name, L"#32770") || !IsWindowVisible(window) || !GetWindow(window, GW_OWNER))
    return TRUE;
  wchar_t title[128] = {};
  GetWindowTextW(window, title, ARRAYSIZE(title));
  g_dismissed = title;
  wchar_t text[512] = {};
  GetDlgItemTextW(window, 0xFFFF, text, ARRAYSIZE(text));
  g_dismissed_text = text;
  PostMessageW(window, WM_COMMAND, GetDlgItem(window, IDNO) ? IDNO : IDCANCEL, 0);
  return FALSE;
}

void CALLBACK DismissTimer(HWND, UINT, UINT_PTR, DWORD) {
  EnumThreadWindows(GetCurrentThreadId(), DismissOwnedDialog, 0);
}

// How much of a control shows the selection colour on the screen.
int HighlightedPixels(HWND control) {
  RECT rect = {};
  GetWindowRect(control, &rect);
  const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
  HDC screen = GetDC(nullptr);
  int count = 0;
  for (int y = rect.top; y < rect.bottom; ++y) {
    for (int x = rect.left; x < rect.right; ++x)
      count += GetPixel(screen, x, y) == highlight;
  }
  ReleaseDC(nullptr, screen);
  return count;
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

  // The window in `language`, in front, with the settings settled; an
  // uninstall when `uninstall`, of an installation there when `installed`.
  InstallerWindowImpl* Open(const std::wstring& language, bool uninstall = false,
                            bool installed = true) {
    // One environment at a time: it replaces process-wide objects.
    window_.reset();
    settings_.reset();
    env_.reset();
    const base::FilePath folder(L"C:\\Programs\\Tarvo");
    std::vector<std::wstring> arguments = {L"--language=" + language,
                                           L"--installfolder=" + folder.value()};
    if (uninstall)
      arguments.push_back(L"--uninstall");
    env_ = std::make_unique<SettingsTestEnvironment>(arguments);
    settings_ = env_->MakeSettings(
        uninstall && installed ? SettingsTestEnvironment::ExistingInstallation(folder) : nullptr);
    window_ = InstallerWindow::Create(settings_.get(), &progress_);
    if (!window_) {
      ADD_FAILURE() << "the installer window could not be created";
      return nullptr;
    }
    window_->AddObserver(&observer_);
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

  // Answers the settings' folder request as the folder examination does,
  // with the folder in its canonical spelling.
  void AnswerFolderRequest() {
    ASSERT_TRUE(settings_->HasPendingFolderDetails());
    auto details = std::make_unique<FakeInstallationFolderDetails>();
    details->path = CanonicalizeFolderPath(env_->fetchers().last()->folder());
    ASSERT_TRUE(env_->AnswerLatest(std::move(details)));
    ASSERT_TRUE(PumpUntil([this] { return !settings_->HasPendingFolderDetails(); }));
  }

  // Tab until `control` has the focus.
  bool TabTo(HWND control) {
    for (int i = 0; i < 20 && GetFocus() != control; ++i) {
      Press(VK_TAB);
      PumpUntil([] { return true; });
    }
    return GetFocus() == control;
  }

  // The options page, with the folder box focused and emptied.
  void EmptyFolderBox() {
    Press('O', VK_MENU);
    ASSERT_TRUE(PumpUntil([this] { return window()->current_page() == PAGE_OPTIONS; }));
    // "Install &path" takes the focus to the folder box.
    PressAccessKey(AccessKey(Text(GetDlgItem(options(), IDC_FOLDER_LABEL))));
    ASSERT_TRUE(FocusIs(FolderEdit()));
    Press('A', VK_CONTROL);
    Press(VK_DELETE);
    ASSERT_TRUE(PumpUntil([this] { return Text(FolderEdit()).empty(); }));
    if (settings_->HasPendingFolderDetails())
      AnswerFolderRequest();
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
  RecordingObserver observer_;
  std::unique_ptr<InstallerWindow> window_;
};

// A path typed into the folder box reads as typed while it is typed,
// whenever the settings' examination of each text comes back; it shows in
// the settings' spelling once the box is left. Backspace takes one
// character each.
TEST_F(InstallerWindowInputTest, TypedPathStaysAsTypedUntilTheBoxIsLeft) {
  const struct {
    const wchar_t* typed;
    bool answer_each_key;
  } cases[] = {
      {L"D:\\Apps", true},
      {L"C:\\Tarvo.\\x", true},
      {L"C:\\Tarvo \\ ", true},
      {L"C:\\Tarvo \\ ", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(Open(L"en"));
    EmptyFolderBox();
    HWND edit = FolderEdit();
    const std::wstring path = c.typed;
    for (size_t i = 0; i < path.size(); ++i) {
      TypeChar(path[i]);
      ASSERT_TRUE(PumpUntil([edit, &path, i] { return Text(edit) == path.substr(0, i + 1); }))
          << Text(edit);
      if (c.answer_each_key && settings_->HasPendingFolderDetails())
        AnswerFolderRequest();
    }
    ASSERT_TRUE(PumpUntil([] { return true; }));
    EXPECT_EQ(path, Text(edit));
    DWORD caret = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
    EXPECT_EQ(path.size(), caret);

    Press(VK_TAB);
    ASSERT_TRUE(PumpUntil([edit] { return GetFocus() != edit; }));
    if (settings_->HasPendingFolderDetails())
      AnswerFolderRequest();
    const std::wstring left = CanonicalizeFolderPath(base::FilePath(path)).value();
    ASSERT_TRUE(PumpUntil([edit, &left] { return Text(edit) == left; })) << Text(edit);
    EXPECT_EQ(left, settings_->GetInstallFolderPath().value());
  }
  // Backspace, answered key by key.
  ASSERT_TRUE(Open(L"en"));
  EmptyFolderBox();
  HWND edit = FolderEdit();
  for (wchar_t c : std::wstring(L"D:\\Apps")) {
    TypeChar(c);
    ASSERT_TRUE(PumpUntil([edit, c] { return !Text(edit).empty() && Text(edit).back() == c; }));
    AnswerFolderRequest();
  }
  for (int i = 1; i <= 3; ++i) {
    Press(VK_BACK);
    ASSERT_TRUE(PumpUntil([edit, i] { return Text(edit).size() == 7u - i; })) << Text(edit);
    AnswerFolderRequest();
  }
  EXPECT_EQ(L"D:\\A", Text(edit));
  EXPECT_EQ(L"D:\\A", settings_->GetInstallFolderPath().value());
}

// Enter on a focused button presses that button, on every page: the
// options page's buttons too, which live in a dialog of their own.
TEST_F(InstallerWindowInputTest, EnterPressesTheFocusedButtonOnEveryPage) {
  const struct {
    int page;
    int button;
    // What pressing it did.
    std::function<bool()> pressed;
  } cases[] = {
      {PAGE_MAIN, IDC_ACCEPT, [this] { return observer_.accepted == 1; }},
      {PAGE_MAIN, IDC_OPTIONS, [this] { return window()->current_page() == PAGE_OPTIONS; }},
      // The folder browser (its caption is the system's).
      {PAGE_OPTIONS, IDC_BROWSE,
       [] { return !g_dismissed.empty() && g_dismissed != GetLocalizedString(37000); }},
      {PAGE_OPTIONS, IDC_BACK, [this] { return window()->current_page() == PAGE_MAIN; }},
      {PAGE_OPTIONS, IDC_ACCEPT, [this] { return observer_.accepted == 1; }},
      {PAGE_ERROR, IDC_RETRY, [this] { return observer_.retried == 1; }},
      {PAGE_ERROR, IDC_FULL_PACKAGE, [this] { return observer_.full_package == 1; }},
      {PAGE_ERROR, IDC_BACK, [this] { return window()->current_page() == PAGE_MAIN; }},
      {PAGE_UNINSTALL, IDC_UNINSTALL, [this] { return observer_.accepted == 1; }},
      {PAGE_UNINSTALL, IDC_CANCEL,
       [] { return g_dismissed == GetLocalizedString(37000); }},
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, DismissTimer);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "page " << c.page << ", button " << c.button);
    observer_ = RecordingObserver();
    g_dismissed.clear();
    ASSERT_TRUE(Open(L"en", /*uninstall=*/c.page == PAGE_UNINSTALL));
    if (c.page == PAGE_OPTIONS)
      Press('O', VK_MENU);
    else if (c.page == PAGE_ERROR)
      window_->ShowError(L"failed", /*offer_full_package=*/true, "test");
    ASSERT_TRUE(PumpUntil([this, &c] { return window()->current_page() == c.page; }));
    ASSERT_TRUE(TabTo(Item(c.button)));
    Press(VK_RETURN);
    EXPECT_TRUE(PumpUntil([this, &c] { return c.pressed(); }));
  }
  KillTimer(nullptr, timer);
}

// Every page of every mode takes keys, in a language of either direction:
// a control of the page has the focus (also when the folder turned bad
// under a focused Accept), and Escape asks the mode's question, after
// which No keeps the page.
TEST_F(InstallerWindowInputTest, EveryPageHasTheFocusAndEscapeAsksToQuit) {
  enum Mode { kInstall, kUninstall, kNothingToUninstall };
  const struct {
    Mode mode;
    int page;
    bool bad_folder;
  } cases[] = {
      {kInstall, PAGE_MAIN, false},          {kInstall, PAGE_TERMS, false},
      {kInstall, PAGE_OPTIONS, false},       {kInstall, PAGE_OPTIONS, true},
      {kInstall, PAGE_PROGRESS, false},      {kInstall, PAGE_ERROR, false},
      {kUninstall, PAGE_UNINSTALL, false},   {kUninstall, PAGE_PROGRESS, false},
      {kUninstall, PAGE_ERROR, false},       {kNothingToUninstall, PAGE_UNINSTALL, false},
      {kNothingToUninstall, PAGE_ERROR, false},
  };
  const UINT_PTR timer = SetTimer(nullptr, 0, 50, DismissTimer);
  for (const wchar_t* language : {L"en", L"he"}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(testing::Message() << language << " mode " << c.mode << " page " << c.page
                                      << (c.bad_folder ? " bad folder" : ""));
      ASSERT_TRUE(Open(language, c.mode != kInstall, c.mode == kUninstall));
      ASSERT_EQ(c.mode == kInstall ? PAGE_MAIN : PAGE_UNINSTALL, window()->current_page());
      if (c.page == PAGE_TERMS)
        SendMessageW(GetDlgItem(main(), IDC_AGREEMENT), WM_KEYDOWN, VK_RETURN, 0);
      else if (c.page == PAGE_OPTIONS)
        SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), 0);
      else if (c.page == PAGE_PROGRESS)
        window_->ShowProgressPage();
      else if (c.page == PAGE_ERROR)
        window_->ShowError(L"failed", /*offer_full_package=*/false, "test");
      ASSERT_EQ(c.page, window()->current_page());
      if (c.bad_folder) {
        ASSERT_TRUE(FocusIs(GetDlgItem(main(), IDC_ACCEPT)));
        settings_->SetInstallFolder(L"Q:\\Tarvo");
        auto details = std::make_unique<FakeInstallationFolderDetails>();
        details->folder_problem = FOLDER_PROBLEM_INVALID_PATH;
        ASSERT_TRUE(env_->AnswerLatest(std::move(details)));
        ASSERT_TRUE(PumpUntil([this] { return !IsWindowEnabled(GetDlgItem(main(), IDC_ACCEPT)); }));
      }
      ASSERT_TRUE(PumpUntil([this] {
        HWND focus = GetFocus();
        return IsChild(main(), focus) && IsWindowVisible(focus) && IsWindowEnabled(focus);
      })) << GetDlgCtrlID(GetFocus());
      EXPECT_NE(IDC_LOGO, GetDlgCtrlID(GetFocus()));
      g_dismissed_text.clear();
      Press(VK_ESCAPE);
      ASSERT_TRUE(PumpUntil([] { return !g_dismissed_text.empty(); }));
      EXPECT_EQ(GetLocalizedString(c.mode == kInstall ? 37038 : 37039), g_dismissed_text);
      EXPECT_EQ(0, observer_.closed);
      EXPECT_EQ(c.page, window()->current_page());
    }
  }
  KillTimer(nullptr, timer);
}

// Only the focused control looks focused: the terms link and the folder
// box drop their highlighted selection when the focus moves on.
TEST_F(InstallerWindowInputTest, OnlyTheFocusedControlShowsASelection) {
  ASSERT_TRUE(Open(L"en"));
  HWND link = GetDlgItem(main(), IDC_AGREEMENT);
  ASSERT_TRUE(TabTo(link));
  ASSERT_TRUE(PumpUntil([link] { return HighlightedPixels(link) > 0; }));
  Press(VK_TAB);
  ASSERT_TRUE(FocusIs(GetDlgItem(main(), IDC_ACCEPT)));
  EXPECT_TRUE(PumpUntil([link] { return HighlightedPixels(link) == 0; }));

  SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), 0);
  HWND edit = FolderEdit();
  PressAccessKey(AccessKey(Text(GetDlgItem(options(), IDC_FOLDER_LABEL))));
  ASSERT_TRUE(FocusIs(edit));
  Press('A', VK_CONTROL);
  ASSERT_TRUE(PumpUntil([edit] { return HighlightedPixels(edit) > 0; }));
  Press(VK_TAB);
  ASSERT_TRUE(PumpUntil([edit] { return GetFocus() != edit; }));
  EXPECT_TRUE(PumpUntil([edit] { return HighlightedPixels(edit) == 0; }));
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
    if (step.status) {
      EXPECT_EQ(step.status, Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
    }
    EXPECT_EQ(L"C:\\Programs\\Tarvo", Text(Item(IDC_FOLDER_COMBO)));
  }
  // The progress page that follows speaks the chosen language.
  window_->ShowProgressPage();
  EXPECT_EQ(L"Downloading\u2026", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
}

}  // namespace
