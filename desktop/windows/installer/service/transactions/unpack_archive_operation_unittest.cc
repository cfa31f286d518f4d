#include "desktop/windows/installer/service/transactions/unpack_archive_operation.h"

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "base/base_paths.h"
#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/win/registry.h"
#include "desktop/windows/installer/lzma_util/lzma_util.h"
#include "desktop/windows/installer/service/transactions/change_reg_value_operation.h"
#include "desktop/windows/installer/service/transactions/copy_file_operation.h"
#include "desktop/windows/installer/service/transactions/create_folder_operation.h"
#include "desktop/windows/installer/service/transactions/delete_file_operation.h"
#include "desktop/windows/installer/service/transactions/delete_reg_key_operation.h"
#include "desktop/windows/installer/service/transactions/move_file_operation.h"
#include "desktop/windows/installer/service/transactions/test_support/scratch_snapshot.h"
#include "desktop/windows/installer/service/transactions/transaction.h"
#include "desktop/windows/installer/utils/security_util.h"
#include "desktop/windows/installer/utils/test_support/fake_security_util.h"
#include "gtest/gtest.h"
#include "testing/build_paths.h"
#include "testing/registry_override.h"

namespace {

using testing_support::BinFile;

// Writes a fixed set of entries, optionally failing after some of them, and
// can report a path outside the destination (which must never be deleted).
class FakeUnpacker : public LzmaUtil {
 public:
  OpenResult Open(const base::FilePath& /*archive_path*/) override { return open_result; }
  void Close() override {}
  ExtractResult Extract(const base::FilePath& output_folder,
                        const std::set<std::wstring>* /*filter*/,
                        UnpackProgressObserver* /*observer*/,
                        std::vector<base::FilePath>* written_files,
                        std::vector<base::FilePath>* created_folders) override {
    ++extract_calls;
    const wchar_t* entries[] = {L"a.txt", L"dir\\b.txt", L"dir\\sub\\c.txt"};
    int written = 0;
    for (const wchar_t* entry : entries) {
      if (written == fail_after)
        return LzmaUtil::kWriteFileFailed;
      const base::FilePath path = output_folder.Append(entry);
      for (base::FilePath folder = path.DirName(); !base::DirectoryExists(folder);
           folder = folder.DirName()) {
        created_folders->insert(created_folders->begin(), folder);
      }
      base::CreateDirectory(path.DirName());
      base::WriteFile(path, "entry");
      ::SetFileAttributesW(path.value().c_str(), FILE_ATTRIBUTE_READONLY);
      written_files->push_back(path);
      ++written;
    }
    for (const base::FilePath& path : outside)
      written_files->push_back(path);
    return LzmaUtil::kOk;
  }

  OpenResult open_result = LzmaUtil::kOpenOk;
  int fail_after = -1;
  int extract_calls = 0;
  std::vector<base::FilePath> outside;
};

class UnpackArchiveOperationTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    archive_ = temp_dir_.GetPath().Append(L"package.7z");
    ASSERT_TRUE(base::WriteFile(archive_, "not read by the fake"));
  }
  base::FilePath Path(const wchar_t* relative) const {
    return temp_dir_.GetPath().Append(relative);
  }
  std::map<std::wstring, std::string> Snapshot() { return SnapshotFolder(temp_dir_.GetPath()); }

  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  base::ScopedTempDir temp_dir_;
  base::FilePath archive_;
  FakeUnpacker unpacker_;
};

TEST_F(UnpackArchiveOperationTest, SuccessClearsReadOnlyAndRollbackRemovesEverything) {
  const auto before = Snapshot();
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<UnpackArchiveOperation>(archive_, Path(L"new\\out"), &unpacker_, nullptr),
      nullptr));
  EXPECT_EQ(Snapshot()[L"new\\out\\dir\\sub\\c.txt"], "file:rw:entry");
  transaction.Rollback();
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(UnpackArchiveOperationTest, FailureHalfWayLeavesNothing) {
  ASSERT_TRUE(base::CreateDirectory(Path(L"out")));
  const auto before = Snapshot();
  unpacker_.fail_after = 2;
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<UnpackArchiveOperation>(archive_, Path(L"out"), &unpacker_, nullptr),
      &error));
  EXPECT_EQ(error, "Could not lzma unpack, error code: 8");
  // The destination existed before: it stays, emptied.
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(UnpackArchiveOperationTest, ArchiveThatCannotBeOpenedFailsAndLeavesNothing) {
  const auto before = Snapshot();
  unpacker_.open_result = LzmaUtil::kOpenError;
  Transaction transaction;
  std::string error;
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<UnpackArchiveOperation>(archive_, Path(L"new\\out"), &unpacker_, nullptr),
      &error));
  EXPECT_EQ(error, "Could not open the archive: 2");
  EXPECT_EQ(unpacker_.extract_calls, 0);
  EXPECT_TRUE(transaction.empty());
  // The folder made for the destination went with the failed operation.
  EXPECT_EQ(Snapshot(), before);
}

TEST_F(UnpackArchiveOperationTest, RollbackNeverDeletesOutsideTheDestination) {
  const base::FilePath outside = Path(L"user.txt");
  ASSERT_TRUE(base::WriteFile(outside, "mine"));
  unpacker_.outside = {outside, Path(L"out\\..\\user.txt"), Path(L"out\\sub\\..\\..\\user.txt")};
  Transaction transaction;
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<UnpackArchiveOperation>(archive_, Path(L"out"), &unpacker_, nullptr),
      nullptr));
  transaction.Rollback();
  EXPECT_TRUE(base::PathExists(outside));
  EXPECT_FALSE(base::PathExists(Path(L"out\\a.txt")));
}

// The whole undo promise: one transaction of file, folder, registry and
// archive work rolled back leaves files and registry exactly as they were;
// committed, it leaves no ".old" file behind.
class MixedTransactionTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(override_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(temp_dir_.CreateUniqueTempDir());
    if (!base::PathExists(BinFile(L"lzma_test_data", L"whole.7z")))
      GTEST_SKIP() << "lzma_test_data is missing";
    install_ = temp_dir_.GetPath().Append(L"install");
    ASSERT_TRUE(base::CreateDirectory(install_.Append(L"old_version")));
    ASSERT_TRUE(base::WriteFile(install_.Append(L"tarvo.exe"), "old program"));
    ASSERT_TRUE(base::WriteFile(install_.Append(L"old_version\\lib.dll"), "old library"));
    ASSERT_TRUE(base::WriteFile(install_.Append(L"prefs.json"), "{}"));
    ASSERT_TRUE(base::WriteFile(temp_dir_.GetPath().Append(L"new.exe"), "new program"));
    base::win::RegKey key;
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Tarvo Software\\Tarvo\\Old",
                         KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"version", L"1.0"), ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"count", 3), ERROR_SUCCESS);
    ASSERT_EQ(key.Create(HKEY_CURRENT_USER, L"Software\\Tarvo Software\\Tarvo",
                         KEY_ALL_ACCESS),
              ERROR_SUCCESS);
    ASSERT_EQ(key.WriteValue(L"path", install_.value().c_str()), ERROR_SUCCESS);
  }

  void RunEverything(Transaction* transaction) {
    const std::wstring product = L"Software\\Tarvo Software\\Tarvo";
    const std::wstring new_path = L"D:\\elsewhere";
    std::unique_ptr<Operation> operations[] = {
        std::make_unique<CreateFolderOperation>(install_.Append(L"new_version\\extra")),
        std::make_unique<CopyFileOperation>(temp_dir_.GetPath().Append(L"new.exe"),
                                            install_.Append(L"tarvo.exe")),
        std::make_unique<DeleteFileOperation>(install_.Append(L"old_version\\lib.dll"),
                                              /*check_in_use=*/true,
                                              /*remove_empty_parents=*/true, /*stop_at=*/install_),
        std::make_unique<MoveFileOperation>(install_.Append(L"prefs.json"),
                                            install_.Append(L"new_version\\prefs.json")),
        std::make_unique<UnpackArchiveOperation>(BinFile(L"lzma_test_data", L"whole.7z"),
                                                 install_.Append(L"new_version\\package"),
                                                 &unpacker_, nullptr),
        std::make_unique<DeleteRegKeyOperation>(HKEY_CURRENT_USER, product + L"\\Old", 0),
        std::make_unique<ChangeRegValueOperation>(
            HKEY_CURRENT_USER, product, L"path", new_path.c_str(), REG_SZ,
            static_cast<DWORD>((new_path.size() + 1) * sizeof(wchar_t)), 0),
        std::make_unique<ChangeRegValueOperation>(HKEY_CURRENT_USER, product + L"\\New\\Deep", L"",
                                                  L"", REG_SZ, 2, 0),
    };
    for (auto& operation : operations) {
      std::string error;
      ASSERT_TRUE(transaction->Execute(std::move(operation), &error)) << error;
    }
  }
  std::map<std::wstring, std::string> Files() { return SnapshotFolder(temp_dir_.GetPath()); }
  std::map<std::wstring, std::string> Registry() {
    return SnapshotRegistryKey(HKEY_CURRENT_USER, L"Software");
  }

  FakeSecurityUtil security_;
  ScopedSecurityUtilForTesting scoped_security_{&security_};
  registry_util::RegistryOverrideManager override_;
  base::ScopedTempDir temp_dir_;
  base::FilePath install_;
  LzmaUtil unpacker_;
};

TEST_F(MixedTransactionTest, RollbackRestoresFilesAndRegistryExactly) {
  const auto files = Files();
  const auto registry = Registry();
  Transaction transaction;
  RunEverything(&transaction);
  EXPECT_NE(Files(), files);
  EXPECT_NE(Registry(), registry);
  transaction.Rollback();
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(Registry(), registry);
}

TEST_F(MixedTransactionTest, FileInUseFailsTheRunAndRollbackRestoresEverything) {
  const auto files = Files();
  const auto registry = Registry();
  // Held as a running program holds its image: no FILE_SHARE_DELETE.
  HANDLE held = ::CreateFileW(install_.Append(L"tarvo.exe").value().c_str(), GENERIC_READ,
                              FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(held, INVALID_HANDLE_VALUE);
  Transaction transaction;
  std::string error;
  ASSERT_TRUE(transaction.Execute(
      std::make_unique<DeleteRegKeyOperation>(HKEY_CURRENT_USER,
                                              L"Software\\Tarvo Software\\Tarvo\\Old", 0),
      &error));
  EXPECT_FALSE(transaction.Execute(
      std::make_unique<CopyFileOperation>(temp_dir_.GetPath().Append(L"new.exe"),
                                          install_.Append(L"tarvo.exe")),
      &error));
  EXPECT_NE(error.find("Cannot move the file to .old: "), std::string::npos) << error;
  transaction.Rollback();
  ::CloseHandle(held);
  EXPECT_EQ(Files(), files);
  EXPECT_EQ(Registry(), registry);
}

TEST_F(MixedTransactionTest, CommitLeavesNoOldFiles) {
  {
    Transaction transaction;
    RunEverything(&transaction);
  }
  const auto files = Files();
  for (const auto& [path, contents] : files)
    EXPECT_EQ(path.find(L".old"), std::wstring::npos) << path;
  EXPECT_EQ(files.at(L"install\\tarvo.exe"), "file:rw:new program");
  // The deleted library's folder was left empty and went with it.
  EXPECT_EQ(files.count(L"install\\old_version"), 0u);
  EXPECT_EQ(files.count(L"install\\new_version\\package\\sub\\inner\\c.txt"), 1u);
  EXPECT_EQ(files.count(L"install\\prefs.json"), 0u);
}

}  // namespace
