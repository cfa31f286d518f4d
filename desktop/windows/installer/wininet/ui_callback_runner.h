#ifndef DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_
#define DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_

#include <windows.h>
#include <stdint.h>

#include "base/callback.h"
#include "base/memory/ref_counted.h"
#include "base/single_thread_task_runner.h"

// Runs a callback on the UI thread, given the window to own any dialog it
// shows, and posts its answer to |reply_runner|. A runner without a window
// posts 0 without running the callback.
class UICallbackRunner {
 public:
  using UICallback = base::OnceCallback<uint32_t(HWND)>;
  using Reply = base::OnceCallback<void(uint32_t)>;

  virtual ~UICallbackRunner() = default;
  virtual void RunUICallbackAndPostReply(UICallback callback,
                                         base::scoped_refptr<base::SingleThreadTaskRunner> reply_runner,
                                         Reply reply) = 0;
};

#endif  // DESKTOP_WINDOWS_INSTALLER_WININET_UI_CALLBACK_RUNNER_H_
