#include "desktop/windows/installer/ui/options_page.h"

#include <commctrl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <utility>

#include "base/files/file_util.h"
#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_string_ids.h"
#include "desktop/windows/installer/ui/module_dialog.h"
#include "desktop/windows/installer/ui/reading_direction.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

// 300 pixels at 96 dots per inch, in dialog units: the tip grows with the
// screen's resolution and the dialogs' font, as the window does.
constexpr int kTooltipWidthDlu = 200;
// Before each install type's description. Not a tab: tooltips under Wine
// draw a tab as a box.
constexpr wchar_t kDescriptionIndent[] = L"\u2003\u2003";

struct ControlText {
  int control_id;
  int string_id;
};

constexpr ControlText kTexts[] = {
    {IDC_BROWSE, IDS_BROWSE},
    {IDC_DEFAULT_BROWSER, IDS_DEFAULT_BROWSER},
    {IDC_IMPORT_DATA, IDS_IMPORT_DATA},
    {IDC_SHARE_STATISTICS, IDS_SHARE_STATISTICS},
    {IDC_FOLDER_PROBLEM_TEXT, IDS_INVALID_PATH},
    {IDC_LANGUAGE_LABEL, IDS_LANGUAGE_LABEL},
    {IDC_INSTALL_TYPE_LABEL, IDS_INSTALL_TYPE_LABEL},
    {IDC_FOLDER_LABEL, IDS_FOLDER_LABEL},
};

void SetChecked(HWND dialog, int id, bool checked) {
  CheckDlgButton(dialog, id, checked ? BST_CHECKED : BST_UNCHECKED);
}


bool IsChecked(HWND dialog, int id) {
  return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}


void Increment(std::optional<int32_t>* counter) {
  *counter = counter->value_or(0) + 1;
}


std::wstring ComboItemText(HWND combo, int index) {
  const LRESULT length = SendMessageW(combo, CB_GETLBTEXTLEN, index, 0);
  if (length == CB_ERR)
    return std::wstring();
  std::wstring text(length + 1, L'\0');
  const LRESULT copied =
      SendMessageW(combo, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
  text.resize(copied == CB_ERR ? 0 : copied);
  return text;
}


// The folder browser cannot start on a folder that is not there yet (it
// would start on the desktop): it starts on the one it would be made in.
base::FilePath NearestExistingFolder(base::FilePath path) {
  if (!path.IsAbsolute())
    return base::FilePath();
  while (!base::DirectoryExists(path)) {
    const base::FilePath parent = path.DirName();
    if (parent == path)
      return base::FilePath();
    path = parent;
  }
  return path;
}

bool ComboListIs(HWND combo, const std::vector<base::FilePath>& folders) {
  if (SendMessageW(combo, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(folders.size()))
    return false;
  for (size_t i = 0; i < folders.size(); ++i) {
    if (ComboItemText(combo, static_cast<int>(i)) != folders[i].value())
      return false;
  }
  return true;
}

}  // namespace

OptionsPage::OptionsPage(Settings* settings, PageTransitionStats* stats,
                         base::RepeatingClosure refresh)
    : settings_(settings), stats_(stats), refresh_(std::move(refresh)) {
  if (L10nHandler* handler = GetL10nHandler())
    languages_ = handler->GetAvailableLanguages();
}

OptionsPage::~OptionsPage() {
  Detach();
}

HWND OptionsPage::MakeDialog(HWND main, int points) {
  // A child of the main dialog: mirrored with it.
  return CreateModuleDialog(IDD_INSTALLER_OPTIONS, main, DialogProc,
                            reinterpret_cast<LPARAM>(this), /*mirrored=*/false, points);
}

void OptionsPage::Detach() {
  if (tooltip_)
    DestroyWindow(tooltip_);
  tooltip_ = nullptr;
  // Its window destroys the dialog; its procedure must not reach this page.
  if (dialog_)
    SetWindowLongPtrW(dialog_, DWLP_USER, 0);
  dialog_ = nullptr;
}

HWND OptionsPage::Item(int id) const {
  return GetDlgItem(dialog_, id);
}

void OptionsPage::ReloadTexts() {
  for (const ControlText& text : kTexts)
    SetDirectedText(Item(text.control_id), GetLocalizedString(text.string_id));
  FillLanguageCombo();
  FillInstallTypeCombo();
  RebuildTooltip();
}

void OptionsPage::Update(int problem) {
  HWND install_type = Item(IDC_INSTALL_TYPE_COMBO);
  // A folder with a problem leaves the operation open: another install type
  // (and its default folder) may be what mends it.
  const InstallOperation operation = settings_->GetOperation();
  EnableWindow(install_type, operation == INSTALL_OPERATION_INSTALL ||
                                 (operation == INSTALL_OPERATION_UNKNOWN &&
                                  problem != FOLDER_PROBLEM_NONE));
  SendMessageW(install_type, CB_SETCURSEL, settings_->GetInstallMode(), 0);
  EnableWindow(Item(IDC_DEFAULT_BROWSER), settings_->CanChangeShortcuts());
  SetChecked(dialog_, IDC_DEFAULT_BROWSER, settings_->GetDefaultBrowser());
  SetChecked(dialog_, IDC_IMPORT_DATA, settings_->GetImportBrowserData());
  SetChecked(dialog_, IDC_SHARE_STATISTICS,
             settings_->GetEnableBrowserStats() || settings_->GetEnableInstallerStats());
  RefillFolderCombo();
  if (problem != FOLDER_PROBLEM_NONE) {
    SetDirectedText(Item(IDC_FOLDER_PROBLEM_TEXT),
                    FolderProblemText(problem, settings_->GetFolderDetails()));
  }
}

void OptionsPage::FillLanguageCombo() {
  HWND combo = Item(IDC_LANGUAGE_COMBO);
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  L10nHandler* handler = GetL10nHandler();
  const std::wstring current = settings_->GetLanguage();
  int item = 0;
  for (size_t index = 0; index < languages_.size(); ++index) {
    const std::wstring& code = languages_[index];
    // An empty code would be a blank entry that selects nothing.
    if (code.empty())
      continue;
    std::wstring name = handler ? handler->GetStringForLanguage(code, IDS_LANGUAGE_NAME) : code;
    if (name.empty())
      name = code;
    const LRESULT added = SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
    if (added == CB_ERR || added == CB_ERRSPACE) {
      LOG(ERROR) << "Adding item #" << item << " to the language dropdown failed";
      continue;
    }
    ++item;
    // The item keeps its list index: skipped entries shift the positions.
    SendMessageW(combo, CB_SETITEMDATA, added, index);
    if (base::EqualsCaseInsensitiveASCII(code, current))
      SendMessageW(combo, CB_SETCURSEL, added, 0);
  }
}

void OptionsPage::FillInstallTypeCombo() {
  HWND combo = Item(IDC_INSTALL_TYPE_COMBO);
  LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR)
    selection = 0;
  SendMessageW(combo, CB_RESETCONTENT, 0, 0);
  std::wstring current_user = GetLocalizedString(IDS_CURRENT_USER);
  wchar_t user[257] = {};
  DWORD size = ARRAYSIZE(user);
  if (GetUserNameW(user, &size) && user[0])
    current_user += L" (" + std::wstring(user) + L")";
  for (const std::wstring& text :
       {GetLocalizedString(IDS_ALL_USERS), current_user, GetLocalizedString(IDS_STANDALONE)}) {
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(DirectedText(dialog_, text).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

void OptionsPage::RebuildTooltip() {
  if (!tooltip_)
    return;
  std::vector<std::wstring> parts;
  for (int id = IDS_INSTALL_TYPE_TIP_FIRST; id < IDS_INSTALL_TYPE_TIP_FIRST + 6; ++id)
    parts.push_back(GetLocalizedString(id));
  const std::wstring indent = std::wstring(L"\n") + kDescriptionIndent;
  std::wstring text = DirectedText(dialog_, parts[0] + indent + parts[1] + L"\n\n" + parts[2] +
                                                indent + parts[3] + L"\n\n" + parts[4] + indent +
                                                parts[5]);
  TOOLINFOW info = {sizeof(info)};
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = dialog_;
  info.uId = reinterpret_cast<UINT_PTR>(Item(IDC_INSTALL_TYPE_COMBO));
  info.lpszText = text.data();
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void OptionsPage::LayOut() {
  if (settings_->GetRunImmediately())
    return;
  // Windows 8 and 8.1 let only the user choose the default browser; from
  // Windows 10 on the choice is offered where Internet Explorer still is.
  OSOperations* os = OSOperations::GetInstance();
  bool show_default_browser = true;
  const base::win::Version version = os->GetWindowsVersion();
  if (version == base::win::VERSION_WIN8 || version == base::win::VERSION_WIN8_1)
    show_default_browser = false;
  else if (version >= base::win::VERSION_WIN10)
    show_default_browser = os->IsInternetExplorerAvailable();
  ShowWindow(Item(IDC_DEFAULT_BROWSER), show_default_browser ? SW_SHOWNA : SW_HIDE);
  RECT combo, browse;
  GetWindowRect(Item(IDC_FOLDER_COMBO), &combo);
  GetWindowRect(Item(IDC_BROWSE), &browse);
  MapWindowPoints(nullptr, dialog_, reinterpret_cast<POINT*>(&browse), 2);
  SetWindowPos(Item(IDC_BROWSE), nullptr, browse.left, browse.top,
               browse.right - browse.left, combo.bottom - combo.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  // A pop-up is not mirrored with the window it belongs to: a tip of a
  // right-to-left window is mirrored itself, so that its lines align right.
  const DWORD mirrored = IsInMirroredWindow(dialog_) ? WS_EX_LAYOUTRTL : 0;
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST | mirrored, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_USEVISUALSTYLE, 0, 0, 0,
                             0, dialog_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_) {
    RECT width = {0, 0, kTooltipWidthDlu, 0};
    MapDialogRect(dialog_, &width);
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, width.right);
  }
}

void OptionsPage::RefillFolderCombo() {
  HWND combo = Item(IDC_FOLDER_COMBO);
  if (!combo)
    return;
  const std::vector<base::FilePath> candidates = settings_->GetCandidateInstallFolders();
  // Emptying the list empties the edit box too, and puts its caret at the
  // start: the list is rebuilt only when it changed, text and caret kept.
  if (!ComboListIs(combo, candidates)) {
    const std::wstring text = WindowText(combo);
    const LRESULT selection = SendMessageW(combo, CB_GETEDITSEL, 0, 0);
    SendMessageW(combo, CB_RESETCONTENT, 0, 0);
    for (const base::FilePath& folder : candidates)
      SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(folder.value().c_str()));
    SetWindowTextW(combo, text.c_str());
    SendMessageW(combo, CB_SETEDITSEL, 0, selection);
  }
  // What the user types stays as typed; the box shows the folder in the
  // settings' spelling once the text is used (and examined).
  const std::wstring shown = WindowText(combo);
  const std::wstring current = settings_->GetInstallFolderPath().value();
  if (typing_folder_ || (settings_->HasPendingFolderDetails() && !shown.empty()) ||
      shown == current) {
    return;
  }
  const LRESULT item =
      SendMessageW(combo, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(current.c_str()));
  if (item != CB_ERR)
    SendMessageW(combo, CB_SETCURSEL, item, 0);
  else
    SetWindowTextW(combo, current.c_str());
  const int end = GetWindowTextLengthW(combo);
  SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
}

// static
std::wstring OptionsPage::FolderProblemText(int problem,
                                                    const InstallationFolderDetails* details) {
  // A mark after a path or drive keeps it reading left to right inside a
  // right-to-left sentence ("C:", not ":C"); it is invisible elsewhere.
  constexpr wchar_t kLeftToRightMark[] = L"\u200E";
  if (details && problem == FOLDER_PROBLEM_NOT_ENOUGH_SPACE) {
    std::vector<InstallerUtils::VolumeSpace> volumes;
    for (const VolumeSpaceShortage& shortage : details->GetVolumesWithoutEnoughSpace())
      volumes.emplace_back(shortage.volume_root.value() + kLeftToRightMark, shortage.required_mib);
    return GetLocalizedStringWithReplacement(IDS_INSUFFICIENT_SPACE,
                                             InstallerUtils::GetDiskSpaceMessage(volumes));
  }
  // The settings refuse a folder too long for the installation themselves;
  // the details then found nothing wrong.
  const bool details_invalid = details && details->GetFolderProblem() == FOLDER_PROBLEM_INVALID_PATH;
  switch (details_invalid ? details->GetInvalidFolderReason() : INVALID_FOLDER_SYNTAX) {
    case INVALID_FOLDER_IS_FILE:
      return GetLocalizedStringWithReplacement(IDS_FOLDER_NOT_CREATED,
                                               details->GetPath().value() + kLeftToRightMark);
    case INVALID_FOLDER_DRIVE:
      return GetLocalizedString(IDS_INVALID_LOCATION);
    case INVALID_FOLDER_SYNTAX:
      break;
  }
  return GetLocalizedString(IDS_INVALID_PATH);
}

void OptionsPage::OnInstallTypeSelected() {
  const LRESULT selection = SendMessageW(Item(IDC_INSTALL_TYPE_COMBO), CB_GETCURSEL, 0, 0);
  if (settings_->IsEditable() && selection >= INSTALL_MODE_ALL_USERS &&
      selection <= INSTALL_MODE_STANDALONE) {
    settings_->SetMode(static_cast<InstallMode>(selection));
  } else {
    refresh_.Run();
  }
}

void OptionsPage::OnLanguageSelected() {
  HWND combo = Item(IDC_LANGUAGE_COMBO);
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (settings_->IsEditable() && selection != CB_ERR) {
    const LRESULT index = SendMessageW(combo, CB_GETITEMDATA, selection, 0);
    if (index >= 0 && static_cast<size_t>(index) < languages_.size())
      settings_->SetLanguage(languages_[index]);
  }
  refresh_.Run();
}

void OptionsPage::OnFolderChanged(const std::wstring& folder) {
  if (settings_->IsEditable())
    settings_->SetInstallFolder(folder);
  else
    refresh_.Run();
}

void OptionsPage::HandleFolderBoxCommand(HWND combo, int code) {
  switch (code) {
    case CBN_EDITCHANGE:
      typing_folder_ = true;
      OnFolderChanged(WindowText(combo));
      break;
    case CBN_SELCHANGE:
      typing_folder_ = false;
      OnFolderSelectionChanged(combo);
      break;
    case CBN_KILLFOCUS: {
      StopTypingFolder();
      // Only the focused control shows a selection.
      const int end = GetWindowTextLengthW(combo);
      SendMessageW(combo, CB_SETEDITSEL, 0, MAKELPARAM(end, end));
      break;
    }
    default:
      break;
  }
}

void OptionsPage::StopTypingFolder() {
  if (!typing_folder_)
    return;
  typing_folder_ = false;
  RefillFolderCombo();
}

void OptionsPage::OnFolderSelectionChanged(HWND combo) {
  // During the selection change the edit part still shows the old text.
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR)
    return;
  OnFolderChanged(ComboItemText(combo, static_cast<int>(selection)));
}

void OptionsPage::OnCheckBoxClicked(int id) {
  if (!settings_->IsEditable()) {
    refresh_.Run();
    return;
  }
  switch (id) {
    case IDC_DEFAULT_BROWSER:
      Increment(&stats_->changed_make_default_browser_counter);
      settings_->SetDefaultBrowser(IsChecked(dialog_, id));
      break;
    case IDC_IMPORT_DATA:
      Increment(&stats_->changed_import_data_counter);
      settings_->SetImportBrowserData(IsChecked(dialog_, id));
      break;
    case IDC_SHARE_STATISTICS: {
      Increment(&stats_->changed_enable_stats_counter);
      const bool share = IsChecked(dialog_, id);
      settings_->SetEnableBrowserStats(share);
      settings_->SetEnableInstallerStats(share);
      break;
    }
    default:
      break;
  }
}

void OptionsPage::Browse(HWND combo) {
  const std::wstring title = GetLocalizedString(IDS_BROWSE_TITLE);
  const std::wstring start = NearestExistingFolder(base::FilePath(WindowText(combo))).value();
  BROWSEINFOW info = {};
  info.hwndOwner = GetParent(dialog_);
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
  info.lParam = reinterpret_cast<LPARAM>(start.c_str());
  info.lpfn = [](HWND dialog, UINT message, LPARAM, LPARAM data) -> int {
    const auto* path = reinterpret_cast<const wchar_t*>(data);
    if (message == BFFM_INITIALIZED && path && *path)
      SendMessageW(dialog, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
  };
  PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
  if (!chosen)
    return;
  std::wstring path;
  Microsoft::WRL::ComPtr<IShellItem> item;
  wchar_t* name = nullptr;
  if (SUCCEEDED(SHCreateItemFromIDList(chosen, IID_PPV_ARGS(&item))) &&
      SUCCEEDED(item->GetDisplayName(SIGDN_DESKTOPABSOLUTEPARSING, &name))) {
    path = name;
    CoTaskMemFree(name);
  } else {
    wchar_t buffer[MAX_PATH] = {};
    if (SHGetPathFromIDListW(chosen, buffer))
      path = buffer;
  }
  CoTaskMemFree(chosen);
  if (path.empty())
    return;
  SetWindowTextW(combo, path.c_str());
  OnFolderChanged(path);
}

// static
INT_PTR CALLBACK OptionsPage::DialogProc(HWND dialog, UINT message, WPARAM w_param,
                                         LPARAM l_param) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, l_param);
    return FALSE;
  }
  auto* page = reinterpret_cast<OptionsPage*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return page ? page->HandleMessage(message, w_param, l_param) : FALSE;
}

INT_PTR OptionsPage::HandleMessage(UINT message, WPARAM w_param, LPARAM l_param) {
  if (message == WM_CTLCOLORSTATIC || message == WM_CTLCOLORBTN) {
    HWND control = reinterpret_cast<HWND>(l_param);
    HDC dc = reinterpret_cast<HDC>(w_param);
    const int id = GetDlgCtrlID(control);
    if (id >= IDC_DEFAULT_BROWSER && id <= IDC_SHARE_STATISTICS)
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    SetTextColor(dc, id == IDC_FOLDER_PROBLEM_TEXT ? RGB(0xFF, 0, 0) : RGB(0, 0, 0));
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
  }
  if (message == WM_CTLCOLORDLG)
    return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
  if (message != WM_COMMAND)
    return FALSE;
  return HandleCommand(LOWORD(w_param), HIWORD(w_param));
}

INT_PTR OptionsPage::HandleCommand(int id, int code) {
  if (id == IDC_LANGUAGE_COMBO && code == CBN_SELCHANGE) {
    Increment(&stats_->changed_language_counter);
    OnLanguageSelected();
  } else if (id == IDC_INSTALL_TYPE_COMBO && code == CBN_SELCHANGE) {
    Increment(&stats_->changed_install_mode_counter);
    OnInstallTypeSelected();
  } else if (id == IDC_FOLDER_COMBO) {
    if (code == CBN_EDITCHANGE)
      Increment(&stats_->edited_install_path_counter);
    else if (code == CBN_SELCHANGE)
      Increment(&stats_->changed_install_path_counter);
    HandleFolderBoxCommand(Item(id), code);
  } else if (id == IDC_BROWSE && code == BN_CLICKED) {
    Browse(Item(IDC_FOLDER_COMBO));
  } else if (id >= IDC_DEFAULT_BROWSER && id <= IDC_SHARE_STATISTICS && code == BN_CLICKED) {
    OnCheckBoxClicked(id);
  } else {
    return FALSE;
  }
  return TRUE;
}

// static
std::wstring OptionsPage::WindowText(HWND control) {
  std::wstring text(GetWindowTextLengthW(control) + 1, L'\0');
  text.resize(GetWindowTextW(control, text.data(), static_cast<int>(text.size())));
  return text;
}
