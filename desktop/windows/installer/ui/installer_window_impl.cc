#include "desktop/windows/installer/ui/installer_window_impl.h"

#include <commctrl.h>
#include <richedit.h>

#include <algorithm>
#include <utility>
#include <vector>

#include "base/bind.h"
#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/avro_stats/avro_stats_sender.h"
#include "desktop/windows/installer/avro_stats/installer_events.h"
#include "desktop/windows/installer/settings/settings.h"
#include "desktop/windows/installer/ui/accessible_name.h"
#include "desktop/windows/installer/ui/folder_state_page_widget.h"
#include "desktop/windows/installer/ui/image_util.h"
#include "desktop/windows/installer/ui/installer_resource_ids.h"
#include "desktop/windows/installer/ui/installer_string_ids.h"
#include "desktop/windows/installer/ui/module_dialog.h"
#include "desktop/windows/installer/ui/page_widget.h"
#include "desktop/windows/installer/ui/progress_calculator.h"
#include "desktop/windows/installer/ui/reading_direction.h"
#include "desktop/windows/installer/ui/rich_edit_util.h"
#include "desktop/windows/installer/ui/scoped_button_label_hook.h"
#include "desktop/windows/installer/ui/setting_flag_page_widget.h"
#include "desktop/windows/installer/ui/settings_check_page_widget.h"
#include "desktop/windows/installer/ui/toggled_page_widget.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr int kInstallPhaseDownload = 0;
constexpr int kInstallPhaseFetched = 1;
constexpr int kInstallPhaseExtract = 6;
// A larger advance sets the bar at once; smaller ones step it.
constexpr int kProgressJump = 10;

// The images are drawn for 96 pixels per inch.
constexpr int kImageDpi = 96;

// A font of `points` in a layout made with `layout_points` for the dialogs.
HFONT MakeFont(HDC dc, int points, int layout_points, int weight, const wchar_t* face,
               bool smooth) {
  const int height =
      -MulDiv(points * layout_points, GetDeviceCaps(dc, LOGPIXELSY), 72 * kDialogPoints);
  return CreateFontW(height, 0, 0, 0, weight, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                     OUT_OUTLINE_PRECIS, CLIP_DEFAULT_PRECIS,
                     smooth ? ANTIALIASED_QUALITY : DEFAULT_QUALITY,
                     smooth ? VARIABLE_PITCH : DEFAULT_PITCH, face);
}

void SetControlFont(HWND dialog, int id, HFONT font) {
  if (HWND control = GetDlgItem(dialog, id))
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
}

int FocusControlOfPage(int page) {
  switch (page) {
    case PAGE_MAIN:
    case PAGE_TERMS:
    case PAGE_OPTIONS:
      return IDC_ACCEPT;
    case PAGE_UNINSTALL:
      return IDC_UNINSTALL;
    // Nothing to press there: the bar, which tells the progress to a
    // screen reader, rather than the logo.
    case PAGE_PROGRESS:
      return IDC_PROGRESS_BAR;
    case PAGE_ERROR:
      return IDC_RETRY;
    default:
      return 0;
  }
}

// Shown on its page (the window itself may not be shown yet) and enabled.
bool CanTakeFocus(HWND control) {
  return control && (GetWindowLongPtrW(control, GWL_STYLE) & WS_VISIBLE) &&
         IsWindowEnabled(control);
}

std::wstring UserNameForStatus() {
  std::wstring name;
  // The display-name query fails where there is no directory; the account
  // name stands in.
  if (!GetUserDisplayName(&name) || name.empty()) {
    wchar_t account[257] = {};
    DWORD size = ARRAYSIZE(account);
    if (GetUserNameW(account, &size))
      name = account;
  }
  return name;
}

// Statics are drawn over the dialog's background: a changed text needs
// that background painted again, or the old text stays under the new.
void RedrawUnder(HWND control) {
  HWND parent = GetParent(control);
  if (!control || !parent)
    return;
  RECT rect = {};
  GetWindowRect(control, &rect);
  MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
  RedrawWindow(parent, &rect, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
}

}  // namespace

// static
std::unique_ptr<InstallerWindow> InstallerWindow::Create(Settings* settings,
                                                         ProgressCalculator* progress_calculator) {
  InitRichEdit();
  auto window = std::make_unique<InstallerWindowImpl>(settings, progress_calculator);
  if (!window->CreateDialogs()) {
    PLOG(ERROR) << "Window creation failed.";
    return nullptr;
  }
  return window;
}

InstallerWindowImpl::InstallerWindowImpl(Settings* settings,
                                         ProgressCalculator* progress_calculator)
    : settings_(settings),
      layout_points_(kDialogPoints),
      options_page_(settings,
                    &stats_,
                    base::BindRepeating(&InstallerWindowImpl::UpdateTexts, base::Unretained(this))),
      progress_calculator_(progress_calculator) {
  DCHECK(settings_);
  DCHECK(progress_calculator_);
  if (!settings_->GetRunImmediately())
    settings_->AddObserver(this);
  progress_calculator_->SetObserver(this);
  // The window is destroyed after the controller has flushed the
  // statistics: its last record must go out with that flush.
  SetAvroBeforeShutdownHook(
      base::BindOnce(&InstallerWindowImpl::SendLastPageRecord, weak_factory_.GetWeakPtr()));
}

InstallerWindowImpl::~InstallerWindowImpl() {
  progress_calculator_->SetObserver(nullptr);
  SendLastPageRecord();
  if (!settings_->GetRunImmediately())
    settings_->RemoveObserver(this);
  TearDownDialogs();
  for (HBITMAP bitmap : {logo_, error_badge_, background_image_}) {
    if (bitmap)
      DeleteObject(bitmap);
  }
  for (HFONT font : {normal_font_, bold_font_, headline_font_, title_font_}) {
    if (font)
      DeleteObject(font);
  }
}

bool InstallerWindowImpl::CreateDialogs() {
  const bool mirrored = IsRightToLeftLanguage();
  HWND main = nullptr;
  HWND options = nullptr;
  if (!CreateDialogWindows(mirrored, &main, &options))
    return false;
  // A window larger than its monitor's work area (high DPI on a small
  // screen) is made again with a smaller layout, before it is shown.
  for (int points = FittingPoints(main, layout_points_); points < layout_points_;
       points = FittingPoints(main, layout_points_)) {
    const int larger = layout_points_;
    layout_points_ = points;
    HWND smaller_main = nullptr;
    HWND smaller_options = nullptr;
    if (!CreateDialogWindows(mirrored, &smaller_main, &smaller_options)) {
      layout_points_ = larger;
      break;
    }
    DestroyUnusedDialog(main);
    main = smaller_main;
    options = smaller_options;
  }
  main_dialog_ = main;
  options_page_.Attach(options);
  LoadImages();
  SetUpDialogs(mirrored);
  if (settings_->GetRunImmediately())
    SetPage(PAGE_PROGRESS);
  else
    SetPage(IsUninstalling() ? PAGE_UNINSTALL : PAGE_MAIN);
  ShowWindow(main_dialog_, SW_SHOW);
  OnFlagChanged();
  OnLanguageChanged();
  if (!settings_->HasPendingFolderDetails())
    OnPathChanged();
  ShowPhaseStatus(kInstallPhaseDownload);
  return true;
}

bool InstallerWindowImpl::CreateDialogWindows(bool mirrored, HWND* main, HWND* options) {
  *main = CreateModuleDialog(IDD_INSTALLER_MAIN, nullptr, MainDialogProc,
                             reinterpret_cast<LPARAM>(this), mirrored, layout_points_);
  if (!*main)
    return false;
  *options = options_page_.MakeDialog(*main, layout_points_);
  if (*options)
    return true;
  DestroyUnusedDialog(*main);
  *main = nullptr;
  return false;
}

// static
void InstallerWindowImpl::DestroyUnusedDialog(HWND main) {
  // Its procedures must not reach this object any more.
  SetWindowLongPtrW(main, DWLP_USER, 0);
  if (HWND options = FindWindowExW(main, nullptr, L"#32770", nullptr))
    SetWindowLongPtrW(options, DWLP_USER, 0);
  DestroyWindow(main);
}

void InstallerWindowImpl::LoadImages() {
  HDC dc = GetDC(main_dialog_);
  image_scale_ = static_cast<double>(GetDeviceCaps(dc, LOGPIXELSY)) * layout_points_ /
                 (kImageDpi * kDialogPoints);
  ReleaseDC(main_dialog_, dc);
  logo_ = LoadPngResourceBitmap(IDR_LOGO_PNG, L"PNG", image_scale_);
  error_badge_ = LoadPngResourceBitmap(IDR_ERROR_BADGE_PNG, L"PNG", image_scale_);
  background_image_ = LoadPngResourceBitmap(IDR_BACKGROUND_JPG, L"JPG");
}

void InstallerWindowImpl::SetUpDialogs(bool mirrored) {
  if (mirrored)
    SetReadingDirection(main_dialog_);
  if (HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_INSTALLER))) {
    SendMessageW(main_dialog_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(main_dialog_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
  }
  CreateFonts();
  CreatePageWidgets();
  EnableKeyboardLink(GetDlgItem(main_dialog_, IDC_AGREEMENT));
  options_page_.LayOut();
  LoadTermsText();
  RebuildBackground(/*force=*/true);
}

void InstallerWindowImpl::TearDownDialogs() {
  options_page_.Detach();
  delete_profile_widget_ = nullptr;
  full_package_widget_ = nullptr;
  folder_problem_widget_ = nullptr;
  widgets_.clear();
  brushes_.clear();
  if (background_)
    DeleteObject(background_);
  background_ = nullptr;
  background_size_ = {};
  if (main_dialog_) {
    Win32DialogDispatcher::GetInstance()->UnselectDialog(main_dialog_);
    // The procedure must not reach this object while it is being torn down.
    SetWindowLongPtrW(main_dialog_, DWLP_USER, 0);
    DestroyWindow(main_dialog_);
  }
  main_dialog_ = nullptr;
}

// A dialog's reading direction is fixed when it is made: a language that
// reads the other way gets new dialogs, in the old one's place, on the
// same page, with the same focus and progress.
void InstallerWindowImpl::RebuildForDirection() {
  const bool mirrored = IsRightToLeftLanguage();
  HWND old_main = main_dialog_;
  HWND old_options = options_page_.dialog();
  HWND new_main = nullptr;
  HWND new_options = nullptr;
  const bool made = CreateDialogWindows(mirrored, &new_main, &new_options);
  // Creating a dialog names it the main one: the old one is still it.
  main_dialog_ = old_main;
  if (!made) {
    PLOG(ERROR) << "Window creation failed.";
    return;
  }
  HWND focus = GetFocus();
  const int focus_id = focus && IsChild(old_main, focus) ? GetDlgCtrlID(focus) : 0;
  const bool focus_in_options = focus && IsChild(old_options, focus);
  const bool active = GetActiveWindow() == old_main;
  const bool offer_full_package = full_package_widget_ && full_package_widget_->shown();
  RECT place = {};
  GetWindowRect(old_main, &place);
  HWND old_bar = GetDlgItem(old_main, IDC_PROGRESS_BAR);
  PBRANGE range = {};
  SendMessageW(old_bar, PBM_GETRANGE, FALSE, reinterpret_cast<LPARAM>(&range));
  const LRESULT position = SendMessageW(old_bar, PBM_GETPOS, 0, 0);
  // Hidden while it is replaced, so that the new one is not activated away.
  ShowWindow(old_main, SW_HIDE);
  TearDownDialogs();

  main_dialog_ = new_main;
  options_page_.Attach(new_options);
  SetUpDialogs(mirrored);
  SetWindowPos(main_dialog_, nullptr, place.left, place.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  HWND bar = GetDlgItem(main_dialog_, IDC_PROGRESS_BAR);
  SendMessageW(bar, PBM_SETSTEP, 1, 0);
  SendMessageW(bar, PBM_SETRANGE32, range.iLow, range.iHigh);
  SendMessageW(bar, PBM_SETPOS, position, 0);
  SetStatusText(status_text_);
  full_package_widget_->SetShown(offer_full_package);
  ShowPageControls(current_page_);
  ShowWindow(main_dialog_, active ? SW_SHOW : SW_SHOWNA);
  if (HWND control = focus_id ? GetDlgItem(focus_in_options ? options_page_.dialog() : main_dialog_,
                                           focus_id)
                              : nullptr) {
    SendMessageW(main_dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
  }
}

bool InstallerWindowImpl::IsMirrored() const {
  return main_dialog_ && (GetWindowLongPtrW(main_dialog_, GWL_EXSTYLE) & WS_EX_LAYOUTRTL) != 0;
}

void InstallerWindowImpl::CreateFonts() {
  // Made once; new dialogs of another direction reuse them.
  if (!normal_font_) {
    HDC dc = GetDC(main_dialog_);
    normal_font_ = MakeFont(dc, 8, layout_points_, 378, L"MS Shell Dlg", /*smooth=*/false);
    bold_font_ = MakeFont(dc, 8, layout_points_, FW_BOLD, L"MS Shell Dlg", /*smooth=*/false);
    title_font_ = MakeFont(dc, 14, layout_points_, FW_MEDIUM, L"MS Shell Dlg 2", /*smooth=*/true);
    headline_font_ = MakeFont(dc, 22, layout_points_, FW_HEAVY, L"Segoe UI", /*smooth=*/true);
    ReleaseDC(main_dialog_, dc);
  }
  SetControlFont(main_dialog_, IDC_UNINSTALL_QUESTION, bold_font_);
  SetControlFont(options_page_.dialog(), IDC_FOLDER_PROBLEM_TEXT, bold_font_);
  for (int id : {IDC_PROGRESS_HEADLINE, IDC_ERROR_HEADLINE, IDC_UNINSTALL_ERROR_HEADLINE})
    SetControlFont(main_dialog_, id, title_font_);
  SetControlFont(main_dialog_, IDC_HEADLINE, headline_font_);
}

void InstallerWindowImpl::CreatePageWidgets() {
  auto add = [this](int id, std::vector<int> pages) {
    widgets_.push_back(PageWidget::Create(main_dialog_, id, std::move(pages)));
    return widgets_.back().get();
  };
  add(IDC_LOGO, {PAGE_MAIN, PAGE_UNINSTALL, PAGE_PROGRESS, PAGE_ERROR});
  add(IDC_TERMS_TEXT, {PAGE_TERMS});
  add(IDC_HEADLINE, {PAGE_MAIN});
  add(IDC_AGREEMENT, {PAGE_MAIN});
  add(IDC_OPTIONS, {PAGE_MAIN});
  add(IDC_ACCEPT, {PAGE_MAIN, PAGE_TERMS, PAGE_OPTIONS});
  add(IDC_STATUS_TEXT, {PAGE_PROGRESS, PAGE_ERROR});
  add(IDC_PROGRESS_BAR, {PAGE_PROGRESS});
  add(IDC_RETRY, {PAGE_ERROR});
  add(IDC_CANCEL, {PAGE_UNINSTALL});
  widgets_.push_back(std::make_unique<SettingsCheckPageWidget>(main_dialog_, IDC_BACK, settings_));
  auto full_package = std::make_unique<ToggledPageWidget>(main_dialog_, IDC_FULL_PACKAGE);
  full_package_widget_ = full_package.get();
  widgets_.push_back(std::move(full_package));
  if (IsUninstalling()) {
    add(IDC_UNINSTALL_ERROR_HEADLINE, {PAGE_ERROR});
    add(IDC_UNINSTALL, {PAGE_UNINSTALL});
    add(IDC_UNINSTALL_QUESTION, {PAGE_UNINSTALL});
    widgets_.push_back(
        std::make_unique<SettingFlagPageWidget>(main_dialog_, IDC_DELETE_PROFILE, settings_));
    delete_profile_widget_ = widgets_.back().get();
  } else {
    add(IDC_PROGRESS_HEADLINE, {PAGE_PROGRESS});
    add(IDC_ERROR_HEADLINE, {PAGE_ERROR});
  }
  widgets_.push_back(
      std::make_unique<PageWidget>(options_page_.dialog(), std::vector<int>{PAGE_OPTIONS}));
  widgets_.push_back(std::make_unique<FolderStatePageWidget>(
      options_page_.dialog(), IDC_FOLDER_PROBLEM_TEXT, std::vector<int>{PAGE_OPTIONS}, settings_));
  folder_problem_widget_ = widgets_.back().get();
}

void InstallerWindowImpl::LoadTermsText() {
  if (IsUninstalling())
    return;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(142), L"TXT");
  HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
  if (!data)
    return;
  std::string text(data, SizeofResource(module, resource));
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;)
    text.erase(at, 1);
  SetDlgItemTextW(main_dialog_, IDC_TERMS_TEXT, base::UTF8ToWide(text).c_str());
}

bool InstallerWindowImpl::IsUninstalling() const {
  return settings_->IsUninstallSession();
}

HWND InstallerWindowImpl::GetHandle() const {
  return main_dialog_;
}

void InstallerWindowImpl::SetPage(int page) {
  if (page == current_page_)
    return;
  current_page_ = page;
  stats_.page_type = page;
  SendPageTransition();
  stats_ = PageTransitionStats();
  stats_.page_type = page;
  ShowPageControls(page);
}

void InstallerWindowImpl::ShowPageControls(int page) {
  for (const auto& widget : widgets_)
    widget->UpdateVisibility(page);
  error_page_shown_ = page == PAGE_ERROR;
  FocusPage(page);
  InvalidateRect(main_dialog_, nullptr, TRUE);
}

// Without a focused control a window takes no key at all (they reach it
// as system keys): where the page's own control cannot take the focus (a
// disabled Accept), its first control that can takes it.
void InstallerWindowImpl::FocusPage(int page) {
  HWND control = GetDlgItem(main_dialog_, FocusControlOfPage(page));
  if (!CanTakeFocus(control))
    control = GetNextDlgTabItem(main_dialog_, nullptr, /*bPrevious=*/FALSE);
  if (CanTakeFocus(control))
    SendMessageW(main_dialog_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(control), TRUE);
}

// A control disabled while it had the focus takes the focus with it.
void InstallerWindowImpl::KeepFocusOnPage() {
  HWND focus = GetFocus();
  if (GetActiveWindow() != main_dialog_ || (IsChild(main_dialog_, focus) && CanTakeFocus(focus)))
    return;
  FocusPage(current_page_);
}

void InstallerWindowImpl::SendPageTransition() {
  GetAvroStatsSender()->Send(std::make_unique<PageTransitionEvent>(stats_, 1));
}

void InstallerWindowImpl::SendLastPageRecord() {
  if (last_record_sent_)
    return;
  last_record_sent_ = true;
  stats_.page_type = -1;
  SendPageTransition();
}

void InstallerWindowImpl::ShowProgressPage() {
  SetPage(PAGE_PROGRESS);
  HWND bar = GetDlgItem(main_dialog_, IDC_PROGRESS_BAR);
  SendMessageW(bar, PBM_SETSTEP, 1, 0);
  SendMessageW(bar, PBM_SETPOS, 0, 0);
  SendMessageW(bar, PBM_SETRANGE32, progress_calculator_->GetProgress(),
               progress_calculator_->GetMaxProgress());
}

void InstallerWindowImpl::ShowError(const std::wstring& text, bool offer_full_package,
                                    const std::string& detail) {
  full_package_widget_->SetShown(offer_full_package);
  // The page may already be the error page: the widget still has to follow.
  full_package_widget_->UpdateVisibility(current_page_);
  SetPage(PAGE_ERROR);
  LOG(ERROR) << "Displaying error: \"" << text << "\" and "
             << (offer_full_package ? "" : "don't ") << "offer full package";
  SetStatusText(text);
  stats_.failure_reason = detail;
}

void InstallerWindowImpl::ShowMessageBox(const std::wstring& text) {
  {
    ScopedButtonLabelHook hook;
    MessageBoxW(main_dialog_, text.c_str(), GetLocalizedString(IDS_INSTALLER_TITLE).c_str(),
                MB_OK | MB_ICONERROR | MessageBoxReadingFlags());
  }
  stats_.error_displayed = base::WideToUTF8(text);
  // Last: an observer may end the run and destroy this window.
  NotifyObservers(&InstallerWindowObserver::OnWindowClosed);
}

void InstallerWindowImpl::AddObserver(InstallerWindowObserver* observer) {
  if (std::find(observers_.begin(), observers_.end(), observer) == observers_.end())
    observers_.push_back(observer);
}

void InstallerWindowImpl::RemoveObserver(InstallerWindowObserver* observer) {
  std::erase(observers_, observer);
}

template <typename Notification>
void InstallerWindowImpl::NotifyObservers(Notification notification) {
  // A copy: an observer may remove itself or destroy the window.
  const std::vector<InstallerWindowObserver*> observers = observers_;
  for (InstallerWindowObserver* observer : observers)
    (observer->*notification)();
}

void InstallerWindowImpl::ShowPhaseStatus(int phase) {
  status_phase_ = phase;
  if (stopping_)
    return;
  std::wstring text;
  if (phase == kInstallPhaseDownload || phase == kInstallPhaseFetched)
    text = GetLocalizedString(IDS_DOWNLOADING);
  else if (phase == kInstallPhaseExtract)
    text = GetLocalizedString(IDS_EXTRACTING);
  else if (IsUninstalling())
    text = GetLocalizedString(IDS_UNINSTALLING);
  else if (settings_->GetInstallMode() == INSTALL_MODE_CURRENT_USER)
    text = GetLocalizedStringWithReplacement(IDS_INSTALLING_CURRENT_USER, UserNameForStatus());
  else
    text = GetLocalizedString(IDS_INSTALLING);
  if (!text.empty())
    SetStatusText(text);
}

void InstallerWindowImpl::ShowStopping() {
  SetPage(PAGE_PROGRESS);
  SetStatusText(GetLocalizedString(IDS_CANCELLING));
  stopping_ = true;
  EnableMenuItem(GetSystemMenu(main_dialog_, FALSE), SC_CLOSE, MF_BYCOMMAND | MF_GRAYED);
}

void InstallerWindowImpl::SetStatusText(const std::wstring& text) {
  status_text_ = text;
  HWND status = GetDlgItem(main_dialog_, IDC_STATUS_TEXT);
  SetDirectedText(status, text);
  RedrawUnder(status);
  // The bar has no label: it is what the status line says is under way.
  SetAccessibleName(GetDlgItem(main_dialog_, IDC_PROGRESS_BAR), text);
}

void InstallerWindowImpl::OnProgressChanged(int value) {
  HWND bar = GetDlgItem(main_dialog_, IDC_PROGRESS_BAR);
  const int position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
  if (value > position + kProgressJump) {
    SendMessageW(bar, PBM_SETPOS, value, 0);
  } else {
    for (int i = position; i < value; ++i)
      SendMessageW(bar, PBM_STEPIT, 0, 0);
  }
}

void InstallerWindowImpl::OnFlagChanged() {
  UpdateTexts();
}

void InstallerWindowImpl::OnLanguageChanged() {
  if (main_dialog_ && IsRightToLeftLanguage() != IsMirrored())
    RebuildForDirection();
  ReloadTexts();
}

void InstallerWindowImpl::OnPathChanged() {
  if (settings_->GetFolderProblem() != FOLDER_PROBLEM_NONE && !IsUninstalling())
    SetPage(PAGE_OPTIONS);
  UpdateTexts();
}

void InstallerWindowImpl::ConfirmClose() {
  if (stopping_)
    return;
  const int text = IsUninstalling() ? IDS_CONFIRM_QUIT_UNINSTALL : IDS_CONFIRM_QUIT_INSTALL;
  int answer;
  {
    ScopedButtonLabelHook hook;
    answer = MessageBoxW(main_dialog_, GetLocalizedString(text).c_str(),
                         GetLocalizedString(IDS_INSTALLER_TITLE).c_str(),
                         MB_YESNO | MB_ICONQUESTION | MessageBoxReadingFlags());
  }
  if (answer != IDYES)
    return;
  stats_.navigation_action = "CANCEL";
  // Last: an observer may end the run and destroy this window.
  NotifyObservers(&InstallerWindowObserver::OnWindowClosed);
}

// static
INT_PTR CALLBACK InstallerWindowImpl::MainDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                                    LPARAM l_param) {
  if (message == WM_INITDIALOG) {
    SetWindowLongPtrW(dialog, DWLP_USER, l_param);
    auto* window = reinterpret_cast<InstallerWindowImpl*>(l_param);
    window->main_dialog_ = dialog;
    return FALSE;
  }
  auto* window = reinterpret_cast<InstallerWindowImpl*>(GetWindowLongPtrW(dialog, DWLP_USER));
  return window ? window->HandleMainMessage(message, w_param, l_param) : FALSE;
}

INT_PTR InstallerWindowImpl::HandleMainMessage(UINT message, WPARAM w_param, LPARAM l_param) {
  switch (message) {
    case WM_ACTIVATE:
      if (LOWORD(w_param) == WA_INACTIVE)
        Win32DialogDispatcher::GetInstance()->UnselectDialog(main_dialog_);
      else
        Win32DialogDispatcher::GetInstance()->SelectDialog(main_dialog_);
      return FALSE;
    case WM_CLOSE:
      ConfirmClose();
      return TRUE;
    case WM_COMMAND:
      // The dialog manager answers Enter on a focused button of the options
      // page here, in the dialog it works on: the page's own handler takes it.
      if (!GetDlgItem(main_dialog_, LOWORD(w_param)) && options_page_.Item(LOWORD(w_param)))
        return options_page_.HandleCommand(LOWORD(w_param), HIWORD(w_param));
      return HandleMainCommand(LOWORD(w_param), HIWORD(w_param));
    case WM_NOTIFY:
      HandleLinkNotification(reinterpret_cast<const NMHDR*>(l_param));
      return FALSE;
    case WM_ERASEBKGND:
      if (!EraseBackground(reinterpret_cast<HDC>(w_param)))
        return FALSE;
      SetWindowLongPtrW(main_dialog_, DWLP_MSGRESULT, 1);
      return TRUE;
    case WM_WINDOWPOSCHANGED:
      RebuildBackground(/*force=*/false);
      return FALSE;
    case WM_THEMECHANGED:
      RebuildBackground(/*force=*/true);
      return FALSE;
    case WM_DRAWITEM:
      if (w_param != IDC_LOGO)
        return FALSE;
      PaintLogo(reinterpret_cast<const DRAWITEMSTRUCT*>(l_param));
      return TRUE;
    case WM_CTLCOLORSTATIC:
      return HandleStaticColour(reinterpret_cast<HDC>(w_param), reinterpret_cast<HWND>(l_param));
    case WM_CTLCOLORDLG:
      return reinterpret_cast<INT_PTR>(GetStockObject(WHITE_BRUSH));
    default:
      return FALSE;
  }
}

// The main dialog's controls: the command of a control with the
// notification it answers (kAnyNotification: every one) records the user's
// action for the statistics (null: none) and runs the handler.
struct InstallerWindowImpl::MainCommand {
  int id;
  int code;
  const char* action;
  void (InstallerWindowImpl::*run)(int code);
};

namespace {
constexpr int kAnyNotification = -1;
}  // namespace

const InstallerWindowImpl::MainCommand InstallerWindowImpl::kMainCommands[] = {
    {IDCANCEL, BN_CLICKED, nullptr, &InstallerWindowImpl::CloseCommand},
    {IDC_CANCEL, BN_CLICKED, nullptr, &InstallerWindowImpl::CloseCommand},
    {IDC_OPTIONS, BN_CLICKED, "OPTIONS", &InstallerWindowImpl::ShowOptionsPage},
    {IDC_ACCEPT, BN_CLICKED, "ACCEPT", &InstallerWindowImpl::Accept},
    {IDC_UNINSTALL, BN_CLICKED, "UNINSTALL", &InstallerWindowImpl::Accept},
    {IDC_FULL_PACKAGE, BN_CLICKED, "FULL_PACKAGE", &InstallerWindowImpl::RequestFullPackage},
    {IDC_RETRY, BN_CLICKED, "RETRY", &InstallerWindowImpl::Retry},
    {IDC_BACK, BN_CLICKED, "BACK", &InstallerWindowImpl::ShowMainPage},
    {IDC_TERMS_TEXT, EN_SETFOCUS, nullptr, &InstallerWindowImpl::DeselectTerms},
    {IDC_MAIN_FOLDER_COMBO, kAnyNotification, nullptr, &InstallerWindowImpl::MainFolderBoxCommand},
    {IDC_MAIN_BROWSE, BN_CLICKED, nullptr, &InstallerWindowImpl::BrowseMainFolder},
    {IDC_DELETE_PROFILE, BN_CLICKED, nullptr, &InstallerWindowImpl::DeleteProfileClicked},
};

INT_PTR InstallerWindowImpl::HandleMainCommand(int id, int code) {
  bool known = false;
  for (const MainCommand& command : kMainCommands) {
    if (command.id != id)
      continue;
    known = true;
    if (command.code != kAnyNotification && command.code != code)
      continue;
    if (command.action)
      stats_.navigation_action = command.action;
    // Last: a handler may end the run and destroy this window.
    (this->*command.run)(code);
    return TRUE;
  }
  return known;
}

void InstallerWindowImpl::CloseCommand(int /*code*/) {
  ConfirmClose();
}

void InstallerWindowImpl::ShowOptionsPage(int /*code*/) {
  SetPage(PAGE_OPTIONS);
}

void InstallerWindowImpl::ShowMainPage(int /*code*/) {
  SetPage(PAGE_MAIN);
}

void InstallerWindowImpl::Accept(int /*code*/) {
  options_page_.StopTypingFolder();
  NotifyObservers(&InstallerWindowObserver::OnAcceptClicked);
}

void InstallerWindowImpl::RequestFullPackage(int /*code*/) {
  NotifyObservers(&InstallerWindowObserver::OnFullPackageRequested);
}

void InstallerWindowImpl::Retry(int /*code*/) {
  NotifyObservers(&InstallerWindowObserver::OnRetryClicked);
}

void InstallerWindowImpl::DeselectTerms(int /*code*/) {
  SendMessageW(GetDlgItem(main_dialog_, IDC_TERMS_TEXT), EM_SETSEL, -1, 0);
}

void InstallerWindowImpl::MainFolderBoxCommand(int code) {
  options_page_.HandleFolderBoxCommand(GetDlgItem(main_dialog_, IDC_MAIN_FOLDER_COMBO), code);
}

void InstallerWindowImpl::BrowseMainFolder(int /*code*/) {
  options_page_.Browse(GetDlgItem(main_dialog_, IDC_MAIN_FOLDER_COMBO));
}

void InstallerWindowImpl::DeleteProfileClicked(int /*code*/) {
  HWND box = GetDlgItem(main_dialog_, IDC_DELETE_PROFILE);
  if (settings_->IsEditable()) {
    stats_.changed_delete_profile_counter = stats_.changed_delete_profile_counter.value_or(0) + 1;
    settings_->SetDeleteProfile(IsDlgButtonChecked(main_dialog_, IDC_DELETE_PROFILE) == BST_CHECKED);
  } else {
    UpdateTexts();
  }
  RECT area;
  GetWindowRect(box, &area);
  MapWindowPoints(nullptr, main_dialog_, reinterpret_cast<POINT*>(&area), 2);
  InvalidateRect(main_dialog_, &area, TRUE);
}

void InstallerWindowImpl::HandleLinkNotification(const NMHDR* header) {
  if (header->idFrom != IDC_AGREEMENT || header->code != EN_LINK)
    return;
  const auto* link = reinterpret_cast<const ENLINK*>(header);
  if (link->msg != WM_LBUTTONUP)
    return;
  const std::wstring address = GetRichEditLinkAddress(header->hwndFrom, link->chrg);
  stats_.navigation_action = "TOS";
  if (address == L"tos")
    SetPage(PAGE_TERMS);
}

INT_PTR InstallerWindowImpl::HandleStaticColour(HDC dc, HWND control) {
  const int id = GetDlgCtrlID(control);
  if (id == IDC_TERMS_TEXT)
    return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_WINDOW));
  SetTextColor(dc, id == IDC_MAIN_WARNING_TEXT ? RGB(0xFF, 0, 0) : RGB(0, 0, 0));
  auto cached = brushes_.find(control);
  if (cached != brushes_.end())
    return reinterpret_cast<INT_PTR>(cached->second.brush());
  SetBkMode(dc, TRANSPARENT);
  return reinterpret_cast<INT_PTR>(GetStockObject(HOLLOW_BRUSH));
}

