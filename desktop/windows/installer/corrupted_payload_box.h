#ifndef DESKTOP_WINDOWS_INSTALLER_CORRUPTED_PAYLOAD_BOX_H_
#define DESKTOP_WINDOWS_INSTALLER_CORRUPTED_PAYLOAD_BOX_H_

#include <functional>
#include <string>

// Tells the user that this installer file is damaged and offers the product's
// home page, in the language of `language` (the "language" switch; empty for
// the user's preference). Runs a UI run loop on the calling thread, which
// must have a UI message loop, until the user answered. Returns false when
// the box could not be shown.
bool ShowCorruptedPayloadBox(const std::wstring& language);

// Opens an address with the shell's "open" verb; tests replace it.
using UrlOpener = std::function<void(const std::wstring& url)>;
void SetUrlOpenerForTesting(UrlOpener opener);

#endif  // DESKTOP_WINDOWS_INSTALLER_CORRUPTED_PAYLOAD_BOX_H_
