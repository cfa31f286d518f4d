// The texts of the installer window (the options page has its own).

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <span>

#include "base/win/windows_version.h"
#include "desktop/windows/installer/service/installation_folder_details.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/accessible_name.h"
#include "desktop/windows/installer/ui/anchor_markup.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_string_ids.h"
#include "desktop/windows/installer/ui/installer_window_impl.h"
#include "desktop/windows/installer/ui/page_widget.h"
#include "desktop/windows/installer/ui/reading_direction.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr COLORREF kLinkColour = 0x686868;
constexpr COLORREF kHeadlineColour = 0x2C1BFF;
// In dialog units, so that it grows with the font and the screen's DPI.
constexpr int kFullPackageTextMarginDlu = 20;

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

}  // namespace

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
  const bool upgrade =
      details && (details->HasExistingInstallation() || details->HasExistingInstallationTraces());
  const std::wstring accept = GetLocalizedString(upgrade ? IDS_ACCEPT_UPGRADE : IDS_ACCEPT_INSTALL);
  SetDirectedText(GetDlgItem(main_dialog_, IDC_ACCEPT), accept);
  HWND agreement = GetDlgItem(main_dialog_, IDC_AGREEMENT);
  const std::wstring agreement_text = GetLocalizedStringWithReplacement(IDS_AGREEMENT, accept);
  SetRichTextWithLinks(agreement, DirectedText(main_dialog_, agreement_text), kLinkColour);
  SetAccessibleName(agreement, AnchorMarkup::Parse(agreement_text).visible_text);
  SetRichEditRightToLeft(agreement, IsMirrored());
  const bool vista_or_later = base::win::GetVersion() >= base::win::VERSION_VISTA;
  SetShield(main_dialog_, IDC_ACCEPT, vista_or_later && shield);
  SetShield(main_dialog_, IDC_RETRY, vista_or_later && shield);

  options_page_.Update(problem);
  EnableWindow(GetDlgItem(main_dialog_, IDC_ACCEPT), problem == FOLDER_PROBLEM_NONE);
  EnableWindow(GetDlgItem(main_dialog_, IDC_BACK), problem == FOLDER_PROBLEM_NONE);
  folder_problem_widget_->UpdateVisibility(current_page_);
  KeepFocusOnPage();
  InvalidateRect(main_dialog_, nullptr, TRUE);
}

void InstallerWindowImpl::UpdateUninstallTexts(bool shield) {
  if (base::win::GetVersion() >= base::win::VERSION_VISTA)
    SetShield(main_dialog_, IDC_UNINSTALL, shield);
  if (delete_profile_widget_)
    delete_profile_widget_->UpdateVisibility(current_page_);
  CheckDlgButton(main_dialog_, IDC_DELETE_PROFILE,
                 settings_->GetDeleteProfile() ? BST_CHECKED : BST_UNCHECKED);
}

void InstallerWindowImpl::ReloadTexts() {
  SetControlTexts();
  NameTermsBox();
  ColourHeadline();
  SetDirectedText(main_dialog_, GetLocalizedString(IDS_INSTALLER_TITLE));
  // The error page's text came from the controller; a phase text is ours.
  if (current_page_ != PAGE_ERROR)
    ShowPhaseStatus(status_phase_);
  RedrawWindow(main_dialog_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  if (IsUninstalling())
    return;
  options_page_.ReloadTexts();
  ResizeFullPackageButton();
  UpdateTexts();
}

void InstallerWindowImpl::SetControlTexts() {
  for (const ControlText& text : IsUninstalling() ? std::span<const ControlText>(kUninstallTexts)
                                                  : std::span<const ControlText>(kInstallTexts)) {
    SetDirectedText(GetDlgItem(main_dialog_, text.control_id), GetLocalizedString(text.string_id));
  }
}

// The terms box has no label: it is named after the agreement's link to it.
void InstallerWindowImpl::NameTermsBox() {
  const AnchorMarkup agreement = AnchorMarkup::Parse(GetLocalizedString(IDS_AGREEMENT));
  for (const AnchorMarkup::Link& link : agreement.links) {
    if (link.address == L"tos") {
      SetAccessibleName(GetDlgItem(main_dialog_, IDC_TERMS_TEXT),
                        agreement.visible_text.substr(link.first, link.last - link.first));
    }
  }
}

void InstallerWindowImpl::ColourHeadline() {
  HWND headline = GetDlgItem(main_dialog_, IDC_HEADLINE);
  if (!headline)
    return;
  const std::wstring product = GetLocalizedString(IDS_HEADLINE_PRODUCT);
  const std::wstring pattern = GetLocalizedString(IDS_HEADLINE);
  std::wstring text = DirectedText(main_dialog_, pattern);
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
  RECT margin = {0, 0, kFullPackageTextMarginDlu, 0};
  MapDialogRect(main_dialog_, &margin);
  const int width = std::max<int>(extent.cx + margin.right,
                                  retry_rect.right - retry_rect.left);
  SetWindowPos(button, nullptr, rect.right - width, rect.top, width, rect.bottom - rect.top,
               SWP_NOZORDER | SWP_NOACTIVATE);
}

