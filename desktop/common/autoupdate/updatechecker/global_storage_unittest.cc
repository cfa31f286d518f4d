#include "desktop/common/autoupdate/updatechecker/global_storage.h"

#include <windows.h>

#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "base/files/file_util.h"
#include "base/files/scoped_temp_dir.h"
#include "base/json/json_reader.h"
#include "base/strings/string_number_conversions.h"
#include "base/synchronization/waitable_event.h"
#include "base/values.h"
#include "base/win/scoped_handle.h"
#include "base/win/test_support/kernel_object_dacl.h"
#include "desktop/windows/installer/service/installation_status.h"
#include "desktop/windows/installer/service/test_support/fake_installation.h"
#include "desktop/windows/installer/utils/service_utils.h"
#include "gtest/gtest.h"
#include "testing/registry_override.h"
#include "testing/scoped_log_capture.h"

namespace {

class GlobalStorageTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(registry_.OverrideRegistry(HKEY_CURRENT_USER));
    ASSERT_TRUE(profile_.CreateUniqueTempDir());
    // A mutex of this test alone: other test processes run in parallel.
    static int counter = 0;
    mutex_name_ = L"tauc_test_mutex_" + base::NumberToWString(GetCurrentProcessId()) + L"_" +
                  base::NumberToWString(++counter);
    SetCopyOnly(false);
  }
  void TearDown() override { Installation::ResetForTesting(); }

  void SetCopyOnly(bool copy_only) {
    auto status = std::make_unique<InstallationStatus>(INSTALLATION_STATUS_SOURCE_PRIMARY);
    status->copy_only = copy_only;
    Installation::SetInstanceForTesting(
        std::make_unique<FakeInstallation>(profile_.GetPath(), std::move(status)));
  }

  std::unique_ptr<GlobalStorage> MakeStorage() {
    auto storage = std::make_unique<GlobalStorage>(mutex_name_.c_str());
    storage->Initialize(profile_.GetPath());
    return storage;
  }

  base::FilePath FallbackFile() const { return profile_.GetPath().Append(L"au_global_storage"); }

  bool CompanyKeyExists() const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0, KEY_READ, &key))
      return false;
    RegCloseKey(key);
    return true;
  }

  // The value's text as stored (the registry keeps text as UTF-16; the ANSI
  // calls convert): false when it is missing. Wine's ANSI write stores a
  // terminator although the count leaves it out, so one is dropped here.
  bool ReadRegistry(const char* name, std::string* data, DWORD* type) const {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0, KEY_READ, &key))
      return false;
    wchar_t buffer[256];
    DWORD size = sizeof(buffer);
    const std::wstring wide_name(name, name + strlen(name));
    const LSTATUS result = RegQueryValueExW(key, wide_name.c_str(), nullptr, type,
                                            reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS)
      return false;
    data->clear();
    for (DWORD i = 0; i < size / sizeof(wchar_t); ++i)
      data->push_back(static_cast<char>(buffer[i]));
    if (!data->empty() && data->back() == '\0')
      data->pop_back();
    return true;
  }

  std::string FileText() const {
    std::string text;
    base::ReadFileToString(FallbackFile(), &text);
    return text;
  }

  registry_util::RegistryOverrideManager registry_;
  base::ScopedTempDir profile_;
  std::wstring mutex_name_;
};

TEST_F(GlobalStorageTest, RegistryValuesAreAnsiTextWithoutTerminator) {
  auto storage = MakeStorage();
  // Removing under a company key that does not exist yet succeeds.
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", ""));
  EXPECT_FALSE(CompanyKeyExists());

  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "1234-abcd"));
  std::string data;
  DWORD type = 0;
  ASSERT_TRUE(ReadRegistry("UUID", &data, &type));
  EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
  EXPECT_EQ("1234-abcd", data);

  std::string value = "stale";
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("1234-abcd", value);
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("missing", &value));
  EXPECT_EQ("", value);

  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", ""));
  EXPECT_FALSE(ReadRegistry("UUID", &data, &type));
  EXPECT_FALSE(base::PathExists(FallbackFile()));
}

// The registry's own answer is logged; the registry calls do not set the
// thread's last error, which would name some earlier failure.
TEST_F(GlobalStorageTest, FailedWriteLogsTheRegistryAnswer) {
  const std::string too_long(20000, 'n');
  auto storage = MakeStorage();
  ASSERT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "u1"));
  // What the registry answers to such a name.
  HKEY key = nullptr;
  ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, GetCompanyRegistryKey().c_str(), 0,
                                         KEY_WRITE, &key));
  const LSTATUS expected = RegSetValueExA(key, too_long.c_str(), 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>("x"), 1);
  RegCloseKey(key);
  ASSERT_NE(ERROR_SUCCESS, expected);

  testing_support::ScopedLogCapture log;
  SetLastError(ERROR_NOT_ENOUGH_QUOTA);
  EXPECT_EQ(GlobalStorage::kFailure, storage->SetValue(too_long, "x"));
  const std::vector<std::string> lines = log.lines();
  ASSERT_EQ(1u, lines.size());
  EXPECT_NE(std::string::npos,
            lines[0].find("[AU] GS: Setting reg value failed with: " + std::to_string(expected)))
      << lines[0];
}

TEST_F(GlobalStorageTest, BadArgumentsNeverTouchTheMutex) {
  auto storage = MakeStorage();
  EXPECT_EQ(GlobalStorage::kEmptyName, storage->SetValue("", "x"));
  EXPECT_EQ(GlobalStorage::kEmptyName, storage->GetValue("x", nullptr));
  HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, mutex_name_.c_str());
  EXPECT_EQ(nullptr, mutex) << "the mutex was made";
  if (mutex)
    CloseHandle(mutex);
  std::string value = "stale";
  EXPECT_EQ(GlobalStorage::kFailure, storage->GetValue("", &value));
  EXPECT_EQ("", value);
}

// The mutex the storage made is open only to the user, SYSTEM and the
// Administrators: nobody else can hold it to keep the storage busy.
TEST_F(GlobalStorageTest, MutexIsOpenOnlyToTheUser) {
  auto storage = MakeStorage();
  std::string value;
  ASSERT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  base::win::ScopedHandle mutex(OpenMutexW(READ_CONTROL, FALSE, mutex_name_.c_str()));
  ASSERT_TRUE(mutex.IsValid());
  EXPECT_TRUE(IsOpenOnlyToTheUser(mutex.Get()));
}

// While another holder has the mutex, calls answer at once and change
// nothing; afterwards they work again.
TEST_F(GlobalStorageTest, BusyMutexAnswersAtOnce) {
  auto storage = MakeStorage();
  ASSERT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "before"));
  base::WaitableEvent held, release;
  std::thread holder([&] {
    HANDLE mutex = CreateMutexW(nullptr, FALSE, mutex_name_.c_str());
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(mutex, 30000));
    held.Signal();
    release.TimedWait(base::TimeDelta::FromSeconds(30));
    ReleaseMutex(mutex);
    CloseHandle(mutex);
  });
  ASSERT_TRUE(held.TimedWait(base::TimeDelta::FromSeconds(30)));
  std::string value = "stale";
  EXPECT_EQ(GlobalStorage::kBusy, storage->SetValue("UUID", "during"));
  EXPECT_EQ(GlobalStorage::kBusy, storage->GetValue("UUID", &value));
  EXPECT_EQ("", value);
  release.Signal();
  holder.join();
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("before", value);
}

TEST_F(GlobalStorageTest, StandaloneCopyKeepsValuesInTheProfileFile) {
  SetCopyOnly(true);
  auto storage = MakeStorage();
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "u1"));
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("with.dot", "d"));
  EXPECT_FALSE(CompanyKeyExists());
  std::unique_ptr<base::Value> json = base::JSONReader::Read(FileText());
  ASSERT_TRUE(json) << FileText();
  const base::Value* gs = json->FindKey("GS");
  ASSERT_TRUE(gs && gs->is_dict()) << FileText();
  EXPECT_EQ("u1", gs->FindKey("UUID")->GetString());
  EXPECT_EQ("d", gs->FindKey("with.dot")->GetString());

  std::string value;
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("with.dot", &value));
  EXPECT_EQ("d", value);
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", ""));
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("", value);
  EXPECT_FALSE(CompanyKeyExists());
}

TEST_F(GlobalStorageTest, WithoutAProfileFolderAStandaloneCopyFails) {
  SetCopyOnly(true);
  GlobalStorage storage(mutex_name_.c_str());
  std::string value;
  EXPECT_EQ(GlobalStorage::kFailure, storage.SetValue("UUID", "u1"));
  EXPECT_EQ(GlobalStorage::kFailure, storage.GetValue("UUID", &value));
}

// Initialize moves string entries into the registry and keeps the file,
// which then takes this process's writes; reads stay with the registry.
TEST_F(GlobalStorageTest, MigrationMovesStringEntriesOnly) {
  ASSERT_TRUE(base::WriteFile(FallbackFile(),
                              R"({"GS": {"UUID": "u1", "count": 5, "K": "v"}, "other": 1})"));
  auto storage = MakeStorage();
  std::string data;
  DWORD type = 0;
  ASSERT_TRUE(ReadRegistry("UUID", &data, &type));
  EXPECT_EQ("u1", data);
  ASSERT_TRUE(ReadRegistry("K", &data, &type));
  EXPECT_EQ("v", data);
  EXPECT_FALSE(ReadRegistry("count", &data, &type));
  ASSERT_TRUE(base::PathExists(FallbackFile()));

  // A write after the migration reaches the registry, which reads use, and
  // the file, whose entries a later migration moves again; a removal too.
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "u2"));
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("K", ""));
  ASSERT_TRUE(ReadRegistry("UUID", &data, &type));
  EXPECT_EQ("u2", data);
  EXPECT_FALSE(ReadRegistry("K", &data, &type));
  std::string value;
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("u2", value);
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("K", &value));
  EXPECT_EQ("", value);
  std::unique_ptr<base::Value> json = base::JSONReader::Read(FileText());
  ASSERT_TRUE(json);
  EXPECT_EQ("u2", json->FindKey("GS")->FindKey("UUID")->GetString());
  EXPECT_EQ(nullptr, json->FindKey("GS")->FindKey("K"));
  EXPECT_EQ(1, json->FindKey("other")->GetInt());
  // The next migration brings nothing older back.
  auto again = MakeStorage();
  EXPECT_EQ(GlobalStorage::kSuccess, again->GetValue("UUID", &value));
  EXPECT_EQ("u2", value);
}

// A corrupt file is set aside as ".bad" by the preference store, never lost.
TEST_F(GlobalStorageTest, CorruptFallbackFileIsKeptAside) {
  SetCopyOnly(true);
  ASSERT_TRUE(base::WriteFile(FallbackFile(), "{not json"));
  auto storage = MakeStorage();
  EXPECT_EQ(GlobalStorage::kSuccess, storage->SetValue("UUID", "u1"));
  std::string bad;
  ASSERT_TRUE(base::ReadFileToString(FallbackFile().ReplaceExtension(L"bad"), &bad));
  EXPECT_EQ("{not json", bad);
  std::string value;
  EXPECT_EQ(GlobalStorage::kSuccess, storage->GetValue("UUID", &value));
  EXPECT_EQ("u1", value);
}

}  // namespace
