#include "desktop/windows/installer/ui/win32_dialog_dispatcher.h"

#include <atomic>
#include <thread>

#include "base/at_exit.h"
#include "base/logging.h"

namespace {

// 0: none yet; 1: being made by another thread; otherwise the instance.
std::atomic<uintptr_t> g_instance{0};
constexpr uintptr_t kBeingCreated = 1;

}  // namespace

// static
void Win32DialogDispatcher::DestroyInstance(void* /*unused*/) {
  delete reinterpret_cast<Win32DialogDispatcher*>(g_instance.exchange(0));
}

// static
Win32DialogDispatcher* Win32DialogDispatcher::GetInstance() {
  uintptr_t state = g_instance.load(std::memory_order_acquire);
  if (state > kBeingCreated)
    return reinterpret_cast<Win32DialogDispatcher*>(state);
  uintptr_t expected = 0;
  if (g_instance.compare_exchange_strong(expected, kBeingCreated, std::memory_order_acq_rel)) {
    auto* instance = new Win32DialogDispatcher();
    g_instance.store(reinterpret_cast<uintptr_t>(instance), std::memory_order_release);
    // Without an exit manager the instance simply lives until the process ends.
    base::AtExitManager::RegisterCallback(&Win32DialogDispatcher::DestroyInstance, nullptr);
    return instance;
  }
  // Another thread makes it; it publishes in a moment.
  while ((state = g_instance.load(std::memory_order_acquire)) == kBeingCreated)
    std::this_thread::yield();
  return reinterpret_cast<Win32DialogDispatcher*>(state);
}

Win32DialogDispatcher::Win32DialogDispatcher() = default;
Win32DialogDispatcher::~Win32DialogDispatcher() = default;

void Win32DialogDispatcher::SelectDialog(HWND dialog) {
  VLOG(2) << "Switching to hwnd " << dialog;
  selected_dialog_ = dialog;
}

void Win32DialogDispatcher::UnselectDialog(HWND dialog) {
  VLOG(2) << "Switching away from hwnd " << dialog;
  if (dialog == selected_dialog_) {
    selected_dialog_ = nullptr;
    return;
  }
  VLOG(2) << "Another hwnd was already selected";
}

uint32_t Win32DialogDispatcher::Dispatch(const MSG& message) {
  if (!selected_dialog_)
    return kTranslateAndDispatch;
  MSG copy = message;
  return IsDialogMessageW(selected_dialog_, &copy) ? kHandled : kTranslateAndDispatch;
}
