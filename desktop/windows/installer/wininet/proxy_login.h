#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_PROXY_LOGIN_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_PROXY_LOGIN_H_

#include <windows.h>
#include <wininet.h>
#include <stdint.h>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/single_thread_task_runner.h"

class UICallbackRunner;

// What the user's answer to a proxy's request for credentials means for
// the request.
enum class ProxyLoginOutcome {
  // Credentials given: the request goes out again.
  kSendAgain,
  kCancelledByUser,
  kFailed,
};

// Asks the user, on the UI thread, for the proxy's credentials of
// |request| with WinINet's own dialog; |reply| gets the dialog's result on
// |reply_runner|.
void AskForProxyLogin(UICallbackRunner* ui_runner, HINTERNET request,
                      base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                      base::OnceCallback<void(uint32_t)> reply);

ProxyLoginOutcome ProxyLoginOutcomeOf(uint32_t dialog_result);

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_PROXY_LOGIN_H_
