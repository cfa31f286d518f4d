#include "desktop/windows/installer/corrupted_payload_box.h"

#include <windows.h>

#include <shellapi.h>

#include <utility>

#include "base/logging.h"
#include "base/run_loop.h"
#include "base/strings/utf_string_conversions.h"
#include "desktop/windows/installer/ui/scoped_custom_message_box.h"
#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"
#include "desktop/windows/installer/utils/product_info.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

constexpr int kTitleId = 37066;
constexpr int kTextId = 37067;
constexpr int kGoButtonId = 37068;
constexpr int kCancelButtonId = 37069;
constexpr char kHomePageUrl[] = "homepage";

void OpenWithShell(const std::wstring& url) {
  const INT_PTR result = reinterpret_cast<INT_PTR>(
      ShellExecuteW(nullptr, L"open", url.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
  if (result <= 32)
    LOG(ERROR) << "Cannot open the product page: " << result;
}

UrlOpener& Opener() {
  static UrlOpener opener;
  return opener;
}

// The box's answer: the button or the link opens the product's page; every
// answer, closing included, ends the run.
void OpenProductUrlCallback(base::RunLoop* run_loop, int answer) {
  if (answer == CUSTOM_MESSAGE_BOX_FIRST_BUTTON || answer == CUSTOM_MESSAGE_BOX_LINK_CLICKED) {
    const std::wstring url = base::UTF8ToWide(ProductInfo::GetUrl(kHomePageUrl));
    if (Opener())
      Opener()(url);
    else
      OpenWithShell(url);
  }
  run_loop->Quit();
}

}  // namespace

bool ShowCorruptedPayloadBox(const std::wstring& language) {
  std::wstring code = language;
  SelectL10nLanguage(&code);
  ScopedCustomMessageBox box;
  base::RunLoop run_loop(Win32DialogDispatcher::GetInstance());
  if (!ShowCustomMessageBox(&box, nullptr, kTitleId, GetLocalizedString(kTextId), kGoButtonId,
                            kCancelButtonId, [&run_loop](int answer) {
                              OpenProductUrlCallback(&run_loop, answer);
                            })) {
    LOG(ERROR) << "Cannot initialize the message box";
    return false;
  }
  run_loop.Run();
  return true;
}

void SetUrlOpenerForTesting(UrlOpener opener) {
  Opener() = std::move(opener);
}
