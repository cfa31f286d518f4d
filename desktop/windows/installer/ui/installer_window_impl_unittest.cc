// The installer window through its real controls: pages, texts, focus,
// enabled state, the options page and the modal boxes.

#include "desktop/windows/installer/ui/installer_window_impl.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "base/bind.h"
#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_event.h"
#include "desktop/windows/installer/avro_stats/test_support/recording_stats_sender.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/service/test_support/fake_os_operations.h"
#include "desktop/windows/installer/settings/test_support/fake_settings.h"
#include "desktop/windows/installer/service/test_support/fake_installation_folder_details.h"
#include "desktop/windows/installer/ui/accessible_name.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/progress_calculator.h"
#include "desktop/windows/installer/ui/scoped_button_label_hook.h"
#include "desktop/windows/installer/ui/test_support/fake_progress_calculator.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"
#include "gtest/gtest.h"

namespace {

// The language the fake handler reports as chosen.
LANGID g_language_id = 0x0409;

// Strings are "#<id>" with "$1" kept for the replacement; the agreement
// holds a terms link.
class FakeL10nHandler : public L10nHandler {
 public:
  void SelectLanguage(std::wstring*) override {}
  LANGID GetLanguageId() const override { return g_language_id; }
  std::vector<std::wstring> GetAvailableLanguages() const override {
    // The empty code must not become a blank entry or shift the others.
    return {L"en", L"", L"de", L"fr"};
  }
  std::wstring GetString(int id, const std::vector<std::wstring>& replacements) const override {
    std::wstring text = id == 37005   ? L"Click $1 to accept the <a href=\"tos\">terms</a>."
                        : id == 37022 ? L"$1 DO MORE."
                        : id == 37071 ? L"#37071 $1"
                        : id == 37072 ? L"$1"
                                      : L"#" + std::to_wstring(id);
    const size_t at = text.find(L"$1");
    if (!replacements.empty() && at != std::wstring::npos)
      text.replace(at, 2, replacements[0]);
    return text;
  }
  std::wstring GetStringForLanguage(const std::wstring& code, int id) const override {
    if (id != 37051)
      return std::wstring();
    static const std::map<std::wstring, std::wstring> names = {
        {L"en", L"English"}, {L"de", L"Deutsch"}, {L"fr", L"Fran\u00e7ais"}};
    return names.at(code);
  }
};

class RecordingObserver : public InstallerWindowObserver {
 public:
  void OnAcceptClicked() override { ++accepted; }
  void OnRetryClicked() override { ++retried; }
  void OnFullPackageRequested() override { ++full_package; }
  void OnWindowClosed() override {
    ++closed;
    hook_installed_when_closed = ScopedButtonLabelHook::IsInstalled();
    if (on_closed)
      on_closed();
    if (window_to_destroy)
      window_to_destroy->reset();
  }
  int accepted = 0, retried = 0, full_package = 0, closed = 0;
  bool hook_installed_when_closed = false;
  std::function<void()> on_closed;
  std::unique_ptr<InstallerWindow>* window_to_destroy = nullptr;
};

// Answers the next message box of this thread from a timer, the way a
// user would, and remembers the labels of its buttons.
struct BoxAnswer {
  int button = IDOK;
  int answered = 0;
  std::wstring labels;
};
BoxAnswer* g_answer = nullptr;

bool IsOfClass(HWND window, const wchar_t* class_name) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, ARRAYSIZE(name));
  return lstrcmpiW(name, class_name) == 0;
}

// The first window of a class that an enumeration passes.
struct ClassSearch {
  const wchar_t* class_name;
  HWND found = nullptr;
};

BOOL CALLBACK FindOfClass(HWND window, LPARAM argument) {
  ClassSearch* search = reinterpret_cast<ClassSearch*>(argument);
  if (!IsOfClass(window, search->class_name))
    return TRUE;
  search->found = window;
  return FALSE;
}

BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
  if (!IsOfClass(window, L"#32770") || !IsWindowVisible(window) ||
      !GetWindow(window, GW_OWNER)) {
    return TRUE;
  }
  for (int id : {IDYES, IDNO, IDOK}) {
    wchar_t label[32] = {};
    if (GetDlgItemTextW(window, id, label, ARRAYSIZE(label)))
      g_answer->labels += std::wstring(label) + L";";
  }
  ++g_answer->answered;
  PostMessageW(window, WM_COMMAND, g_answer->button, 0);
  return FALSE;
}

void CALLBACK AnswerTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_answer && !g_answer->answered)
    EnumThreadWindows(GetCurrentThreadId(), AnswerBox, 0);
}

bool IsShown(HWND dialog, int id) {
  return IsWindowVisible(GetDlgItem(dialog, id));
}

std::wstring Text(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, ARRAYSIZE(text));
  return text;
}

class InstallerWindowTest : public testing::Test {
 protected:
  void SetUp() override {
    ResetL10nHandlerForTesting();
    previous_factory_ = SetL10nHandlerFactory(
        []() -> std::unique_ptr<L10nHandler> { return std::make_unique<FakeL10nHandler>(); });
    auto sender = std::make_unique<RecordingStatsSender>();
    sender_ = sender.get();
    SetAvroStatsSender(std::move(sender));
    security_.SetUser(/*elevated=*/true, /*can_elevate=*/true);
    settings_.default_install_folder = base::FilePath(L"C:\\Programs\\Tarvo");
    settings_.folder_details->path = base::FilePath(L"C:\\Programs\\Tarvo");
  }

  void TearDown() override {
    window_.reset();
    g_language_id = 0x0409;
    SetAvroStatsSender(nullptr);
    SetL10nHandlerFactory(previous_factory_);
    ResetL10nHandlerForTesting();
  }

  // Null, and the test failed, when the window cannot be made (no display).
  InstallerWindowImpl* Open() {
    window_ = InstallerWindow::Create(&settings_, &progress_);
    if (!window_) {
      ADD_FAILURE() << "the installer window could not be created";
      return nullptr;
    }
    window_->AddObserver(&observer_);
    return static_cast<InstallerWindowImpl*>(window_.get());
  }

  HWND main() const { return window_->GetHandle(); }
  HWND options() const { return static_cast<InstallerWindowImpl*>(window_.get())->options_dialog(); }
  int page() const { return static_cast<InstallerWindowImpl*>(window_.get())->current_page(); }

  void Click(HWND dialog, int id) { SendMessageW(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

  void SelectComboItem(int id, int index) {
    HWND combo = GetDlgItem(options(), id);
    SendMessageW(combo, CB_SETCURSEL, index, 0);
    SendMessageW(options(), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
  }

  // Runs `action` while a timer answers the box it opens with `button`.
  template <typename Action>
  BoxAnswer AnswerBoxDuring(int button, Action action) {
    BoxAnswer answer;
    answer.button = button;
    g_answer = &answer;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, AnswerTimer);
    action();
    KillTimer(nullptr, timer);
    g_answer = nullptr;
    return answer;
  }

  int PageEvents() const { return static_cast<int>(sender_->Named("page_transition").size()); }

  L10nHandlerFactory previous_factory_ = nullptr;
  RecordingStatsSender* sender_ = nullptr;
  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting security_override_{&security_};
  FakeSettings settings_;
  FakeProgressCalculator progress_;
  RecordingObserver observer_;
  std::unique_ptr<InstallerWindow> window_;
};

TEST_F(InstallerWindowTest, WelcomePageShowsItsControlsAndFocusesAccept) {
  ASSERT_TRUE(Open());
  ASSERT_TRUE(main());
  EXPECT_EQ(PAGE_MAIN, page());
  for (int id : {IDC_LOGO, IDC_HEADLINE, IDC_AGREEMENT, IDC_OPTIONS, IDC_ACCEPT})
    EXPECT_TRUE(IsShown(main(), id)) << id;
  for (int id : {IDC_PROGRESS_BAR, IDC_RETRY, IDC_BACK, IDC_TERMS_TEXT, IDC_UNINSTALL,
                 IDC_FULL_PACKAGE, IDC_STATUS_TEXT})
    EXPECT_FALSE(IsShown(main(), id)) << id;
  EXPECT_FALSE(IsWindowVisible(options()));
  EXPECT_EQ(GetDlgItem(main(), IDC_ACCEPT), GetFocus());
  EXPECT_EQ(L"#37007", Text(GetDlgItem(main(), IDC_ACCEPT)));
  EXPECT_EQ(L"#37000", Text(main()));
  EXPECT_EQ(L"#37006", Text(GetDlgItem(main(), IDC_OPTIONS)));
  // The headline's $1 is the product word.
  EXPECT_EQ(L"#37023 DO MORE.", Text(GetDlgItem(main(), IDC_HEADLINE)));
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main(), IDC_ACCEPT)));

  Click(main(), IDC_ACCEPT);
  EXPECT_EQ(1, observer_.accepted);
}

TEST_F(InstallerWindowTest, ExistingInstallationTurnsAcceptIntoUpgrade) {
  settings_.folder_details->existing_status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
  ASSERT_TRUE(Open());
  EXPECT_EQ(L"#37008", Text(GetDlgItem(main(), IDC_ACCEPT)));
}

TEST_F(InstallerWindowTest, OptionsAndBackSwitchPagesAndSamePageSendsNoEvent) {
  ASSERT_TRUE(Open());
  const int events = PageEvents();
  Click(main(), IDC_OPTIONS);
  EXPECT_EQ(PAGE_OPTIONS, page());
  EXPECT_TRUE(IsWindowVisible(options()));
  EXPECT_TRUE(IsShown(main(), IDC_BACK));
  EXPECT_TRUE(IsShown(main(), IDC_ACCEPT));
  EXPECT_FALSE(IsShown(main(), IDC_OPTIONS));
  EXPECT_FALSE(IsShown(options(), IDC_FOLDER_PROBLEM_TEXT));
  EXPECT_EQ(events + 1, PageEvents());
  // The same page again: no statistics event.
  settings_.NotifyFlagChanged();
  SendMessageW(main(), WM_COMMAND, MAKEWPARAM(IDC_OPTIONS, BN_CLICKED), 0);
  EXPECT_EQ(events + 1, PageEvents());

  Click(main(), IDC_BACK);
  EXPECT_EQ(PAGE_MAIN, page());
  EXPECT_FALSE(IsWindowVisible(options()));
  EXPECT_EQ(events + 2, PageEvents());
}

TEST_F(InstallerWindowTest, TermsLinkOpensTheTermsPage) {
  ASSERT_TRUE(Open());
  HWND agreement = GetDlgItem(main(), IDC_AGREEMENT);
  const std::wstring shown = Text(agreement);
  const size_t at = shown.find(L"terms");
  ASSERT_NE(std::wstring::npos, at) << shown;
  ENLINK link = {};
  link.nmhdr.hwndFrom = agreement;
  link.nmhdr.idFrom = IDC_AGREEMENT;
  link.nmhdr.code = EN_LINK;
  link.msg = WM_LBUTTONUP;
  link.chrg = {static_cast<LONG>(at), static_cast<LONG>(at + 5)};
  SendMessageW(main(), WM_NOTIFY, IDC_AGREEMENT, reinterpret_cast<LPARAM>(&link));
  EXPECT_EQ(PAGE_TERMS, page());
  EXPECT_TRUE(IsShown(main(), IDC_TERMS_TEXT));
  EXPECT_TRUE(IsShown(main(), IDC_ACCEPT));
  EXPECT_FALSE(IsShown(main(), IDC_AGREEMENT));
  EXPECT_EQ(GetDlgItem(main(), IDC_ACCEPT), GetFocus());
}

TEST_F(InstallerWindowTest, FolderProblemOpensOptionsAndDisablesAccept) {
  settings_.folder_problem = FOLDER_PROBLEM_INVALID_PATH;
  settings_.folder_details->folder_problem = FOLDER_PROBLEM_INVALID_PATH;
  ASSERT_TRUE(Open());
  EXPECT_EQ(PAGE_OPTIONS, page());
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main(), IDC_ACCEPT)));
  EXPECT_FALSE(IsWindowEnabled(GetDlgItem(main(), IDC_BACK)));
  EXPECT_TRUE(IsShown(options(), IDC_FOLDER_PROBLEM_TEXT));
  EXPECT_EQ(L"#37017", Text(GetDlgItem(options(), IDC_FOLDER_PROBLEM_TEXT)));

  settings_.folder_problem = FOLDER_PROBLEM_NONE;
  settings_.folder_details->folder_problem = FOLDER_PROBLEM_NONE;
  settings_.NotifyPathChanged();
  EXPECT_TRUE(IsWindowEnabled(GetDlgItem(main(), IDC_ACCEPT)));
  EXPECT_FALSE(IsShown(options(), IDC_FOLDER_PROBLEM_TEXT));
}

// A drive named in the lack-of-space text reads left to right in a
// right-to-left language: a mark after it keeps "C:" from showing as ":C".
TEST_F(InstallerWindowTest, DrivesOfTheSpaceProblemReadLeftToRight) {
  settings_.folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
  settings_.folder_details->folder_problem = FOLDER_PROBLEM_NOT_ENOUGH_SPACE;
  settings_.folder_details->volumes_without_enough_space = {{base::FilePath(L"C:"), 400},
                                                            {base::FilePath(L"D:"), 200}};
  ASSERT_TRUE(Open());
  EXPECT_EQ(L"#37071 C:\u200E, D:\u200E", Text(GetDlgItem(options(), IDC_FOLDER_PROBLEM_TEXT)));
}

TEST_F(InstallerWindowTest, LanguageComboSkipsEmptyCodesAndMapsItemsToTheList) {
  settings_.language = L"fr";
  ASSERT_TRUE(Open());
  HWND combo = GetDlgItem(options(), IDC_LANGUAGE_COMBO);
  ASSERT_EQ(3, SendMessageW(combo, CB_GETCOUNT, 0, 0));
  // Sorted or not, the selection follows the settings' language.
  const LRESULT selected = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  ASSERT_NE(CB_ERR, selected);
  wchar_t name[32] = {};
  SendMessageW(combo, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(name));
  EXPECT_STREQ(L"Fran\u00e7ais", name);

  const LRESULT deutsch =
      SendMessageW(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(L"Deutsch"));
  ASSERT_NE(CB_ERR, deutsch);
  SelectComboItem(IDC_LANGUAGE_COMBO, static_cast<int>(deutsch));
  EXPECT_EQ(L"de", settings_.language);
  EXPECT_EQ(1, static_cast<InstallerWindowImpl*>(window_.get())
                   ->page_stats().changed_language_counter.value_or(0));
}

TEST_F(InstallerWindowTest, FolderSelectionTakesTheSelectedItemNotTheOldEditText) {
  settings_.folder_details->path = base::FilePath(L"D:\\Elsewhere");
  ASSERT_TRUE(Open());
  HWND combo = GetDlgItem(options(), IDC_FOLDER_COMBO);
  // A current folder that is no candidate is the edit text.
  EXPECT_EQ(L"D:\\Elsewhere", Text(combo));
  EXPECT_EQ(CB_ERR, SendMessageW(combo, CB_GETCURSEL, 0, 0));

  SendMessageW(combo, CB_SETCURSEL, 0, 0);
  // During the notification the edit part still holds the old text.
  COMBOBOXINFO info = {sizeof(info)};
  ASSERT_TRUE(GetComboBoxInfo(combo, &info));
  SetWindowTextW(info.hwndItem, L"D:\\Elsewhere");
  SendMessageW(options(), WM_COMMAND, MAKEWPARAM(IDC_FOLDER_COMBO, CBN_SELCHANGE),
               reinterpret_cast<LPARAM>(combo));
  ASSERT_EQ(1u, settings_.requested_folders.size());
  EXPECT_EQ(L"C:\\Programs\\Tarvo", settings_.requested_folders[0]);
}

TEST_F(InstallerWindowTest, CheckBoxesAndInstallTypeChangeEditableSettingsOnly) {
  ASSERT_TRUE(Open());
  Click(options(), IDC_IMPORT_DATA);
  EXPECT_TRUE(settings_.GetImportBrowserData());
  Click(options(), IDC_SHARE_STATISTICS);
  EXPECT_TRUE(settings_.GetEnableBrowserStats());
  EXPECT_TRUE(settings_.GetEnableInstallerStats());
  SelectComboItem(IDC_INSTALL_TYPE_COMBO, INSTALL_MODE_STANDALONE);
  ASSERT_EQ(1u, settings_.requested_modes.size());
  EXPECT_EQ(INSTALL_MODE_STANDALONE, settings_.requested_modes[0]);

  settings_.editable = false;
  Click(options(), IDC_IMPORT_DATA);
  SelectComboItem(IDC_INSTALL_TYPE_COMBO, INSTALL_MODE_ALL_USERS);
  EXPECT_TRUE(settings_.GetImportBrowserData());
  EXPECT_EQ(1u, settings_.requested_modes.size());
  // The refreshed texts show the settings again, not the click.
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(options(), IDC_IMPORT_DATA));
}

// Whether the options page offers to make the browser the default depends
// on the system: always up to Windows 7, never on Windows 8 and 8.1, and on
// Windows 10 only where Internet Explorer still is.
TEST_F(InstallerWindowTest, DefaultBrowserBoxFollowsTheWindowsVersion) {
  const struct {
    base::win::Version version;
    bool internet_explorer;
    bool shown;
  } cases[] = {
      {base::win::VERSION_WIN7, false, true},    {base::win::VERSION_WIN8, true, false},
      {base::win::VERSION_WIN8_1, true, false},  {base::win::VERSION_WIN10, true, true},
      {base::win::VERSION_WIN10, false, false},
  };
  for (const auto& c : cases) {
    auto os = std::make_unique<FakeOSOperations>();
    os->windows_version = c.version;
    os->internet_explorer_available = c.internet_explorer;
    OSOperations::SetInstanceForTesting(std::move(os));
    Open();
    const LONG style = GetWindowLongW(GetDlgItem(options(), IDC_DEFAULT_BROWSER), GWL_STYLE);
    EXPECT_EQ(c.shown, (style & WS_VISIBLE) != 0) << c.version << " " << c.internet_explorer;
    window_.reset();
  }
  OSOperations::ResetForTesting();
}

// The install-type box explains the three types in a tooltip; the type
// names stand at the start of their lines, the descriptions indented (by
// spaces: a tab shows as a box under Wine).
TEST_F(InstallerWindowTest, InstallTypeBoxHasTheTypesTooltip) {
  Open();
  ClassSearch search = {TOOLTIPS_CLASSW};
  EnumThreadWindows(GetCurrentThreadId(), FindOfClass, reinterpret_cast<LPARAM>(&search));
  HWND tooltip = search.found;
  ASSERT_TRUE(tooltip);
  ASSERT_EQ(1, SendMessageW(tooltip, TTM_GETTOOLCOUNT, 0, 0));
  wchar_t text[512] = {};
  TOOLINFOW info = {sizeof(info)};
  info.lpszText = text;
  ASSERT_TRUE(SendMessageW(tooltip, TTM_ENUMTOOLSW, 0, reinterpret_cast<LPARAM>(&info)));
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(GetDlgItem(options(), IDC_INSTALL_TYPE_COMBO)), info.uId);
  EXPECT_STREQ(L"#37040\n\u2003\u2003#37041\n\n#37042\n\u2003\u2003#37043\n\n#37044\n"
               L"\u2003\u2003#37045",
               text);
}

// What the folder browser shows, seen from a timer while it runs; it is
// accepted once the folder it should start on is selected (the tree fills
// in after the dialog shows), or after 2 s: under Wine the selection now and
// then stops at a folder above the one asked for.
struct BrowseSeen {
  std::wstring expected_selection;
  int ticks = 0;
  bool found = false;
  std::wstring texts;
};
BrowseSeen* g_browse = nullptr;

BOOL CALLBACK CollectText(HWND child, LPARAM texts) {
  *reinterpret_cast<std::wstring*>(texts) += Text(child) + L"|";
  return TRUE;
}

std::wstring SelectedTreeItem(HWND dialog) {
  ClassSearch search = {WC_TREEVIEWW};
  EnumChildWindows(dialog, FindOfClass, reinterpret_cast<LPARAM>(&search));
  HWND tree = search.found;
  if (!tree)
    return std::wstring();
  wchar_t text[MAX_PATH] = {};
  TVITEMW item = {};
  item.mask = TVIF_TEXT;
  item.hItem = TreeView_GetSelection(tree);
  item.pszText = text;
  item.cchTextMax = ARRAYSIZE(text);
  if (!item.hItem || !TreeView_GetItem(tree, &item))
    return std::wstring();
  return text;
}

BOOL CALLBACK AcceptBrowseDialog(HWND window, LPARAM) {
  // The window's own dialogs are #32770 too; the browser is owned by one.
  if (!IsOfClass(window, L"#32770") || !IsWindowVisible(window) ||
      !GetWindow(window, GW_OWNER)) {
    return TRUE;
  }
  if (lstrcmpiW(SelectedTreeItem(window).c_str(), g_browse->expected_selection.c_str()) != 0 &&
      ++g_browse->ticks < 40) {
    return FALSE;
  }
  g_browse->found = true;
  EnumChildWindows(window, CollectText, reinterpret_cast<LPARAM>(&g_browse->texts));
  PostMessageW(window, WM_COMMAND, IDOK, 0);
  return FALSE;
}

void CALLBACK BrowseTimer(HWND, UINT, UINT_PTR, DWORD) {
  if (g_browse && !g_browse->found)
    EnumThreadWindows(GetCurrentThreadId(), AcceptBrowseDialog, 0);
}

// "Change" opens the folder browser with its title, starting on the folder
// of the box (or, under Wine, on the way to it), or where that is not there
// yet on the folder it would be made in; the folder chosen there becomes
// the install folder.
TEST_F(InstallerWindowTest, BrowseChoosesTheInstallFolder) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  for (const base::FilePath& in_box :
       {folder.GetPath(), folder.GetPath().Append(L"not yet").Append(L"Tarvo")}) {
    SCOPED_TRACE(in_box.value());
    settings_.folder_details->path = in_box;
    settings_.requested_folders.clear();
    Open();
    Click(main(), IDC_OPTIONS);
    BrowseSeen seen;
    seen.expected_selection = folder.GetPath().BaseName().value();
    g_browse = &seen;
    const UINT_PTR timer = SetTimer(nullptr, 0, 50, BrowseTimer);
    Click(options(), IDC_BROWSE);
    KillTimer(nullptr, timer);
    g_browse = nullptr;
    ASSERT_TRUE(seen.found);
    EXPECT_NE(std::wstring::npos, seen.texts.find(L"#37031")) << seen.texts;
    ASSERT_EQ(1u, settings_.requested_folders.size()) << seen.texts;
    const base::FilePath chosen(settings_.requested_folders[0]);
    EXPECT_TRUE(base::FilePath::CompareEqualIgnoreCase(folder.GetPath().value(), chosen.value()) ||
                chosen.IsParent(folder.GetPath()))
        << chosen.value();
    EXPECT_TRUE(chosen.IsAbsolute()) << chosen.value();
    EXPECT_EQ(settings_.requested_folders[0], Text(GetDlgItem(options(), IDC_FOLDER_COMBO)));
  }
}

TEST_F(InstallerWindowTest, UninstallModeShowsOnlyTheUninstallPage) {
  settings_.operation = INSTALL_OPERATION_UNINSTALL;
  settings_.flags[DELETE_PROFILE] = true;
  ASSERT_TRUE(Open());
  EXPECT_EQ(PAGE_UNINSTALL, page());
  for (int id : {IDC_UNINSTALL, IDC_CANCEL, IDC_UNINSTALL_QUESTION, IDC_DELETE_PROFILE, IDC_LOGO})
    EXPECT_TRUE(IsShown(main(), id)) << id;
  for (int id : {IDC_ACCEPT, IDC_OPTIONS, IDC_BACK, IDC_AGREEMENT})
    EXPECT_FALSE(IsShown(main(), id)) << id;
  EXPECT_EQ(GetDlgItem(main(), IDC_UNINSTALL), GetFocus());
  EXPECT_EQ(L"#37037", Text(GetDlgItem(main(), IDC_UNINSTALL)));
  EXPECT_EQ(BST_CHECKED, IsDlgButtonChecked(main(), IDC_DELETE_PROFILE));
  EXPECT_EQ(0, SendMessageW(GetDlgItem(options(), IDC_LANGUAGE_COMBO), CB_GETCOUNT, 0, 0));

  Click(main(), IDC_DELETE_PROFILE);
  EXPECT_FALSE(settings_.GetDeleteProfile());
  Click(main(), IDC_UNINSTALL);
  EXPECT_EQ(1, observer_.accepted);

  // The install's headlines and Back stay hidden; Cancel is on the
  // question page only.
  window_->ShowProgressPage();
  EXPECT_FALSE(IsShown(main(), IDC_PROGRESS_HEADLINE));
  EXPECT_EQ(L"", Text(GetDlgItem(main(), IDC_PROGRESS_HEADLINE)));
  window_->ShowError(L"failed", /*offer_full_package=*/false, "detail");
  EXPECT_TRUE(IsShown(main(), IDC_UNINSTALL_ERROR_HEADLINE));
  EXPECT_TRUE(IsShown(main(), IDC_RETRY));
  for (int id : {IDC_BACK, IDC_CANCEL, IDC_ERROR_HEADLINE})
    EXPECT_FALSE(IsShown(main(), id)) << id;
}

// The agreement sentence, the terms box and the progress bar have no label
// beside them: assistive technology gets a name for each, also from a
// window made again for a language of the other direction.
TEST_F(InstallerWindowTest, ControlsWithoutLabelsAreNamed) {
  ScopedAccessibleNamesForTesting names;
  ASSERT_TRUE(Open());
  for (LANGID language : {0x0409, 0x0401}) {
    SCOPED_TRACE(language);
    if (language != g_language_id) {
      g_language_id = language;
      settings_.SetLanguage(L"ar");
      ASSERT_TRUE(static_cast<InstallerWindowImpl*>(window_.get())->IsMirrored());
    }
    EXPECT_EQ(L"Click #37007 to accept the terms.",
              names.NameOf(GetDlgItem(main(), IDC_AGREEMENT)));
    EXPECT_EQ(L"terms", names.NameOf(GetDlgItem(main(), IDC_TERMS_TEXT)));
    window_->ShowProgressPage();
    window_->ShowPhaseStatus(6);
    EXPECT_EQ(L"#37026", names.NameOf(GetDlgItem(main(), IDC_PROGRESS_BAR)));
    EXPECT_EQ(GetDlgItem(main(), IDC_PROGRESS_BAR), GetFocus());
    window_->ShowPhaseStatus(0);
    EXPECT_EQ(L"#37025", names.NameOf(GetDlgItem(main(), IDC_PROGRESS_BAR)));
  }
}

TEST_F(InstallerWindowTest, ProgressPageJumpsOrStepsTheBar) {
  ASSERT_TRUE(Open());
  window_->ShowProgressPage();
  EXPECT_EQ(PAGE_PROGRESS, page());
  EXPECT_TRUE(IsShown(main(), IDC_PROGRESS_BAR));
  EXPECT_TRUE(IsShown(main(), IDC_PROGRESS_HEADLINE));
  EXPECT_FALSE(IsShown(main(), IDC_ACCEPT));
  HWND bar = GetDlgItem(main(), IDC_PROGRESS_BAR);
  EXPECT_EQ(1300, SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
  ASSERT_TRUE(progress_.observer());
  progress_.observer()->OnProgressChanged(500);
  EXPECT_EQ(500, SendMessageW(bar, PBM_GETPOS, 0, 0));
  progress_.observer()->OnProgressChanged(507);
  EXPECT_EQ(507, SendMessageW(bar, PBM_GETPOS, 0, 0));
  progress_.observer()->OnProgressChanged(300);
  EXPECT_EQ(507, SendMessageW(bar, PBM_GETPOS, 0, 0));

  window_->ShowPhaseStatus(6);
  EXPECT_EQ(L"#37026", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
  window_->ShowPhaseStatus(1);
  EXPECT_EQ(L"#37025", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
  settings_.flags[ALL_USERS_FLAG] = true;
  window_->ShowPhaseStatus(3);
  EXPECT_EQ(L"#37027", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
}

TEST_F(InstallerWindowTest, ErrorPageOffersRetryAndTheFullPackage) {
  ASSERT_TRUE(Open());
  window_->ShowError(L"It broke", /*offer_full_package=*/true, "broken");
  EXPECT_EQ(PAGE_ERROR, page());
  EXPECT_EQ(L"It broke", Text(GetDlgItem(main(), IDC_STATUS_TEXT)));
  for (int id : {IDC_RETRY, IDC_FULL_PACKAGE, IDC_ERROR_HEADLINE, IDC_BACK, IDC_STATUS_TEXT})
    EXPECT_TRUE(IsShown(main(), id)) << id;
  EXPECT_EQ(GetDlgItem(main(), IDC_RETRY), GetFocus());
  EXPECT_EQ("broken", static_cast<InstallerWindowImpl*>(window_.get())
                          ->page_stats().failure_reason.value_or(""));
  Click(main(), IDC_RETRY);
  Click(main(), IDC_FULL_PACKAGE);
  EXPECT_EQ(1, observer_.retried);
  EXPECT_EQ(1, observer_.full_package);

  // Shown again without the offer, on the same page.
  window_->ShowError(L"Again", /*offer_full_package=*/false, "again");
  EXPECT_FALSE(IsShown(main(), IDC_FULL_PACKAGE));
}

TEST_F(InstallerWindowTest, CloseConfirmationNoKeepsRunningYesCloses) {
  ASSERT_TRUE(Open());
  BoxAnswer no = AnswerBoxDuring(IDNO, [&] { SendMessageW(main(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(1, no.answered);
  EXPECT_EQ(0, observer_.closed);
  // The hook gave the box the installer's own labels.
  EXPECT_EQ(L"#37003;#37004;", no.labels);

  BoxAnswer yes = AnswerBoxDuring(IDYES, [&] { SendMessageW(main(), WM_CLOSE, 0, 0); });
  EXPECT_EQ(1, yes.answered);
  EXPECT_EQ(1, observer_.closed);
  EXPECT_FALSE(observer_.hook_installed_when_closed);
}

// A language that reads right to left gets a mirrored window, options page
// included, whose texts read right to left, folder paths excepted; others
// keep the layout.
TEST_F(InstallerWindowTest, RightToLeftLanguagesMirrorTheWindow) {
  const struct {
    LANGID language;
    bool mirrored;
  } cases[] = {{0x0401, true}, {0x040D, true}, {0x0429, true}, {0x0409, false},
               {0x0411, false}, {0x0407, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.language);
    window_.reset();
    g_language_id = c.language;
    InstallerWindowImpl* window = Open();
    ASSERT_TRUE(window);
    EXPECT_EQ(c.mirrored, window->IsMirrored());
    EXPECT_EQ(c.mirrored, (GetWindowLongPtrW(main(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
    EXPECT_EQ(c.mirrored, (GetWindowLongPtrW(options(), GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
    // The tooltip, a pop-up of its own, too: its lines align right.
    ClassSearch tip = {TOOLTIPS_CLASSW};
    EnumThreadWindows(GetCurrentThreadId(), FindOfClass, reinterpret_cast<LPARAM>(&tip));
    ASSERT_TRUE(tip.found);
    EXPECT_EQ(c.mirrored, (GetWindowLongPtrW(tip.found, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0);
    // Every control of the template is still there and keeps its texts,
    // embedded right to left where the window is.
    EXPECT_EQ(c.mirrored ? L"\u202B#37007\u202C" : L"#37007", Text(GetDlgItem(main(), IDC_ACCEPT)));
    EXPECT_TRUE(GetDlgItem(options(), IDC_LANGUAGE_COMBO));
    for (int id : {IDC_AGREEMENT, IDC_HEADLINE}) {
      PARAFORMAT2 format = {};
      format.cbSize = sizeof(format);
      SendMessageW(GetDlgItem(main(), id), EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&format));
      EXPECT_EQ(c.mirrored, (format.wEffects & PFE_RTLPARA) != 0) << id;
    }
    EXPECT_EQ(c.mirrored, (GetWindowLongPtrW(GetDlgItem(options(), IDC_FOLDER_LABEL), GWL_EXSTYLE) &
                           WS_EX_RTLREADING) != 0);
    // A path reads left to right in every language: the edit field and the
    // list of each folder box are neither mirrored nor right to left.
    for (HWND box : {GetDlgItem(options(), IDC_FOLDER_COMBO),
                     GetDlgItem(main(), IDC_MAIN_FOLDER_COMBO)}) {
      COMBOBOXINFO info = {sizeof(info)};
      ASSERT_TRUE(GetComboBoxInfo(box, &info));
      for (HWND part : {info.hwndItem, info.hwndList}) {
        ASSERT_TRUE(part);
        EXPECT_EQ(0, GetWindowLongPtrW(part, GWL_EXSTYLE) &
                         (WS_EX_LAYOUTRTL | WS_EX_RTLREADING | WS_EX_RIGHT));
      }
      EXPECT_EQ(0, GetWindowLongPtrW(info.hwndItem, GWL_STYLE) & (ES_CENTER | ES_RIGHT));
    }
  }
}

TEST_F(InstallerWindowTest, MessageBoxObserverMayDestroyTheWindow) {
  ASSERT_TRUE(Open());
  observer_.window_to_destroy = &window_;
  BoxAnswer ok = AnswerBoxDuring(IDOK, [&] { window_->ShowMessageBox(L"Payload corrupted"); });
  EXPECT_EQ(1, ok.answered);
  EXPECT_EQ(L"#37001;", ok.labels);
  EXPECT_EQ(1, observer_.closed);
  // The hook is gone before the observers hear of the end.
  EXPECT_FALSE(observer_.hook_installed_when_closed);
  EXPECT_FALSE(window_);
  EXPECT_FALSE(ScopedButtonLabelHook::IsInstalled());
}

// The run ends by flushing the statistics while the window still stands
// (it is destroyed later, outside its own dialog procedure): the record of
// the page the user closed goes out with that flush, with what it showed.
TEST_F(InstallerWindowTest, LastPageRecordGoesOutWithTheFinalFlush) {
  enum End { kCloseWelcome, kCloseError, kMessageBox };
  const struct {
    const char* name;
    End end;
    const char* action;
    const char* failure_reason;
    const char* error_displayed;
  } cases[] = {
      {"closed welcome page", kCloseWelcome, "CANCEL", nullptr, nullptr},
      {"closed error page", kCloseError, "CANCEL", "broken", nullptr},
      {"message box", kMessageBox, nullptr, nullptr, "No SSE2"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto sender = std::make_unique<RecordingStatsSender>();
    sender_ = sender.get();
    SetAvroStatsSender(std::move(sender));
    ASSERT_TRUE(Open());
    observer_.on_closed = [] {
      GetAvroStatsSender()->SendPendingAndShutdown(base::BindOnce([] {}));
    };
    if (c.end == kCloseError)
      window_->ShowError(L"It broke", /*offer_full_package=*/false, "broken");
    if (c.end == kMessageBox)
      AnswerBoxDuring(IDOK, [&] { window_->ShowMessageBox(L"No SSE2"); });
    else
      AnswerBoxDuring(IDYES, [&] { SendMessageW(main(), WM_CLOSE, 0, 0); });
    ASSERT_TRUE(sender_->finished());
    window_.reset();
    EXPECT_EQ(0, sender_->lost());
    const std::vector<const RecordingStatsSender::Record*> pages =
        sender_->Named("page_transition");
    ASSERT_FALSE(pages.empty());
    const RecordingStatsSender::Record* last = pages.back();
    EXPECT_EQ(-1, last->Int("page_transitions.page_type"));
    auto expect = [](const char* expected, std::optional<std::string> actual) {
      if (expected)
        EXPECT_EQ(expected, actual.value_or("<none>"));
      else
        EXPECT_FALSE(actual) << *actual;
    };
    expect(c.action, last->String("page_transitions.navigation_action"));
    expect(c.failure_reason, last->String("page_transitions.failure_reason"));
    expect(c.error_displayed, last->String("page_transitions.error_displayed"));
    observer_.on_closed = nullptr;
  }
}

// The labels and check boxes of the options page hold their texts in every
// language as this system draws them (the build measures the same texts
// with the same fonts; this holds that measure to the real controls).
TEST_F(InstallerWindowTest, EveryLanguageFitsTheOptionsPage) {
  SetL10nHandlerFactory(previous_factory_);
  ResetL10nHandlerForTesting();
  const std::vector<std::wstring> languages = GetL10nHandler()->GetAvailableLanguages();
  ASSERT_EQ(45u, languages.size());
  for (const std::wstring& language : languages) {
    SCOPED_TRACE(language);
    window_.reset();
    ResetL10nHandlerForTesting();
    std::wstring chosen = language;
    SelectL10nLanguage(&chosen);
    ASSERT_EQ(language, chosen);
    settings_.language = chosen;
    ASSERT_TRUE(Open());
    RECT box_room = {0, 0, 12, 8};
    MapDialogRect(options(), &box_room);
    for (int id : {IDC_LANGUAGE_LABEL, IDC_INSTALL_TYPE_LABEL, IDC_FOLDER_LABEL,
                   IDC_DEFAULT_BROWSER, IDC_IMPORT_DATA, IDC_SHARE_STATISTICS}) {
      HWND control = GetDlgItem(options(), id);
      std::wstring text = Text(control);
      text.erase(std::remove(text.begin(), text.end(), L'&'), text.end());
      RECT client = {};
      GetClientRect(control, &client);
      const bool check_box = id >= IDC_DEFAULT_BROWSER;
      RECT needed = {0, 0, client.right - (check_box ? box_room.right : 0), 0};
      HDC dc = GetDC(control);
      HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(control, WM_GETFONT, 0, 0)));
      TEXTMETRICW metrics = {};
      GetTextMetricsW(dc, &metrics);
      DrawTextW(dc, text.c_str(), -1, &needed, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
      SelectObject(dc, old);
      ReleaseDC(control, dc);
      // A label is one line; a check box two.
      const int lines = (needed.bottom + metrics.tmHeight - 1) / metrics.tmHeight;
      EXPECT_LE(lines, check_box ? 2 : 1) << id << " " << text;
      EXPECT_LE(needed.right, client.right) << id << " " << text;
    }
  }
}

}  // namespace
