#ifndef DESKTOP_WINDOWS_INSTALLER_UI_OPTIONS_PAGE_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_OPTIONS_PAGE_H_

#include <windows.h>

#include <string>
#include <vector>

#include "base/callback.h"
#include "desktop/windows/installer/avro_stats/page_transition_stats.h"

class InstallationFolderDetails;
class Settings;

// The installer window's options page (page 3): the options dialog inside
// the main dialog, with the language, install-type and folder boxes, the
// check boxes and what is wrong with the folder. The user's changes go
// straight into the settings, which then tell the window; a change the
// settings do not take only redraws the window's texts. UI thread.
class OptionsPage {
 public:
  // `stats` is the window's record of the page shown (the counters of the
  // user's changes grow here); `refresh` redraws the window's texts.
  OptionsPage(Settings* settings, PageTransitionStats* stats, base::RepeatingClosure refresh);
  ~OptionsPage();

  OptionsPage(const OptionsPage&) = delete;
  OptionsPage& operator=(const OptionsPage&) = delete;

  // A dialog of this page inside `main`, laid out with a font of `points`;
  // null when it cannot be made. The page takes it with Attach.
  HWND MakeDialog(HWND main, int points);
  void Attach(HWND dialog) { dialog_ = dialog; }
  // Which check boxes show, the browse button's height, the tooltip.
  void LayOut();
  // Lets go of the dialog (the main dialog destroys it) and its tooltip.
  void Detach();

  HWND dialog() const { return dialog_; }
  HWND Item(int id) const;
  // The window's language codes, in the order of the language list.
  const std::vector<std::wstring>& languages() const { return languages_; }

  // The texts of a newly chosen language: labels, lists and tooltip.
  void ReloadTexts();
  // What the settings hold now, and what is wrong with the folder
  // (`problem`, an InstallFolderProblem).
  void Update(int problem);
  // A command of one of the page's controls; the main dialog passes on
  // Enter on a focused button of the page, which the dialog manager sends it.
  INT_PTR HandleCommand(int id, int code);
  // Edits, choices and leaving of a folder box (the main dialog has one).
  void HandleFolderBoxCommand(HWND combo, int code);
  // The typed folder is used: the box shows it as the settings hold it.
  void StopTypingFolder();
  // The folder browser, owned by the main dialog, for `combo`.
  void Browse(HWND combo);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM w_param,
                                     LPARAM l_param);
  INT_PTR HandleMessage(UINT message, WPARAM w_param, LPARAM l_param);
  void FillLanguageCombo();
  void FillInstallTypeCombo();
  void RebuildTooltip();
  void RefillFolderCombo();
  // What the page says about a folder with `problem`.
  static std::wstring FolderProblemText(int problem, const InstallationFolderDetails* details);
  void OnInstallTypeSelected();
  void OnLanguageSelected();
  void OnFolderChanged(const std::wstring& folder);
  void OnFolderSelectionChanged(HWND combo);
  void OnCheckBoxClicked(int id);
  static std::wstring WindowText(HWND control);

  Settings* const settings_;
  PageTransitionStats* const stats_;
  const base::RepeatingClosure refresh_;
  std::vector<std::wstring> languages_;
  HWND dialog_ = nullptr;
  HWND tooltip_ = nullptr;
  // The folder box shows what the user is typing, left as typed.
  bool typing_folder_ = false;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_OPTIONS_PAGE_H_
