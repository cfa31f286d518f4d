#include "desktop/windows/installer/ui/scoped_button_label_hook.h"

#include "base/logging.h"
#include "desktop/windows/installer/ui/installer_string_ids.h"
#include "desktop/windows/l10n_handler/l10n_handler.h"

namespace {

thread_local HHOOK g_thread_hook = nullptr;

void SetButtonLabel(HWND box, int button, int text_id) {
  if (HWND control = GetDlgItem(box, button))
    SetWindowTextW(control, GetLocalizedString(text_id).c_str());
}

}  // namespace

ScopedButtonLabelHook::ScopedButtonLabelHook()
    : hook_(SetWindowsHookExW(WH_CBT, HookProc, nullptr, GetCurrentThreadId())) {
  if (!hook_)
    PLOG(WARNING) << "Could not hook the message box labels";
  DCHECK(!g_thread_hook);
  g_thread_hook = hook_;
}

ScopedButtonLabelHook::~ScopedButtonLabelHook() {
  g_thread_hook = nullptr;
  if (hook_)
    UnhookWindowsHookEx(hook_);
}

// static
bool ScopedButtonLabelHook::IsInstalled() {
  return g_thread_hook != nullptr;
}

// static
LRESULT CALLBACK ScopedButtonLabelHook::HookProc(int code, WPARAM w_param, LPARAM l_param) {
  if (code != HCBT_ACTIVATE)
    return CallNextHookEx(g_thread_hook, code, w_param, l_param);
  HWND box = reinterpret_cast<HWND>(w_param);
  SetButtonLabel(box, IDYES, IDS_YES);
  SetButtonLabel(box, IDNO, IDS_NO);
  SetButtonLabel(box, IDOK, IDS_OK);
  return 0;
}
