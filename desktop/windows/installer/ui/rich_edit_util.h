#ifndef DESKTOP_WINDOWS_INSTALLER_UI_RICH_EDIT_UTIL_H_
#define DESKTOP_WINDOWS_INSTALLER_UI_RICH_EDIT_UTIL_H_

#include <windows.h>

#include <richedit.h>

#include <string>

// Rich-edit helpers of the installer's dialogs. UI thread only.

// Initialises the common controls and loads the rich-edit library; failures
// are logged and otherwise ignored (the dialog then fails to create).
void InitRichEdit();

// Colours the whole text.
void SetRichEditTextColor(HWND control, COLORREF colour);
// Colours the characters [first, last).
void ApplyRichEditCharFormat(HWND control, COLORREF colour, int first, int last);

// Makes every paragraph read right to left (or left to right again).
void SetRichEditRightToLeft(HWND control, bool right_to_left);

// The text of the first line, at most 65535 characters.
std::wstring GetEditLineText(HWND control);

// Subclass procedure that keeps the caret hidden: focus does not reach the
// control's own procedure.
LRESULT CALLBACK HideCaretSubclassProc(HWND window, UINT message, WPARAM w_param,
                                       LPARAM l_param, UINT_PTR id, DWORD_PTR data);

// Sets `text` with <a href="address">link text</a> anchors as clickable
// links; the first link is coloured `colour`. Where the control drops
// hyperlink fields, the links become plain text marked as links, and the
// control remembers their addresses. Returns false when nothing was set.
bool SetRichTextWithLinks(HWND control, const std::wstring& text, COLORREF colour);

// The address of the link a link notification of `control` reports for
// `range`: an address remembered by SetRichTextWithLinks, else the field's
// address, else the range's text.
std::wstring GetRichEditLinkAddress(HWND control, const CHARRANGE& range);

// Makes the first link of a read-only rich edit (a tab stop) work from the
// keyboard: focus selects the link's text without a caret, Tab leaves the
// control, and Enter or Space send the parent the link notification a
// click would (EN_LINK with a left-button release over the link).
void EnableKeyboardLink(HWND control);

#endif  // DESKTOP_WINDOWS_INSTALLER_UI_RICH_EDIT_UTIL_H_
