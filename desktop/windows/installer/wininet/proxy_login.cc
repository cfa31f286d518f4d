#include "desktop/windows/installer/wininet/proxy_login.h"

#include <utility>

#include "base/bind.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

void AskForProxyLogin(UICallbackRunner* ui_runner, HINTERNET request,
                      base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                      base::OnceCallback<void(uint32_t)> reply) {
  ui_runner->RunUICallbackAndPostReply(
      base::BindOnce(
          [](HINTERNET request, HWND window) -> uint32_t {
            return InternetErrorDlg(window, request, ERROR_INTERNET_INCORRECT_PASSWORD,
                                    FLAGS_ERROR_UI_FILTER_FOR_ERRORS |
                                        FLAGS_ERROR_UI_FLAGS_CHANGE_OPTIONS |
                                        FLAGS_ERROR_UI_FLAGS_GENERATE_DATA,
                                    nullptr);
          },
          request),
      std::move(reply_runner), std::move(reply));
}

ProxyLoginOutcome ProxyLoginOutcomeOf(uint32_t dialog_result) {
  if (dialog_result == ERROR_INTERNET_FORCE_RETRY)
    return ProxyLoginOutcome::kSendAgain;
  if (dialog_result == ERROR_SUCCESS || dialog_result == ERROR_CANCELLED)
    return ProxyLoginOutcome::kCancelledByUser;
  return ProxyLoginOutcome::kFailed;
}
