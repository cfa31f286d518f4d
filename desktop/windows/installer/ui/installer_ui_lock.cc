#include "desktop/windows/installer/ui/installer_ui_lock.h"

#include <string>

#include "base/logging.h"
#include "base/strings/utf_string_conversions.h"
#include "base/win/kernel_object_security.h"
#include "desktop/windows/installer/utils/product_info.h"

namespace {

constexpr wchar_t kLockFileName[] = L"tarvo_installer_ui.lck";
// Holders of the mutex only create or read a four-byte file; a holder that
// takes longer is stuck, and a UI without the lock beats no UI.
constexpr DWORD kMutexWaitMs = 30000;

struct RaiseSearch {
  HWND found = nullptr;
};

BOOL CALLBACK FindRaisableWindow(HWND window, LPARAM data) {
  if (!IsWindowEnabled(window) || !IsWindowVisible(window))
    return TRUE;
  reinterpret_cast<RaiseSearch*>(data)->found = window;
  return FALSE;
}

}  // namespace

InstallerUiLock::InstallerUiLock(const base::FilePath& folder)
    : path_(folder.Append(kLockFileName)) {}

InstallerUiLock::~InstallerUiLock() = default;

DWORD InstallerUiLock::Acquire() {
  LOG(INFO) << "Getting installer UI mutex";
  const std::wstring name =
      L"Local\\" + base::UTF8ToWide(product_info::GetProductName()) + L"/Installer/UI_lock";
  base::win::ScopedHandle mutex(KernelObjectSecurity::CreateOwnMutex(name));
  if (!mutex.IsValid()) {
    PLOG(ERROR) << "Failed to create installer UI mutex.";
    return 0;
  }
  const DWORD waited = WaitForSingleObject(mutex.Get(), kMutexWaitMs);
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    LOG(ERROR) << "Failed to wait for the installer UI mutex: " << waited;
    return 0;
  }
  const DWORD owner = AcquireHoldingMutex();
  ReleaseMutex(mutex.Get());
  return owner;
}

DWORD InstallerUiLock::AcquireHoldingMutex() {
  base::win::ScopedHandle created(CreateFileW(path_.value().c_str(), GENERIC_WRITE,
                                              FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                              FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (created.IsValid()) {
    const DWORD thread_id = GetCurrentThreadId();
    DWORD written = 0;
    WriteFile(created.Get(), &thread_id, sizeof(thread_id), &written, nullptr);
    file_ = std::move(created);
    LOG(INFO) << "Obtained installer UI lock";
    return thread_id;
  }
  LOG(INFO) << "Didn't obtain installer UI lock";
  base::win::ScopedHandle existing(
      CreateFileW(path_.value().c_str(), GENERIC_READ,
                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                  OPEN_EXISTING, 0, nullptr));
  DWORD owner = 0;
  DWORD read = 0;
  // A short read (an owner still writing, or a foreign file) names no
  // owner: a partial id could be any thread.
  if (!existing.IsValid() || !ReadFile(existing.Get(), &owner, sizeof(owner), &read, nullptr) ||
      read != sizeof(owner)) {
    LOG(WARNING) << "Existing installer UI lock file is invalid";
    return 0;
  }
  return owner;
}

// static
bool InstallerUiLock::RaiseWindowOfThread(DWORD thread_id) {
  RaiseSearch search;
  EnumThreadWindows(thread_id, FindRaisableWindow, reinterpret_cast<LPARAM>(&search));
  if (!search.found)
    return false;
  if (IsIconic(search.found))
    ShowWindow(search.found, SW_RESTORE);
  SetForegroundWindow(search.found);
  return true;
}
