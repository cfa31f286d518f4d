#ifndef DESKTOP_WINDOWS_INSTALLER_UI_MODULE_DIALOG_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_MODULE_DIALOG_H_

#include <windows.h>

// Dialogs of the process's main module (the host executable), made in the
// direction and at the size the installer window needs.

// The dialogs' own font size; a window too large for the screen is laid out
// again with a smaller one, down to the last.
inline constexpr int kDialogPoints = 8;
inline constexpr int kSmallestDialogPoints = 4;

// Creates dialog `id`, mirrored for a right-to-left language (the
// mirroring must be in the template's extended style, since children
// inherit it only at their creation) and laid out with a font of `points`
// (its dialog units follow the font).
HWND CreateModuleDialog(int id, HWND parent, DLGPROC procedure, LPARAM param, bool mirrored,
                        int points);

// The font size at which `dialog`, made with `points`, fits the work area
// of its monitor (at most `points`).
int FittingPoints(HWND dialog, int points);

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_MODULE_DIALOG_H_
