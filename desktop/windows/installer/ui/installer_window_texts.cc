// The texts of the installer window and its options page.

#include <windows.h>

#include <commctrl.h>
#include <shlobj.h>
#include <wrl/client.h>

#include "base/logging.h"
#include "base/strings/string_util.h"
#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/service/os_operations.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_string_ids.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/page_widget.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "desktop/windows/installer/utils/installer_utils.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr COLORREF kLinkColour = 0x686868;
// Under Wine statics, edits and rich edits lay out text left to right
// whatever their reading order: embedded in these marks, a right-to-left
// text reads right to left there too (Windows honours the reading order,
// and an embedding of the same direction changes nothing there).
constexpr wchar_t kRightToLeftEmbedding[] = L"\u202B";
constexpr wchar_t kPopDirection[] = L"\u202C";
constexpr COLORREF kHeadlineColour = 0x2C1BFF;
constexpr int kTooltipWidth = 300;
constexpr int kFullPackageTextMargin = 30;

struct ControlText {
  int control_id;
  int string_id;
};

// Main dialog texts set on every language change, per mode.
constexpr ControlText kInstallTexts[] = {
    {IDC_OPTIONS, IDS_OPTIONS},           {IDC_BACK, IDS_BACK},
    {IDC_PROGRESS_HEADLINE, IDS_PROGRESS_HEADLINE},
    {IDC_ERROR_HEADLINE, IDS_ERROR_HEADLINE}, {IDC_RETRY, IDS_RETRY},
    {IDC_FULL_PACKAGE, IDS_FULL_PACKAGE},
};
constexpr ControlText kOptionsTexts[] = {
    {IDC_BROWSE, IDS_BROWSE},
    {IDC_DEFAULT_BROWSER, IDS_DEFAULT_BROWSER},
    {IDC_IMPORT_DATA, IDS_IMPORT_DATA},
    {IDC_SHARE_STATISTICS, IDS_SHARE_STATISTICS},
    {IDC_FOLDER_PROBLEM_TEXT, IDS_INVALID_PATH},
    {IDC_LANGUAGE_LABEL, IDS_LANGUAGE_LABEL},
    {IDC_INSTALL_TYPE_LABEL, IDS_INSTALL_TYPE_LABEL},
    {IDC_FOLDER_LABEL, IDS_FOLDER_LABEL},
};
constexpr ControlText kUninstallTexts[] = {
    {IDC_BACK, IDS_BACK},
    {IDC_ERROR_HEADLINE, IDS_UNINSTALL_ERROR_HEADLINE},
    {IDC_UNINSTALL_ERROR_HEADLINE, IDS_UNINSTALL_ERROR_HEADLINE},
    {IDC_RETRY, IDS_RETRY},
    {IDC_CANCEL, IDS_CANCEL},
    {IDC_UNINSTALL, IDS_UNINSTALL},
    {IDC_UNINSTALL_QUESTION, IDS_UNINSTALL_QUESTION},
    {IDC_DELETE_PROFILE, IDS_DELETE_PROFILE},
};

void SetShield(HWND dialog, int id, bool shield) {
  if (HWND button = GetDlgItem(dialog, id))
    SendMessageW(button, BCM_SETSHIELD, 0, shield);
}

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

HWND InstallerWindowImpl::OptionsItem(int id) const {
  return GetDlgItem(options_dialog_, id);
}

void InstallerWindowImpl::UpdateTexts() {
  const InstallationFolderDetails* details = settings_->GetFolderDetails();
  const int problem = settings_->GetFolderProblem();
  const bool shield =
      problem == FOLDER_PROBLEM_NONE &&
      GetSecurityUtil()->NeedsElevation(settings_->GetAllUsers(),
                                        details ? details->HasWriteAccess() : true);
  if (IsUninstalling()) {
    UpdateUninstallTexts(shield);
    return;
  }
  HWND install_type = OptionsItem(IDC_INSTALL_TYPE_COMBO);
  // A folder with a problem leaves the operation open: another install type
  // (and its default folder) may be what mends it.
  const InstallOperation operation = settings_->GetOperation();
  EnableWindow(install_type, operation == INSTALL_OPERATION_INSTALL ||
                                 (operation == INSTALL_OPERATION_UNKNOWN &&
                                  problem != FOLDER_PROBLEM_NONE));
  SendMessageW(install_type, CB_SETCURSEL, settings_->GetInstallMode(), 0);

  const bool upgrade =
      details && (details->HasExistingInstallation() || details->HasExistingInstallationTraces());
  const std::wstring accept = GetLocalizedString(upgrade ? IDS_ACCEPT_UPGRADE : IDS_ACCEPT_INSTALL);
  SetText(GetDlgItem(main_dialog_, IDC_ACCEPT), accept);
  HWND agreement = GetDlgItem(main_dialog_, IDC_AGREEMENT);
  SetRichTextWithLinks(agreement, Directed(GetLocalizedStringWithReplacement(IDS_AGREEMENT, accept)),
                       kLinkColour);
  SetRichEditRightToLeft(agreement, IsMirrored());
  const bool vista_or_later = base::win::GetVersion() >= base::win::VERSION_VISTA;
  SetShield(main_dialog_, IDC_ACCEPT, vista_or_later && shield);
  SetShield(main_dialog_, IDC_RETRY, vista_or_later && shield);

  EnableWindow(OptionsItem(IDC_DEFAULT_BROWSER), settings_->CanChangeShortcuts());
  SetChecked(options_dialog_, IDC_DEFAULT_BROWSER, settings_->GetDefaultBrowser());
  SetChecked(options_dialog_, IDC_IMPORT_DATA, settings_->GetImportBrowserData());
  SetChecked(options_dialog_, IDC_SHARE_STATISTICS,
             settings_->GetEnableBrowserStats() || settings_->GetEnableInstallerStats());

  RefillFolderCombo();
  EnableWindow(GetDlgItem(main_dialog_, IDC_ACCEPT), problem == FOLDER_PROBLEM_NONE);
  EnableWindow(GetDlgItem(main_dialog_, IDC_BACK), problem == FOLDER_PROBLEM_NONE);
  ShowFolderProblem(problem);
  InvalidateRect(main_dialog_, nullptr, TRUE);
}

void InstallerWindowImpl::UpdateUninstallTexts(bool shield) {
  if (base::win::GetVersion() >= base::win::VERSION_VISTA)
    SetShield(main_dialog_, IDC_UNINSTALL, shield);
  if (delete_profile_widget_)
    delete_profile_widget_->UpdateVisibility(current_page_);
  SetChecked(main_dialog_, IDC_DELETE_PROFILE, settings_->GetDeleteProfile());
}

void InstallerWindowImpl::ShowFolderProblem(int problem) {
  folder_problem_widget_->UpdateVisibility(current_page_);
  if (problem != FOLDER_PROBLEM_NONE) {
    SetText(OptionsItem(IDC_FOLDER_PROBLEM_TEXT),
            FolderProblemText(problem, settings_->GetFolderDetails()));
  }
}

// static
std::wstring InstallerWindowImpl::FolderProblemText(int problem,
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

void InstallerWindowImpl::ReloadTexts() {
  SetControlTexts();
  ColourHeadline();
  SetText(main_dialog_, GetLocalizedString(IDS_INSTALLER_TITLE));
  // The error page's text came from the controller; a phase text is ours.
  if (current_page_ != PAGE_ERROR)
    ShowPhaseStatus(status_phase_);
  RedrawWindow(main_dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (IsUninstalling())
    return;
  FillLanguageCombo();
  FillInstallTypeCombo();
  RebuildTooltip();
  ResizeFullPackageButton();
  UpdateTexts();
}

void InstallerWindowImpl::SetControlTexts() {
  auto set_texts = [this](HWND dialog, const auto& texts) {
    for (const ControlText& text : texts)
      SetText(GetDlgItem(dialog, text.control_id), GetLocalizedString(text.string_id));
  };
  if (IsUninstalling()) {
    set_texts(main_dialog_, kUninstallTexts);
    return;
  }
  set_texts(main_dialog_, kInstallTexts);
  set_texts(options_dialog_, kOptionsTexts);
}

std::wstring InstallerWindowImpl::Directed(const std::wstring& text) const {
  if (!IsMirrored())
    return text;
  // An embedding lasts one paragraph: each line gets its own.
  std::wstring directed = kRightToLeftEmbedding;
  for (wchar_t c : text) {
    if (c == L'\n')
      directed += std::wstring(kPopDirection) + L"\n" + kRightToLeftEmbedding;
    else
      directed += c;
  }
  return directed + kPopDirection;
}

void InstallerWindowImpl::SetText(HWND control, const std::wstring& text) {
  if (control)
    SetWindowTextW(control, Directed(text).c_str());
}

void InstallerWindowImpl::ColourHeadline() {
  HWND headline = GetDlgItem(main_dialog_, IDC_HEADLINE);
  if (!headline)
    return;
  const std::wstring product = GetLocalizedString(IDS_HEADLINE_PRODUCT);
  const std::wstring pattern = GetLocalizedString(IDS_HEADLINE);
  std::wstring text = Directed(pattern);
  const size_t at = text.find(L"$1");
  if (at != std::wstring::npos)
    text.replace(at, 2, product);
  SetWindowTextW(headline, text.c_str());
  SetRichEditRightToLeft(headline, IsMirrored());
  SetRichEditTextColor(headline, kHeadlineColour);
  if (at != std::wstring::npos && !product.empty()) {
    ApplyRichEditCharFormat(headline, RGB(0, 0, 0), static_cast<int>(at),
                            static_cast<int>(at + product.size()));
  }
}

void InstallerWindowImpl::FillLanguageCombo() {
  HWND combo = OptionsItem(IDC_LANGUAGE_COMBO);
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

void InstallerWindowImpl::FillInstallTypeCombo() {
  HWND combo = OptionsItem(IDC_INSTALL_TYPE_COMBO);
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
    SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Directed(text).c_str()));
  }
  SendMessageW(combo, CB_SETCURSEL, selection, 0);
}

void InstallerWindowImpl::RebuildTooltip() {
  if (!tooltip_)
    return;
  std::vector<std::wstring> parts;
  for (int id = IDS_INSTALL_TYPE_TIP_FIRST; id < IDS_INSTALL_TYPE_TIP_FIRST + 6; ++id)
    parts.push_back(GetLocalizedString(id));
  std::wstring text = Directed(parts[0] + L"\n\t" + parts[1] + L"\n\n" + parts[2] + L"\n\t" +
                               parts[3] + L"\n\n" + parts[4] + L"\n\t" + parts[5]);
  TOOLINFOW info = {sizeof(info)};
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = options_dialog_;
  info.uId = reinterpret_cast<UINT_PTR>(OptionsItem(IDC_INSTALL_TYPE_COMBO));
  info.lpszText = text.data();
  SendMessageW(tooltip_, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
}

void InstallerWindowImpl::ResizeFullPackageButton() {
  HWND button = GetDlgItem(main_dialog_, IDC_FULL_PACKAGE);
  HWND retry = GetDlgItem(main_dialog_, IDC_RETRY);
  if (!button || !retry)
    return;
  wchar_t text[256] = {};
  GetWindowTextW(button, text, ARRAYSIZE(text));
  HDC dc = GetDC(button);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(button, WM_GETFONT, 0, 0)));
  SIZE extent = {};
  GetTextExtentPoint32W(dc, text, lstrlenW(text), &extent);
  SelectObject(dc, old);
  ReleaseDC(button, dc);
  RECT rect, retry_rect;
  GetWindowRect(button, &rect);
  GetWindowRect(retry, &retry_rect);
  MapWindowPoints(nullptr, main_dialog_, reinterpret_cast<POINT*>(&rect), 2);
  const int width = std::max<int>(extent.cx + kFullPackageTextMargin,
                                  retry_rect.right - retry_rect.left);
  SetWindowPos(button, nullptr, rect.right - width, rect.top, width, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

void InstallerWindowImpl::LayOutOptions() {
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
  ShowWindow(OptionsItem(IDC_DEFAULT_BROWSER), show_default_browser ? SW_SHOWNA : SW_HIDE);
  RECT combo, browse;
  GetWindowRect(OptionsItem(IDC_FOLDER_COMBO), &combo);
  GetWindowRect(OptionsItem(IDC_BROWSE), &browse);
  MapWindowPoints(nullptr, options_dialog_, reinterpret_cast<POINT*>(&browse), 2);
  SetWindowPos(OptionsItem(IDC_BROWSE), nullptr, browse.left, browse.top,
               browse.right - browse.left, combo.bottom - combo.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr,
                             WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX | TTS_USEVISUALSTYLE, 0, 0, 0,
                             0, options_dialog_, nullptr, GetModuleHandleW(nullptr), nullptr);
  if (tooltip_)
    SendMessageW(tooltip_, TTM_SETMAXTIPWIDTH, 0, kTooltipWidth);
}

void InstallerWindowImpl::RefillFolderCombo() {
  HWND combo = OptionsItem(IDC_FOLDER_COMBO);
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

void InstallerWindowImpl::OnInstallTypeSelected() {
  const LRESULT selection = SendMessageW(OptionsItem(IDC_INSTALL_TYPE_COMBO), CB_GETCURSEL, 0, 0);
  if (settings_->IsEditable() && selection >= INSTALL_MODE_ALL_USERS &&
      selection <= INSTALL_MODE_STANDALONE) {
    settings_->SetMode(static_cast<InstallMode>(selection));
  } else {
    UpdateTexts();
  }
}

void InstallerWindowImpl::OnLanguageSelected() {
  HWND combo = OptionsItem(IDC_LANGUAGE_COMBO);
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (settings_->IsEditable() && selection != CB_ERR) {
    const LRESULT index = SendMessageW(combo, CB_GETITEMDATA, selection, 0);
    if (index >= 0 && static_cast<size_t>(index) < languages_.size())
      settings_->SetLanguage(languages_[index]);
  }
  UpdateTexts();
}

void InstallerWindowImpl::OnFolderChanged(const std::wstring& folder) {
  if (settings_->IsEditable())
    settings_->SetInstallFolder(folder);
  else
    UpdateTexts();
}

void InstallerWindowImpl::HandleFolderBoxCommand(HWND combo, int code) {
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

void InstallerWindowImpl::StopTypingFolder() {
  if (!typing_folder_)
    return;
  typing_folder_ = false;
  RefillFolderCombo();
}

void InstallerWindowImpl::OnFolderSelectionChanged(HWND combo) {
  // During the selection change the edit part still shows the old text.
  const LRESULT selection = SendMessageW(combo, CB_GETCURSEL, 0, 0);
  if (selection == CB_ERR)
    return;
  OnFolderChanged(ComboItemText(combo, static_cast<int>(selection)));
}

void InstallerWindowImpl::OnCheckBoxClicked(int id) {
  if (!settings_->IsEditable()) {
    UpdateTexts();
    return;
  }
  switch (id) {
    case IDC_DEFAULT_BROWSER:
      Increment(&stats_.changed_make_default_browser_counter);
      settings_->SetDefaultBrowser(IsChecked(options_dialog_, id));
      break;
    case IDC_IMPORT_DATA:
      Increment(&stats_.changed_import_data_counter);
      settings_->SetImportBrowserData(IsChecked(options_dialog_, id));
      break;
    case IDC_SHARE_STATISTICS: {
      Increment(&stats_.changed_enable_stats_counter);
      const bool share = IsChecked(options_dialog_, id);
      settings_->SetEnableBrowserStats(share);
      settings_->SetEnableInstallerStats(share);
      break;
    }
    case IDC_DELETE_PROFILE:
      Increment(&stats_.changed_delete_profile_counter);
      settings_->SetDeleteProfile(IsChecked(main_dialog_, id));
      break;
    default:
      break;
  }
}

void InstallerWindowImpl::Browse(HWND combo) {
  const std::wstring title = GetLocalizedString(IDS_BROWSE_TITLE);
  const std::wstring start = WindowText(combo);
  BROWSEINFOW info = {};
  info.hwndOwner = main_dialog_;
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
