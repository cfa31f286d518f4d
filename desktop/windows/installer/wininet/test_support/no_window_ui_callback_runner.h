#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_NO_WINDOW_UI_CALLBACK_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_NO_WINDOW_UI_CALLBACK_RUNNER_H_

#include <utility>

#include "base/bind.h"
#include "base/location.h"
#include "desktop/windows/installer/wininet/ui_callback_runner.h"

// A runner with no window: answers 0 without running the callback, as the
// real one does when there is no window to own a dialog.
class NoWindowUICallbackRunner : public UICallbackRunner {
 public:
  void RunUICallbackAndPostReply(UICallback /*callback*/,
                                 base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                 Reply reply) override {
    reply_runner->PostTask(FROM_HERE, base::BindOnce(std::move(reply), 0u));
  }
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_TEST_SUPPORT_NO_WINDOW_UI_CALLBACK_RUNNER_H_
