#ifndef DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_

#include <windows.h>

#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/memory/weak_ptr.h"
#include "desktop/windows/installer/avro_stats/page_transition_stats.h"
#include "desktop/windows/installer/settings/settings_observer.h"
#include "desktop/windows/installer/ui/image_pair.h"
#include "desktop/windows/installer/ui/installer_page.h"
#include "desktop/windows/installer/ui/installer_window.h"
#include "desktop/windows/installer/ui/options_page.h"
#include "desktop/windows/installer/ui/progress_observer.h"

class PageWidget;
class ToggledPageWidget;

class InstallerWindowImpl : public InstallerWindow,
                            public SettingsObserver,
                            public ProgressObserver {
 public:
  InstallerWindowImpl(Settings* settings, ProgressCalculator* progress_calculator);
  ~InstallerWindowImpl() override;

  InstallerWindowImpl(const InstallerWindowImpl&) = delete;
  InstallerWindowImpl& operator=(const InstallerWindowImpl&) = delete;

  // Creates both dialogs and shows the first page; false when either
  // dialog cannot be made.
  bool CreateDialogs();

  // InstallerWindow:
  HWND GetHandle() const override;
  void ShowProgressPage() override;
  void ShowError(const std::wstring& text, bool offer_full_package,
                 const std::string& detail) override;
  void ShowMessageBox(const std::wstring& text) override;
  void AddObserver(InstallerWindowObserver* observer) override;
  void RemoveObserver(InstallerWindowObserver* observer) override;
  void ShowPhaseStatus(int phase) override;
  void ShowStopping() override;

  // SettingsObserver:
  void OnFlagChanged() override;
  void OnLanguageChanged() override;
  void OnPathChanged() override;

  // ProgressObserver:
  void OnProgressChanged(int value) override;

  HWND options_dialog() const { return options_page_.dialog(); }
  int current_page() const { return current_page_; }
  // The record of the page shown now.
  const PageTransitionStats& page_stats() const { return stats_; }
  // The window's language codes, in the order of the language list.
  const std::vector<std::wstring>& languages() const { return options_page_.languages(); }
  // Laid out right to left: the language it was made in reads that way.
  bool IsMirrored() const;

 private:
  static INT_PTR CALLBACK MainDialogProc(HWND dialog, UINT message, WPARAM w_param,
                                         LPARAM l_param);
  INT_PTR HandleMainMessage(UINT message, WPARAM w_param, LPARAM l_param);
  INT_PTR HandleMainCommand(int id, int code);
  // What the main dialog's buttons and boxes do (kMainCommands).
  struct MainCommand;
  static const MainCommand kMainCommands[];
  void ShowOptionsPage(int code);
  void ShowMainPage(int code);
  void Accept(int code);
  void RequestFullPackage(int code);
  void Retry(int code);
  void CloseCommand(int code);
  void DeselectTerms(int code);
  void MainFolderBoxCommand(int code);
  void BrowseMainFolder(int code);
  void DeleteProfileClicked(int code);
  INT_PTR HandleStaticColour(HDC dc, HWND control);
  void HandleLinkNotification(const NMHDR* header);

  // Both dialogs, mirrored or not; false (and neither made) on failure.
  bool CreateDialogWindows(bool mirrored, HWND* main, HWND* options);
  // What the dialogs get once made: fonts, widgets, layout, background.
  void SetUpDialogs(bool mirrored);
  // Destroys the dialogs and what was made for them.
  void TearDownDialogs();
  void RebuildForDirection();
  // Takes down a dialog made but not used.
  static void DestroyUnusedDialog(HWND main);
  // The logo and badge at the window's scale, and the background.
  void LoadImages();
  void CreateFonts();
  void CreatePageWidgets();
  void LoadTermsText();
  void SetPage(int page);
  // Focus and the controls of `page`, without statistics.
  void ShowPageControls(int page);
  void FocusPage(int page);
  void KeepFocusOnPage();
  // A text over the dialog's background: what lies behind the control is
  // painted again, so no trace of the old text stays.
  void SetStatusText(const std::wstring& text);
  void SendPageTransition();
  // The record of the page shown last, page type -1; sent once, when the
  // statistics are flushed at the end of the run or, failing that, when
  // the window is destroyed.
  void SendLastPageRecord();
  bool IsUninstalling() const;
  template <typename Notification>
  void NotifyObservers(Notification notification);
  void ConfirmClose();

  // Texts (installer_window_texts.cc).
  void UpdateTexts();
  void UpdateUninstallTexts(bool shield);
  void ReloadTexts();
  void SetControlTexts();
  void NameTermsBox();
  void ColourHeadline();
  void ResizeFullPackageButton();

  // Painting (installer_window_paint.cc).
  void RebuildBackground(bool force);
  void PaintLogo(const DRAWITEMSTRUCT* item);
  void CacheBrushUnder(HWND control);
  void MatchRichEditBackgrounds(HDC background);
  bool EraseBackground(HDC dc);

  Settings* const settings_;
  HWND main_dialog_ = nullptr;
  HFONT normal_font_ = nullptr;
  HFONT bold_font_ = nullptr;
  HFONT headline_font_ = nullptr;
  HFONT title_font_ = nullptr;
  std::vector<InstallerWindowObserver*> observers_;
  // The dialogs' font size (their layout follows it), and the images'
  // scale: the screen's pixels per inch and that size.
  int layout_points_;
  double image_scale_ = 1.0;
  HBITMAP logo_ = nullptr;
  HBITMAP error_badge_ = nullptr;
  bool error_page_shown_ = false;
  HBITMAP background_image_ = nullptr;
  HBITMAP background_ = nullptr;
  SIZE background_size_ = {};
  int current_page_ = PAGE_NONE;
  std::vector<std::unique_ptr<PageWidget>> widgets_;
  PageWidget* delete_profile_widget_ = nullptr;
  ToggledPageWidget* full_package_widget_ = nullptr;
  PageWidget* folder_problem_widget_ = nullptr;
  std::unordered_map<HWND, ImagePair> brushes_;
  PageTransitionStats stats_;
  OptionsPage options_page_;
  ProgressCalculator* const progress_calculator_;
  bool last_record_sent_ = false;
  // The phase whose text the status line shows (a language change shows
  // it again in the new language).
  int status_phase_ = 0;
  // What the status line says (a new dialog of another direction says it too).
  std::wstring status_text_;
  // The run is being cancelled.
  bool stopping_ = false;
  base::WeakPtrFactory<InstallerWindowImpl> weak_factory_{this};
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_INSTALLER_WINDOW_IMPL_H_
