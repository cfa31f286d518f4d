#include "desktop/windows/installer/ui/installer_ui_lock.h"

#include <thread>

#include "base/files/file_path.h"
#include "base/files/scoped_temp_dir.h"
#include "gtest/gtest.h"

namespace {

DWORD AcquireOnOtherThread(InstallerUiLock* lock) {
  DWORD owner = 0;
  std::thread([&] { owner = lock->Acquire(); }).join();
  return owner;
}

TEST(InstallerUiLockTest, SecondUiSeesTheFirstOwnerUntilItEnds) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  auto first = std::make_unique<InstallerUiLock>(folder.GetPath());
  EXPECT_EQ(GetCurrentThreadId(), first->Acquire());

  InstallerUiLock second(folder.GetPath());
  EXPECT_EQ(GetCurrentThreadId(), AcquireOnOtherThread(&second));

  // The file goes with its owner: the next UI takes the lock.
  first.reset();
  InstallerUiLock third(folder.GetPath());
  const DWORD owner = AcquireOnOtherThread(&third);
  EXPECT_NE(0u, owner);
  EXPECT_NE(GetCurrentThreadId(), owner);
}

TEST(InstallerUiLockTest, ShortLockFileNamesNoOwner) {
  base::ScopedTempDir folder;
  ASSERT_TRUE(folder.CreateUniqueTempDir());
  const base::FilePath path = folder.GetPath().Append(L"tarvo_installer_ui.lck");
  // Another writer holds the file with two bytes of an id.
  HANDLE holder = CreateFileW(path.value().c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, holder);
  const WORD half = 0x1234;
  DWORD written = 0;
  ASSERT_TRUE(WriteFile(holder, &half, sizeof(half), &written, nullptr));
  InstallerUiLock lock(folder.GetPath());
  EXPECT_EQ(0u, lock.Acquire());
  CloseHandle(holder);
}

TEST(InstallerUiLockTest, RaisesOnlyAThreadWithAVisibleWindow) {
  bool raised_windowless = true;
  std::thread([&] {
    raised_windowless = InstallerUiLock::RaiseWindowOfThread(GetCurrentThreadId());
  }).join();
  EXPECT_FALSE(raised_windowless);
  HWND window = CreateWindowExW(0, L"STATIC", L"ui", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 100,
                                100, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(window);
  EXPECT_TRUE(InstallerUiLock::RaiseWindowOfThread(GetCurrentThreadId()));
  DestroyWindow(window);
}

}  // namespace
