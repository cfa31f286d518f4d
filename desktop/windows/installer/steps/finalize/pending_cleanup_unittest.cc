#include "desktop/windows/installer/steps/finalize/pending_cleanup.h"

#include <thread>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/process/launch.h"
#include "desktop/windows/installer/steps/finalize/cleanup_batch_file.h"
#include "gtest/gtest.h"

namespace {

class PendingCleanupTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_.CreateUniqueTempDir());
    copy_ = temp_.GetPath().Append(L"1.2\\installer.exe.1700000000.old");
    ASSERT_TRUE(base::CreateDirectory(copy_.DirName()));
    ASSERT_TRUE(base::WriteFile(copy_, "x"));
  }

  void WriteBatchFile(base::ProcessId pid) {
    CleanupBatchFile batch(temp_.GetPath());
    batch.SetProcess(1, pid);
    batch.AddFile(copy_);
    batch.AddFolderAndAncestors(copy_.DirName());
    ASSERT_TRUE(base::WriteFile(batch_file(), batch.GetContents(CP_OEMCP)));
  }

  base::FilePath batch_file() const { return CleanupBatchFile::GetPath(temp_.GetPath()); }

  base::ScopedTempDir temp_;
  base::FilePath copy_;
};

// A run waits for an uninstall's batch file that runs (here a stand-in
// that ends with the uninstall's last process).
TEST_F(PendingCleanupTest, WaitsUntilTheBatchFileHasEnded) {
  EXPECT_FALSE(WaitForPendingCleanup(temp_.GetPath(), {}));
  base::LaunchOptions options;
  options.start_hidden = true;
  base::Process late =
      base::LaunchProcess(L"C:\\windows\\system32\\ping.exe -n 120 127.0.0.1", options);
  ASSERT_TRUE(late.IsValid());
  WriteBatchFile(late.Pid());
  // The process ends, and the batch file a round later.
  std::thread batch([&] {
    Sleep(1000);
    late.Terminate(0, /*wait=*/true);
    Sleep(1500);
    base::DeleteFile(batch_file(), /*recursive=*/false);
  });
  EXPECT_TRUE(WaitForPendingCleanup(temp_.GetPath(), {}));
  EXPECT_FALSE(base::PathExists(batch_file()));
  batch.join();
}

// One that never ran is carried out; one that is not a cleanup batch file
// of the folder is left alone.
TEST_F(PendingCleanupTest, TakesOverOnlyAValidFile) {
  ASSERT_TRUE(base::WriteFile(batch_file(), "del \"" + copy_.AsUTF8Unsafe() + "\"\n"));
  TakeOverPendingCleanup(temp_.GetPath());
  EXPECT_TRUE(base::PathExists(batch_file()));
  EXPECT_TRUE(base::PathExists(copy_));

  WriteBatchFile(4);
  TakeOverPendingCleanup(temp_.GetPath());
  EXPECT_FALSE(base::PathExists(batch_file()));
  EXPECT_FALSE(base::PathExists(copy_.DirName()));
  EXPECT_TRUE(base::DirectoryExists(temp_.GetPath()));
}

}  // namespace
