#include <windows.h>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "base/files/file_path.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/service/transactions/write_file_operation.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"

namespace {

class FileOperationsTest : public testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(temp_dir_.CreateUniqueTempDir()); }

  base::FilePath Path(const wchar_t* relative) const {
    return temp_dir_.GetPath().Append(relative);
  }
  void Write(const base::FilePath& path, const std::string& contents) {
    ASSERT_TRUE(base::CreateDirectory(path.DirName()));
    ASSERT_TRUE(base::WriteFile(path, contents));
  }
  std::string Read(const base::FilePath& path) {
    std::string contents;
    EXPECT_TRUE(base::ReadFileToString(path, &contents)) << path;
    return contents;
  }
  std::map<std::wstring, std::string> Snapshot() { return SnapshotFolder(temp_dir_.GetPath()); }

  // Executes the operation |make| builds twice: first rolled back, after
  // which the folder must be as it was, then committed. |check| runs while
  // each transaction still holds the change. Returns the folder after the
  // commit.
  std::map<std::wstring, std::string> RollBackThenCommit(
      const std::function<std::unique_ptr<Operation>()>& make,
      const std::function<void()>& check) {
    const auto before = Snapshot();
    for (bool roll_back : {true, false}) {
      Transaction transaction;
      std::string error;
      EXPECT_TRUE(transaction.Execute(make(), &error)) << error;
      check();
      if (roll_back) {
        transaction.Rollback();
        EXPECT_EQ(Snapshot(), before);
      }
    }
    return Snapshot();
  }

  // Opens `path` the way a running program or a loaded library holds it.
  HANDLE Hold(const base::FilePath& path, DWORD share) {
    HANDLE handle = ::CreateFileW(path.value().c_str(), GENERIC_READ, share, nullptr,
                                  OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(handle, INVALID_HANDLE_VALUE);
    return handle;
  }

  base::ScopedTempDir temp_dir_;
};

TEST_F(FileOperationsTest, CreateFolderRollbackRemovesOnlyWhatItMade) {
  ASSERT_TRUE(base::CreateDirectory(Path(L"a")));
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(std::make_unique<CreateFolderOperation>(Path(L"a\\b\\c")),
                                  nullptr));
  EXPECT_TRUE(base::DirectoryExists(Path(L"a\\b\\c")));
  transaction.Rollback();
  EXPECT_FALSE(base::DirectoryExists(Path(L"a\\b")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"a")));
}

TEST_F(FileOperationsTest, CreateFolderRollbackKeepsFoldersSomeoneFilled) {
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(std::make_unique<CreateFolderOperation>(Path(L"a\\b\\c")),
                                  nullptr));
  Write(Path(L"a\\b\\user.txt"), "mine");
  transaction.Rollback();
  EXPECT_FALSE(base::DirectoryExists(Path(L"a\\b\\c")));
  EXPECT_EQ(Read(Path(L"a\\b\\user.txt")), "mine");
}

TEST_F(FileOperationsTest, CreateFolderThatExistsIsNeverRemoved) {
  ASSERT_TRUE(base::CreateDirectory(Path(L"a\\b")));
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(std::make_unique<CreateFolderOperation>(Path(L"a\\b")),
                                  nullptr));
  transaction.Rollback();
  EXPECT_TRUE(base::DirectoryExists(Path(L"a\\b")));
}

TEST_F(FileOperationsTest, CreateFolderBlockedByAFileFails) {
  Write(Path(L"a"), "file in the way");
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(std::make_unique<CreateFolderOperation>(Path(L"a\\b")),
                                   &error));
  EXPECT_EQ(error.rfind("Cannot create directory: ", 0), 0u) << error;
  EXPECT_EQ(Read(Path(L"a")), "file in the way");
}

TEST_F(FileOperationsTest, CopyOverExistingFileRollsBackAndCommits) {
  Write(Path(L"src.dll"), "new");
  Write(Path(L"dst\\file.dll"), "old");
  const size_t entries = Snapshot().size();
  auto after = RollBackThenCommit(
      [&] {
        return std::make_unique<CopyFileOperation>(Path(L"src.dll"), Path(L"dst\\file.dll"));
      },
      [&] {
        EXPECT_EQ(Read(Path(L"dst\\file.dll")), "new");
        // Until the commit the old file waits beside the copy as an ".old".
        EXPECT_EQ(Snapshot().size(), entries + 1);
      });
  EXPECT_EQ(after.size(), entries);
  EXPECT_EQ(after[L"dst\\file.dll"], "file:rw:new");
}

TEST_F(FileOperationsTest, CopyIntoMissingFolderRollsBackTheFolder) {
  Write(Path(L"src.txt"), "x");
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<CopyFileOperation>(Path(L"src.txt"), Path(L"n1\\n2\\dst.txt")), nullptr));
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileOperationsTest, CopyOfMissingSourceFailsAndRestoresTheDestination) {
  Write(Path(L"dst.txt"), "keep");
  const auto before = Snapshot();
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<CopyFileOperation>(Path(L"missing.txt"), Path(L"dst.txt")), &error));
  EXPECT_NE(error.find("does not exist."), std::string::npos) << error;
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileOperationsTest, CopyWithTooLongPathFails) {
  Write(Path(L"src.txt"), "x");
  std::wstring name(260 - temp_dir_.GetPath().value().size() - 1, L'n');
  const base::FilePath destination = temp_dir_.GetPath().Append(name);
  ASSERT_EQ(destination.value().size(), 260u);
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<CopyFileOperation>(Path(L"src.txt"), destination), &error));
  EXPECT_NE(error.find("One of the paths is too long."), std::string::npos) << error;
}

TEST_F(FileOperationsTest, DeleteOfMissingPathLeavesNothingToDo) {
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"missing"), /*check_in_use=*/false,
                                            /*remove_empty_parents=*/false),
      nullptr));
  transaction.Rollback();
  EXPECT_TRUE(Snapshot().empty());
}

TEST_F(FileOperationsTest, DeleteMovesAsideAndCommitRemovesTheOldFile) {
  Write(Path(L"keep.txt"), "keep");
  Write(Path(L"d\\f.txt"), "data");
  {
    Transaction transaction;
    auto operation =
        std::make_unique<DeleteFileOperation>(Path(L"d\\f.txt"), /*check_in_use=*/false,
                                              /*remove_empty_parents=*/true,
                                              /*stop_at=*/temp_dir_.GetPath());
    DeleteFileOperation* raw = operation.get();
    ASSERT_TRUE(transaction.Execute(std::move(operation), nullptr));
    EXPECT_FALSE(base::PathExists(Path(L"d\\f.txt")));
    const std::wstring old_name = raw->moved_aside_path().BaseName().value();
    EXPECT_EQ(old_name.rfind(L"f.txt.", 0), 0u);
    EXPECT_EQ(old_name.substr(old_name.size() - 4), L".old");
    EXPECT_EQ(Read(raw->moved_aside_path()), "data");
  }
  // Committed, and the emptied parent went with it.
  EXPECT_EQ(Snapshot().size(), 1u);
}

TEST_F(FileOperationsTest, DeleteCommitNeverRemovesTheStopFolderOrAbove) {
  // "apps" holds nothing but the installation folder "apps\\tarvo", which
  // holds nothing but the deleted file's folders. The test's own folder is
  // kept from being emptied, so that a climb that goes wrong stops there.
  Write(Path(L"keep.txt"), "keep");
  Write(Path(L"apps\\tarvo\\old\\deep\\f.txt"), "f");
  Write(Path(L"other\\g.txt"), "g");
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<DeleteFileOperation>(Path(L"apps\\tarvo\\old\\deep\\f.txt"),
                                              /*check_in_use=*/false,
                                              /*remove_empty_parents=*/true,
                                              /*stop_at=*/Path(L"APPS\\Tarvo\\")),
        nullptr));
    // A stop folder that does not hold the file bounds the climb too.
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<DeleteFileOperation>(Path(L"other\\g.txt"), /*check_in_use=*/false,
                                              /*remove_empty_parents=*/true,
                                              /*stop_at=*/Path(L"apps")),
        nullptr));
  }
  EXPECT_FALSE(base::PathExists(Path(L"apps\\tarvo\\old")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"apps\\tarvo")));
  EXPECT_FALSE(base::PathExists(Path(L"other\\g.txt")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"other")));

  // Without a stop folder nothing above the file is removed.
  Write(Path(L"lone\\h.txt"), "h");
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<DeleteFileOperation>(Path(L"lone\\h.txt"), /*check_in_use=*/false,
                                              /*remove_empty_parents=*/true),
        nullptr));
  }
  EXPECT_FALSE(base::PathExists(Path(L"lone\\h.txt")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"lone")));
}

TEST_F(FileOperationsTest, DeleteOfAFolderRollsBackWithItsContents) {
  Write(Path(L"d\\sub\\f.txt"), "data");
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(
      transaction.Execute(std::make_unique<DeleteFileOperation>(Path(L"d"), /*check_in_use=*/false,
                                                                /*remove_empty_parents=*/false),
                          nullptr));
  EXPECT_FALSE(base::PathExists(Path(L"d")));
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileOperationsTest, SecondDeleteInTheSameSecondFindsTheOldNameTaken) {
  Write(Path(L"f.txt"), "first");
  Transaction transaction;
  auto first = std::make_unique<DeleteFileOperation>(Path(L"f.txt"), /*check_in_use=*/false,
                                                     /*remove_empty_parents=*/false);
  DeleteFileOperation* raw = first.get();
  ASSERT_TRUE(transaction.Execute(std::move(first), nullptr));
  Write(Path(L"f.txt"), "second");
  // Whichever second the next deletion lands in, its ".old" name is taken.
  const std::wstring taken = raw->moved_aside_path().value();
  for (int delta = 1; delta <= 3; ++delta) {
    const std::wstring seconds =
        taken.substr(Path(L"f.txt.").value().size(),
                     taken.size() - Path(L"f.txt.").value().size() - 4);
    Write(Path((L"f.txt." + std::to_wstring(std::stoll(seconds) + delta) + L".old").c_str()),
          "blocker");
  }
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"f.txt"), /*check_in_use=*/false,
                                            /*remove_empty_parents=*/false),
      &error));
  EXPECT_EQ(error.rfind(".old file '", 0), 0u) << error;
  EXPECT_EQ(Read(Path(L"f.txt")), "second");
  const base::FilePath first_old = raw->moved_aside_path();
  transaction.Rollback();
  // The first file could not go back: the second holds its name. Its ".old"
  // copy must survive the rollback.
  EXPECT_EQ(Read(first_old), "first");
}

TEST_F(FileOperationsTest, DeleteOfFileHeldWithoutShareDeleteFailsAndKeepsIt) {
  Write(Path(L"held.txt"), "data");
  const auto before = Snapshot();
  HANDLE handle = Hold(Path(L"held.txt"), FILE_SHARE_READ | FILE_SHARE_WRITE);
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"held.txt"), /*check_in_use=*/true,
                                            /*remove_empty_parents=*/true),
      &error));
  ::CloseHandle(handle);
  EXPECT_EQ(error.rfind("Cannot move the file to .old: ", 0), 0u) << error;
  EXPECT_TRUE(transaction.empty());
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileOperationsTest, DeleteOfProgramInUseIsMovedBackAndFails) {
  Write(Path(L"app.EXE"), "program");
  const auto before = Snapshot();
  // Renamable but not writable, as a running program is.
  HANDLE handle = Hold(Path(L"app.EXE"), FILE_SHARE_READ | FILE_SHARE_DELETE);
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"app.EXE"), /*check_in_use=*/true,
                                            /*remove_empty_parents=*/true),
      &error));
  ::CloseHandle(handle);
  EXPECT_EQ(error.rfind("Cannot move the file to .old: ", 0), 0u) << error;
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(FileOperationsTest, InUseCheckIgnoresOtherExtensionsAndCanBeOff) {
  Write(Path(L"data.bin"), "x");
  Write(Path(L"lib.dll"), "y");
  HANDLE data = Hold(Path(L"data.bin"), FILE_SHARE_READ | FILE_SHARE_DELETE);
  HANDLE lib = Hold(Path(L"lib.dll"), FILE_SHARE_READ | FILE_SHARE_DELETE);
  Transaction transaction;
  EXPECT_TRUE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"data.bin"), /*check_in_use=*/true,
                                            /*remove_empty_parents=*/false),
      nullptr));
  EXPECT_TRUE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"lib.dll"), /*check_in_use=*/false,
                                            /*remove_empty_parents=*/false),
      nullptr));
  transaction.Rollback();
  ::CloseHandle(data);
  ::CloseHandle(lib);
  EXPECT_EQ(Read(Path(L"data.bin")), "x");
  EXPECT_EQ(Read(Path(L"lib.dll")), "y");
}

TEST_F(FileOperationsTest, FailedMoveBackNeverLosesTheOldFile) {
  Write(Path(L"f.txt"), "precious");
  auto operation = std::make_unique<DeleteFileOperation>(Path(L"f.txt"), /*check_in_use=*/false,
                                                         /*remove_empty_parents=*/false);
  Transaction unused;
  ASSERT_TRUE(operation->Execute(&unused, nullptr));
  const base::FilePath old_path = operation->moved_aside_path();
  // Someone puts a file in the way: moving back fails, and the commit that
  // follows the rollback must not remove the only copy.
  Write(Path(L"f.txt"), "intruder");
  operation->Rollback();
  operation.reset();
  EXPECT_EQ(Read(old_path), "precious");
  EXPECT_EQ(Read(Path(L"f.txt")), "intruder");
}

TEST_F(FileOperationsTest, DeleteWithoutRightsGrantsTemporarilyAndRollbackGivesThemBack) {
  FakeSecurityUtil security;
  ScopedSecurityUtilForTesting scoped(&security);
  security.SetDefaultAccess(false);
  Write(Path(L"locked.txt"), "data");
  Write(Path(L"gone.txt"), "data");
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<DeleteFileOperation>(Path(L"locked.txt"), /*check_in_use=*/false,
                                              /*remove_empty_parents=*/false),
        nullptr));
    ASSERT_EQ(security.grants().size(), 1u);
    EXPECT_EQ(security.grants()[0].object_name, Path(L"locked.txt").value());
    EXPECT_EQ(security.grants()[0].object_type, SE_FILE_OBJECT);
    EXPECT_EQ(security.grants()[0].access_mask, 0x130116u);
    EXPECT_FALSE(security.grants()[0].permanent);
    transaction.Rollback();
  }
  EXPECT_EQ(security.restores(), std::vector<std::wstring>{Path(L"locked.txt").value()});
  {
    // Committed: the file is gone, nothing to give back.
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(
        std::make_unique<DeleteFileOperation>(Path(L"gone.txt"), /*check_in_use=*/false,
                                              /*remove_empty_parents=*/false),
        nullptr));
  }
  EXPECT_EQ(security.restores().size(), 1u);
  EXPECT_FALSE(base::PathExists(Path(L"gone.txt")));

  security.SetGrantSucceeds(false);
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<DeleteFileOperation>(Path(L"locked.txt"), /*check_in_use=*/false,
                                            /*remove_empty_parents=*/false),
      &error));
  EXPECT_EQ(error, "Cannot obtain proper permissions on the file");
  EXPECT_EQ(Read(Path(L"locked.txt")), "data");
}

// With the real security code: whatever taking over the file's access
// does to its attributes (some systems clear "read-only"), a rolled-back
// delete gives the file back as it was.
TEST_F(FileOperationsTest, RolledBackDeleteKeepsReadOnlyAndHidden) {
  const base::FilePath file = Path(L"read-only.txt");
  Write(file, "data");
  ASSERT_TRUE(::SetFileAttributesW(file.value().c_str(),
                                   FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
  const DWORD before = ::GetFileAttributesW(file.value().c_str());
  {
    Transaction transaction;
    std::string error;
    ASSERT_TRUE(
        transaction.Execute(std::make_unique<DeleteFileOperation>(file, /*check_in_use=*/false,
                                                                  /*remove_empty_parents=*/false),
                            &error))
        << error;
    EXPECT_FALSE(base::PathExists(file));
    transaction.Rollback();
  }
  EXPECT_EQ(Read(file), "data");
  EXPECT_EQ(before, ::GetFileAttributesW(file.value().c_str()));
  // So that the scratch folder can go.
  ::SetFileAttributesW(file.value().c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(FileOperationsTest, MoveRollsBackAndCommitRemovesEmptiedFolders) {
  Write(Path(L"from\\deep\\f.txt"), "f");
  Write(Path(L"to\\f.txt"), "old");
  auto after = RollBackThenCommit(
      [&] {
        return std::make_unique<MoveFileOperation>(Path(L"from\\deep\\f.txt"),
                                                   Path(L"to\\f.txt"));
      },
      [&] { EXPECT_EQ(Read(Path(L"to\\f.txt")), "f"); });
  EXPECT_EQ(after.count(L"from"), 0u);
  EXPECT_EQ(after[L"to\\f.txt"], "file:rw:f");
  EXPECT_EQ(after.size(), 2u);
}

TEST_F(FileOperationsTest, MoveCommitNeverRemovesTheStopFolderOrAbove) {
  // The installation folder "apps\\tarvo" holds nothing but the moved file's
  // folder, and "apps" nothing but the installation folder.
  Write(Path(L"apps\\tarvo\\old\\f.txt"), "f");
  ASSERT_TRUE(base::CreateDirectory(Path(L"elsewhere")));
  {
    Transaction transaction;
    ASSERT_TRUE(transaction.Execute(std::make_unique<MoveFileOperation>(
                                        Path(L"apps\\tarvo\\old\\f.txt"), Path(L"elsewhere\\f.txt"),
                                        /*stop_at=*/Path(L"apps\\tarvo\\")),
                                    nullptr));
  }
  EXPECT_FALSE(base::PathExists(Path(L"apps\\tarvo\\old")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"apps\\tarvo")));
  EXPECT_EQ(Read(Path(L"elsewhere\\f.txt")), "f");
}

TEST_F(FileOperationsTest, MoveCommitWithoutStopFolderStaysBelowTheCommonFolder) {
  // "top" holds both ends of the move; by the commit the destination's
  // folder is gone (a later operation of the same transaction may take it),
  // so "top" is empty, and so is "scratch". The test's own folder is kept
  // from being emptied, so that a climb that goes wrong stops there.
  Write(Path(L"scratch\\top\\a\\f.txt"), "f");
  Write(Path(L"keep.txt"), "keep");
  {
    Transaction transaction;
    ASSERT_TRUE(
        transaction.Execute(std::make_unique<MoveFileOperation>(Path(L"scratch\\top\\a\\f.txt"),
                                                                Path(L"scratch\\top\\b\\f.txt")),
                            nullptr));
    ASSERT_TRUE(base::DeleteFile(Path(L"scratch\\top\\b"), /*recursive=*/true));
  }
  EXPECT_FALSE(base::PathExists(Path(L"scratch\\top\\a")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"scratch\\top")));
  EXPECT_TRUE(base::DirectoryExists(Path(L"scratch")));
}

TEST_F(FileOperationsTest, WriteIntoMissingFolderRollsBackToNothing) {
  Write(Path(L"keep.txt"), "keep");
  auto after = RollBackThenCommit(
      [&] {
        return std::make_unique<WriteFileOperation>(Path(L"new\\sub\\record.json"), "{}");
      },
      [&] { EXPECT_EQ(Read(Path(L"new\\sub\\record.json")), "{}"); });
  EXPECT_EQ(after[L"new\\sub\\record.json"], "file:rw:{}");
  EXPECT_EQ(after.size(), 4u);
}

TEST_F(FileOperationsTest, WriteOverExistingFileRestoresItOnRollback) {
  Write(Path(L"d\\record.json"), "old");
  const size_t entries = Snapshot().size();
  auto after = RollBackThenCommit(
      [&] { return std::make_unique<WriteFileOperation>(Path(L"d\\record.json"), "new"); },
      [&] {
        EXPECT_EQ(Read(Path(L"d\\record.json")), "new");
        EXPECT_EQ(Snapshot().size(), entries + 1);
      });
  // Committed: the old file's ".old" copy is gone too.
  EXPECT_EQ(after.size(), entries);
  EXPECT_EQ(after[L"d\\record.json"], "file:rw:new");
}

TEST_F(FileOperationsTest, WriteThatCannotReplaceLeavesEverythingAsItWas) {
  Write(Path(L"held.json"), "old");
  ASSERT_TRUE(base::CreateDirectory(Path(L"folder.json")));
  Write(Path(L"folder.json\\inner"), "x");
  const auto before = Snapshot();
  HANDLE handle = Hold(Path(L"held.json"), FILE_SHARE_READ | FILE_SHARE_WRITE);
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<WriteFileOperation>(Path(L"held.json"), "new"), &error));
  ::CloseHandle(handle);
  EXPECT_NE(error.find("Cannot move the existing file aside."), std::string::npos) << error;
  // A folder in the way is refused, not moved aside.
  error.clear();
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<WriteFileOperation>(Path(L"folder.json"), "new"), &error));
  EXPECT_NE(error.find("A folder stands where"), std::string::npos) << error;
  EXPECT_TRUE(transaction.empty());
  EXPECT_EQ(Snapshot(), before);
}

}  // namespace
