#ifndef DESKTOP_WINDOWS_INSTALLER_UI_READING_DIRECTION_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_READING_DIRECTION_H_

#include <windows.h>

#include <string>

// Which way the installer window's texts read.

// Whether the chosen language reads right to left (Arabic, Hebrew, Persian,
// Urdu): its window is then mirrored and its message boxes read that way.
bool IsRightToLeftLanguage();
UINT MessageBoxReadingFlags();

// The controls of a mirrored `dialog` read right to left, but for folder
// paths and the terms (an English text), which read left to right.
void SetReadingDirection(HWND dialog);

// Whether `window`'s top-level window is mirrored.
bool IsInMirroredWindow(HWND window);

// `text` as a control of `window` shows it: embedded right to left in a
// mirrored window.
std::wstring DirectedText(HWND window, const std::wstring& text);
void SetDirectedText(HWND control, const std::wstring& text);

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_READING_DIRECTION_H_
